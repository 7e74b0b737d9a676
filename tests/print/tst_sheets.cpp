// Sheet layouts, crop marks, printer calibration and the runs without a window, measured on
// the PDF pages they produce.
#include "cardtest.h"
#include "control.h"
#include "cupsscheduler.h"
#include "modalwatchdog.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include "app/headless.h"
#include "canvas/cardeditor.h"
#include "document/csvtable.h"
#include "print/alignmentpage.h"
#include "print/calibration.h"
#include "print/calibrationdialog.h"
#include "print/calibrationpage.h"
#include "print/cardscountdialog.h"
#include "print/layoutcatalog.h"
#include "print/previewwindow.h"
#include "print/printcommand.h"
#include "print/turnstack.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The page at 288 dpi: a pixel is a quarter point. Pictures' edges are drawn on whole pixels.
constexpr double PointsPerPixel = 0.25;
QImage render(const QString& pdf, const QString& stem)
{
    runTool("pdftoppm", {"-r", "288", "-png", "-singlefile", pdf, stem});
    return QImage(stem + ".png").convertToFormat(QImage::Format_RGB32);
}

// How red a pixel is: 1 red, 0 white or blue, and in between the share of red in it.
double redness(const QImage& page, int x, int y)
{
    if (!page.rect().contains(x, y))
        return 0;
    const QRgb c = page.pixel(x, y);
    // The renderer's red is not quite 255: a few steps short still count as all red.
    return std::clamp((qRed(c) - qGreen(c)) / 250.0, 0.0, 1.0);
}

// The test card is blue with a red picture over its top-left quarter. The red's edges are the
// card's left and top edges and its middle lines, whatever the neighbouring cards are. Returns
// the red quarter's rectangle, in points.
QRectF measureQuarter(const QImage& page, QRectF card)
{
    const double px = 1 / PointsPerPixel;
    const int midY = int((card.top() + card.height() / 4) * px);
    const int midX = int((card.left() + card.width() / 4) * px);
    const int reach = int(8 * px);
    // Each pixel before an edge counts whole, each after it not at all, one across it in part.
    double outsideLeft = 0, insideRight = 0, outsideTop = 0, insideBottom = 0;
    const int x0 = int(card.left() * px) - reach, y0 = int(card.top() * px) - reach;
    for (int x = x0; x < midX; ++x)
        outsideLeft += 1 - redness(page, x, midY);
    for (int x = midX; x < midX + int(card.width() / 4 * px) + reach; ++x)
        insideRight += redness(page, x, midY);
    for (int y = y0; y < midY; ++y)
        outsideTop += 1 - redness(page, midX, y);
    for (int y = midY; y < midY + int(card.height() / 4 * px) + reach; ++y)
        insideBottom += redness(page, midX, y);
    return QRectF(QPointF(x0 + outsideLeft, y0 + outsideTop) * PointsPerPixel,
                  QPointF(midX + insideRight, midY + insideBottom) * PointsPerPixel);
}

QRectF quarter(QRectF card) { return QRectF(card.topLeft(), card.size() / 2); }

QString describe(QRectF r)
{
    return QString("(%1, %2, %3 x %4)")
        .arg(r.left(), 0, 'f', 2)
        .arg(r.top(), 0, 'f', 2)
        .arg(r.width(), 0, 'f', 2)
        .arg(r.height(), 0, 'f', 2);
}

// Every edge within half a point.
bool near(QRectF a, QRectF b)
{
    return qAbs(a.left() - b.left()) <= 0.5 && qAbs(a.top() - b.top()) <= 0.5
           && qAbs(a.right() - b.right()) <= 0.5 && qAbs(a.bottom() - b.bottom()) <= 0.5;
}

// Cards of w by h points, columns outer, rows inner, from (x, y) every dx and dy.
QList<QRectF> grid(double x, double y, double w, double h, double dx, double dy, int columns,
                   int rows)
{
    QList<QRectF> cards;
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r)
            cards << QRectF(x + c * dx, y + r * dy, w, h);
    return cards;
}

struct CliResult {
    int exitCode = -1;
    QString standardError;
};

// A card of the cell's size for merging: a name, and a QR code of a web address per person.
QString writeMergeCard(const QTemporaryDir& dir)
{
    QWidget host;
    CardEditor editor(&host);
    CardDesign design;
    design.widthPixels = 336;
    design.heightPixels = 192;
    CardItem* name = design.addCopy(ElementKind::Text, 1);
    name->text.caption = "${Name}";
    name->left = name->top = 240, name->width = 2400, name->height = 400;
    CardItem* code = design.addCopy(ElementKind::QrCode, 1);
    code->qr.content = "https://example.com/p/${Id}";
    code->left = 3300, code->top = 1100, code->width = code->height = 1600;
    editor.setDesign(design);
    const QString card = dir.filePath("merge.qmark");
    return editor.write(card) ? card : QString();
}

// A card of 3.5 × 2 in with a text on each side in the same place: "F" on the front, "B" on
// the back, each followed by the merged row's Id when `merged`.
CardDesign writeTwoSidedCard(const QString& path, bool merged)
{
    CardDesign design;
    design.widthPixels = 336, design.heightPixels = 192;
    CardItem* front = design.addCopy(ElementKind::Text, 1);
    front->text.caption = merged ? "F${Id}" : "F";
    front->left = 240, front->top = 300, front->width = 2400, front->height = 400;
    CardItem onBack = *front;
    design.show(CardSide::Back);
    design.backColor = 0x00EEDDCC;
    onBack.index = 2;
    onBack.text.caption = merged ? "B${Id}" : "B";
    design.append(onBack);
    writeFileBytes(path, carddesignfile::write(design));
    return design;
}

