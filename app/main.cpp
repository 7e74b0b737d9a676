#include "app/mainwindow.h"

#include <QApplication>
#include <QTimer>

namespace {
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
    QApplication app(argc, argv);
    app.setApplicationName("Quillmark");

    // A document opened from the desktop arrives as the whole argument text: a path with
    // spaces that came unquoted is still one path.
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    const bool quitAfterFirstFrame =
        !arguments.isEmpty() && arguments.first() == QLatin1String("--quit-after-first-frame");
    if (quitAfterFirstFrame)
        arguments.removeFirst();

    MainWindow window({QCoreApplication::applicationFilePath(), arguments.join(' ')});
    QuitAfterFirstFrame firstFrame;
    if (quitAfterFirstFrame)
        window.installEventFilter(&firstFrame);
    window.startUp();
    window.show();
    return app.exec();
}
