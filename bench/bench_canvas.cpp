// Editing on a crowded card: one resize step and one move, each with its repaint, and adding
// many elements.
#include "app/mainwindow.h"
#include "canvas/cardeditor.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include "benchmain.h"

namespace {
struct Card {
    QTemporaryDir programDir;
    MainWindow window{StartupOptions{programDir.filePath("qmark"), {}}};
    CardEditor& editor = window.editor();

    explicit Card(int elements)
    {
        window.startUp();
        window.show();
        // A mix of kinds spread over the card, as a busy design would be.
        for (int i = 0; i < elements; ++i) {
            if (i % 2)
                editor.addText();
            else
                editor.addShape();
        }
        int n = 0;
        const auto spread = [&n](CardElement* element) {
            element->moveTwips(float((n * 397) % 5000), float((n * 211) % 2800));
            ++n;
        };
        for (int i = 1; i <= editor.textCount; ++i)
            spread(editor.texts[i]);
        for (int i = 1; i <= editor.shapeCount; ++i)
            spread(editor.shapes[i]);
        editor.setSelection({ElementKind::Shape, 1});
        QCoreApplication::processEvents();
    }
};

// One drag step: the resize and the repaint of what it changed on screen, the element's old
// and new boxes with everything that lies there.
void BM_ResizeStep(benchmark::State& state)
{
    Card card(int(state.range(0)));
    CardElement* selected = card.editor.selectedElement();
    float x = 1500;
    for (auto _ : state) {
        x = x > 4000 ? 1500 : x + 15;
        const QRect before = selected->geometry();
        card.editor.resizeSelected(7, x, 2000);
        card.editor.canvas()->repaint(before.united(selected->geometry()));
    }
}
BENCHMARK(BM_ResizeStep)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The same step with the whole card repainted: an upper bound.
void BM_ResizeStepFullRepaint(benchmark::State& state)
{
    Card card(int(state.range(0)));
    float x = 1500;
    for (auto _ : state) {
        x = x > 4000 ? 1500 : x + 15;
        card.editor.resizeSelected(7, x, 2000);
        card.editor.canvas()->repaint();
    }
}
BENCHMARK(BM_ResizeStepFullRepaint)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_Move(benchmark::State& state)
{
    Card card(int(state.range(0)));
    ShapeElement* shape = card.editor.shapes[1];
    float step = 15;
    for (auto _ : state) {
        step = -step;
        const QRect before = shape->geometry();
        shape->setLeft(shape->Left() + step);
        shape->setTop(shape->Top() + step);
        card.editor.placeHandles(shape);
        card.editor.canvas()->repaint(before.united(shape->geometry()).adjusted(-6, -6, 6, 6));
    }
}
BENCHMARK(BM_Move)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_Add1000(benchmark::State& state)
{
    for (auto _ : state) {
        Card card(0);
        for (int i = 0; i < 1000; ++i)
            card.editor.addText();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_Add1000)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
