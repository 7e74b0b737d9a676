// The windowless merge: `qmark --export-pdf --merge` run as a script would, 1,000 rows of a
// spreadsheet onto the ten-card Letter stock (100 pages), each card with its own name, lines
// and a QR code holding the person's contact card. Wall time per run, the largest resident
// memory any run reached, and the size of the PDF.
#include "document/carddesign.h"
#include "document/vcard.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "benchmain.h"

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QString writeCard(const QTemporaryDir& dir)
{
    CardDesign design;
    design.widthPixels = 336;
    design.heightPixels = 192;
    const auto text = [&](const QString& caption, float top, float size, bool bold) {
        CardItem* item = design.addCopy(ElementKind::Text, ++design.textCount);
        item->text.caption = caption;
        item->text.fontName = QStringLiteral("DejaVu Sans");
        item->text.fontSize = size;
        item->text.bold = bold;
        item->left = 240, item->top = top, item->width = 3000, item->height = 400;
    };
    text(QStringLiteral("${Name}"), 240, 14, true);
    text(QStringLiteral("${Title}"), 640, 9, false);
    text(QStringLiteral("${Phone}"), 1800, 8, false);
    text(QStringLiteral("${Email}"), 2150, 8, false);
    CardItem* band = design.addCopy(ElementKind::Shape, ++design.shapeCount);
    band->left = 0, band->top = 2600, band->setWidth(5040), band->setHeight(280);
    vcard::VCardFields contact;
    contact.fullName = QStringLiteral("${Name}");
    contact.organisation = QStringLiteral("Quillmark Studio");
    contact.title = QStringLiteral("${Title}");
    contact.workPhone = QStringLiteral("${Phone}");
    contact.email = QStringLiteral("${Email}");
    contact.streetAddress = QStringLiteral("12 Long Street, Springfield");
    CardItem* code = design.addCopy(ElementKind::QrCode, ++design.qrCodeCount);
    code->qr.content = QString::fromUtf8(vcard::writeVCard(contact));
    code->left = 3400, code->top = 900, code->width = code->height = 1600;
    const QString path = dir.filePath("team.qmark");
    writeFile(path, carddesignfile::write(design));
    return path;
}

QString writeRows(const QTemporaryDir& dir, int rows)
{
    QByteArray csv = "Name,Title,Phone,Email\r\n";
    for (int i = 1; i <= rows; ++i)
        csv +=
            QStringLiteral("Person Number %1,\"Engineer, Team %2\",+1 555 %3,p%1@example.com\r\n")
                .arg(i)
                .arg(i % 17)
                .arg(1000 + i, 4, 10, QChar(u'0'))
                .toUtf8();
    const QString path = dir.filePath("team.csv");
    writeFile(path, csv);
    return path;
}

void BM_MergeLetter10(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString card = writeCard(dir);
    const QString data = writeRows(dir, int(state.range(0)));
    const QString out = dir.filePath("team.pdf");
    for (auto _ : state) {
        QProcess qmark;
        qmark.start(QUILLMARK_BINARY_DIR "/qmark",
                    {"--export-pdf", out, "--merge", data, "--layout", "letter-10", card});
        if (!qmark.waitForFinished(300000) || qmark.exitCode() != 0)
            state.SkipWithError(qPrintable(qmark.readAllStandardError()));
    }
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    state.counters["peak_MB"] = children.ru_maxrss / 1024.0;
    state.counters["pdf_kB"] = QFileInfo(out).size() / 1024.0;
}
BENCHMARK(BM_MergeLetter10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
