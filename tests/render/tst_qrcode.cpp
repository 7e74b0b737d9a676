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
