#include "app/mainwindow.h"
#include "platform/resources.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Every window, dialogs and message boxes included, shows the program's icon.
    initResources();
    QApplication::setWindowIcon(QIcon(":/quillmark.svg"));
    app.setApplicationName("Quillmark");

    MainWindow window(
        StartupOptions::fromArguments(argc, argv, QCoreApplication::applicationFilePath()));
    window.startUp();
    window.show();
    return app.exec();
}
