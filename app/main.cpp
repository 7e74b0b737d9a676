#include "app/headless.h"
#include "app/mainwindow.h"
#include "document/filename.h"
#include "platform/resources.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {
const char* const QuitAfterFirstFrameOption = "--quit-after-first-frame";

const char* const HelpText =
    "Usage: qmark [CARD]\n"
    "       qmark --export-pdf OUT.pdf [--merge DATA.csv] [--layout NAME] [--rows N]\n"
    "             [--columns N] [--sides long|short|front] [--] CARD\n"
    "       qmark --print QUEUE [--copies N] [--merge DATA.csv] [--layout NAME] [--rows N]\n"
    "             [--columns N] [--sides long|short|front] [--] CARD\n"
    "       qmark --export-card OUT.pdf|OUT.png|OUT.svg [--bleed MM] [--dpi N] [--] CARD\n"
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
    "  --layout NAME         top-left (the default), letter-10, a4-10, letter-fit, a4-fit,\n"
    "                        or a stock sheet of the glabels-data catalogue (\"Avery 5371\")\n"
    "  --export-card OUT     the card alone: a print shop's PDF, a PNG or an SVG, by suffix\n"
    "  --bleed MM            bleed around the print shop's card, 0 to 5 mm (default 3)\n"
    "  --dpi N               the PNG's resolution, 1 to 1200 (default 300)\n"
    "  --rows N, --columns N cards down and across for top-left, 1 to 4 (default 4 and 2)\n"
    "  --sides long|short|front  a card with a back: front and back sheets in turn, for\n"
    "                        turning over the long edge (the default) or the short edge;\n"
    "                        or the fronts alone\n"
    "  --                    ends the options: what follows is the card file\n"
    "  --help                show this text and exit\n"
    "  --version             show the version and exit\n"
    "\n"
    "The options may come in any order once the first word is one of them. Runs without a\n"
    "window exit with 0 on success and 1 on failure, with one line on standard error.\n"
    "See qmark(1).\n";

// The window needs a display. Without one the toolkit aborts the program with a page of advice;
// a user is told in one line instead, and the exit status is a plain failure.
[[noreturn]] void noDisplay(const char* reason)
{
    std::fprintf(stderr, "qmark: the designer needs a display: %s\n", reason);
    std::fflush(stderr);
    std::_Exit(1);
}

// The toolkit's messages while the application starts are held back: a fatal one can only mean
// that no display could be reached, and then the warnings before it are no news to the user.
QtMessageHandler toolkitMessages = nullptr;
QList<std::pair<QtMsgType, QString>> heldMessages;

void holdMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg)
        noDisplay("none could be reached (see DISPLAY and QT_QPA_PLATFORM); --export-pdf and "
                  "--print work without one");
    heldMessages.append({type, message});
}

void releaseMessages()
{
    qInstallMessageHandler(toolkitMessages);
    for (const auto& [type, message] : std::exchange(heldMessages, {}))
        if (toolkitMessages)
            toolkitMessages(type, QMessageLogContext(), message);
}

bool displayUnset()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool onScreen =
        platform.isEmpty() || platform.startsWith("xcb") || platform.startsWith("wayland");
    return onScreen && qEnvironmentVariableIsEmpty("DISPLAY")
           && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

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
    // A write past the file size limit fails and is reported like a full disk, rather than
    // ending the program and losing the work in its window.
    std::signal(SIGXFSZ, SIG_IGN);
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
    if (headless::isRequested(arguments)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // A script reads one line of error at most; the toolkit's chatter is not for it.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        // No widget can be made here at all: printing takes the design, never a window.
        QGuiApplication app(argc, argv);
        initResources();
        app.setApplicationName("Quillmark");
        return headless::main(arguments);
    }

    if (displayUnset())
        noDisplay("DISPLAY is not set; --export-pdf and --print work without one");
    toolkitMessages = qInstallMessageHandler(holdMessage);
    QApplication app(argc, argv);
    releaseMessages();
    initResources();
    app.setApplicationName("Quillmark");
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
