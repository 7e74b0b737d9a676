// The sheet exported to PDF through the card painter, side by side with a small program that
// draws the same sheet with QPdfWriter directly: a 1,000-element card with 50 uses of one
// photograph, and a card with one 3000 x 2000 photograph and 10 texts.
//
// `bench_export --write-cards DIR` writes these cards, and the hostile ones that whole
// `qmark --export-pdf` runs are measured on, as card files into DIR instead;
// `bench_export --draw-directly CARD OUT.pdf LAYOUT` draws a card file's sheet as the direct
// drawing does, so that whole processes can be timed side by side.
#include "document/carddesign.h"
#include "document/twips.h"
#include "platform/vbcolor.h"
#include "print/cardsnapshot.h"
#include "print/layoutcatalog.h"
#include "print/printsheet.h"
#include "print/sheetlayout.h"
#include "render/cardpainter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "benchmain.h"

namespace {
// A photograph-like JPEG: a gradient under noise, so that no encoder flattens it.
QString writePhoto(const QString& path, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        QLinearGradient gradient(0, 0, size.width(), size.height());
        gradient.setColorAt(0, QColor(30, 60, 120));
        gradient.setColorAt(0.5, QColor(200, 150, 90));
        gradient.setColorAt(1, QColor(40, 140, 60));
        painter.fillRect(image.rect(), gradient);
    }
    QRandomGenerator random(7);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] ^= random.generate() & 0x0f0f0f;
    }
    image.save(path, "JPEG", 90);
    return path;
}

CardItem text(int index, QRectF box, const QString& caption, bool serif)
{
    CardItem item = CardDesign::textTemplate();
    item.index = index;
    item.visible = true;
    item.left = float(box.x()), item.top = float(box.y());
    item.width = float(box.width()), item.height = float(box.height());
    item.text.caption = caption;
    item.text.fontName = serif ? QStringLiteral("DejaVu Serif") : QStringLiteral("DejaVu Sans");
    item.text.fontSize = serif ? 9.75f : 8.25f;
    item.text.font3D = index % 3;
    item.text.backStyle = qint16(index % 2);
    return item;
}

CardItem picture(int index, QRectF box, const QString& path)
{
    CardItem item = CardDesign::pictureTemplate();
    item.index = index;
    item.visible = true;
    item.left = float(box.x()), item.top = float(box.y());
    item.width = float(box.width()), item.height = float(box.height());
    item.toolTipText = path;
    return item;
}

// Off the pixel grid, as boxes read from files are.
QRectF scattered(int n, QSizeF size)
{
    return {double((n * 397) % 4800) + 7.5, double((n * 211) % 2700) + 3.3, size.width(),
            size.height()};
}

// The n-th element of a crowd as a shape of each kind in turn, every third outlined.
CardItem scatteredShape(int index, int n)
{
    CardItem item = CardDesign::shapeTemplate();
    item.index = index;
    item.visible = true;
    const QRectF box = scattered(n, {600, 450});
    item.setLeft(float(box.x()));
    item.setTop(float(box.y()));
    (void)item.setWidth(float(box.width()));
    (void)item.setHeight(float(box.height()));
    item.shape.shape = qint16(n % 6);
    item.shape.borderStyle = qint16(n % 3 == 0);
    return item;
}

const QStringList Captions = {"Jane Q. Doe", "Senior Engineer, Printing",
                              "+1 555 0100 · jane@example.com", "12 Harbour Street, Springfield",
                              "www.example.com"};

CardDesign thousandCard(const QString& photo)
{
    CardDesign design;
    int texts = 0, shapes = 0, pictures = 0;
    for (int n = 0; n < 1000; ++n) {
        if (n % 20 == 19) {
            design.append(picture(++pictures, scattered(n, {480, 360}), photo));
        } else if (n % 2) {
            design.append(text(++texts, scattered(n, {1800, 330}), Captions[n % Captions.size()],
                               n % 4 == 1));
        } else {
            design.append(scatteredShape(++shapes, n));
        }
    }
    design.textCount = qint16(texts + 1);
    design.shapeCount = qint16(shapes + 1);
    design.pictureCount = qint16(pictures + 1);
    return design;
}

