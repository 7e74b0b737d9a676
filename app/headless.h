#pragma once

#include "print/duplex.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class CardDesign;

// Printing from a script, without a window:
//   qmark --export-pdf OUT.pdf [--merge DATA.csv] [--layout NAME] [--rows N] [--columns N]
//         CARD.qmark
//   qmark --print QUEUE [--copies N] [--merge DATA.csv] [--layout NAME] [--rows N]
//         [--columns N] CARD.qmark
//   qmark --export-card OUT.pdf|OUT.png|OUT.svg [--bleed MM] [--side front|back] [--dpi N]
//         CARD.qmark
// Either takes --sides long|short|front: a card with a back prints front and back sheets in
// turn (turned over the long edge unless told), a PDF interleaving them.
// With --merge, each card cell gets the next row of the data, over as many pages as it takes.
// "--" ends the options: every word after it is a card file, even one starting with "--".
namespace headless {

struct Request {
    enum class Mode { ExportPdf, Print };
    Mode mode = Mode::ExportPdf;
    QString target; // the PDF file or the queue
    QString layout = QStringLiteral("top-left");
    int rows = 4; // for the layout that takes Cards Count's choice
    int columns = 2;
    int copies = 1;
    QString mergeData;                  // a CSV file, or empty
    std::optional<duplex::Sides> sides; // none: both sides, long edge, for a card with a back
    QString card;
};

// A command line that starts with one of the options above, word for word, is a run without
// a window, its options then in any order; any other command line is a card to open.
bool isRequested(const QStringList& arguments);

// The request the arguments (those after the program) make, or nothing with the reason.
std::optional<Request> parse(const QStringList& arguments, QString* error);

// The one card file a windowless command line names from `first` on, or nothing with the
// reason. Each option ("--name") and the word after it, its value, go to `option`, which says
// why it refuses them or returns an empty string; the value is missing at the end of the line
// or before "--", which is never an option's value. Every other word, and every word after
// "--", is a card file.
using OptionTaker =
    std::function<QString(const QString& option, const std::optional<QString>& value)>;
std::optional<QString> oneCard(const QStringList& arguments, qsizetype first,
                               const OptionTaker& option, QString* error);

// Carries out a request; the reason goes to `error` when it fails. Needs a QGuiApplication
// only: it makes no widget.
bool run(const Request& request, QString* error);

// The card file's bytes, or nothing with the reason; reads nothing that could block.
std::optional<QByteArray> readCard(const QString& path, QString* error);
// The design those bytes hold; what reading left out, or a card cut short, is one line each.
CardDesign readDesign(const QString& path, const QByteArray& bytes);
// The card's picture that `target` would overwrite, if any: the pictures are inputs too, and a
// file written over one would lose it for this card.
std::optional<QString> pictureAt(const CardDesign& design, const QString& target);

// The whole mode: parse, run, every message one line on standard error (a box would wait for
// ever). The exit status: 0 when done, warnings or not; 1 when it failed.
int main(const QStringList& arguments);

} // namespace headless
