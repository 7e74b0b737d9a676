// What the card shows, pixel for pixel: a crowded card with every text style against a
// reference image, and the screen after editing steps against a full repaint of the same card.
#include "cardtest.h"

#include "canvas/cardsides.h"
#include "document/twips.h"
#include "render/cardpainter.h"

#include <QPaintEvent>
#include <QPainter>

#include <QImage>
#include <QScreen>
#include <QTest>
#include <QUndoStack>
#include <QWindow>

#include <algorithm>

namespace {
const QString Reference = QStringLiteral(QUILLMARK_TEST_DATA "/crowded-card.png");

struct Style {
    const char* caption;
    const char* family;
    float size;
    int flags; // bold 1, italic 2, underline 4, strikeout 8, transparent 64
    qint16 alignment;
    qint32 font3D;
};

constexpr int Bold = 1, Italic = 2, Underline = 4, Strike = 8, Transparent = 64;

const Style Styles[] = {
    {"Text", "MS Sans Serif", 9.75f, 0, 0, 0},
    {"Bold face", "DejaVu Sans", 11, Bold, 0, 1},
    {"Italic", "Liberation Serif", 14, Italic, 1, 2},
    {"Under & struck", "DejaVu Sans", 8, Underline | Strike, 2, 1},
    {"All of them", "Liberation Sans", 12, Bold | Italic | Underline | Strike, 0, 2},
    {"Fits itself", "DejaVu Serif", 10, 0, 0, 1},
    {"A long caption that wraps inside its box", "DejaVu Sans", 9, 0, 2, 1},
    {"Wrapped and fitted to its width", "Liberation Sans", 9, 0, 1, 0},
    {"Two\nlines", "DejaVu Sans Mono", 10, Transparent, 0, 1},
    {"tab\there", "DejaVu Sans", 10, 0, 0, 1},
    {"trailing   ", "DejaVu Sans", 10, 0, 1, 1},
    {"\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7", "DejaVu Sans (Arabic)", 12, 0, 1, 1},
    {"", "DejaVu Sans", 10, 0, 0, 1},
    {"Huge", "Liberation Serif", 40, Transparent | Bold, 2, 3},
    {"centred, right\r\nand left", "DejaVu Sans", 7, Transparent, 2, 2},
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
            editor.changeItem(ElementKind::Text, editor.textCount(), [&](CardItem& item) {
                item.setLeft(float((n * 431 + round * 97) % 4600) + (round == 1 ? 7.5f : 0));
                item.setTop(float((n * 263) % 2700) + (round == 2 ? 4 : 0));
                item.setWidth(1200 + float(n % 5) * 150);
                item.setHeight(330 + float(n % 3) * 120);
                TextLook& t = item.text;
                t.fontName = QString::fromUtf8(s.family);
                t.fontSize = s.size;
                t.bold = s.flags & Bold;
                t.italic = s.flags & Italic;
                t.underline = s.flags & Underline;
                t.strikeout = s.flags & Strike;
                t.backStyle = s.flags & Transparent ? 0 : 1;
                t.alignment = s.alignment;
                t.font3D = s.font3D;
                t.backColor = vbcolorOf(n);
                t.frwColor = 0x00400000 + n * 0x0105;
                t.bgColor = 0x00C0C0FF - n * 0x0301;
                t.caption = QString::fromUtf8(s.caption);
            });
            if (n % 4 == 0) {
                editor.addShape();
                editor.changeItem(ElementKind::Shape, editor.shapeCount(), [&](CardItem& shape) {
                    shape.setLeft(float((n * 353) % 4800));
                    shape.setTop(float((n * 181) % 2600));
                    shape.setWidth(900);
                    shape.setHeight(700);
                    shape.shape.shape = qint16(n % 6);
                    shape.shape.backStyle = n % 8 ? 1 : 0;
                    shape.shape.backColor = 0x0030A0F0 + n * 0x0107;
                });
            }
            ++n;
        }
    }
}
// The same picture but for rounding: a glyph's edge pixel drawn through another clip may
// blend a level apart.
bool near(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (qAbs(qRed(p) - qRed(q)) > 2 || qAbs(qGreen(p) - qGreen(q)) > 2
                || qAbs(qBlue(p) - qBlue(q)) > 2)
                return false;
        }
    return true;
}
} // namespace

class TestCardRendering : public QObject {
    Q_OBJECT
private slots:
    void crowdedCardMatchesReference();
    void screenAfterEditingMatchesFullRepaint();
    void undoAndRedoShowTheDesign_data();
    void undoAndRedoShowTheDesign();
    void selectedCrowdIsDottedEveryThirdPixel();
};

