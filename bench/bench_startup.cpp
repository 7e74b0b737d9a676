// Start-up of the main window up to its first painted frame, load step included.
#include "app/mainwindow.h"
#include "canvas/cardeditor.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include "benchmain.h"

namespace {
class PaintWatcher : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void BM_StartupToFirstFrame(benchmark::State& state)
{
    QTemporaryDir programDir;
    const QString counter = programDir.filePath("sat.txt");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(counter); // never reach the ninth-start question
        state.ResumeTiming();

        MainWindow window(StartupOptions{programDir.filePath("qmark"), {}});
        window.startUp();
        PaintWatcher watcher;
        window.editor().canvas()->installEventFilter(&watcher);
        window.show();
        while (!watcher.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        window.editor().canvas()->removeEventFilter(&watcher);
    }
}
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
