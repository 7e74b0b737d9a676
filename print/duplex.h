#pragma once

#include "print/printsheet.h"

#include <QString>

#include <functional>

#include <optional>

class QPainter;
class QTransform;

// Both sides of the card on paper: front and back sheets in turn, each card's back behind its
// own front once the sheet is turned over.
namespace duplex {

// Front only, or both sides turned over the paper's long edge or its short edge.
enum class Sides { Front, LongEdge, ShortEdge };

// "long", "short" or "front" as a command line names them; nothing for any other word.
std::optional<Sides> sidesFromName(const QString& name);
// The value of CUPS "sides" for a two-sided job.
QString cupsSides(Sides sides);

// Whether a back sheet mirrors the columns of its page (or else its rows). A sheet turned
// over the paper's long edge mirrors the columns of a portrait page, the rows of a landscape
// one.
bool mirrorsColumns(Sides sides, bool landscape);

// Where the back page has what lies behind each point of the front page of `pageSize`:
// the columns or the rows mirrored.
QTransform backMirror(Sides sides, QSizeF pageSize, bool landscape);

// The back side of a card's snapshot, ready for the back sheet of `sides`.
CardSnapshot backSnapshot(const CardSnapshot& front, Sides sides, bool landscape);

// Paints the back of a sheet (its snapshot from backSnapshot): the front's cells and crop
// marks mirrored across the page, each card reading right in its cell.
void paintBack(QPainter& painter, const SheetSpec& back, qreal unitsPerTwip, Sides sides);

// Whether a CUPS queue that exists says it prints on one side only.
bool printsOneSideOnly(const QString& printerName);

// Pages printed on both sides of `sheets` sheets of `paper` (its portrait size; turned when
// `landscape`): `front` and `back` paint the two sides of the sheet they are given.
struct TwoSidedPages {
    QSizeF paper;
    bool landscape = false;
    int sheets = 1;
    PagesPainter front;
    PagesPainter back;
};

// Prints the sheets front, back, front, back ...: a PDF holds them interleaved, a queue gets
// one job asking for two-sided printing.
PrintOutcome printBothSides(SheetJob job, const TwoSidedPages& pages, Sides sides);
// The same for the card's sheets (every page of a merged one).
PrintOutcome printBothSides(SheetJob job, const SheetSpec& front, Sides sides);

// Both sides on a queue that prints one side only: the fronts, then `turnStack` (which asks
// the user to put the printed stack back; false stops there), then the backs, last sheet
// first, since the sheet printed last lies on top of the stack put back as it came out of a
// printer that stacks face down; first sheet first where the queue's calibration says its
// printer stacks face up.
PrintOutcome printByHand(const SheetJob& job, const TwoSidedPages& pages,
                         const std::function<bool()>& turnStack);
PrintOutcome printByHand(const SheetJob& job, const SheetSpec& front, Sides sides,
                         const std::function<bool()>& turnStack);

// What to tell the user between the fronts and the backs printed by hand.
QString turnStackMessage(Sides sides);

} // namespace duplex