void TestCardRendering::crowdedCardMatchesReference()
{
    const auto card = StartedCard::start();
    if (!card)
        return;
    crowd(card->editor());
    const QImage shown =
        card->editor().view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The screen leaves out what opaque elements hide; the whole card drawn plainly is the
    // same picture, but for rounding where the clip's edges fall.
    QImage plain(shown.size(), QImage::Format_RGB32);
    {
        QPainter painter(&plain);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(1.0 / TwipsPerPixel, 1.0 / TwipsPerPixel);
        cardpainter::paintCard(painter, card->editor().design());
    }
    if (!near(shown, plain)) {
        plain.save(QStringLiteral(QUILLMARK_BINARY_DIR "/crowded-card-plain.png"));
        shown.save(QStringLiteral(QUILLMARK_BINARY_DIR "/crowded-card-actual.png"));
        QFAIL("the screen differs from the card drawn whole; see crowded-card-plain.png");
    }
    if (qEnvironmentVariableIsSet("QUILLMARK_WRITE_REFERENCE"))
        QVERIFY(shown.save(Reference));
    const QImage reference = QImage(Reference).convertToFormat(QImage::Format_RGB32);
    QVERIFY2(!reference.isNull(), qPrintable(Reference));
    if (shown != reference) {
        shown.save(QStringLiteral(QUILLMARK_BINARY_DIR "/crowded-card-actual.png"));
        QFAIL("the card differs from crowded-card.png; see crowded-card-actual.png in the build");
    }
}

// Each step repaints only what it changed, and the view keeps the card's pixels between
// steps; whatever a step left alone must still be right.
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
    CardEditor& editor = card->editor();
    const auto onWindow = [&](QPointF twips) {
        return editor.view()->mapTo(window, (twips / TwipsPerPixel).toPoint());
    };
    const auto shown = [&] {
        return handle->screen()
            ->grabWindow(window->winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    // What the screen shows, and what the view draws again from the pixels it keeps, are both
    // the whole card drawn afresh from its design.
    const auto expectFullRepaint = [&](const char* step) {
        const QImage screen = shown();
        editor.view()->update();
        QCoreApplication::processEvents();
        const QImage kept = shown();
        editor.view()->updateCard();
        QCoreApplication::processEvents();
        const QImage full = shown();
        for (const QImage& image : {screen, kept})
            if (!near(image, full)) {
                image.save(QStringLiteral(QUILLMARK_BINARY_DIR "/edited-screen.png"));
                full.save(QStringLiteral(QUILLMARK_BINARY_DIR "/edited-full.png"));
                QFAIL(qPrintable(QStringLiteral("after %1 the view differs from a full repaint; "
                                                "see edited-screen.png and edited-full.png")
                                     .arg(QLatin1String(step))));
            }
    };
    // A text dragged comes to the front: at a whole zoom the view copies back what lay under
    // it and draws just the text. A shape keeps its place beneath the texts over it.
    const auto shapeBeneathOthers = [&] {
        const QList<CardItem>& items = editor.design().items();
        for (qsizetype i = 0; i + 1 < items.size(); ++i) {
            const CardItem& shape = items.at(i);
            if (shape.kind != ElementKind::Shape || shape.shape.backStyle != 1)
                continue;
            const QRectF outline = box(shape);
            // Half hidden by an opaque text, so that drawing it over that text would show.
            const bool covered =
                std::any_of(items.begin() + i + 1, items.end(), [&](const CardItem& above) {
                    const QRectF both = box(above) & outline;
                    return above.kind == ElementKind::Text && above.text.backStyle == 1
                           && both.width() * both.height() > outline.width() * outline.height() / 4;
                });
            for (qreal y = outline.top() + 60; covered && y < outline.bottom(); y += 60)
                for (qreal x = outline.left() + 60; x < outline.right(); x += 60)
                    if (const auto hit = editor.view()->elementAt({x, y});
                        hit && hit->kind == shape.kind && hit->index == shape.index)
                        return QPointF(x, y);
        }
        return QPointF(-1, -1);
    };
    for (const qreal zoom : {2.0, 1.0}) {
        editor.view()->setZoom(zoom);
        // Each text twice running: the second drag finds what lies under it kept from the
        // first.
        for (int i : {5, 21}) {
            for (const QPoint by : {QPoint(13 - i, 7), QPoint(-4, 9)}) {
                const QPoint middle =
                    onWindow(box(element(editor, ElementKind::Text, i)).center() * zoom);
                drag(middle, middle + by);
            }
            expectFullRepaint(zoom == 1 ? "a text dragged" : "a text dragged at 200 %");
        }
        const QPointF shape = shapeBeneathOthers();
        QVERIFY(shape.x() >= 0);
        drag(onWindow(shape * zoom), onWindow(shape * zoom) + QPoint(5, -4));
        expectFullRepaint(zoom == 1 ? "a shape dragged" : "a shape dragged at 200 %");
    }
    for (int i : {3, 17, 30}) {
        const QPoint middle = onWindow(box(element(editor, ElementKind::Text, i)).center());
        drag(middle, middle + QPoint(9 - i, 6));
        // The bottom-right handle, out over the crowd and back in.
        QVERIFY(editor.handlesShown());
        const QPoint grip = onWindow(handleCentre(editor, 7));
        drag(grip, grip + QPoint(23, 17));
        drag(grip + QPoint(23, 17), grip - QPoint(8, 5));
    }
    // An element added on top of the selected one, before the view repaints: the selected
    // element, drawn apart from the crowd until then, is drawn with it again.
    QVERIFY(!editor.selection().isEmpty());
    editor.addShapeInFront();
    QCoreApplication::processEvents();
    expectFullRepaint("a shape added on top");
    const CardItem& shape = element(editor, ElementKind::Shape, 2);
    const QPoint inside =
        onWindow(QPointF(shape.left + ShapeLook::Inset + shape.shape.innerWidth / 2,
                         shape.top + ShapeLook::Inset + shape.shape.innerHeight / 2));
    drag(inside, inside + QPoint(-12, 9));
    expectFullRepaint("the drags");
    // Undo brings back a whole earlier design at once.
    editor.undoStack()->undo();
    QCoreApplication::processEvents();
    expectFullRepaint("an undo");

    // Undo and redo of one element's move or resize repaint its boxes and the handles, not
    // the card, and leave nothing stale.
    struct PaintSpy : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } spy;
    editor.view()->installEventFilter(&spy);
    const QRect whole = editor.view()->rect();
    for (const bool back : {true, true, true, false, false}) {
        spy.painted = {};
        back ? editor.undoStack()->undo() : editor.undoStack()->redo();
        QCoreApplication::processEvents();
        QVERIFY(!spy.painted.isEmpty());
        QVERIFY2(!(QRegion(whole) - spy.painted).isEmpty(),
                 back ? "an undo repainted the card" : "a redo did");
        expectFullRepaint(back ? "an undo of one element" : "a redo of one element");
    }
}