// The words of one page of a PDF with their boxes in points, sorted down the page and then
// across.
QList<std::pair<QString, QRectF>> pageWords(const QString& pdf, int page)
{
    const QString number = QString::number(page);
    const QString text = runTool("pdftotext", {"-bbox", "-f", number, "-l", number, pdf, "-"});
    static const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(\S+)</word>)re");
    QList<std::pair<QString, QRectF>> words;
    for (const auto& m : word.globalMatch(text))
        words.append(
            {m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                   QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    std::sort(words.begin(), words.end(), [](const auto& a, const auto& b) {
        return std::pair(a.second.y(), a.second.x()) < std::pair(b.second.y(), b.second.x());
    });
    return words;
}

// The value a scale on the back of the alignment page shows at `atMm`, as its numbers give it:
// from its "0" nearest to that point towards its "+5", each number centred on its mark along
// the scale.
double scaleValue(const QList<std::pair<QString, QRectF>>& words, QPointF atMm)
{
    const auto nearest = [&](const QString& text, QPointF to) {
        QPointF best(1e9, 1e9);
        for (const auto& [word, box] : words) {
            const QPointF centre = box.center() * 25.4 / 72;
            if (word == text && QLineF(centre, to).length() < QLineF(best, to).length())
                best = centre;
        }
        return best;
    };
    const QPointF zero = nearest("0", atMm);
    const QPointF five = nearest("+5", zero) - zero;
    // Along the scale only: a number stands beside a mark of an upright scale, not centred.
    if (qAbs(five.x()) > qAbs(five.y()))
        return 5 * (atMm.x() - zero.x()) / five.x();
    return 5 * (atMm.y() - zero.y()) / five.y();
}

CliResult runQmark(const QStringList& arguments)
{
    QProcess process;
    process.start(QUILLMARK_BINARY_DIR "/qmark", arguments);
    if (!process.waitForFinished(180000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}
} // namespace

class TestSheets : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_card; // 336 x 192 pixels: 3.5 x 2 in, exactly the ten-card stock's cell
    std::unique_ptr<CupsScheduler> m_cups;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", path("config").toLocal8Bit());
        QString error;
        m_cups = CupsScheduler::start(&error);
        QVERIFY2(m_cups, qPrintable(error));
        QVERIFY2(m_cups->addQueue("Alpha", &error), qPrintable(error));

        QWidget host;
        CardEditor editor(&host);
        CardDesign design;
        design.widthPixels = 336;
        design.heightPixels = 192;
        design.backColor = 0x00FF0000; // blue
        CardItem* red = design.addCopy(ElementKind::Picture, 1);
        // Large enough that no smoothing of its pixels blurs the edges being measured.
        red->toolTipText = writeImage(m_dir, "red.png", {1680, 960}, Qt::red);
        red->left = red->top = 0;
        red->width = 336 * 15 / 2;
        red->height = 192 * 15 / 2;
        editor.setDesign(design);
        m_card = path("card.qmark");
        QVERIFY(editor.write(m_card));
    }

    void layoutsPlaceCards_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QSizeF>("page");
        QTest::addColumn<QList<QRectF>>("cards");
        QTest::addColumn<bool>("cropMarks");
        const QSizeF letter(612, 792), a4(595.28, 841.89);
        QTest::newRow("top-left") << "top-left" << letter << grid(0, 0, 252, 144, 252, 144, 2, 4)
                                  << false;
        QTest::newRow("letter-10")
            << "letter-10" << letter << grid(54, 36, 252, 144, 252, 144, 2, 5) << false;
        // 85 x 55 mm cells centred on A4; the 3.5 x 2 in card shrinks to 95.6 % to fit.
        QTest::newRow("a4-10") << "a4-10" << a4
                               << grid(56.69, 40.29, 240.94, 137.68, 240.94, 155.91, 2, 5) << false;
        // Five rows would leave the outer crop marks no room 5 mm clear of the edges: four.
        QTest::newRow("letter-fit")
            << "letter-fit" << letter << grid(49.5, 94.5, 252, 144, 261, 153, 2, 4) << true;
        QTest::newRow("a4-fit") << "a4-fit" << a4 << grid(41.14, 42.94, 252, 144, 261, 153, 2, 5)
                                << true;
        // Stock sheets where the installed catalogue puts them: 3.5 x 2 in from (0.75, 0.5) in;
        // 85 x 54 mm labels from (15, 13.5) mm every 95 by 54 mm, the card shrunk to fit the
        // label's width and centred down it.
        QTest::newRow("Avery 5371")
            << "Avery 5371" << letter << grid(54, 36, 252, 144, 252, 144, 2, 5) << false;
        QTest::newRow("equivalent, any case")
            << "avery 8371" << letter << grid(54, 36, 252, 144, 252, 144, 2, 5) << false;
        QTest::newRow("Avery C32011-10")
            << "Avery C32011-10" << a4 << grid(42.52, 45.96, 240.94, 137.68, 269.29, 153.07, 2, 5)
            << false;
    }
    void layoutsPlaceCards()
    {
        QFETCH(QString, layout);
        QFETCH(QSizeF, page);
        QFETCH(QList<QRectF>, cards);
        QFETCH(bool, cropMarks);
        const QString pdf = path(layout + ".pdf");
        QString error;
        const auto request =
            headless::parse({"--export-pdf", pdf, "--layout", layout, m_card}, &error);
        QVERIFY2(request && headless::run(*request, &error), qPrintable(error));

        const QImage image = render(pdf, path(layout));
        // Within a pixel: the PDF gives A4 in whole points.
        const QSizeF size = image.size();
        QVERIFY(qAbs(size.width() * PointsPerPixel - page.width()) <= 1
                && qAbs(size.height() * PointsPerPixel - page.height()) <= 1);
        for (const QRectF& expected : cards) {
            const QRectF measured = measureQuarter(image, expected);
            QVERIFY2(near(measured, quarter(expected)),
                     qPrintable(describe(measured) + " instead of " + describe(quarter(expected))));
        }
        // Nothing else is red: the count of cards is right too.
        double red = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                red += redness(image, x, y);
        const double quarter = cards[0].width() * cards[0].height() / 4;
        QVERIFY2(qAbs(red * PointsPerPixel * PointsPerPixel / quarter - cards.size()) < 0.05,
                 qPrintable(QString::number(red * 0.25 / quarter)));

        // Crop marks: dark lines outside every card, near each of its corners, and none inside.
        QList<int> marksNearCorner(cards.size() * 4, 0);
        int darkInside = 0, dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qRed(c) > 128 || qGreen(c) > 128 || qBlue(c) > 128)
                    continue;
                ++dark;
                const QPointF at((x + 0.5) * PointsPerPixel, (y + 0.5) * PointsPerPixel);
                for (int i = 0; i < cards.size(); ++i) {
                    if (cards[i].contains(at))
                        ++darkInside;
                    const QPointF corners[] = {cards[i].topLeft(), cards[i].topRight(),
                                               cards[i].bottomLeft(), cards[i].bottomRight()};
                    for (int k = 0; k < 4; ++k)
                        if (QLineF(corners[k], at).length() < 10)
                            ++marksNearCorner[i * 4 + k];
                }
            }
        QCOMPARE(darkInside, 0);
        if (cropMarks)
            QVERIFY2(!marksNearCorner.contains(0), "a card corner without marks");
        else
            QCOMPARE(dark, 0);
    }

    void calibrationOnlyOnItsQueue()
    {
        // 5 mm right, 3 mm up, 2 % wider, 2 % shorter.
        QVERIFY(calibration::save("Alpha", {5, -3, 102, 98}));
        const double mm = 72 / 25.4;
        const QRectF nominal(54, 36, 252, 144);
        const QRectF calibrated(54 * 1.02 + 5 * mm, 36 * 0.98 - 3 * mm, 252 * 1.02, 144 * 0.98);

        QString error;
        const int before = m_cups->waitForLastJob("Alpha", 100).value("job-id").toInt();
        auto request =
            headless::parse({"--print", "Alpha", "--layout", "letter-10", m_card}, &error);
        QVERIFY2(request && headless::run(*request, &error), qPrintable(error));
        const auto job = m_cups->waitForLastJob("Alpha");
        QVERIFY(job.value("job-id").toInt() > before);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_cups->outputFile("Alpha")).size() > 0, 10000);
        const QImage printed = render(m_cups->outputFile("Alpha"), path("queue"));
        QRectF measured = measureQuarter(printed, calibrated);
        QVERIFY2(near(measured, quarter(calibrated)),
                 qPrintable(describe(measured) + " instead of " + describe(quarter(calibrated))));

        // "PDF file" keeps the nominal sheet.
        request = headless::parse(
            {"--export-pdf", path("nominal.pdf"), "--layout", "letter-10", m_card}, &error);
        QVERIFY2(request && headless::run(*request, &error), qPrintable(error));
        measured = measureQuarter(render(path("nominal.pdf"), path("nominal")), nominal);
        QVERIFY2(near(measured, quarter(nominal)), qPrintable(describe(measured)));
        QVERIFY(calibration::save("Alpha", {}));
    }

    // A printer off by a scale and a shift is read from the calibration page as the user would
    // read it; the correction then lands every point of the page where it was meant to go.
    void calibrationUndoesPrinterError_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("shiftMm");
        QTest::newRow("exact") << 1.0 << 0.0;
        QTest::newRow("2.5 mm off") << 1.0 << 2.5;
        QTest::newRow("shrinks 1 %, 1 mm back") << 0.99 << -1.0;
        QTest::newRow("grows 1.5 %, 2 mm on") << 1.015 << 2.0;
    }
    void calibrationUndoesPrinterError()
    {
        QFETCH(double, scale);
        QFETCH(double, shiftMm);
        const auto printer = [&](double x) { return scale * x + shiftMm; };
        const QPointF perforation =
            calibrationpage::perforationMm(*layoutcatalog::find("letter-10"));
        QCOMPARE(perforation, QPointF(107.95, 63.5));
        // The square printed closest to the perforation, and the rulers as they came out.
        calibration::Readings readings;
        double best = 1e9;
        for (int k = -calibration::MaxSquare; k <= calibration::MaxSquare; ++k) {
            const double off =
                qAbs(printer(perforation.x() + k * calibration::StepMm) - perforation.x());
            if (off < best)
                best = off, readings.squareAcross = readings.squareDown = k;
        }
        readings.rulerAcrossMm = readings.rulerDownMm = calibration::RulerMm * scale;
        const PrinterCalibration c = calibration::fromReadings(readings, perforation);
        for (double x : {10.0, 54.0, 107.95, 200.0})
            QVERIFY2(qAbs(printer(x * c.scaleXPercent / 100 + c.offsetXMm) - x)
                         <= calibration::StepMm / 2 + 1e-9,
                     qPrintable(QString::number(x)));
        // Shown again, the dialog's fields come back as they were read.
        const calibration::Readings again = calibration::toReadings(c, perforation);
        QCOMPARE(again.squareAcross, readings.squareAcross);
        QVERIFY(qAbs(again.rulerAcrossMm - readings.rulerAcrossMm) < 1e-9);
    }

    void exportIsRepeatable()
    {
        for (const QString name : {"first", "second"}) {
            const CliResult result =
                runQmark({"--export-pdf", path(name + ".pdf"), "--layout", "a4-fit", m_card});
            QCOMPARE(result.exitCode, 0);
            QCOMPARE(result.standardError, QString());
        }
        QCOMPARE(render(path("first.pdf"), path("first")),
                 render(path("second.pdf"), path("second")));
        // The words and where they stand; the creation date in the head may differ.
        const auto words = [&](const QString& name) {
            const QString text = runTool("pdftotext", {"-bbox", path(name), "-"});
            return text.mid(text.indexOf("<body>"));
        };
        QCOMPARE(words("first.pdf"), words("second.pdf"));
    }

    // The card alone from the command line: the test card is 336 x 192 pixels (3.5 x 2 in).
    void cardExportsWithoutAWindow()
    {
        CliResult result = runQmark({"--export-card", path("alone.png"), m_card});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(QImage(path("alone.png")).size(), QSize(1050, 600));
        result = runQmark({"--export-card", path("fine.png"), "--dpi", "600", m_card});
        QCOMPARE(QImage(path("fine.png")).size(), QSize(2100, 1200));
        result = runQmark(
            {"--export-card", path("alone.pdf"), "--side", "front", "--bleed", "0", m_card});
        QCOMPARE(result.exitCode, 0);
        const QString boxes = runTool("pdfinfo", {"-box", path("alone.pdf")});
        const auto trim =
            QRegularExpression(R"(TrimBox:\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)\s+([\d.]+))")
                .match(boxes);
        QVERIFY(qAbs(trim.captured(3).toDouble() - trim.captured(1).toDouble() - 252) < 0.01);
        QVERIFY(qAbs(trim.captured(4).toDouble() - trim.captured(2).toDouble() - 144) < 0.01);
        QVERIFY(boxes.contains(QRegularExpression(R"(BleedBox:\s+)" + trim.captured(1))));
        result = runQmark({"--export-card", path("alone.svg"), m_card});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(QFile(path("alone.svg")).size() > 0);
        // Either side of a two-sided card; a card without a back has none to give.
        const QString twoSided = QUILLMARK_TEST_DATA "/two-sided.qmark";
        for (const char* side : {"front", "back"}) {
            const QString png = path(QString("%1.png").arg(side));
            result = runQmark({"--export-card", png, "--dpi", "96", "--side", side, twoSided});
            QCOMPARE(result.exitCode, 0);
            // The card's corner shows its side's background: white, or the back's 0x336699.
            QCOMPARE(QImage(png).pixelColor(2, 2),
                     QColor(side == QByteArray("back") ? QColor(0x99, 0x66, 0x33) : Qt::white));
        }
        result = runQmark({"--export-card", path("none.png"), "--side", "back", m_card});
        QCOMPARE(result.exitCode, 1);
        // A print shop gets both sides of it, a page each, unless one side is asked for.
        for (const auto& [side, pages] : {std::pair{"", 2}, {"front", 1}}) {
            QStringList arguments{"--export-card", path("sides.pdf")};
            if (*side)
                arguments << "--side" << side;
            QCOMPARE(runQmark(arguments << twoSided).exitCode, 0);
            QVERIFY(runTool("pdfinfo", {path("sides.pdf")})
                        .contains(QRegularExpression(QString("Pages:\\s+%1\\n").arg(pages))));
        }
    }

    // A card with a back: the PDF holds front and back sheets in turn, and each card's back
    // lies exactly behind its own front once the sheet is turned over the edge asked for, on
    // every page of a merge, wherever the layout puts the cards.
    void backsLieBehindTheirFronts_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("sides");
        QTest::addColumn<int>("rows"); // merged rows; 0 for none
        QTest::newRow("letter-10, long edge, merged") << "letter-10"
                                                      << "long" << 13;
        QTest::newRow("letter-10, short edge, merged") << "letter-10"
                                                       << "short" << 13;
        QTest::newRow("top-left, long edge by default") << "top-left"
                                                        << "" << 0;
        QTest::newRow("top-left, short edge") << "top-left"
                                              << "short" << 0;
    }

    void backsLieBehindTheirFronts()
    {
        QFETCH(QString, layout);
        QFETCH(QString, sides);
        QFETCH(int, rows);
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is needed");
        const QString card = path("two-sided.qmark");
        writeTwoSidedCard(card, rows > 0);
        QStringList arguments{"--export-pdf", path("two-sided.pdf"), "--layout", layout};
        if (!sides.isEmpty())
            arguments << "--sides" << sides;
        if (rows) {
            QByteArray csv = "Id\r\n";
            for (int i = 1; i <= rows; ++i)
                csv += QByteArray::number(i) + "\r\n";
            writeFileBytes(path("ids.csv"), csv);
            arguments << "--merge" << path("ids.csv");
        }
        const CliResult result = runQmark(arguments << card);
        QCOMPARE(result.standardError, QString());
        QCOMPARE(result.exitCode, 0);

        const SheetPlacement placement =
            sheet::placeCards(*layoutcatalog::find(layout), {5040, 2880}, 2, 4);
        const qsizetype cells = qsizetype(placement.cards.size());
        const int sheets = rows ? int((rows + cells - 1) / cells) : 1;
        const QStringList pages =
            runTool("pdftotext", {"-bbox", path("two-sided.pdf"), "-"}).split("<page ");
        QCOMPARE(pages.size(), 1 + 2 * sheets);
        const QRegularExpression word(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">(\S+)</word>)re");
        const QSizeF page = placement.page / 20;
        // The one word in a cell (points), with its offset from the cell's corner.
        const auto wordIn = [&](const QString& text, const QRectF& cell) {
            QStringList found;
            for (const auto& m : word.globalMatch(text)) {
                const QPointF at(m.captured(1).toDouble(), m.captured(2).toDouble());
                if (cell.contains(at))
                    found << QString("%1 %2 %3")
                                 .arg(m.captured(3).mid(1))
                                 .arg(at.x() - cell.left(), 0, 'f', 1)
                                 .arg(at.y() - cell.top(), 0, 'f', 1);
            }
            return found.join(", ");
        };
        int matched = 0;
        for (int sheet = 0; sheet < sheets; ++sheet) {
            for (qsizetype cell = 0; cell < cells; ++cell) {
                const QRectF twips = placement.cards[size_t(cell)];
                const QRectF points(twips.topLeft() / 20, twips.size() / 20);
                // Turned over the long edge, a portrait sheet's columns swap; over the short
                // edge, its rows.
                QRectF behind = points;
                if (sides == "short")
                    behind.moveTop(page.height() - points.bottom());
                else
                    behind.moveLeft(page.width() - points.right());
                const QString onFront = wordIn(pages[2 * sheet + 1], points);
                QCOMPARE(wordIn(pages[2 * sheet + 2], behind), onFront);
                matched += onFront.isEmpty() ? 0 : 1;
            }
        }
        QCOMPARE(matched, rows ? rows : int(cells));
    }

    // A back offset moves the backs of a two-sided job on its queue, in the back page's own
    // directions whichever edge the sheet turns over, and the backs printed by hand too; the
    // fronts keep the front correction.
    void backOffsetMovesOnlyTheBacks_data()
    {
        QTest::addColumn<QString>("sides");
        QTest::addColumn<bool>("byHand"); // on a one-sided queue: the backs' job is checked
        QTest::newRow("long edge") << "long" << false;
        QTest::newRow("short edge") << "short" << false;
        QTest::newRow("short edge, by hand") << "short" << true;
    }
    void backOffsetMovesOnlyTheBacks()
    {
        QFETCH(QString, sides);
        QFETCH(bool, byHand);
        const QString card = path("offset.qmark");
        const CardDesign design = writeTwoSidedCard(card, false);
        const QStringList options{"--layout", "letter-10", "--sides", sides, card};
        QString error;
        auto request =
            headless::parse(QStringList{"--export-pdf", path("offset.pdf")} + options, &error);
        QVERIFY2(request && headless::run(*request, &error), qPrintable(error));

        const QString queue = byHand ? "ByHand" : "Alpha";
        if (byHand)
            QVERIFY2(m_cups->addQueue(queue, &error, false), qPrintable(error));
        // 2 mm right and 1 mm up for every page; the backs 1.5 mm further right, 3 mm up.
        QVERIFY(calibration::save(queue, {2, -1, 100, 100, 1.5, -3}));
        const int before = m_cups->waitForLastJob("Alpha", 100).value("job-id").toInt();
        if (byHand) {
            const CardSnapshot snapshot = recordCard(design);
            SheetSpec sheetSpec;
            sheetSpec.snapshot = &snapshot;
            sheetSpec.cardTwips = cardSizeTwips(design);
            sheetSpec.layout = *layoutcatalog::find("letter-10");
            SheetJob job;
            job.printerName = queue;
            const PrintOutcome outcome = duplex::printByHand(
                job, sheetSpec, *duplex::sidesFromName(sides), [] { return true; });
            QVERIFY2(outcome.sent, qPrintable(outcome.reason));
        } else {
            request = headless::parse(QStringList{"--print", queue} + options, &error);
            QVERIFY2(request && headless::run(*request, &error), qPrintable(error));
        }
        QVERIFY(calibration::save(queue, {}));
        QVERIFY(m_cups->waitForLastJob(queue).value("job-id").toInt() > before + byHand);
        const QString printed = m_cups->outputFile(queue);

        const double mm = 72 / 25.4;
        for (const auto& [page, move] : {std::pair{1, QPointF(2, -1)}, {2, QPointF(3.5, -4)}}) {
            if (byHand && page == 1)
                continue; // the fronts' job went before
            const auto nominal = pageWords(path("offset.pdf"), page);
            const auto moved = pageWords(printed, byHand ? 1 : page);
            QCOMPARE(moved.size(), nominal.size());
            QCOMPARE(nominal.size(), 10);
            for (qsizetype i = 0; i < nominal.size(); ++i) {
                QCOMPARE(moved[i].first, nominal[i].first);
                const QPointF off =
                    moved[i].second.topLeft() - nominal[i].second.topLeft() - move * mm;
                QVERIFY2(qAbs(off.x()) < 0.15 && qAbs(off.y()) < 0.15,
                         qPrintable(QString("page %1, %2: %3, %4 pt off")
                                        .arg(page)
                                        .arg(moved[i].first)
                                        .arg(off.x())
                                        .arg(off.y())));
            }
        }
        if (byHand)
            QVERIFY(m_cups->removeQueue(queue));
    }

    // The duplex alignment page read as a user reads it: printed with its back shifted by a
    // known amount, each line of the front, seen through the sheet, crosses the back's scales
    // at the back offset that undoes the shift; entered, it brings the marks into register.
    void alignmentPageReadsTheBackOffset_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<int>("sides");
        QTest::addColumn<QPointF>("shiftMm"); // how far the printer puts the back off
        QTest::newRow("letter, long edge")
            << "letter-10" << int(duplex::Sides::LongEdge) << QPointF(1.5, -2);
        QTest::newRow("letter, short edge")
            << "letter-10" << int(duplex::Sides::ShortEdge) << QPointF(-3, 2.5);
        QTest::newRow("A4, short edge")
            << "a4-10" << int(duplex::Sides::ShortEdge) << QPointF(0.5, 4);
        QTest::newRow("A4, long edge, in register")
            << "a4-10" << int(duplex::Sides::LongEdge) << QPointF(0, 0);
    }
    void alignmentPageReadsTheBackOffset()
    {
        QFETCH(QString, paper);
        QFETCH(int, sides);
        QFETCH(QPointF, shiftMm);
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is needed");
        const QSizeF page = layoutcatalog::find(paper)->paperTwips;
        const double twipsPerMm = 1440 / 25.4;
        const QSizeF pageMm = page / twipsPerMm;
        // Turned over, a point of the front lies behind the back's point mirrored across the
        // page: right and left swap over the long edge of this upright sheet, top and bottom
        // over its short edge.
        const auto behind = [&](QPointF frontMm) {
            return sides == int(duplex::Sides::LongEdge)
                       ? QPointF(pageMm.width() - frontMm.x(), frontMm.y())
                       : QPointF(frontMm.x(), pageMm.height() - frontMm.y());
        };

        // The front as printed and the back as a printer `shiftMm` off prints it, after the
        // queue's correction; both sides' readings at every cross, in mm.
        const auto readings = [&](const PrinterCalibration& correction) {
            const QString pdf = path("alignment.pdf");
            {
                QPdfWriter writer(pdf);
                writer.setPageSize(QPageSize(page / 20, QPageSize::Point));
                writer.setPageMargins({});
                writer.setResolution(1440);
                QPainter painter(&writer);
                alignmentpage::paintFront(painter, page, 1);
                writer.newPage();
                painter.setTransform(correction.backTransform()
                                     * QTransform::fromTranslate(shiftMm.x() * twipsPerMm,
                                                                 shiftMm.y() * twipsPerMm));
                alignmentpage::paintBack(painter, page, duplex::Sides(sides), 1);
            }
            const QImage front = render(pdf, path("alignment-front"));
            const auto labels = pageWords(pdf, 2);
            const double pixelsPerMm = 72 / 25.4 / PointsPerPixel;
            const auto darkness = [&](QPointF mm) {
                const QPoint at = (mm * pixelsPerMm).toPoint();
                return 1 - qGray(front.pixel(at)) / 255.0;
            };
            // Where a line of the front crosses `through` along `along`, from 12 mm before.
            const auto lineAt = [&](QPointF through, QPointF along) {
                double sum = 0, weight = 0;
                for (double t = -12; t <= 12; t += 0.05) {
                    const double dark = darkness(through + along * t);
                    sum += t * dark, weight += dark;
                }
                return weight > 0 ? through + along * (sum / weight) : QPointF(-1e9, -1e9);
            };
            QList<QPointF> read;
            const double distance = alignmentpage::ScaleDistanceMm;
            for (const QPointF cross : alignmentpage::crosses(page)) {
                const QPointF centre = cross / twipsPerMm;
                // The upright arm where the across scale reads it, and the level one.
                const QPointF upright = lineAt(centre + QPointF(0, distance), {1, 0});
                const QPointF level = lineAt(centre + QPointF(distance, 0), {0, 1});
                read << QPointF(scaleValue(labels, behind(upright)),
                                scaleValue(labels, behind(level)));
            }
            return read;
        };

        // What the user reads, to the nearest half millimetre, is the same at every cross.
        QPointF entered;
        for (const QPointF value : readings({})) {
            const QPointF rounded(std::round(value.x() * 2) / 2, std::round(value.y() * 2) / 2);
            QVERIFY2(QLineF(value, rounded).length() < 0.15,
                     qPrintable(QString("%1, %2").arg(value.x()).arg(value.y())));
            entered = rounded;
            QCOMPARE(rounded, -shiftMm);
        }
        PrinterCalibration correction;
        correction.backOffsetXMm = entered.x();
        correction.backOffsetYMm = entered.y();
        for (const QPointF value : readings(correction))
            QVERIFY2(
                qAbs(value.x()) < 0.15 && qAbs(value.y()) < 0.15,
                qPrintable(QString("%1, %2 after the correction").arg(value.x()).arg(value.y())));
    }

    // The duplex alignment page from Calibrate this printer: one two-sided job on a queue that
    // takes one; on one that does not, the front, the question with its picture, then the back.
    // The back offset read off it, and the order of backs printed by hand, are shown, kept for
    // the queue and shown again.
    void alignmentPageFromTheDialog()
    {
        ScriptedPlatform platform;
        QString error;
        QVERIFY2(m_cups->addQueue("Manual", &error, false), qPrintable(error));
        const auto pageText = [&](const QString& queue, int page) {
            const QString number = QString::number(page);
            return runTool("pdftotext",
                           {"-f", number, "-l", number, m_cups->outputFile(queue), "-"})
                .simplified();
        };
        const SheetLayout letter = *layoutcatalog::find("letter-10");
        CalibrationDialog dialog(letter, "Alpha");
        dialog.setTurnOver(duplex::Sides::ShortEdge);
        int before = m_cups->waitForLastJob("Alpha", 100).value("job-id").toInt();
        control<SkinButton>(&dialog, "printAlignmentButton")->click();
        auto job = m_cups->waitForLastJob("Alpha");
        QVERIFY(job.value("job-id").toInt() > before);
        QCOMPARE(job.value("sides"), QString("two-sided-short-edge"));
        QVERIFY(platform.messageBoxes.isEmpty());
        QTRY_VERIFY(pageText("Alpha", 1).contains("duplex alignment: front"));
        QVERIFY(pageText("Alpha", 2).contains("back (turned over the short edge)"));

        control<QComboBox>(&dialog, "printerBox")->setCurrentText("Manual");
        control<QComboBox>(&dialog, "turnOverBox")->setCurrentIndex(0);
        bool frontOut = false;
        platform.whileMessageShown = [&](const ScriptedPlatform::MessageBoxCall&) {
            m_cups->waitForLastJob("Manual");
            frontOut = pageText("Manual", 1).contains("duplex alignment: front");
        };
        platform.messageAnswers << QMessageBox::Ok;
        // Job numbers count across queues: the front's comes next, then the back's.
        before = job.value("job-id").toInt();
        control<SkinButton>(&dialog, "printAlignmentButton")->click();
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes[0].text, duplex::turnStackMessage(duplex::Sides::LongEdge));
        QCOMPARE(platform.messageBoxes[0].title, QString("Calibrate this printer"));
        QVERIFY(!platform.messageBoxes[0].picture.isNull());
        QVERIFY(frontOut);
        job = m_cups->waitForLastJob("Manual");
        QCOMPARE(job.value("job-id").toInt(), before + 2);
        QTRY_VERIFY(pageText("Manual", 1).contains("back (turned over the long edge)"));

        control<QDoubleSpinBox>(&dialog, "backAcross")->setValue(1.5);
        control<QDoubleSpinBox>(&dialog, "backDown")->setValue(-2);
        control<QComboBox>(&dialog, "handOrderBox")->setCurrentIndex(1);
        QVERIFY2(control<QLabel>(&dialog, "summary")
                     ->text()
                     .endsWith("\nBacks: move a further 1.50 mm across, -2.00 mm down."),
                 qPrintable(control<QLabel>(&dialog, "summary")->text()));
        control<SkinButton>(&dialog, "okButton")->click();
        const PrinterCalibration kept = calibration::load("Manual");
        QCOMPARE(QPointF(kept.backOffsetXMm, kept.backOffsetYMm), QPointF(1.5, -2));
        QVERIFY(kept.backsInPrintedOrder);
        CalibrationDialog again(letter, "Manual");
        QCOMPARE(control<QDoubleSpinBox>(&again, "backDown")->value(), -2.0);
        QCOMPARE(control<QComboBox>(&again, "handOrderBox")->currentIndex(), 1);
        QVERIFY(calibration::save("Manual", {}));
        QVERIFY(m_cups->removeQueue("Manual"));
    }

    // A queue that prints on both sides gets one job asking for it; one that cannot refuses a
    // card with a back in one line, unless only the fronts are asked for.
    void twoSidedJobsGoToQueuesThatTakeThem()
    {
        QString error;
        QVERIFY2(m_cups->addQueue("Single", &error, false), qPrintable(error));
        const QString card = path("two-sided-queue.qmark");
        writeTwoSidedCard(card, false);
        const auto print = [&](const QStringList& arguments) {
            error.clear();
            const auto request = headless::parse(arguments, &error);
            return request && headless::run(*request, &error);
        };
        const int before = m_cups->waitForLastJob("Alpha", 100).value("job-id").toInt();
        QVERIFY2(print({"--print", "Alpha", "--sides", "short", card}), qPrintable(error));
        const auto job = m_cups->waitForLastJob("Alpha");
        QVERIFY(job.value("job-id").toInt() > before);
        QCOMPARE(job.value("sides"), QStringLiteral("two-sided-short-edge"));

        QVERIFY(!print({"--print", "Single", card}));
        QCOMPARE(error, QStringLiteral("the printer \"Single\" prints on one side only and the "
                                       "card has a back; --sides front prints the fronts alone"));
        QVERIFY2(print({"--print", "Single", "--sides", "front", card}), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_cups->outputFile("Single")).size() > 0, 20000);
    }

    void badRunsFailWithOneLine_data()
    {
        QTest::addColumn<QStringList>("arguments"); // CARD stands for the test card
        QTest::addColumn<QString>("message");
        QTest::newRow("missing card")
            << QStringList{"--export-pdf", "OUT", "nothing.qmark"} << "does not exist";
        QTest::newRow("folder as card")
            << QStringList{"--export-pdf", "OUT", "/tmp"} << "cannot be read";
        QTest::newRow("FIFO as card")
            << QStringList{"--export-pdf", "OUT", "FIFO"} << "cannot be read";
        QTest::newRow("picture as card")
            << QStringList{"--export-pdf", "OUT", QUILLMARK_TEST_DATA "/red.bmp"}
            << "is not a card file";
        QTest::newRow("unknown layout")
            << QStringList{"--export-pdf", "OUT", "--layout", "b5-8", "CARD"}
            << "unknown layout \"b5-8\"; the layouts are top-left, letter-10, a4-10, letter-fit, "
               "a4-fit";
        QTest::newRow("stock sheet misspelt")
            << QStringList{"--export-pdf", "OUT", "--layout", "Avery 537", "CARD"}
            << "the nearest are Avery 5371, Avery 5372, Avery 5376";
        QTest::newRow("card export, unknown suffix")
            << QStringList{"--export-card", "OUT.gif", "CARD"} << "writes .pdf, .png or .svg";
        QTest::newRow("card export, back")
            << QStringList{"--export-card", "OUT.pdf", "--side", "back", "CARD"}
            << "this card has no back";
        QTest::newRow("card export, bleed too wide")
            << QStringList{"--export-card", "OUT.pdf", "--bleed", "6", "CARD"}
            << "--bleed must be from 0 to 5 mm";
        QTest::newRow("card export, dpi too fine")
            << QStringList{"--export-card", "OUT.png", "--dpi", "1201", "CARD"}
            << "--dpi must be a whole number from 1 to 1200";
        QTest::newRow("card export, dpi for a PDF")
            << QStringList{"--export-card", "OUT.pdf", "--dpi", "300", "CARD"}
            << "unknown option --dpi for a .pdf file";
        QTest::newRow("card export, value missing")
            << QStringList{"--export-card", "OUT.png", "CARD", "--dpi"} << "--dpi needs a value";
        QTest::newRow("card export, two cards")
            << QStringList{"--export-card", "OUT.png", "CARD", "--", "CARD"}
            << "one card file at a time, not 2";
        QTest::newRow("rows out of range")
            << QStringList{"--export-pdf", "OUT", "--rows", "5", "CARD"} << "--rows must be";
        QTest::newRow("no card") << QStringList{"--export-pdf", "OUT"} << "no card file";
        QTest::newRow("sides not named")
            << QStringList{"--export-pdf", "OUT", "--sides", "both", "CARD"}
            << "--sides must be long, short or front, not \"both\"";
        QTest::newRow("unwritable")
            << QStringList{"--export-pdf", "/proc/x.pdf", "CARD"} << "cannot be written";
        QTest::newRow("unknown queue")
            << QStringList{"--print", "Nowhere", "CARD"} << "\"Nowhere\" is not installed";
        QTest::newRow("end of options as the file")
            << QStringList{"--export-pdf", "--", "CARD"} << "--export-pdf needs the PDF file";
        QTest::newRow("copies for a file")
            << QStringList{"--export-pdf", "OUT", "--copies", "2", "CARD"}
            << "unknown option --copies";
    }
    void badRunsFailWithOneLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const QString out = path("never.pdf");
        QFile::remove(path("FIFO"));
        QCOMPARE(QProcess::execute("mkfifo", {path("FIFO")}), 0);
        for (QString& word : arguments) {
            if (word == "OUT")
                word = out;
            if (word.startsWith("OUT."))
                word = path("never") + word.mid(3);
            if (word == "CARD")
                word = m_card;
            if (word == "FIFO")
                word = path("FIFO");
        }
        const CliResult result = runQmark(arguments);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.standardError.startsWith("qmark: ") && result.standardError.count('\n') == 1
                     && result.standardError.endsWith('\n')
                     && result.standardError.contains(message),
                 qPrintable(result.standardError));
        for (const char* suffix : {".pdf", ".png", ".svg", ".gif"})
            QVERIFY(!QFile::exists(path("never") + suffix));
    }

    // 25 rows onto ten cards a page: three pages, each cell with its own row's name and code,
    // in the order of the cells; the last page's other cells stay empty.
    void mergeGivesEachCellItsRow()
    {
        for (const char* tool : {"zbarimg", "pdftotext"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP("zbarimg (zbar-tools) and pdftotext (poppler-utils) are needed");
        const QString card = writeMergeCard(m_dir);
        QVERIFY(!card.isEmpty());
        QByteArray csv = "Id;Name;Note\r\n";
        for (int i = 1; i <= 25; ++i)
            csv += QByteArray::number(i) + ";Person" + QByteArray::number(i) + ";\"a;b\"\r\n";
        const QString data = path("people.csv");
        writeFileBytes(data, csv);
        const QString pdf = path("merged.pdf");
        const CliResult result =
            runQmark({"--export-pdf", pdf, "--merge", data, "--layout", "letter-10", card});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.standardError, QString());

        const SheetPlacement placement =
            sheet::placeCards(*layoutcatalog::find("letter-10"), {5040, 2880}, 2, 4);
        const qsizetype cells = qsizetype(placement.cards.size());
        QCOMPARE(cells, 10);
        const QStringList pages = runTool("pdftotext", {"-bbox", pdf, "-"}).split("<page ");
        QCOMPARE(pages.size(), 1 + 3);
        const QRegularExpression word(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">(\S+)</word>)re");
        for (int page = 0; page < 3; ++page) {
            runTool("pdftoppm", {"-r", "300", "-png", "-f", QString::number(page + 1), "-l",
                                 QString::number(page + 1), "-singlefile", pdf, path("page")});
            const QImage image(path("page.png"));
            QStringList found, expected;
            for (qsizetype cell = 0; cell < cells; ++cell) {
                const QRectF twips = placement.cards[size_t(cell)];
                const QRectF points(twips.topLeft() / 20, twips.size() / 20);
                QStringList words;
                for (const auto& m : word.globalMatch(pages[page + 1]))
                    if (points.contains(
                            QPointF(m.captured(1).toDouble(), m.captured(2).toDouble())))
                        words << m.captured(3);
                const QRect pixels =
                    QRectF(twips.topLeft() * 300 / 1440, twips.size() * 300 / 1440).toAlignedRect();
                QVERIFY(image.copy(pixels).save(path("cell.png")));
                const QString code = runTool("zbarimg", {"--quiet", "--raw", "-Sdisable",
                                                         "-Sqrcode.enable", path("cell.png")});
                found << words.join(' ') + " " + code.trimmed();
                const int row = page * 10 + int(cell) + 1;
                expected << (row <= 25 ? QString("Person%1 https://example.com/p/%1").arg(row)
                                       : QString(" "));
            }
            QCOMPARE(found, expected);
        }

        // The data is an input: a PDF written over it would lose it.
        QCOMPARE(runQmark({"--export-pdf", data, "--merge", data, card}).exitCode, 1);
        QCOMPARE(readFileBytes(data), csv);

        // A printer gets every page in one job.
        const int before = m_cups->waitForLastJob("Alpha", 100).value("job-id").toInt();
        QCOMPARE(
            runQmark({"--print", "Alpha", "--merge", data, "--layout", "letter-10", card}).exitCode,
            0);
        QVERIFY(m_cups->waitForLastJob("Alpha").value("job-id").toInt() > before);
        QTRY_VERIFY_WITH_TIMEOUT(runTool("pdfinfo", {m_cups->outputFile("Alpha")})
                                     .contains(QRegularExpression("Pages:\\s+3\\n")),
                                 10000);
    }

    // A merged name that shrinks to fit is drawn whole inside its box on every card, each at
    // its own size: a short one at the size chosen, longer ones smaller, no word broken. The
    // same name that does not shrink runs out of its box.
    void mergedCaptionsShrinkEachToTheirBox()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is needed");
        const QStringList names{"Al", "Maximilian Oberhuber",
                                "Alexandra Konstantinopoulou-Whitfield",
                                "Anna Maria Magdalena von Hohenzollern-Sigmaringen und Habsburg"};
        const QRectF shrinkingBox(300, 300, 2400, 420), plainBox(300, 1500, 2400, 420);
        {
            QWidget host;
            CardEditor editor(&host);
            CardDesign design;
            design.widthPixels = 336;
            design.heightPixels = 192;
            for (const QRectF& box : {shrinkingBox, plainBox}) {
                CardItem* name = design.addCopy(ElementKind::Text, design.textCount + 1);
                design.textCount++;
                name->text.caption = "${Name}";
                name->text.fontName = "DejaVu Sans";
                name->text.fontSize = 16;
                name->text.backStyle = 0;
                name->text.shrinkToFit = box == shrinkingBox;
                name->left = box.left(), name->top = box.top();
                name->width = box.width(), name->height = box.height();
            }
            editor.setDesign(design);
            QVERIFY(editor.write(path("shrink.qmark")));
        }
        writeFileBytes(path("names.csv"), "Name\n" + names.join('\n').toUtf8() + "\n");
        const QString pdf = path("shrink.pdf");
        const CliResult result = runQmark({"--export-pdf", pdf, "--merge", path("names.csv"),
                                           "--layout", "letter-10", path("shrink.qmark")});
        QCOMPARE(result.exitCode, 0);

        const SheetPlacement placement =
            sheet::placeCards(*layoutcatalog::find("letter-10"), {5040, 2880}, 2, 4);
        const QString page = runTool("pdftotext", {"-bbox", pdf, "-"});
        const QRegularExpression word(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(\S+)</word>)re");
        QList<QRectF> fullSize;
        for (qsizetype cell = 0; cell < names.size(); ++cell) {
            const QPointF origin = placement.cards[size_t(cell)].topLeft();
            const auto inPoints = [&](const QRectF& box) {
                return QRectF((origin + box.topLeft()) / 20, box.size() / 20);
            };
            const QRectF shrinking = inPoints(shrinkingBox), plain = inPoints(plainBox);
            QStringList shrunkWords, plainWords;
            QList<QRectF> shrunk, plainBoxes;
            for (const auto& m : word.globalMatch(page)) {
                const QRectF at(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
                const QRectF cellPoints = inPoints({0, 0, 5040, 2880});
                if (!cellPoints.contains(at.topLeft()))
                    continue;
                const bool upper = at.top() < (shrinking.bottom() + plain.top()) / 2;
                // Ligatures ("fi") come out as one character.
                (upper ? shrunkWords : plainWords)
                    << m.captured(5).normalized(QString::NormalizationForm_KC);
                (upper ? shrunk : plainBoxes) << at;
            }
            const QString name = names[cell];
            // Every word whole; a line may break after a hyphen.
            QCOMPARE(shrunkWords.join(' ').replace("- ", "-"), name);
            // Within the box, give or take the glyphs' own rounding.
            for (const QRectF& at : shrunk)
                QVERIFY2(shrinking.adjusted(-0.5, -1, 0.5, 1).contains(at),
                         qPrintable(QString("%1 in %2").arg(name).arg(at.bottom())));
            if (cell == 0) {
                // It fits at its own size: as large as the one that does not shrink.
                QCOMPARE(qRound(shrunk.front().height() * 10),
                         qRound(plainBoxes.front().height() * 10));
                fullSize = plainBoxes;
            } else {
                QVERIFY(shrunk.front().height() < fullSize.front().height() - 0.5);
            }
            // The longest name, not shrinking, wraps past the bottom of its box.
            if (cell == names.size() - 1)
                QVERIFY(std::any_of(plainBoxes.begin(), plainBoxes.end(), [&](const QRectF& at) {
                    return at.bottom() > plain.bottom() + 1;
                }));
        }
    }

    // Bad data is refused with the file, the line and the fault, and nothing is printed.
    void badMergeDataPrintsNothing_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("message");
        QTest::newRow("unterminated quote")
            << QByteArray("Id,Name\n1,Ann\n2,\"Bob\n")
            << "data.csv, line 3: the quote opened here is never closed";
        QTest::newRow("no such column")
            << QByteArray("Id,Full name\n1,Ann\n")
            << "data.csv, line 1: no column is named \"Name\", which the card's ${Name} needs";
        QTest::newRow("not UTF-8")
            << QByteArray("Id,Name\n1,Ann\n2,J\xF6rg\n") << "data.csv, line 3: ";
        QByteArray many = "Id,Name\n";
        for (int i = 0; i <= csv::MaxRows; ++i)
            many += "1,A\n";
        QTest::newRow("too many rows") << many << "data.csv, line 100002: more than 100000 rows";
    }
    void badMergeDataPrintsNothing()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, message);
        const QString card = writeMergeCard(m_dir);
        writeFileBytes(path("data.csv"), csv);
        const QString out = path("never.pdf");
        const CliResult result = runQmark({"--export-pdf", out, "--merge", path("data.csv"), card});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.standardError.startsWith("qmark: " + message)
                     && result.standardError.count('\n') == 1,
                 qPrintable(result.standardError));
        QVERIFY(!QFile::exists(out));
    }

    void onlyTheExactFirstWordMeansNoWindow()
    {
        QVERIFY(headless::isRequested({"--export-pdf", "a.pdf", "c.qmark"}));
        QVERIFY(headless::isRequested({"--print", "q", "c.qmark"}));
        // From the first option on, the options come in any order.
        QString reason;
        const auto reordered = headless::parse(
            {"--merge", "m.csv", "--rows", "2", "--export-pdf", "o.pdf", "c.qmark"}, &reason);
        QVERIFY2(reordered, qPrintable(reason));
        QVERIFY(reordered->mode == headless::Request::Mode::ExportPdf);
        QCOMPARE(reordered->target, QString("o.pdf"));
        QCOMPARE(reordered->mergeData, QString("m.csv"));
        QCOMPARE(reordered->rows, 2);
        QCOMPARE(reordered->card, QString("c.qmark"));
        const auto copies = headless::parse(
            {"--copies", "3", "--layout", "a4-10", "c.qmark", "--print", "q"}, &reason);
        QVERIFY2(copies && copies->mode == headless::Request::Mode::Print, qPrintable(reason));
        QCOMPARE(copies->copies, 3);
        QCOMPARE(copies->target, QString("q"));
        QVERIFY(!headless::parse({"--merge", "m.csv", "c.qmark"}, &reason));
        QVERIFY2(reason.contains("--export-pdf or --print"), qPrintable(reason));
        QVERIFY(!headless::parse({"--copies", "3", "--export-pdf", "o.pdf", "c.qmark"}, &reason));
        QVERIFY(!headless::parse({"--print", "q", "--export-pdf", "o.pdf", "c.qmark"}, &reason));
        for (const QStringList& line :
             {QStringList{"c.qmark", "--export-pdf", "a.pdf"},
              QStringList{"--export-pdf=a.pdf", "c.qmark"}, QStringList{"--Print", "q", "c.qmark"},
              QStringList{"my card --print.qmark"}, QStringList{}})
            QVERIFY2(!headless::isRequested(line), qPrintable(line.join(' ')));

        // "--" ends the options: never a value itself, and what follows is the card.
        QString error;
        const auto request = headless::parse({"--export-pdf", "a.pdf", "--", "--odd"}, &error);
        QVERIFY2(request && request->card == "--odd", qPrintable(error));
        QVERIFY(!headless::parse({"--export-pdf", "a.pdf", "--layout", "--", "c.qmark"}, &error));
        QCOMPARE(error, QString("--layout needs a value"));
    }

    void sheetMenuChoosesAndRemembers()
    {
        ModalWatchdog watchdog;
        QWidget host;
        CardEditor editor(&host); // the default card, 360 x 210 pixels
        PrintCommand command(editor);
        QTimer ok;
        connect(&ok, &QTimer::timeout, [&] {
            if (command.cardsCount().isVisible())
                control<SkinButton>(&command.cardsCount(), "okButton")->click();
        });
        ok.start(10);
        editor.setSheetPrimed(true);
        command.prepareSheet();
        PreviewWindow* preview = command.preview();
        QVERIFY(preview);

        QStringList menus;
        for (QAction* action : preview->menuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, (QStringList{"Print", "Preview Size", "Close", "Sheet"}));
        QStringList items;
        for (QAction* action : control<QMenu>(preview, "sheetMenu")->actions())
            items << (action->isSeparator() ? "-"
                                            : action->text() + (action->isChecked() ? " *" : ""));
        QCOMPARE(items, (QStringList{
                            "Top left, no margins *", "Letter, 10 cards of 3.5 × 2 in",
                            "A4, 10 cards of 85 × 55 mm", "Letter, as many as fit, with crop marks",
                            "A4, as many as fit, with crop marks", "Stock…", "-",
                            "PDF for a print shop…", "Picture of the card…", "-",
                            "Calibrate this printer…", "-", "Merge with CSV…", "Stop merging"}));
        QCOMPARE(preview->windowTitle(), QString("Preview"));

        control<QAction>(preview, "letter-10")->trigger();
        // 5400 x 3150 twips into 5040 x 2880: 91.4 %.
        QCOMPARE(preview->windowTitle(), QString("Preview — scaled to 91 %"));
        QCOMPARE(control<QWidget>(preview, "pageView")->size(), QSize(816, 1056));
        control<QAction>(preview, "a4-10")->trigger();
        QCOMPARE(control<QWidget>(preview, "pageView")->size(), QSize(794, 1123)); // A4 at 96 dpi
        QVERIFY(control<QAction>(preview, "a4-10")->isChecked()
                && !control<QAction>(preview, "letter-10")->isChecked());

        PrintCommand later(editor);
        QCOMPARE(later.layout().name, QString("a4-10"));
        control<QAction>(preview, "top-left")->trigger();
        QCOMPARE(PrintCommand(editor).layout().name, QString("top-left"));
        QCOMPARE(preview->windowTitle(), QString("Preview"));
    }

    // Pictures for a person to look at; written only when QUILLMARK_SHOTS names a folder.
    void screenshots()
    {
        const QString shots = qEnvironmentVariable("QUILLMARK_SHOTS");
        if (shots.isEmpty())
            QSKIP("QUILLMARK_SHOTS is not set");
        QWidget host;
        CardEditor editor(&host);
        QVERIFY(editor.load(m_card));
        PrintCommand command(editor);
        command.setLayout("letter-fit");
        QTimer ok;
        connect(&ok, &QTimer::timeout, [&] {
            if (command.cardsCount().isVisible())
                control<SkinButton>(&command.cardsCount(), "okButton")->click();
        });
        ok.start(10);
        editor.setSheetPrimed(true);
        command.prepareSheet();
        PreviewWindow* preview = command.preview();
        preview->showNormal();
        preview->resize(900, 700);
        QTest::qWait(100);
        preview->zoom50();
        preview->menuBar()->setActiveAction(control<QMenu>(preview, "sheetMenu")->menuAction());
        QTRY_VERIFY(control<QMenu>(preview, "sheetMenu")->isVisible());
        QImage shot = preview->grab().toImage();
        {
            QPainter painter(&shot);
            painter.drawPixmap(preview->mapFromGlobal(control<QMenu>(preview, "sheetMenu")->pos()),
                               control<QMenu>(preview, "sheetMenu")->grab());
        }
        QVERIFY(shot.save(shots + "/sheets-menu.png"));
        control<QMenu>(preview, "sheetMenu")->hide();

        CalibrationDialog dialog(command.layout(), "Alpha");
        control<QSpinBox>(&dialog, "squareAcross")->setValue(-2);
        control<QDoubleSpinBox>(&dialog, "rulerAcross")->setValue(148.5);
        dialog.show();
        QTest::qWait(100);
        QVERIFY(dialog.grab().save(shots + "/sheets-calibration-dialog.png"));

        QImage page(1224, 1584, QImage::Format_RGB32); // Letter at 144 dpi
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            calibrationpage::paint(painter, calibrationpage::stockFor(command.layout()),
                                   144 / 1440.0);
        }
        QVERIFY(page.save(shots + "/sheets-calibration-page.png"));
        preview->close();
    }
};

QTEST_MAIN(TestSheets)
#include "tst_sheets.moc"
