// The windowless export of a busy card: `qmark --export-pdf` run as a script would, on a card
// of 1,000 elements laid out on the ten-card Letter stock. Wall time per run, and the largest
// resident memory any run reached.
#include "canvas/cardeditor.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "benchmain.h"

namespace {
// Texts, shapes and a picture every twentieth element, spread over the card.
QString writeBusyCard(const QTemporaryDir& dir, int elements)
{
    QWidget host;
    CardEditor editor(&host);
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    const QString photoPath = dir.filePath("photo.png");
    photo.save(photoPath);
    for (int i = 0; i < elements; ++i) {
        CardElement* element;
        if (i % 20 == 19) {
            const int index = ++editor.pictureCount;
            editor.pictures.load(index);
            editor.pictures[index]->setToolTipText(photoPath);
            editor.pictures[index]->loadPicture(photoPath);
            editor.pictures[index]->setStretch(true);
            editor.pictures[index]->show();
            element = editor.pictures[index];
        } else if (i % 2) {
            editor.addText();
            element = editor.texts[editor.textCount];
        } else {
            editor.addShape();
            element = editor.shapes[editor.shapeCount];
        }
        element->moveTwips(float((i * 397) % 5000), float((i * 211) % 2800));
    }
    const QString path = dir.filePath("busy.qmark");
    editor.write(path);
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
