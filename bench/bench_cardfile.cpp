// Saving and opening cards of growing size; the cost should grow linearly.
#include "app/mainwindow.h"
#include "canvas/cardeditor.h"

#include <QApplication>
#include <QTemporaryDir>

#include "benchmain.h"

namespace {
QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

std::unique_ptr<MainWindow> emptyCard()
{
    auto window = std::make_unique<MainWindow>(StartupOptions{scratch().filePath("qmark"), {}});
    return window;
}

// A card with `count` elements, two texts to every shape, written once per size.
QString cardFile(int count)
{
    const QString path = scratch().filePath(QString("card-%1.qmark").arg(count));
    if (QFile::exists(path))
        return path;
    auto window = emptyCard();
    for (int i = 0; i < count; ++i) {
        if (i % 3 == 2) {
            window->editor().addShape();
        } else {
            window->editor().addText();
            window->editor().changeItem(
                ElementKind::Text, window->editor().textCount(), [&](CardItem& item) {
                    item.text.caption = QString("Item %1, with a comma").arg(i);
                });
        }
    }
    window->editor().write(path);
    return path;
}

void BM_Save(benchmark::State& state)
{
    const int count = int(state.range(0));
    auto window = emptyCard();
    window->editor().load(cardFile(count));
    const QString out = scratch().filePath("out.qmark");
    for (auto _ : state)
        benchmark::DoNotOptimize(window->editor().write(out));
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_Save)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Open(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QString path = cardFile(count);
    for (auto _ : state) {
        state.PauseTiming();
        auto window = emptyCard();
        state.ResumeTiming();
        window->editor().load(path);
        state.PauseTiming();
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_Open)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
