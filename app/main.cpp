#include "app/form1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName("Quillmark");

    // A document opened from the desktop arrives as the whole argument text: a path with
    // spaces that came unquoted is still one path.
    QStringList arguments = app.arguments();
    arguments.removeFirst();

    Form1 form({QCoreApplication::applicationFilePath(), arguments.join(' ')});
    form.Form_Load();
    form.show();
    return app.exec();
}
