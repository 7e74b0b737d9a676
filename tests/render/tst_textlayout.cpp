// A laid-out caption draws exactly as QPainter::drawText draws it, in the box the painter
// lays it out for. Both draw with the fonts of the machine the test runs on, so the test holds
// whatever their version.
#include "render/textlayout.h"

#include <QImage>
#include <QPainter>
#include <QTest>

class TestTextLayout : public QObject {
    Q_OBJECT
private slots:
    void drawsAsDrawText_data();
    void drawsAsDrawText();
};

void TestTextLayout::drawsAsDrawText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("style"); // bold 1, italic 2, underline 4, strikeout 8
    QTest::addColumn<qreal>("wrapWidth");
    QTest::addColumn<int>("alignment");

    const struct {
        const char* name;
        QString text;
        int style;
        qreal wrap;
    } cases[] = {
        {"plain", "Text", 0, -1},
        {"styled", "Under & struck", 1 | 2 | 4 | 8, -1},
        {"lines", "Two\nlines\r\nthree", 4, -1},
        {"tabs", "a\tb\t\tc", 0, -1},
        {"trailing", "trailing   ", 4, -1},
        {"leading", "   leading", 0, -1},
        {"wrapped", "A long caption that wraps inside its narrow box", 4, 61.5},
        {"unbreakable", "Unbreakablewordwiderthanthebox", 0, 40},
    };
    for (const auto& c : cases)
        for (int alignment : {int(Qt::AlignLeft), int(Qt::AlignHCenter), int(Qt::AlignRight)})
            for (const char* family : {"DejaVu Sans", "Liberation Serif"})
                QTest::addRow("%s %s %d", c.name, family, alignment)
                    << c.text << QString(family) << c.style << c.wrap << alignment;
}

void TestTextLayout::drawsAsDrawText()
{
    QFETCH(QString, text);
    QFETCH(QString, family);
    QFETCH(int, style);
    QFETCH(qreal, wrapWidth);
    QFETCH(int, alignment);

    QFont font(family);
    font.setPointSizeF(10.5);
    font.setBold(style & 1);
    font.setItalic(style & 2);
    font.setUnderline(style & 4);
    font.setStrikeOut(style & 8);
    const bool wrap = wrapWidth >= 0;
    // Drawn at a fractional place through a scaled painter, as the card draws its items, and
    // laid out as far as the box reaches.
    const QRectF box(3.25, 2.5, wrap ? wrapWidth : 150, 60);
    const render::TextLayout layout(
        {text, font, wrapWidth, alignment == Qt::AlignLeft, box.height()});

    const int flags = Qt::AlignTop | alignment | Qt::TextExpandTabs | (wrap ? Qt::TextWordWrap : 0);
    QImage expected(160, 70, QImage::Format_RGB32);
    expected.fill(Qt::white);
    QImage actual = expected;
    for (QImage* image : {&expected, &actual}) {
        QPainter painter(image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(1.0 / 15, 1.0 / 15);
        painter.scale(15, 15);
        painter.setClipRect(box);
        painter.setPen(QColor(0x30, 0x20, 0x90));
        painter.setFont(font);
        if (image == &expected)
            painter.drawText(box, flags, text);
        else
            layout.draw(painter, box, alignment);
    }
    QCOMPARE(actual, expected);
}

QTEST_MAIN(TestTextLayout)
#include "tst_textlayout.moc"
