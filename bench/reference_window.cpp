// A minimal Qt Widgets program: one QMainWindow with one QLabel, ended after its first
// painted frame, as `qmark --quit-after-first-frame` is.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

namespace {
class QuitAfterFirstFrame : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel("Quillmark"));
    QuitAfterFirstFrame firstFrame;
    window.installEventFilter(&firstFrame);
    window.show();
    return app.exec();
}
