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
    void laysOutOnlyWhatCanShow_data();
    void laysOutOnlyWhatCanShow();
    void drawsAsDrawText_data();
    void drawsAsDrawText();
};

// However long the caption and large the box, what is laid out is bounded by the part of the
// box that can show and the font's smallest advance; what shows there is what the whole
// caption would show.
void TestTextLayout::laysOutOnlyWhatCanShow_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<QSizeF>("box");   // pixels
    QTest::addColumn<QSizeF>("shows"); // pixels of the box that can show
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("wholeUpTo"); // characters the whole layout to compare with takes
    QString words;
    while (words.size() < 2'000'000)
        words += QStringLiteral("lorem ipsum dolor %1 ").arg(words.size() % 997);
    // Wider than 2^23 pixels, a line would overflow the layout's own fixed-point numbers.
    const QString word(300'000, u'w');
    const QSizeF huge(1'000'000, 1'000'000), card(385, 210);
    QTest::newRow("words, huge box, 1 pt")
        << words << 1.0 << huge << card << int(Qt::AlignLeft) << 0;
    QTest::newRow("words, huge box, centred")
        << words << 1.0 << huge << card << int(Qt::AlignHCenter) << 0;
    QTest::newRow("one word, left")
        << word << 9.75 << QSizeF(200, 100) << QSizeF(200, 100) << int(Qt::AlignLeft) << 300'000;
    QTest::newRow("one word, right")
        << word << 9.75 << QSizeF(200, 100) << QSizeF(200, 100) << int(Qt::AlignRight) << 300'000;
    QTest::newRow("spaces, then a word")
        << QString(1'000'000, u' ') + "end" << 9.75 << QSizeF(200, 100) << QSizeF(200, 100)
        << int(Qt::AlignLeft) << 1'000'003;
    QTest::newRow("a few spaces, then a word")
        << QString(2 * 4096 + 5, u' ') + "end" << 9.75 << QSizeF(200, 100) << QSizeF(200, 100)
        << int(Qt::AlignLeft) << 10'000;
    QTest::newRow("box off the card's right edge")
        << words << 9.75 << QSizeF(600, 100) << QSizeF(120, 100) << int(Qt::AlignLeft) << 20'000;
}

void TestTextLayout::laysOutOnlyWhatCanShow()
{
    QFETCH(QString, text);
    QFETCH(qreal, points);
    QFETCH(QSizeF, box);
    QFETCH(QSizeF, shows);
    QFETCH(int, alignment);
    QFETCH(int, wholeUpTo);
    QFont font("DejaVu Sans");
    font.setPointSizeF(points);
    const render::TextLayout::Key key{
        text, font, box.width(), alignment == Qt::AlignLeft, shows.height(), shows.width()};
    const render::TextLayout bounded(key);
    QCOMPARE(bounded.key().text.size(), text.size()); // the caption stays whole
    QVERIFY2(bounded.laidOutLength() < 100'000,
             qPrintable(QString::number(bounded.laidOutLength())));
    if (wholeUpTo == 0)
        return;
    // What shows is what the whole caption shows there.
    render::TextLayout::Key wholeKey = key;
    wholeKey.text = text.left(wholeUpTo);
    wholeKey.maxHeight = wholeKey.maxWidth = -1;
    const render::TextLayout whole(wholeKey);
    const auto drawn = [&](const render::TextLayout& layout) {
        QImage image(shows.toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        layout.draw(painter, QRectF(QPointF(), box), alignment);
        return image;
    };
    QCOMPARE(drawn(bounded), drawn(whole));
}

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
