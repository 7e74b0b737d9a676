#include "document/cardmerge.h"
#include "document/vcard.h"
#include "render/cardpainter.h"
#include "render/qrcode.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QColor Navy(0x10, 0x20, 0x60);
// What the largest code holds in bytes at L, M, Q and H.
constexpr int MostBytes[] = {2953, 2331, 1663, 1273};
const QColor Paper(0xFA, 0xF0, 0xD8);

// The dark pixels' bounding box; a pixel counts as dark when closer to navy than to white.
QRect darkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace

class TestQrCode : public QObject {
    Q_OBJECT
private slots:
    // Text the string encoder's mode switches leave no room for still fits as one run of bytes:
    // each level holds what the standard allows, and the code scans back.
    void eachLevelHoldsItsBytes_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("bytes");
        for (int level = 0; level < 4; ++level) {
            QTest::addRow("%c, full", "LMQH"[level]) << level << MostBytes[level];
            QTest::addRow("%c, one more", "LMQH"[level]) << level << MostBytes[level] + 1;
        }
    }

    void eachLevelHoldsItsBytes()
    {
        QFETCH(int, level);
        QFETCH(int, bytes);
        // A letter and a run of digits in turn: the string encoder switches to digits at every
        // run, and its switches no longer fit.
        const QByteArray text = QByteArray("x1234567").repeated(bytes / 8 + 1).left(bytes);
        const auto matrix = encodeQr(text, QrLevel(level));
        if (bytes > MostBytes[level]) {
            // A lower level, or nothing past L.
            QVERIFY(level == 0 ? !matrix : matrix && int(matrix->level) < level);
            return;
        }
        QVERIFY(matrix);
        QCOMPARE(int(matrix->level), level);
        QCOMPARE(matrix->size, 177);
        if (level != 0)
            return;
        if (QStandardPaths::findExecutable("zbarimg").isEmpty())
            QSKIP("zbarimg (zbar-tools) is needed");
        QTemporaryDir dir;
        const int side = (177 + 8) * 4;
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            paintQrCode(painter, QRectF(0, 0, side, side), matrix, Qt::black, Qt::white);
        }
        QVERIFY(image.save(dir.filePath("code.png")));
        QProcess zbar;
        zbar.start("zbarimg",
                   {"--quiet", "--raw", "-Sdisable", "-Sqrcode.enable", dir.filePath("code.png")});
        QVERIFY(zbar.waitForFinished(30000));
        QCOMPARE(zbar.readAllStandardOutput(), text + '\n');
    }

    // Colours readers cannot tell apart are said; a transparent light colour is the card's.
    void coloursReadersMayNotScan_data()
    {
        QTest::addColumn<qint32>("dark");
        QTest::addColumn<qint32>("light");
        QTest::addColumn<qint32>("card");
        QTest::addColumn<QString>("problem"); // a part of it; empty: none
        const qint32 white = 0x00FFFFFF, black = 0, transparent = QrLook::Transparent;
        QTest::newRow("black on white") << black << white << black << QString();
        QTest::newRow("dark = light") << 0x00808080 << 0x00808080 << white << "contrast 1.0:1";
        QTest::newRow("inverted") << white << black << white << "lighter than its light";
        QTest::newRow("grey on silver") << 0x00909090 << 0x00D0D0D0 << white << "contrast 2.";
        QTest::newRow("grey 4.5:1") << 0x00767676 << white << white << QString();
        QTest::newRow("transparent on a dark card")
            << black << transparent << 0x00202020 << "contrast 1.";
        QTest::newRow("transparent on a white card") << black << transparent << white << QString();
        QTest::newRow("system colours")
            << qint32(0x80000012) << qint32(0x8000000F) << white << QString();
    }

    void coloursReadersMayNotScan()
    {
        QFETCH(qint32, dark);
        QFETCH(qint32, light);
        QFETCH(qint32, card);
        QFETCH(QString, problem);
        const QrLook look{"https://example.com", dark, light, QrLevel::M};
        const auto said = qrColourProblem(look, card);
        QCOMPARE(said.has_value(), !problem.isEmpty());
        if (said)
            QVERIFY2(said->contains(problem), qPrintable(*said));

        // Printing names the code that may not scan, one sentence each.
        CardDesign design;
        design.backColor = card;
        design.addCopy(ElementKind::QrCode, 1)->qr = look;
        const QStringList warnings = qrColourWarnings(design);
        QCOMPARE(warnings.size(), problem.isEmpty() ? 0 : 1);
        if (!warnings.isEmpty())
            QVERIFY(warnings.front().startsWith("QR code 1 may not scan: "));
    }

    // Content that fits no level stops printing, with the code named, and the row of the merge
    // data that made it so.
    void unprintableCodesAreNamed()
    {
        CardDesign design;
        design.addCopy(ElementKind::QrCode, 1)->qr.content = "https://example.com/${Path}";
        design.addCopy(ElementKind::QrCode, 2)->qr.content = "short";
        QVERIFY(!unprintableQrCode(design));
        design.item(ElementKind::QrCode, 2)->qr.content = QString(2954, 'x');
        QCOMPARE(
            unprintableQrCode(design).value_or(QString()),
            QString("QR code 2 cannot be printed: its content (2954 bytes) does not fit in a QR "
                    "code, even at level L (2953 bytes at most)."));
        design.item(ElementKind::QrCode, 2)->visible = false; // as a hidden code is not printed
        cardmerge::MergeData merge{"/data/people.csv", {}};
        merge.table.columns = {"Path"};
        merge.table.rows = {{"a"}, {QString(2940, 'p')}, {"c"}};
        merge.table.rowLines = {2, 5, 6};
        QCOMPARE(
            unprintableQrCode(design, &merge).value_or(QString()),
            QString(
                "QR code 1 cannot be printed: for row 2 of people.csv (line 5) its content "
                "(2960 bytes) does not fit in a QR code, even at level L (2953 bytes at most)."));
    }

    // The painted code, at a printer's resolution, scans back to the exact text.
    void scansBackToItsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("level");
        vcard::VCardFields contact{"Zoë Müller",
                                   "Smith, Jones; Partners",
                                   "Head of R&D",
                                   "+49 30 123456",
                                   "+49 170 1234567",
                                   "zoe@example.com",
                                   "https://example.com/zoe",
                                   "Königstraße 12a\n10117 Berlin"};
        const QString kinds[][2] = {
            {"web address", "https://example.com/people/zoe?x=1&y=%20"},
            {"free text", "Grüße aus Köln — 50 % off!\nSecond line"},
            {"contact card", QString::fromUtf8(vcard::writeVCard(contact))},
        };
        for (const auto& kind : kinds)
            for (int level = 0; level < 4; ++level)
                QTest::addRow("%s %c", qPrintable(kind[0]), "LMQH"[level]) << kind[1] << level;
    }

    void scansBackToItsText()
    {
        QFETCH(QString, text);
        QFETCH(int, level);
        for (const char* tool : {"zbarimg", "pdftoppm"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP("zbarimg (zbar-tools) and pdftoppm (poppler-utils) are needed");

        // A code element of 1.6 by 1.2 inches on a card, exported as a PDF; the light colour
        // alternates with transparent over a card of the paper colour.
        CardDesign design;
        design.backColor = 0x00D8F0FA;
        CardItem* code = design.addCopy(ElementKind::QrCode, 1);
        QVERIFY(code);
        code->left = 300, code->top = 200, code->width = 2304, code->height = 1728;
        code->qr = {text, 0x00602010, level % 2 ? QrLook::Transparent : 0x00FFFFFF, QrLevel(level)};
        // The element draws the code of its content, level and colours in its box.
        QImage drawn(300, 200, QImage::Format_RGB32), expected(300, 200, QImage::Format_RGB32);
        for (QImage* image : {&drawn, &expected}) {
            image->fill(Qt::green);
            QPainter painter(image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(0.1, 0.1);
            if (image == &drawn)
                cardpainter::paintItem(painter, *code);
            else
                paintQrCode(painter, code->box(), encodeQr(text.toUtf8(), QrLevel(level)),
                            QColor(0x10, 0x20, 0x60),
                            level % 2 ? std::nullopt : std::optional<QColor>(Qt::white));
        }
        QCOMPARE(drawn, expected);

        QTemporaryDir dir;
        const QString pdf = dir.filePath("code.pdf");
        {
            QPdfWriter writer(pdf);
            writer.setResolution(1440);
            writer.setPageSize(QPageSize(QSizeF(3, 2), QPageSize::Inch));
            writer.setPageMargins({});
            QPainter painter(&writer);
            cardpainter::paintCard(painter, design);
        }
        QProcess render;
        render.start("pdftoppm", {"-r", "300", "-png", "-singlefile", pdf, dir.filePath("code")});
        QVERIFY(render.waitForFinished(30000) && render.exitCode() == 0);

        QProcess zbar;
        zbar.start("zbarimg",
                   {"--quiet", "--raw", "-Sdisable", "-Sqrcode.enable", dir.filePath("code.png")});
        QVERIFY(zbar.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(zbar.readAllStandardOutput()), text + '\n');
    }

    // Square, centred in a wide box, with four modules of quiet zone inside the box; drawn as
    // vectors.
    void layoutInTheBox()
    {
        const auto matrix = encodeQr("QUILLMARK", QrLevel::M);
        QVERIFY(matrix);
        const int modules = matrix->size + 8;
        const int module = 10;
        const int side = modules * module;
        QImage image(side + 400, side + 20, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paintQrCode(painter, QRectF(10, 10, side + 380, side), matrix, Qt::black, Paper);
        painter.end();
        const int left = 10 + 190;
        QCOMPARE(darkBounds(image), QRect(left + 4 * module, 10 + 4 * module, matrix->size * module,
                                          matrix->size * module));
        QCOMPARE(QColor(image.pixel(left, 10)), Paper);
        QCOMPARE(QColor(image.pixel(left - 1, 10)), QColor(Qt::white));
        QCOMPARE(QColor(image.pixel(left + side, 10)), QColor(Qt::white));
        // Transparent: the quiet zone shows what lies below.
        image.fill(Qt::green);
        painter.begin(&image);
        paintQrCode(painter, QRectF(10, 10, side + 380, side), matrix, Qt::black, std::nullopt);
        painter.end();
        QCOMPARE(QColor(image.pixel(left, 10)), QColor(Qt::green));

        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&pdf);
            QPainter onPage(&writer);
            paintQrCode(onPage, QRectF(100, 100, 2000, 2000), matrix, Qt::black, Paper);
        }
        QVERIFY(pdf.data().contains("%PDF"));
        QVERIFY(!pdf.data().contains("/Subtype /Image"));
    }

    // Content that fits no code: a lower level when the asked one is too small, and a crossed
    // box when not even level L holds it.
    void contentThatDoesNotFit()
    {
        const QByteArray text(2000, 'x');
        const auto lowered = encodeQr(text, QrLevel::H);
        QVERIFY(lowered);
        QCOMPARE(lowered->level, QrLevel::M);
        QVERIFY(!encodeQr(QByteArray(2954, 'x'), QrLevel::L));
        QCOMPARE(encodeQr(QByteArray(7089, '7'), QrLevel::L)->size, 177);
        QVERIFY(!encodeQr(QByteArray(7090, '7'), QrLevel::L));
        QVERIFY(encodeQr(QByteArray("a\0b", 3), QrLevel::M));

        QImage image(220, 120, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paintQrCode(painter, QRectF(10, 10, 200, 100), std::nullopt, Qt::black, Paper);
        painter.end();
        QCOMPARE(darkBounds(image), QRect(10, 10, 201, 101));
        QVERIFY(qGray(image.pixel(110, 60)) < 128); // where the diagonals cross
        QCOMPARE(QColor(image.pixel(110, 30)), Paper);
    }
};

QTEST_MAIN(TestQrCode)
#include "tst_qrcode.moc"
