#include "document/twips.h"
#include "print/cardexport.h"
#include "print/printsheet.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {
constexpr double PointsPerMm = 72 / 25.4;

// A blue 336 x 192 px card (3.5 x 2 in) with a red band along its left edge and a line of text
// well inside it.
CardSnapshot testCard()
{
    CardDesign design;
    design.widthPixels = 336;
    design.heightPixels = 192;
    design.backColor = 0x00FF0000; // blue
    CardItem* band = design.addCopy(ElementKind::Shape, 1);
    // Its fill starts at the card's left edge.
    band->left = -ShapeLook::Inset, band->top = 600;
    band->setWidth(600);
    band->setHeight(1200);
    band->shape.backColor = 0x000000FF; // red
    band->shape.borderStyle = 0;
    CardItem* text = design.addCopy(ElementKind::Text, 1);
    text->text.caption = "Quillmark";
    text->left = 1500, text->top = 900, text->width = 2400, text->height = 500;
    return recordCard(design);
}

QString tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QRectF pdfBox(const QString& info, const QString& name)
{
    const auto match =
        QRegularExpression(name + R"(:\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)\s+([\d.]+))").match(info);
    if (!match.hasMatch())
        return {};
    return QRectF(QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()),
                  QPointF(match.captured(3).toDouble(), match.captured(4).toDouble()));
}

bool near(double a, double b, double tolerance = 0.02) { return std::abs(a - b) <= tolerance; }

// The mean difference of two pictures' colours, 0 to 255.
double difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q))
                   + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}
} // namespace

