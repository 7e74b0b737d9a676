// The undo history on a big card, with the window shown: undo and redo of a move of 1,000
// selected elements, each timed (CPU) until its repaint has been flushed, and an undo that
// finds nothing of the card kept; and the memory an undo history of 1,000 moves takes.
#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "canvas/cardsides.h"
#include "document/carddesign.h"
#include "document/twips.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "benchmain.h"
#include "crowdedcard.h"
#include "steps.h"

namespace {
void settle() { QCoreApplication::processEvents(); }

using Card = ShownCard;

// The heap in use, in kilobytes.
double heapKilobytes() { return double(mallinfo2().uordblks) / 1024; }

// All 1,000 elements selected and moved by the mouse; then undo and redo in turn.
void BM_UndoRedoMoveOfAll(benchmark::State& state)
{
    Card card(998); // and the two over the crowd: 1,000 elements
    card.editor.selectAll();
    const CardItem* primary = card.editor.selectedItem();
    const CardHit hit{primary->kind, primary->index, {}};
    card.editor.elementPressed(hit, 1, 200, 200);
    card.editor.elementReleased(hit, 500, 350);
    settle();
    if (card.editor.undoStack()->undoText() != "Move")
        qFatal("the move was not one step");
    StepTimes undo, redo;
    std::vector<double> model;
    for (auto _ : state) {
        undo.time(state, [&] {
            const double start = cpuMilliseconds();
            card.editor.undoStack()->undo();
            model.push_back(cpuMilliseconds() - start);
            settle();
        });
        QTest::qWait(8);
        redo.time(state, [&] { card.editor.undoStack()->redo(), settle(); });
        QTest::qWait(8);
    }
    undo.report(state, "undo_");
    redo.report(state, "redo_");
    // The design's part alone, without the repaint.
    std::sort(model.begin(), model.end());
    state.counters["undo_model_median_ms"] = model.empty() ? 0 : model[model.size() / 2];
}

// The undo of a move of all 1,000 elements whose pixels the view does not keep: the move was
// the first step after the card's other side was shown, so the undo draws the crowd again.
void BM_UndoWithNothingKept(benchmark::State& state)
{
    Card card(998);
    QUndoStack& history = *card.editor.undoStack();
    StepTimes undo;
    float across = 350;
    for (auto _ : state) {
        for (const CardSide side : {CardSide::Back, CardSide::Front}) {
            cardsides::show(card.editor, side);
            settle();
        }
        card.editor.selectAll();
        const CardItem* primary = card.editor.selectedItem();
        const CardHit hit{primary->kind, primary->index, {}};
        card.editor.elementPressed(hit, 1, 200, 200);
        card.editor.elementReleased(hit, across += 15, 350);
        settle();
        QTest::qWait(8);
        undo.time(state, [&] { history.undo(), settle(); });
        QTest::qWait(8);
    }
    undo.report(state, "undo_");
}

// 1,000 moves of one element after another on a card of N elements: what the history holds.
void BM_HistoryOf1000Moves(benchmark::State& state)
{
    const int elements = int(state.range(0));
    for (auto _ : state) {
        Card card(elements);
        settle();
        const double before = heapKilobytes();
        for (int i = 0; i < 1000; ++i) {
            const int index = 1 + i % (elements / 2);
            const CardHit hit{ElementKind::Text, index, {}};
            card.editor.elementPressed(hit, 1, 100, 100);
            card.editor.elementReleased(hit, 115 + i % 7, 100);
        }
        settle();
        state.counters["history_kb"] = heapKilobytes() - before;
        state.counters["steps"] = card.editor.undoStack()->count();
    }
}

BENCHMARK(BM_UndoRedoMoveOfAll)->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoWithNothingKept)->Iterations(25)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryOf1000Moves)->Arg(20)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
