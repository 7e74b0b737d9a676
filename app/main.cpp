#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName("Quillmark");

    MainWindow window(
        StartupOptions::fromArguments(argc, argv, QCoreApplication::applicationFilePath()));
    window.startUp();
    window.show();
    return app.exec();
}