void TestCardRendering::undoAndRedoShowTheDesign_data()
{
    // Steps, a letter each: M moves every element, U undoes, R redoes, T types into the
    // first text (a run of typing is one step), A adds a shape, B and F show the back and the
    // front, Z zooms to 200 % and back; after a "+" the next step comes before the view repaints.
    QTest::addColumn<QString>("steps");
    QTest::newRow("a move undone and redone in turn") << "MURURUR";
    QTest::newRow("two moves undone and redone") << "MMUURRUURR";
    QTest::newRow("three steps back and forth") << "MTMUUURURRUR";
    QTest::newRow("a step undone and another made before a repaint") << "TU+MU";
    QTest::newRow("typing undone and redone") << "MTTURUR";
    QTest::newRow("the back shown between") << "MUBFRUBR";
    QTest::newRow("a zoom between") << "MUZRUZR";
    QTest::newRow("a new step after an undo") << "MMUMURUR";
    QTest::newRow("a step on the back before a repaint") << "MB+AURU";
    QTest::newRow("the back shown before a repaint") << "MA+BURF";
}

// Undo and redo may put back pixels the view kept of the design they lead to, instead of
// drawing the crowd again: what shows after every step is the design as it now is.
void TestCardRendering::undoAndRedoShowTheDesign()
{
    QFETCH(QString, steps);
    const auto card = StartedCard::start();
    if (!card)
        return;
    CardEditor& editor = card->editor();
    crowd(editor);
    QCoreApplication::processEvents();
    QUndoStack& history = *editor.undoStack();
    int typed = 0;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        switch (steps.at(i).toLatin1()) {
        case 'M': {
            editor.selectAll();
            const CardItem* primary = editor.selectedItem();
            const CardHit hit{primary->kind, primary->index, {}};
            editor.elementPressed(hit, 1, 200, 200);
            editor.elementReleased(hit, 200 + 60 * float(i), 250);
            break;
        }
        case 'U': history.undo(); break;
        case 'R': history.redo(); break;
        case 'T':
            editor.changeItem(
                ElementKind::Text, 1,
                [&](CardItem& item) { item.text.caption += QString::number(++typed); },
                QStringLiteral("Typing"), editor.typing(1));
            break;
        case 'A': editor.addShape(); break;
        case 'B':
        case 'F':
            cardsides::show(editor, steps.at(i) == 'B' ? CardSide::Back : CardSide::Front);
            break;
        case 'Z':
            editor.view()->setZoom(2);
            QCoreApplication::processEvents();
            editor.view()->setZoom(1);
            break;
        }
        if (steps.mid(i + 1, 1) == "+") {
            ++i;
            continue;
        }
        QCoreApplication::processEvents();
        // The marks of a selection are drawn over the card: without them, the view is the
        // card drawn whole.
        editor.clearSelection();
        QImage shown = editor.view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage whole(shown.size(), QImage::Format_RGB32);
        {
            QPainter painter(&whole);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(1.0 / TwipsPerPixel, 1.0 / TwipsPerPixel);
            cardpainter::paintCard(painter, editor.design());
        }
        // The view marks the back in a corner.
        if (editor.design().shownSide() == CardSide::Back)
            for (QImage* image : {&shown, &whole})
                QPainter(image).fillRect(0, 0, image->width(), 20, Qt::black);
        if (!near(shown, whole)) {
            shown.save(QStringLiteral(QUILLMARK_BINARY_DIR "/history-screen.png"));
            whole.save(QStringLiteral(QUILLMARK_BINARY_DIR "/history-whole.png"));
            QFAIL(qPrintable(QStringLiteral("after %1 the view is not the design; see "
                                            "history-screen.png and history-whole.png")
                                 .arg(steps.left(i + 1))));
        }
    }
}