CardDesign photoCard(const QString& photo)
{
    CardDesign design;
    design.append(picture(1, {0, 0, 5400, 3150}, photo));
    for (int i = 0; i < 10; ++i)
        design.append(
            text(i + 1, {300, 150 + 280.0 * i, 4000, 300}, Captions[i % Captions.size()], i % 2));
    design.textCount = 11;
    design.pictureCount = 2;
    return design;
}

struct Fixture {
    QTemporaryDir dir;
    QString thousandPhoto = writePhoto(dir.filePath("photo400.jpg"), {400, 300});
    QString bigPhoto = writePhoto(dir.filePath("photo3000.jpg"), {3000, 2000});
    CardDesign thousand = thousandCard(thousandPhoto);
    CardDesign photo = photoCard(bigPhoto);
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// The image objects a PDF holds, as pdfimages lists them.
int imageObjects(const QString& pdf)
{
    QProcess process;
    process.start("pdfimages", {"-list", pdf});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return -1;
    // One row per use of an image, after two heading lines; the eleventh column names the
    // object drawn.
    QSet<QByteArray> objects;
    const QList<QByteArray> rows = process.readAllStandardOutput().trimmed().split('\n');
    for (const QByteArray& row : rows.mid(2))
        objects.insert(row.simplified().split(' ').value(10));
    return int(objects.size());
}

void report(benchmark::State& state, const QString& pdf)
{
    state.counters["pdf_kB"] = QFileInfo(pdf).size() / 1024.0;
    state.counters["images"] = imageObjects(pdf);
}

SheetSpec sheetFor(const CardSnapshot& snapshot, const QString& layout)
{
    SheetSpec s;
    s.snapshot = &snapshot;
    s.cardTwips = snapshot.pixelSize * TwipsPerPixel;
    s.layout = *layoutcatalog::find(layout);
    return s;
}

void exportThroughPainter(benchmark::State& state, const CardDesign& design, const QString& layout)
{
    QTemporaryDir out;
    SheetJob job;
    job.pdfFile = out.filePath("sheet.pdf");
    for (auto _ : state) {
        // As a fresh process meets it: nothing decoded or laid out yet.
        cardpainter::clearSharedCaches();
        const CardSnapshot snapshot = recordCard(design);
        if (!printSheet(job, sheetFor(snapshot, layout)).sent)
            state.SkipWithError("the PDF was not written");
    }
    report(state, job.pdfFile);
}

// The same sheet drawn straight onto a QPdfWriter, the floor the painter is held to: the same
// elements in the same order, each with the fewest calls that draw it, each caption once (and
// its 3-D copy where it shows), and a clip only for what reaches past its box.
void drawDirectly(const CardDesign& design, const QString& layout, const QString& path)
{
    QHash<QString, QImage> images;
    const CardSnapshot snapshot = recordCard(design);
    const SheetPlacement placement = sheetFor(snapshot, layout).placement();
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins({});
    QPainter painter(&writer);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unitsPerTwip = 600 / 1440.0;
    const qreal fontScale = 96.0 / 600;
    const QRectF cardBox(0, 0, design.widthPixels * TwipsPerPixel,
                         design.heightPixels * TwipsPerPixel);
    for (const QRectF& card : placement.cards) {
        painter.save();
        painter.scale(unitsPerTwip, unitsPerTwip);
        painter.translate(card.topLeft());
        // Stretched into its cell, as the painter's sheet has it.
        painter.scale(card.width() / cardBox.width(), card.height() / cardBox.height());
        painter.fillRect(cardBox, vbcolor::toQColor(design.backColor));
        bool clipped = false;
        for (const CardItem& item : design.items()) {
            const QRectF box = item.box();
            if (!item.visible || box.isEmpty() || !box.intersects(cardBox))
                continue;
            if (!clipped && !cardBox.contains(box)) {
                painter.setClipRect(cardBox, Qt::IntersectClip);
                clipped = true;
            }
            if (item.kind == ElementKind::Picture) {
                auto image = images.find(item.toolTipText);
                if (image == images.end())
                    image = images.insert(item.toolTipText, QImage(item.toolTipText));
                painter.drawImage(box, *image);
            } else if (item.kind == ElementKind::Shape) {
                const ShapeLook& shape = item.shape;
                painter.setBrush(vbcolor::toQColor(shape.backColor));
                if (shape.borderStyle)
                    painter.setPen(QPen(Qt::black, TwipsPerPixel, Qt::SolidLine, Qt::SquareCap,
                                        Qt::MiterJoin));
                else
                    painter.setPen(Qt::NoPen);
                QRectF drawn(box.topLeft() + QPointF(ShapeLook::Inset, ShapeLook::Inset),
                             QSizeF(shape.innerWidth, shape.innerHeight));
                const int kind = shape.shape;
                if (kind == ShapeLook::Square || kind == ShapeLook::Circle
                    || kind == ShapeLook::RoundedSquare) {
                    const qreal side = qMin(drawn.width(), drawn.height());
                    drawn = QRectF(drawn.center() - QPointF(side, side) / 2, QSizeF(side, side));
                }
                const qreal radius = qMin(drawn.width(), drawn.height()) / 6;
                if (kind == ShapeLook::Oval || kind == ShapeLook::Circle)
                    painter.drawEllipse(drawn);
                else if (kind == ShapeLook::RoundedRectangle || kind == ShapeLook::RoundedSquare)
                    painter.drawRoundedRect(drawn, radius, radius);
                else
                    painter.drawRect(drawn);
            } else if (item.kind == ElementKind::Text) {
                const TextLook& look = item.text;
                if (look.backStyle)
                    painter.fillRect(box, vbcolor::toQColor(look.backColor));
                painter.save();
                painter.translate(box.topLeft());
                painter.scale(TwipsPerPixel, TwipsPerPixel);
                QFont font(look.fontName);
                font.setPointSizeF(look.fontSize * fontScale);
                font.setBold(look.bold);
                font.setItalic(look.italic);
                painter.setFont(font);
                const QRectF pixels(QPointF(0, 0), box.size() / TwipsPerPixel);
                const QFontMetricsF metrics(font, &writer);
                const qreal offset = look.font3D == 1 || look.font3D == 2 ? 20 / TwipsPerPixel : 0;
                const QRectF inked = metrics.boundingRect(pixels, Qt::TextWordWrap, look.caption);
                if (inked.width() + offset > pixels.width()
                    || inked.height() + offset > pixels.height())
                    painter.setClipRect(pixels, Qt::IntersectClip);
                const QPointF shift(offset, offset);
                if (offset > 0) {
                    painter.setPen(vbcolor::toQColor(look.bgColor));
                    painter.drawText(look.font3D == 2 ? pixels.translated(shift) : pixels,
                                     Qt::TextWordWrap | Qt::TextDontClip, look.caption);
                }
                painter.setPen(vbcolor::toQColor(look.frwColor));
                painter.drawText(look.font3D == 1 ? pixels.translated(shift) : pixels,
                                 Qt::TextWordWrap | Qt::TextDontClip, look.caption);
                painter.restore();
            }
        }
        painter.restore();
    }
}

void exportDirectly(benchmark::State& state, const CardDesign& design, const QString& layout)
{
    QTemporaryDir out;
    const QString path = out.filePath("direct.pdf");
    for (auto _ : state)
        drawDirectly(design, layout, path);
    report(state, path);
}

void BM_ThousandElements_Painter(benchmark::State& state)
{
    exportThroughPainter(state, fixture().thousand, "letter-10");
}
BENCHMARK(BM_ThousandElements_Painter)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ThousandElements_Direct(benchmark::State& state)
{
    exportDirectly(state, fixture().thousand, "letter-10");
}
BENCHMARK(BM_ThousandElements_Direct)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Photo3000_Painter(benchmark::State& state)
{
    exportThroughPainter(state, fixture().photo, "top-left");
}
BENCHMARK(BM_Photo3000_Painter)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Photo3000_Direct(benchmark::State& state)
{
    exportDirectly(state, fixture().photo, "top-left");
}
BENCHMARK(BM_Photo3000_Direct)->Unit(benchmark::kMillisecond)->Iterations(3);

// --- the cards whole runs are measured on ------------------------------------------------

bool writeCard(const QString& path, const CardDesign& design)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(carddesignfile::write(design)) >= 0;
}

