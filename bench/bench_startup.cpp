// Start-up as the user waits for it: the whole `qmark` process from its start to its first
// painted frame (`--quit-after-first-frame`), against a minimal Qt Widgets program run in
// turn with it, and opening cards of growing size, with each process's peak memory.
#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "document/carddesign.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "benchmain.h"

extern char** environ;

namespace {
QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// qmark runs from a folder of its own, so that its run counter never reaches the question
// it asks on the ninth start.
QString programCopy()
{
    static const QString path = [] {
        const QString copy = scratch().filePath("qmark");
        QFile::copy(QStringLiteral(QMARK_PATH), copy);
        return copy;
    }();
    QFile::remove(scratch().filePath("sat.txt"));
    return path;
}

struct Run {
    double wallMs = 0;
    double peakMiB = 0;
};

Run run(const QString& program, const QStringList& arguments)
{
    std::vector<QByteArray> storage{program.toLocal8Bit()};
    for (const QString& a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        qFatal("cannot start %s", argv[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run result{double(clock.nsecsElapsed()) / 1e6, double(usage.ru_maxrss) / 1024};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        qFatal("%s ended badly", argv[0]);
    return result;
}

Run runQmark(const QStringList& card = {})
{
    return run(programCopy(), QStringList{"--quit-after-first-frame"} + card);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void writeCard(const QString& path, const CardDesign& design)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(carddesignfile::write(design)) < 0)
        qFatal("cannot write the card");
}

// A card of `count` elements, two texts to every shape, written once per size.
QString cardFile(int count)
{
    const QString path = scratch().filePath(QString("card-%1.qmark").arg(count));
    if (QFile::exists(path))
        return path;
    CardDesign design;
    for (int i = 0; i < count; ++i) {
        CardItem* element;
        if (i % 3 == 2) {
            element = design.addCopy(ElementKind::Shape, ++design.shapeCount);
        } else {
            element = design.addCopy(ElementKind::Text, ++design.textCount);
            element->text.caption = QString("Item %1, with a comma").arg(i);
        }
        element->setLeft(float((i * 397) % 5000));
        element->setTop(float((i * 211) % 2800));
    }
    writeCard(path, design);
    return path;
}

// A card of 1,000 pictures: all showing one photo, or only the first of them (the others
// name a file that is not there and keep the placeholder).
QString pictureCard(bool allThePhoto)
{
    const QString photo = scratch().filePath("photo.jpg");
    if (!QFile::exists(photo)) {
        QImage image(3000, 2000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x % 256, y % 256, (x ^ y) % 256));
        image.save(photo, "JPG", 80);
    }
    const QString path = scratch().filePath(allThePhoto ? "photo-1000.qmark" : "photo-1.qmark");
    if (QFile::exists(path))
        return path;
    CardDesign design;
    for (int i = 0; i < 1000; ++i) {
        CardItem* picture = design.addCopy(ElementKind::Picture, ++design.pictureCount);
        picture->setLeft(float((i * 397) % 5000));
        picture->setTop(float((i * 211) % 2800));
        picture->toolTipText = allThePhoto || i == 0 ? photo : scratch().filePath("none.jpg");
    }
    writeCard(path, design);
    return path;
}

// qmark and the minimal program, run in turn; the ratio of their medians is the overhead
// of everything Quillmark does before its first frame.
void BM_StartupAgainstMinimalProgram(benchmark::State& state)
{
    std::vector<double> qmark, reference;
    for (auto _ : state) {
        reference.push_back(run(QStringLiteral(REFERENCE_PATH), {}).wallMs);
        qmark.push_back(runQmark().wallMs);
        state.SetIterationTime(qmark.back() / 1e3);
    }
    state.counters["qmark_ms"] = median(qmark);
    state.counters["minimal_ms"] = median(reference);
    state.counters["ratio"] = median(qmark) / median(reference);
}
BENCHMARK(BM_StartupAgainstMinimalProgram)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Opening a card file given on the command line through to the first painted frame.
void BM_OpenToFirstFrame(benchmark::State& state)
{
    const QString card = cardFile(int(state.range(0)));
    std::vector<double> wall;
    double peak = 0;
    for (auto _ : state) {
        const Run r = runQmark({card});
        wall.push_back(r.wallMs);
        peak = std::max(peak, r.peakMiB);
        state.SetIterationTime(r.wallMs / 1e3);
    }
    state.counters["median_ms"] = median(wall);
    state.counters["max_ms"] = *std::max_element(wall.begin(), wall.end());
    state.counters["peak_rss_MiB"] = peak;
}
BENCHMARK(BM_OpenToFirstFrame)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Peak memory of 1,000 uses of one 3000 × 2000 photo against one use of it.
void BM_PicturesPeakRss(benchmark::State& state)
{
    const QString shared = pictureCard(true);
    const QString single = pictureCard(false);
    double all = 0, one = 0;
    for (auto _ : state) {
        one = std::max(one, runQmark({single}).peakMiB);
        const Run r = runQmark({shared});
        all = std::max(all, r.peakMiB);
        state.SetIterationTime(r.wallMs / 1e3);
    }
    state.counters["rss_1000_uses_MiB"] = all;
    state.counters["rss_1_use_MiB"] = one;
    state.counters["difference_MiB"] = all - one;
}
BENCHMARK(BM_PicturesPeakRss)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