// Each member of a selected crowd but the primary shows a dark dotted frame a pixel outside
// its box, one dot every third pixel carried on round the corners, as far as the view shows.
void TestCardRendering::selectedCrowdIsDottedEveryThirdPixel()
{
    QWidget host;
    host.resize(420, 260);
    CardEditor editor(&host);
    editor.view()->move(0, 0);
    editor.createHandles();
    // Boxes inside the card, past its top-left corner and past its bottom-right one; the
    // primary, with its handles, stays apart. The items draw nothing but the marks.
    const QRect boxes[] = {
        {40, 30, 50, 20}, {-10, -6, 37, 22}, {330, 190, 44, 31}, {200, 100, 8, 8}};
    for (const QRect& pixels : boxes) {
        editor.addText();
        editor.changeItem(ElementKind::Text, editor.textCount(), [&](CardItem& item) {
            item.text.caption.clear();
            item.text.backStyle = 0;
            item.setLeft(float(pixels.left() * TwipsPerPixel));
            item.setTop(float(pixels.top() * TwipsPerPixel));
            item.setWidth(float(pixels.width() * TwipsPerPixel));
            item.setHeight(float(pixels.height() * TwipsPerPixel));
        });
    }
    editor.selectAll();
    QCOMPARE(editor.selectedElements().size(), 4);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    const QImage shown = editor.view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb dark = QColor(Qt::darkGray).rgb();
    const QRect card = editor.view()->rect();
    for (int member = 0; member < 4; ++member) {
        if (Selection{ElementKind::Text, member + 1} == editor.selection())
            continue;
        const QRect frame = boxes[member].adjusted(-1, -1, 0, 0);
        // The frame's pixels clockwise from its top-left corner.
        QList<QPoint> walk;
        for (int x = frame.left(); x < frame.right() + 1; ++x)
            walk << QPoint(x, frame.top());
        for (int y = frame.top(); y < frame.bottom() + 1; ++y)
            walk << QPoint(frame.right() + 1, y);
        for (int x = frame.right() + 1; x > frame.left(); --x)
            walk << QPoint(x, frame.bottom() + 1);
        for (int y = frame.bottom() + 1; y > frame.top(); --y)
            walk << QPoint(frame.left(), y);
        for (qsizetype k = 0; k < walk.size(); ++k) {
            if (!card.contains(walk[k]))
                continue;
            const bool dot = (shown.pixel(walk[k]) & RGB_MASK) == (dark & RGB_MASK);
            QVERIFY2(dot == (k % 3 == 0), qPrintable(QStringLiteral("member %1, pixel %2,%3")
                                                         .arg(member)
                                                         .arg(walk[k].x())
                                                         .arg(walk[k].y())));
        }
    }
}

QTEST_MAIN(TestCardRendering)
#include "tst_cardrendering.moc"
