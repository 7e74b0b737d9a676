#include "app/headless.h"
#include "app/mainwindow.h"
#include "platform/resources.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

int main(int argc, char** argv)
{
    // A run for a script needs no display: unless told otherwise, it draws off screen.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
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

    MainWindow window(
        StartupOptions::fromArguments(argc, argv, QCoreApplication::applicationFilePath()));
    window.startUp();
    window.show();
    return app.exec();
}
