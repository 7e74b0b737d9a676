// Editing a crowded card as a user does it: the window is shown and every press, move and
// release goes through the window system to the element under the pointer; each step is
// timed until its repaint has been flushed. Cards of 10, 100 and 1,000 elements.
#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "document/twips.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "benchmain.h"
#include "steps.h"

namespace {
// Lets every posted event run, the repaint and its flush among them.
void settle() { QCoreApplication::processEvents(); }

struct Card {
    QTemporaryDir programDir;
    MainWindow window{StartupOptions{programDir.filePath("qmark"), {}}};
    CardEditor& editor = window.editor();
    QWindow* handle = nullptr;
    TextElement* text = nullptr;   // 133 × 100 px, lying over the crowd
    ShapeElement* shape = nullptr; // 100 × 75 px, lying over the crowd

    explicit Card(int elements)
    {
        window.startUp();
        // A mix of kinds spread over the card, as a busy design would be.
        for (int i = 0; i < elements; ++i) {
            CardElement* element;
            if (i % 2) {
                editor.addText();
                element = editor.texts[editor.textCount];
            } else {
                editor.addShape();
                element = editor.shapes[editor.shapeCount];
            }
            element->moveTwips(float((i * 397) % 5000), float((i * 211) % 2800));
        }
        editor.addText();
        text = editor.texts[editor.textCount];
        text->setBox(1500, 600, 1995, 1500);
        editor.addShapeInFront();
        shape = editor.shapes[editor.shapeCount];
        shape->setBox(3300, 1200, 1500, 1125);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("the window was never shown");
        handle = window.windowHandle();
        settle();
    }

    QPoint at(const QWidget* widget, QPointF local) const
    {
        return widget->mapTo(&window, local.toPoint());
    }
    QPoint middleOf(const TextElement* item) const { return at(item, item->rect().center()); }
    QPoint middleOf(const ShapeElement* item) const
    {
        return at(item, item->drawnRect().center() / TwipsPerPixel);
    }
    QPoint corner() const
    {
        const SizeHandle* bottomRight = editor.handles[7];
        return at(bottomRight, bottomRight->rect().center());
    }
    void press(QPoint p) { QTest::mousePress(handle, Qt::LeftButton, {}, p), settle(); }
    void move(QPoint p) { QTest::mouseMove(handle, p), settle(); }
    void release(QPoint p) { QTest::mouseRelease(handle, Qt::LeftButton, {}, p), settle(); }
    void click(QPoint p) { press(p), release(p); }
};

// A press that selects: the handles leave one element and appear around the other.
void BM_SelectPress(benchmark::State& state)
{
    Card card(int(state.range(0)));
    StepTimes steps;
    bool onText = false;
    for (auto _ : state) {
        onText = !onText;
        const QPoint p = onText ? card.middleOf(card.text) : card.middleOf(card.shape);
        steps.time(state, [&] { card.press(p); });
        card.release(p);
    }
    steps.report(state);
}

// The release that ends a drag of the text item: it moves, comes to the front, and the
// handles are placed around it again.
void BM_ReleaseMove(benchmark::State& state)
{
    Card card(int(state.range(0)));
    StepTimes steps;
    int travel = 7;
    for (auto _ : state) {
        travel = -travel;
        const QPoint from = card.middleOf(card.text);
        const QPoint to = from + QPoint(travel, travel / 2);
        card.press(from);
        card.move(to);
        steps.time(state, [&] { card.release(to); });
    }
    steps.report(state);
}

// One step of dragging the bottom-right handle: the element takes the new size.
template <class Element>
void resizeSteps(benchmark::State& state, Card& card, Element* element)
{
    card.click(card.middleOf(element));
    const QPoint grip = card.corner();
    card.press(grip);
    card.move(grip + QPoint(-20, -10));
    const float before = element->Width();
    card.move(grip);
    if (element->Width() == before)
        state.SkipWithError("the drag does not resize the element");
    StepTimes steps;
    int i = 0;
    for (auto _ : state) {
        const int offset = (i++ % 40) - 20;
        steps.time(state, [&] { card.move(grip + QPoint(offset, offset / 2)); });
    }
    card.release(grip);
    steps.report(state);
}

void BM_ResizeText(benchmark::State& state)
{
    Card card(int(state.range(0)));
    resizeSteps(state, card, card.text);
}

void BM_ResizeShape(benchmark::State& state)
{
    Card card(int(state.range(0)));
    resizeSteps(state, card, card.shape);
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
    BENCHMARK(name)->Arg(10)->Arg(100)->Arg(1000)->Iterations(200)->UseManualTime()->Unit(         \
        benchmark::kMicrosecond)
STEP_BENCH(BM_SelectPress);
STEP_BENCH(BM_ReleaseMove);
STEP_BENCH(BM_ResizeText);
STEP_BENCH(BM_ResizeShape);
BENCHMARK(BM_Add1000)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
