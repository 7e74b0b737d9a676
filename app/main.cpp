#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName("Quillmark");

    // A document opened from the desktop arrives as the whole argument text: a path with
    // spaces that came unquoted is still one path.
    QStringList arguments = app.arguments();
    arguments.removeFirst();

    MainWindow window({QCoreApplication::applicationFilePath(), arguments.join(' ')});
    window.startUp();
    window.show();
    return app.exec();
}
