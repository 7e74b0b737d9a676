#include "app/headless.h"
#include "app/mainwindow.h"
#include "document/filename.h"
#include "platform/resources.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace {
const char* const QuitAfterFirstFrameOption = "--quit-after-first-frame";

const char* const HelpText =
    "Usage: qmark [CARD]\n"
    "       qmark --export-pdf OUT.pdf [--merge DATA.csv] [--layout NAME] [--rows N]\n"
    "             [--columns N] [--sides long|short|front] [--] CARD\n"
    "       qmark --print QUEUE [--copies N] [--merge DATA.csv] [--layout NAME] [--rows N]\n"
    "             [--columns N] [--sides long|short|front] [--] CARD\n"
    "       qmark --help | --version\n"
    "\n"
    "Designs business cards and prints sheets of them.\n"
    "\n"
    "With no argument, opens the designer with an empty card. Otherwise the whole command\n"
    "line, words joined by single spaces, is the path of a card file (.qmark) to open.\n"
    "\n"
    "  --export-pdf OUT.pdf  write the sheet of cards as a PDF file, without a window\n"
    "  --print QUEUE         send the sheet to a printer queue, without a window\n"
    "  --copies N            copies to print, 1 to 999 (with --print)\n"
    "  --merge DATA.csv      one card a row of the CSV file, ${column} in captions and QR\n"
    "                        codes filled from the row, as many pages as the rows need\n"
    "  --layout NAME         top-left (the default), letter-10, a4-10, letter-fit, a4-fit\n"
    "  --rows N, --columns N cards down and across for top-left, 1 to 4 (default 4 and 2)\n"
    "  --sides long|short|front  a card with a back: front and back sheets in turn, for\n"
    "                        turning over the long edge (the default) or the short edge;\n"
    "                        or the fronts alone\n"
    "  --                    ends the options: what follows is the card file\n"
    "  --help                show this text and exit\n"
    "  --version             show the version and exit\n"
    "\n"
    "Runs without a window exit with 0 on success and 1 on failure, with one line on\n"
    "standard error. See qmark(1).\n";

// Ends the program once the window has painted its first frame: start-up measurements time
// the whole process up to what the user first sees.
class QuitAfterFirstFrame : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        // The frame reaches the screen when the paint pass that sent this event is over.
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};
} // namespace

int main(int argc, char** argv)
{
    // Asked of every command-line program, and answered without a display. Only as the whole
    // command line: anything else is still the path of a card to open.
    if (argc == 2 && (qstrcmp(argv[1], "--help") == 0 || qstrcmp(argv[1], "--version") == 0)) {
        std::fputs(qstrcmp(argv[1], "--help") == 0 ? HelpText : "qmark " QUILLMARK_VERSION "\n",
                   stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    // A run for a script needs no display: unless told otherwise, it draws off screen.
    // Names are bytes: each argument names the very file it named, whatever its bytes.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << decodeFileName(argv[i]);
    const bool windowless = headless::isRequested(arguments);
    if (windowless) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // A script reads one line of error at most; the toolkit's chatter is not for it.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    }

    QApplication app(argc, argv);
    initResources();
    app.setApplicationName("Quillmark");

    if (windowless)
        return headless::main(arguments);
    // Every window, dialogs and message boxes included, shows the program's icon. A run
    // without windows makes none: making its pixmaps wakes the desktop theme for nothing.
    QApplication::setWindowIcon(programIcon(":/quillmark.svg"));

    // The option comes first and is not part of the card's path.
    std::vector<const char*> rest(argv, argv + argc);
    const bool quitAfterFirstFrame = argc > 1 && qstrcmp(argv[1], QuitAfterFirstFrameOption) == 0;
    if (quitAfterFirstFrame)
        rest.erase(rest.begin() + 1);

    MainWindow window(StartupOptions::fromArguments(int(rest.size()), rest.data(),
                                                    QCoreApplication::applicationFilePath()));
    QuitAfterFirstFrame firstFrame;
    if (quitAfterFirstFrame)
        window.installEventFilter(&firstFrame);
    window.startUp();
    window.show();
    return app.exec();
}