class TestCardExport : public QObject {
    Q_OBJECT
private slots:
    void formats_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("format"); // -1: refused
        QTest::newRow("pdf") << "a/card.pdf" << int(cardexport::Format::PrintShopPdf);
        QTest::newRow("PNG") << "card.PNG" << int(cardexport::Format::Png);
        QTest::newRow("svg") << "card.svg" << int(cardexport::Format::Svg);
        QTest::newRow("gif") << "card.gif" << -1;
        QTest::newRow("none") << "card" << -1;
        QTest::newRow("dot folder") << "a.pdf/card" << -1;
    }
    void formats()
    {
        QFETCH(QString, path);
        QFETCH(int, format);
        const auto found = cardexport::formatOf(path);
        QCOMPARE(found ? int(*found) : -1, format);
    }

    // Elements reaching a trim edge reach on into the bleed; the rest only move with the card.
    void bleedExtendsWhatTouchesTheEdge()
    {
        const CardSnapshot card = testCard();
        const double bleed = 3 * 1440 / 25.4;
        const CardDesign bled = cardexport::withBleed(card.design, bleed);
        QVERIFY(near(bled.widthPixels * TwipsPerPixel, 336 * TwipsPerPixel + 2 * bleed, 0.1));
        const CardItem* band = bled.item(ElementKind::Shape, 1);
        QVERIFY(near(band->left, -ShapeLook::Inset) && near(band->width, 600 + bleed, 0.1));
        QVERIFY(near(band->shape.innerWidth, 400 + bleed, 0.1));
        QVERIFY(near(band->top, 600 + bleed, 0.1) && near(band->height, 1200));
        // Not touching, or not a plain rectangle: moved with the card only.
        CardDesign rounded = card.design;
        rounded.item(ElementKind::Shape, 1)->shape.shape = ShapeLook::RoundedRectangle;
        QVERIFY(
            near(cardexport::withBleed(rounded, bleed).item(ElementKind::Shape, 1)->width, 600));
        const CardItem* text = bled.item(ElementKind::Text, 1);
        QVERIFY(near(text->left, 1500 + bleed, 0.1) && near(text->width, 2400));
    }

    void printShopPdf_data()
    {
        QTest::addColumn<double>("bleedMm");
        QTest::newRow("3 mm") << 3.0;
        QTest::newRow("none") << 0.0;
        QTest::newRow("5 mm") << 5.0;
    }
    void printShopPdf()
    {
        QFETCH(double, bleedMm);
        QTemporaryDir dir;
        const QString pdf = dir.filePath("card.pdf");
        QString error;
        QVERIFY2(cardexport::exportCard(testCard(), pdf, {bleedMm, 300}, &error),
                 qPrintable(error));
        const QString info = tool("pdfinfo", {"-box", pdf});
        const QRectF media = pdfBox(info, "MediaBox"), trim = pdfBox(info, "TrimBox"),
                     bleed = pdfBox(info, "BleedBox");
        QVERIFY2(near(trim.width(), 252) && near(trim.height(), 144), qPrintable(info));
        const double b = bleedMm * PointsPerMm;
        QVERIFY2(near(bleed.left(), trim.left() - b) && near(bleed.top(), trim.top() - b)
                     && near(bleed.right(), trim.right() + b)
                     && near(bleed.bottom(), trim.bottom() + b),
                 qPrintable(info));
        // Room for the crop marks outside the bleed on every side.
        QVERIFY(bleed.left() - media.left() >= 8 * PointsPerMm
                && media.bottom() - bleed.bottom() >= 8 * PointsPerMm);
        QVERIFY(tool("pdffonts", {pdf}).contains(QRegularExpression(R"(\byes\s+(yes|no)\s+yes)")));

        // At 288 dpi a pixel is a quarter point; PDF boxes run up from the bottom.
        tool("pdftoppm", {"-r", "288", "-png", "-singlefile", pdf, dir.filePath("page")});
        const QImage page = QImage(dir.filePath("page.png")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(page.size(), (media.size() * 4).toSize());
        const auto at = [&](double x, double y) {
            return QColor(page.pixel(int(x * 4), int((media.height() - y) * 4)));
        };
        // The darkest pixel within a point of a place, for the thin marks.
        const auto darkest = [&](double x, double y) {
            int least = 255;
            for (int dx = -4; dx <= 4; ++dx)
                for (int dy = -4; dy <= 4; ++dy)
                    least = std::min(least, qGray(page.pixel(int(x * 4) + dx,
                                                             int((media.height() - y) * 4) + dy)));
            return least;
        };
        // The band's red and the background's blue run on into the bleed, and stop there.
        const double band = trim.bottom() - 60; // 0.5 to 1.33 in down the card
        if (bleedMm > 0) {
            QCOMPARE(at(bleed.left() + 0.5, band), QColor(Qt::red));
            QCOMPARE(at(trim.center().x(), bleed.top() + 0.5), QColor(Qt::blue));
        }
        QCOMPARE(at(bleed.left() - 0.5, band), QColor(Qt::white));
        QCOMPARE(at(trim.center().x(), bleed.top() - 0.5), QColor(Qt::white));
        // A crop mark on each trim line beyond the bleed, and none in line with no trim edge.
        const double clear = 2 * PointsPerMm + 3;
        QVERIFY(darkest(trim.left(), bleed.top() - clear) < 100);
        QVERIFY(darkest(trim.right(), bleed.bottom() + clear) < 100);
        QVERIFY(darkest(bleed.left() - clear, trim.top()) < 100);
        QVERIFY(darkest(trim.center().x(), bleed.top() - clear) > 200);
    }

    // The PNG is the preview's drawing at the resolution asked for; the SVG draws the same.
    void pictures()
    {
        QTemporaryDir dir;
        const CardSnapshot card = testCard();
        QString error;
        QVERIFY(cardexport::exportCard(card, dir.filePath("card.png"), {}, &error));
        const QImage png(dir.filePath("card.png"));
        QCOMPARE(png.size(), QSize(1050, 600));
        QCOMPARE(qAlpha(png.pixel(0, 0)), 255);
        QVERIFY(near(png.dotsPerMeterX() * 0.0254, 300, 0.5));
        QVERIFY(cardexport::exportCard(card, dir.filePath("fine.png"), {3, 1200}, &error));
        QCOMPARE(QImage(dir.filePath("fine.png")).size(), QSize(4200, 2400));

        SheetSpec sheet;
        sheet.snapshot = &card;
        sheet.cardTwips = card.pixelSize * TwipsPerPixel;
        sheet.columns = sheet.rows = 1;
        const QImage preview = composePage(sheet, 1).copy(0, 0, 336, 192);
        const QImage small = cardexport::cardImage(card, 96).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(difference(small, preview) < 1,
                 qPrintable(QString::number(difference(small, preview))));

        QVERIFY(cardexport::exportCard(card, dir.filePath("card.svg"), {}, &error));
        QFile svgFile(dir.filePath("card.svg"));
        QVERIFY(svgFile.open(QIODevice::ReadOnly));
        const QByteArray svg = svgFile.readAll();
        QVERIFY(svg.contains("<text") && svg.contains("Quillmark"));
        QSvgRenderer renderer(svg);
        QImage drawn(336, 192, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        renderer.render(&painter);
        painter.end();
        QVERIFY2(difference(drawn, preview) < 3,
                 qPrintable(QString::number(difference(drawn, preview))));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("bleed");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QString>("message");
        QTest::newRow("suffix") << "card.jpg" << 3.0 << 300 << "neither .pdf, .png nor .svg";
        QTest::newRow("bleed") << "card.pdf" << 5.5 << 300 << "from 0 to 5 mm";
        QTest::newRow("negative bleed") << "card.pdf" << -1.0 << 300 << "from 0 to 5 mm";
        QTest::newRow("dpi") << "card.png" << 3.0 << 1201 << "from 1 to 1200 dpi";
    }
    void refusals()
    {
        QFETCH(QString, name);
        QFETCH(double, bleed);
        QFETCH(int, dpi);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QString error;
        QVERIFY(!cardexport::exportCard(testCard(), dir.filePath(name), {bleed, dpi}, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!QFile::exists(dir.filePath(name)));
    }
};

QTEST_MAIN(TestCardExport)
#include "tst_cardexport.moc"