QString lorem(qsizetype length)
{
    static const QString words =
        QStringLiteral("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod "
                       "tempor incididunt ut labore et dolore magna aliqua ");
    QString text;
    text.reserve(length);
    while (text.size() < length)
        text += words;
    text.truncate(length);
    return text;
}

int writeCards(const QString& dirPath)
{
    QDir dir(dirPath);
    dir.mkpath(".");
    const auto at = [&](const QString& name) { return dir.absoluteFilePath(name); };
    bool ok =
        writeCard(at("thousand.qmark"), thousandCard(writePhoto(at("photo400.jpg"), {400, 300})));
    ok = ok
         && writeCard(at("photo3000.qmark"),
                      photoCard(writePhoto(at("photo3000.jpg"), {3000, 2000})));

    QImage tiny(2, 2, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    tiny.save(at("tiny.png"));
    CardDesign stretched;
    stretched.append(
        picture(1, {0, 0, 20000 * TwipsPerPixel, 20000 * TwipsPerPixel}, at("tiny.png")));
    stretched.pictureCount = 2;
    ok = ok && writeCard(at("stretched.qmark"), stretched);

    const QString big = writePhoto(at("photo6000.jpg"), {6000, 6000});
    CardDesign one, sizes;
    one.append(picture(1, {0, 0, 3000, 2000}, big));
    one.pictureCount = 2;
    for (int i = 0; i < 100; ++i)
        sizes.append(
            picture(i + 1, {double(i * 40), double(i * 20), 600.0 + 30 * i, 400.0 + 17 * i}, big));
    sizes.pictureCount = 101;
    ok = ok && writeCard(at("photo6000-once.qmark"), one)
         && writeCard(at("photo6000-100.qmark"), sizes);

    const QString name = QFileInfo(big).fileName();
    const QString folder = dir.absolutePath();
    const QStringList spellings = {big,
                                   folder + "//" + name,
                                   folder + "/./" + name,
                                   folder + "/../" + dir.dirName() + "/" + name,
                                   "/proc/self/root" + big,
                                   folder + "/./." + "/" + name,
                                   folder + "///" + name,
                                   "/proc/self/cwd/../../../../../../.." + big};
    CardDesign spelled;
    for (int i = 0; i < spellings.size(); ++i)
        spelled.append(picture(i + 1, {i * 600.0, 0, 600, 400}, spellings[i]));
    spelled.pictureCount = qint16(spellings.size() + 1);
    ok = ok && writeCard(at("photo6000-8spellings.qmark"), spelled);

    CardDesign longCaption;
    longCaption.append(text(1, {150, 150, 4500, 2500}, lorem(10 << 20), false));
    longCaption.textCount = 2;
    ok = ok && writeCard(at("caption10mb.qmark"), longCaption);

    // A hundred thousand records, texts and shapes in turn over the whole card: past 32,767
    // of a kind the file's records overwrite the last, as reading has always done.
    CardDesign records;
    for (int n = 0; n < 100'000; ++n) {
        if (n % 2) {
            records.append(text(n / 2 + 1, scattered(n, {1800, 330}), Captions[n % Captions.size()],
                                n % 4 == 1));
            continue;
        }
        records.append(scatteredShape(n / 2 + 1, n));
    }
    ok = ok && writeCard(at("records100000.qmark"), records);

    CardDesign manyCaptions;
    for (int i = 0; i < 2000; ++i)
        manyCaptions.append(text(i + 1, scattered(i, {1800, 600}), lorem(2900), i % 2));
    manyCaptions.textCount = 2001;
    ok = ok && writeCard(at("captions2000.qmark"), manyCaptions);
    std::printf("%s\n", ok ? qPrintable(dir.absolutePath()) : "cannot write the cards");
    return ok ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--write-cards") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return writeCards(QString::fromLocal8Bit(argv[2]));
    }
    // The floor as a whole process, to be timed beside `qmark --export-pdf` on the same card.
    if (argc == 5 && qstrcmp(argv[1], "--draw-directly") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        QFile card(QString::fromLocal8Bit(argv[2]));
        if (!card.open(QIODevice::ReadOnly))
            return 1;
        drawDirectly(carddesignfile::read(card.readAll()).design, QString::fromLocal8Bit(argv[4]),
                     QString::fromLocal8Bit(argv[3]));
        return 0;
    }
    return runBenchmarks(argc, argv);
}
