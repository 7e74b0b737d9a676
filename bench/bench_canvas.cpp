// Editing a crowded card as a user does it: the window is shown, the card is read from a file
// with its boxes off the pixel grid and captions of real cards in two fonts, and every press,
// move and release goes through the window system, with the idle time a hand leaves between
// steps; each step is timed (CPU) until its repaint has been flushed. Cards of 10 to 10,000
// elements.
#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "document/carddesign.h"
#include "document/twips.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <QElapsedTimer>
#include <QTimer>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cmath>

#include "benchmain.h"
#include "crowdedcard.h"
#include "steps.h"

namespace {
// Lets every posted event run, the repaint and its flush among them.
void settle() { QCoreApplication::processEvents(); }
// The pause between two steps of a hand on a mouse; its work (timers, late repaints) is not
// the step's.
void idle() { QTest::qWait(8); }

struct Card : ShownCard {
    QWindow* handle = nullptr;
    int text = 0; // the text item and shape the steps work on
    int shape = 0;
    int zoom = 1;

    explicit Card(int elements)
        : ShownCard(elements)
    {
        text = editor.textCount() - 1;
        shape = editor.shapeCount() - 1;
        // QUILLMARK_BENCH_ZOOM=2 edits the card at 200 %: the same steps over the same points
        // of the card, each card pixel a square of screen pixels.
        zoom = qBound(1, qEnvironmentVariableIntValue("QUILLMARK_BENCH_ZOOM"), 4);
        if (zoom > 1) {
            editor.view()->setZoom(zoom);
            // The window grows with the card once the window system has made it larger.
            QTest::qWaitFor([this] {
                return editor.view()->visibleRegion().boundingRect() == editor.view()->rect();
            });
        }
        handle = window.windowHandle();
        handle->installEventFilter(&mouseEvents);
        settle();
    }

    QPoint at(QPointF twips) const
    {
        return editor.view()->mapTo(&window, (twips / TwipsPerPixel).toPoint() * zoom);
    }
    // A travel of the pointer, in card pixels.
    QPoint by(int across, int down) const { return QPoint(across, down) * zoom; }
    QPoint middleOf(ElementKind kind, int index) const
    {
        const CardItem* item = editor.item(kind, index);
        if (kind == ElementKind::Shape)
            return at(QPointF(item->left + ShapeLook::Inset + item->shape.innerWidth / 2,
                              item->top + ShapeLook::Inset + item->shape.innerHeight / 2));
        return at(item->box().center());
    }
    QPoint corner() const
    {
        const float half = CardEditor::HandleTwips / 2;
        return at(editor.handlePosition(7) + QPointF(half, half));
    }
    // On an X display the pointer is moved and pressed by the X server itself (XTest), so each
    // step crosses the window system as a hand's would; elsewhere the events are handed to
    // the window.
    void press(QPoint p)
    {
        if (!fakeInput(XCB_BUTTON_PRESS, 1, p))
            QTest::mousePress(handle, Qt::LeftButton, {}, p), settle();
    }
    void move(QPoint p)
    {
        if (!fakeInput(XCB_MOTION_NOTIFY, 0, p))
            QTest::mouseMove(handle, p), settle();
    }
    void release(QPoint p)
    {
        if (!fakeInput(XCB_BUTTON_RELEASE, 1, p))
            QTest::mouseRelease(handle, Qt::LeftButton, {}, p), settle();
    }

    // Sends one pointer event through the X server and waits (blocked, spending nothing) until
    // the window has taken it, then lets its repaint run; false without an X display.
    bool fakeInput(uint8_t type, uint8_t detail, QPoint at)
    {
        auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11)
            return false;
        xcb_connection_t* connection = x11->connection();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const QPoint global = window.mapToGlobal(at);
        // The server moves the pointer to where a button event happens, and a move to where
        // the pointer already is makes no event.
        if (type == XCB_MOTION_NOTIFY && global == pointer)
            return true;
        if (type != XCB_MOTION_NOTIFY && global != pointer)
            fakeInput(XCB_MOTION_NOTIFY, 0, at);
        pointer = global;
        const int before = mouseEvents.seen;
        xcb_test_fake_input(connection, type, detail, XCB_CURRENT_TIME, root, qint16(global.x()),
                            qint16(global.y()), 0);
        xcb_flush(connection);
        QTimer wake; // ends a wait for an event that never comes
        wake.start(50);
        QElapsedTimer waited;
        waited.start();
        while (mouseEvents.seen == before && waited.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        settle();
        return true;
    }
    QPoint pointer{-1, -1};

