#pragma once

#include "print/duplex.h"

#include <QString>
#include <QStringList>

#include <optional>

// Printing from a script, without a window:
//   qmark --export-pdf OUT.pdf [--merge DATA.csv] [--layout NAME] [--rows N] [--columns N]
//         CARD.qmark
//   qmark --print QUEUE [--copies N] [--merge DATA.csv] [--layout NAME] [--rows N]
//         [--columns N] CARD.qmark
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

// Only these exact words, as the first argument, mean a run without a window; any other
// command line is a card to open.
bool isRequested(const QStringList& arguments);

// The request the arguments (those after the program) make, or nothing with the reason.
std::optional<Request> parse(const QStringList& arguments, QString* error);

// Carries out a request; the reason goes to `error` when it fails. Needs a QApplication but
// shows no window.
bool run(const Request& request, QString* error);

// The whole mode: parse, run, every message one line on standard error (a box would wait for
// ever). The exit status: 0 when done, warnings or not; 1 when it failed.
int main(const QStringList& arguments);

} // namespace headless
