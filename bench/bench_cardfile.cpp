// Saving and opening cards of growing size; the cost should grow linearly.
#include "app/form1.h"

#include <QApplication>
#include <QTemporaryDir>

#include "benchmain.h"

namespace {
QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

std::unique_ptr<Form1> emptyCard()
{
    auto form = std::make_unique<Form1>(StartupOptions{scratch().filePath("qmark"), {}});
    return form;
}

// A card with `count` elements, two texts to every shape, written once per size.
QString cardFile(int count)
{
    const QString path = scratch().filePath(QString("card-%1.qmark").arg(count));
    if (QFile::exists(path))
        return path;
    auto form = emptyCard();
    for (int i = 0; i < count; ++i) {
        if (i % 3 == 2) {
            form->Command9_Click();
        } else {
            form->Command11_Click();
            form->Label1[form->textCount]->setCaption(QString("Item %1, with a comma").arg(i));
        }
    }
    form->writeCard(path);
    return path;
}

void BM_Save(benchmark::State& state)
{
    const int count = int(state.range(0));
    auto form = emptyCard();
    form->readCard(cardFile(count));
    const QString out = scratch().filePath("out.qmark");
    for (auto _ : state)
        benchmark::DoNotOptimize(form->writeCard(out));
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_Save)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Open(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QString path = cardFile(count);
    for (auto _ : state) {
        state.PauseTiming();
        auto form = emptyCard();
        state.ResumeTiming();
        form->readCard(path);
        state.PauseTiming();
        form.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_Open)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