    // Counts the mouse events that reach the window.
    struct Counter : QObject {
        int seen = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            const QEvent::Type type = event->type();
            seen += type == QEvent::MouseMove || type == QEvent::MouseButtonPress
                    || type == QEvent::MouseButtonRelease;
            return false;
        }
    } mouseEvents;
    void click(QPoint p) { press(p), idle(), release(p), idle(); }
    // The middle of the text item and of the shape in turn.
    QPoint nextMiddle()
    {
        onText = !onText;
        return onText ? middleOf(ElementKind::Text, text) : middleOf(ElementKind::Shape, shape);
    }
    bool onText = false;
};

// A press that selects: the handles leave one element and appear around the other.
void BM_SelectPress(benchmark::State& state)
{
    Card card(int(state.range(0)));
    StepTimes steps;
    for (auto _ : state) {
        const QPoint p = card.nextMiddle();
        card.move(p);
        idle();
        steps.time(state, [&] { card.press(p); });
        idle();
        card.release(p);
        idle();
    }
    steps.report(state);
}

// The release that ends a drag of the text item: it moves, comes to the front, and the
// handles are placed around it again. The move that begins the drag is reported beside it
// (move_): what lies under the element was kept when the drag before dropped it.
void BM_ReleaseMove(benchmark::State& state)
{
    Card card(int(state.range(0)));
    StepTimes steps, moves;
    int travel = 7;
    for (auto _ : state) {
        travel = -travel;
        const QPoint from = card.middleOf(ElementKind::Text, card.text);
        const QPoint to = from + card.by(travel, travel / 2);
        card.press(from);
        idle();
        moves.record([&] { card.move(to); });
        idle();
        steps.time(state, [&] { card.release(to); });
        idle();
    }
    steps.report(state);
    moves.report(state, "move_");
}

// The first move of a drag of an element that was not the last one dragged: the view sets
// aside what lies under it. The text item and the shape in turn, each dropped where it was.
void BM_DragStart(benchmark::State& state)
{
    Card card(int(state.range(0)));
    StepTimes steps;
    for (auto _ : state) {
        const QPoint p = card.nextMiddle();
        card.press(p);
        idle();
        steps.time(state, [&] { card.move(p + card.by(4, 2)); });
        idle();
        card.move(p);
        idle();
        card.release(p);
        idle();
    }
    steps.report(state);
}

// One step of dragging the bottom-right handle: the element takes the new size.
void resizeSteps(benchmark::State& state, Card& card, ElementKind kind, int index)
{
    card.click(card.middleOf(kind, index));
    const QPoint grip = card.corner();
    card.press(grip);
    card.move(grip + card.by(-20, -10));
    const float before = card.editor.item(kind, index)->width;
    card.move(grip);
    if (card.editor.item(kind, index)->width == before)
        state.SkipWithError("the drag does not resize the element");
    StepTimes steps;
    int i = 0;
    for (auto _ : state) {
        const int offset = (i++ % 40) - 20;
        steps.time(state, [&] { card.move(grip + card.by(offset, offset / 2)); });
        idle();
    }
    card.release(grip);
    steps.report(state);
}

void BM_ResizeText(benchmark::State& state)
{
    Card card(int(state.range(0)));
    resizeSteps(state, card, ElementKind::Text, card.text);
}

void BM_ResizeShape(benchmark::State& state)
{
    Card card(int(state.range(0)));
    resizeSteps(state, card, ElementKind::Shape, card.shape);
}

// Adding elements one by one with the window shown.
void BM_Add1000(benchmark::State& state)
{
    for (auto _ : state) {
        Card card(0);
        for (int i = 0; i < 1000; ++i)
            card.editor.addText();
        settle();
    }
}

#define STEP_BENCH(name)                                                                           \
    BENCHMARK(name)->Arg(10)->Arg(1000)->Arg(10000)->Iterations(100)->UseManualTime()->Unit(       \
        benchmark::kMicrosecond)
STEP_BENCH(BM_SelectPress);
STEP_BENCH(BM_ReleaseMove);
STEP_BENCH(BM_DragStart);
STEP_BENCH(BM_ResizeText);
STEP_BENCH(BM_ResizeShape);
BENCHMARK(BM_Add1000)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace

// QUILLMARK_WRITE_CARD=PATH:N writes the card of N elements the steps work on and ends, so
// that the same steps can be timed from outside the process (bench/outside-steps).
int main(int argc, char** argv)
{
    const QString target = qEnvironmentVariable("QUILLMARK_WRITE_CARD");
    if (!target.isEmpty()) {
        const qsizetype colon = target.lastIndexOf(':');
        QFile file(target.left(colon));
        return file.open(QIODevice::WriteOnly)
                       && file.write(crowdedCardFile(target.mid(colon + 1).toInt())) > 0
                   ? 0
                   : 1;
    }
    return runBenchmarks(argc, argv);
}
