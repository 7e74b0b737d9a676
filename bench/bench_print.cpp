// Printing a sheet: recording and composing it, the Print click to the painted preview, and
// the page sent to a 600 dpi PDF as vectors, against the same sheet as one 96 dpi bitmap.
#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "controls/skinbutton.h"
#include "print/cardscountdialog.h"
#include "print/previewwindow.h"
#include "print/printcommand.h"
#include "print/printsheet.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "benchmain.h"

namespace {
struct Card {
    QTemporaryDir programDir;
    MainWindow window{StartupOptions{programDir.filePath("qmark"), {}}};
    CardEditor& editor = window.editor();
    PrintCommand& command = window.printCommand();

    // A default card, or a busy one: texts, shapes and a few 400 × 300 pictures.
    explicit Card(int elements)
    {
        window.startUp();
        window.show();
        QImage photo(400, 300, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        const QString photoPath = programDir.filePath("photo.png");
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
        editor.setDesign(design);
        // Load the preview once, answering Cards Count, so that the loops meet no dialog.
        QTimer ok;
        QObject::connect(&ok, &QTimer::timeout, [this] {
            if (command.cardsCount().isVisible())
                command.cardsCount().findChild<SkinButton*>("okButton")->click();
        });
        ok.start(10);
        editor.setSheetPrimed(true);
        command.prepareSheet();
        QCoreApplication::processEvents();
    }
};

void BM_PrepareSheet(benchmark::State& state)
{
    Card card(int(state.range(0)));
    for (auto _ : state)
        card.command.prepareSheet(); // snapshot, page, and the preview composed at 100 %
}
BENCHMARK(BM_PrepareSheet)->Arg(0)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_TileCards(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(sheet::tileCards(2, 4, 5400, 3150));
}
BENCHMARK(BM_TileCards);

// From the click to the painted preview, without the fixed half-second pause before the
// snapshot that lets the canvas repaint without the handles.
void BM_PrintClickToPaintedPreview(benchmark::State& state)
{
    Card card(int(state.range(0)));
    SkinButton* print = card.window.findChild<SkinButton*>("printButton");
    for (auto _ : state) {
        print->click();
        card.command.snapshotTimer.stop();
        card.command.prepareSheet();
        card.command.preview()->findChild<QWidget*>("pageView")->repaint();
    }
}
BENCHMARK(BM_PrintClickToPaintedPreview)->Arg(0)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_PrintSheetPdf600(benchmark::State& state)
{
    Card card(int(state.range(0)));
    QTemporaryDir out;
    SheetJob job;
    job.pdfFile = out.filePath("sheet.pdf");
    job.quality = PrintQuality::Excellent;
    const SheetSpec sheetSpec = card.command.sheetSpec();
    for (auto _ : state)
        if (!printSheet(job, sheetSpec).sent)
            state.SkipWithError("the PDF was not written");
    state.counters["pdf_kB"] = QFileInfo(job.pdfFile).size() / 1024.0;
}
BENCHMARK(BM_PrintSheetPdf600)->Arg(0)->Arg(200)->Unit(benchmark::kMillisecond);

// The old way for comparison: the sheet as one screen-resolution image on the page.
void BM_BitmapPagePdf96(benchmark::State& state)
{
    Card card(int(state.range(0)));
    QTemporaryDir out;
    const QString path = out.filePath("bitmap.pdf");
    const SheetSpec sheetSpec = card.command.sheetSpec();
    for (auto _ : state) {
        const QImage page = composePage(sheetSpec, 1.0);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setResolution(600);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setFullPage(true);
        QPainter painter(&printer);
        painter.drawImage(QRectF(0, 0, 8.5 * 600, 11 * 600), page);
    }
    state.counters["pdf_kB"] = QFileInfo(path).size() / 1024.0;
}
BENCHMARK(BM_BitmapPagePdf96)->Arg(0)->Arg(200)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
