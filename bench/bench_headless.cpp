// The windowless export of a busy card: `qmark --export-pdf` run as a script would, on a card
// of 1,000 elements laid out on the ten-card Letter stock. Wall time per run, and the largest
// resident memory any run reached.
#include "document/carddesign.h"

#include <QFile>
#include <QImage>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "benchmain.h"

namespace {
// Texts, shapes and a picture every twentieth element, spread over the card.
QString writeBusyCard(const QTemporaryDir& dir, int elements)
{
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    const QString photoPath = dir.filePath("photo.png");
    photo.save(photoPath);
    CardDesign design;
    for (int i = 0; i < elements; ++i) {
        CardItem* element;
        if (i % 20 == 19) {
            element = design.addCopy(ElementKind::Picture, ++design.pictureCount);
            element->toolTipText = photoPath;
        } else if (i % 2) {
            element = design.addCopy(ElementKind::Text, ++design.textCount);
            element->text.caption = "Text";
        } else {
            element = design.addCopy(ElementKind::Shape, ++design.shapeCount);
        }
        element->setLeft(float((i * 397) % 5000));
        element->setTop(float((i * 211) % 2800));
    }
    const QString path = dir.filePath("busy.qmark");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(carddesignfile::write(design)) < 0)
        qFatal("cannot write the card");
    return path;
}

void BM_HeadlessExportLetter10(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString card = writeBusyCard(dir, int(state.range(0)));
    const QString out = dir.filePath("sheet.pdf");
    for (auto _ : state) {
        QProcess qmark;
        qmark.start(QUILLMARK_BINARY_DIR "/qmark",
                    {"--export-pdf", out, "--layout", "letter-10", card});
        if (!qmark.waitForFinished(120000) || qmark.exitCode() != 0)
            state.SkipWithError(qPrintable(qmark.readAllStandardError()));
    }
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    state.counters["peak_MB"] = children.ru_maxrss / 1024.0;
    state.counters["pdf_kB"] = QFileInfo(out).size() / 1024.0;
}
BENCHMARK(BM_HeadlessExportLetter10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
