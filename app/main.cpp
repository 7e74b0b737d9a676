#include "app/headless.h"
#include "app/mainwindow.h"
#include "document/filename.h"
#include "platform/resources.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <vector>

namespace {
const char* const QuitAfterFirstFrameOption = "--quit-after-first-frame";

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
    // Every window, dialogs and message boxes included, shows the program's icon.
    initResources();
    QApplication::setWindowIcon(QIcon(":/quillmark.svg"));
    app.setApplicationName("Quillmark");

    if (windowless)
        return headless::main(arguments);

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
