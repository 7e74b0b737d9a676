#include "app/headless.h"
#include "app/mainwindow.h"

#include <QApplication>

#include <cstring>

int main(int argc, char** argv)
{
    // A run for a script needs no display: unless told otherwise, it draws off screen.
    const bool windowless =
        argc > 1
        && (std::strcmp(argv[1], "--export-pdf") == 0 || std::strcmp(argv[1], "--print") == 0);
    if (windowless) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // A script reads one line of error at most; the toolkit's chatter is not for it.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    }

    QApplication app(argc, argv);
    app.setApplicationName("Quillmark");

    QStringList arguments = app.arguments();
    arguments.removeFirst();
    if (headless::isRequested(arguments))
        return headless::main(arguments);

    // A document opened from the desktop arrives as the whole argument text: a path with
    // spaces that came unquoted is still one path.
    MainWindow window({QCoreApplication::applicationFilePath(), arguments.join(' ')});
    window.startUp();
    window.show();
    return app.exec();
}
