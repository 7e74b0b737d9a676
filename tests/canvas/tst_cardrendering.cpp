// What the card shows, pixel for pixel: a crowded card with every text style against a
// reference image, and the screen after editing steps against a full repaint of the same card.
#include "cardtest.h"

#include "document/twips.h"

#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWindow>

namespace {
const QString Reference = QStringLiteral(QUILLMARK_TEST_DATA "/crowded-card.png");

struct Style {
    const char* caption;
    const char* family;
    float size;
    int flags; // bold 1, italic 2, underline 4, strikeout 8, autosize 16, wrap 32,
               // transparent 64, border 128, disabled 256
    qint16 alignment;
    qint32 font3D;
};

constexpr int Bold = 1, Italic = 2, Underline = 4, Strike = 8, Auto = 16, Wrap = 32,
              Transparent = 64, Border = 128, Disabled = 256;

const Style Styles[] = {
    {"Text", "MS Sans Serif", 9.75f, 0, 0, 0},
    {"Bold face", "DejaVu Sans", 11, Bold, 0, 1},
    {"Italic", "Liberation Serif", 14, Italic, 1, 2},
    {"Under & struck", "DejaVu Sans", 8, Underline | Strike, 2, 1},
    {"All of them", "Liberation Sans", 12, Bold | Italic | Underline | Strike, 0, 2},
    {"Fits itself", "DejaVu Serif", 10, Auto, 0, 1},
    {"A long caption that wraps inside its box", "DejaVu Sans", 9, Wrap, 2, 1},
    {"Wrapped and fitted to its width", "Liberation Sans", 9, Auto | Wrap, 1, 0},
    {"Two\nlines", "DejaVu Sans Mono", 10, Transparent, 0, 1},
    {"tab\there", "DejaVu Sans", 10, Border, 0, 1},
    {"trailing   ", "DejaVu Sans", 10, Auto | Border, 1, 1},
    {"Disabled", "DejaVu Sans", 10, Disabled, 2, 2},
    {"\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7", "DejaVu Sans (Arabic)", 12, 0, 1, 1},
    {"", "DejaVu Sans", 10, Border, 0, 1},
    {"Huge", "Liberation Serif", 40, Transparent | Bold, 2, 3},
    {"centred, right\r\nand left", "DejaVu Sans", 7, Transparent | Wrap, 2, 2},
};

// Colours that vary from item to item so a wrong overlap shows.
qint32 vbcolorOf(int n) { return 0x00F0F0F0 - (n % 7) * 0x00101008; }

// A crowd of text items of every style with shapes among them, on pixel and off-pixel boxes.
void crowd(CardEditor& editor)
{
    int n = 0;
    for (int round = 0; round < 3; ++round) {
        for (const Style& s : Styles) {
            editor.addText();
            TextElement* item = editor.texts[editor.textCount];
            const float left = float((n * 431 + round * 97) % 4600) + (round == 1 ? 7.5f : 0);
            const float top = float((n * 263) % 2700) + (round == 2 ? 4 : 0);
            item->setBox(left, top, 1200 + float(n % 5) * 150, 330 + float(n % 3) * 120);
            QFont font(QString::fromUtf8(s.family));
            font.setPointSizeF(s.size);
            font.setBold(s.flags & Bold);
            font.setItalic(s.flags & Italic);
            font.setUnderline(s.flags & Underline);
            font.setStrikeOut(s.flags & Strike);
            item->setFont(font);
            item->setWordWrap(s.flags & Wrap);
            item->setAutoSize(s.flags & Auto);
            item->setBackStyle(s.flags & Transparent ? 0 : 1);
            item->setBorderStyle(s.flags & Border ? 1 : 0);
            item->setEnabled(!(s.flags & Disabled));
            item->setAlignment(s.alignment);
            item->setFont3D(s.font3D);
            item->setBackColor(vbcolorOf(n));
            item->setFRWColor(0x00400000 + n * 0x0105);
            item->setBGColor(0x00C0C0FF - n * 0x0301);
            item->setCaption(QString::fromUtf8(s.caption));
            if (n % 4 == 0) {
                editor.addShape();
                ShapeElement* shape = editor.shapes[editor.shapeCount];
                shape->setBox(float((n * 353) % 4800), float((n * 181) % 2600), 900, 700);
                (void)shape->setShape(n % 6);
                shape->setBackStyle(n % 8 ? 1 : 0);
                shape->setBackColor(0x0030A0F0 + n * 0x0107);
            }
            ++n;
        }
    }
}
} // namespace

class TestCardRendering : public QObject {
    Q_OBJECT
private slots:
    void crowdedCardMatchesReference();
    void screenAfterEditingMatchesFullRepaint();
};

void TestCardRendering::crowdedCardMatchesReference()
{
    const auto card = StartedCard::start();
    if (!card)
        return;
    crowd(card->editor());
    const QImage shown =
        card->editor().canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariableIsSet("QUILLMARK_WRITE_REFERENCE"))
        QVERIFY(shown.save(Reference));
    const QImage reference = QImage(Reference).convertToFormat(QImage::Format_RGB32);
    QVERIFY2(!reference.isNull(), qPrintable(Reference));
    if (shown != reference) {
        shown.save(QStringLiteral(QUILLMARK_BINARY_DIR "/crowded-card-actual.png"));
        QFAIL("the card differs from crowded-card.png; see crowded-card-actual.png in the build");
    }
}

// Each step repaints only what it changed; whatever it left alone must still be right.
void TestCardRendering::screenAfterEditingMatchesFullRepaint()
{
    const auto card = StartedCard::start();
    if (!card)
        return;
    crowd(card->editor());
    QWidget* window = card->window.get();
    QWindow* handle = window->windowHandle();
    const auto drag = [handle](QPoint from, QPoint to) {
        QTest::mousePress(handle, Qt::LeftButton, {}, from);
        for (int i = 1; i <= 4; ++i) {
            QTest::mouseMove(handle, from + (to - from) * i / 4);
            QCoreApplication::processEvents();
        }
        QTest::mouseRelease(handle, Qt::LeftButton, {}, to);
        QCoreApplication::processEvents();
    };
    for (int i : {3, 17, 30}) {
        TextElement* item = card->editor().texts[i];
        const QPoint middle = item->mapTo(window, item->rect().center());
        drag(middle, middle + QPoint(9 - i, 6));
        // The bottom-right handle, out over the crowd and back in.
        SizeHandle* corner = card->editor().handles[7];
        QVERIFY(corner->isVisible());
        const QPoint grip = corner->mapTo(window, corner->rect().center());
        drag(grip, grip + QPoint(23, 17));
        drag(grip + QPoint(23, 17), grip - QPoint(8, 5));
    }
    ShapeElement* shape = card->editor().shapes[2];
    const QPoint inside =
        shape->mapTo(window, shape->drawnRect().center().toPoint() / TwipsPerPixel);
    drag(inside, inside + QPoint(-12, 9));

    const QImage screen = handle->screen()
                              ->grabWindow(window->winId())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    const QImage full = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(screen.size(), full.size());
    if (screen != full) {
        screen.save(QStringLiteral(QUILLMARK_BINARY_DIR "/edited-screen.png"));
        full.save(QStringLiteral(QUILLMARK_BINARY_DIR "/edited-full.png"));
        QFAIL("the screen differs from a full repaint; see edited-screen.png and edited-full.png");
    }
}

QTEST_MAIN(TestCardRendering)
#include "tst_cardrendering.moc"
