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

    // A document opened from the desktop arrives as the whole argument text: a path with
    // spaces that came unquoted is still one path.
    QStringList arguments = app.arguments();
    arguments.removeFirst();

    MainWindow window({QCoreApplication::applicationFilePath(), arguments.join(' ')});
    window.startUp();
    window.show();
    return app.exec();
}
