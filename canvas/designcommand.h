#pragma once

#include "document/carddesign.h"

#include <QUndoCommand>

class CardEditor;

// How an edit folds into the one before it: edits of one kind and one burst (a held arrow
// key, one handle drag, a run of typing in one field) become a single undo step.
struct EditMerge {
    enum Kind { None = -1, Nudge = 1, Resize, Typing };
    Kind kind = None;
    quint64 burst = 0;
};

// One change of the design, as the undo history holds it: the run of elements (in stacking
// order) that differs before and after, and the card's own size and colour on each side. A
// step costs what it changed, not the whole card. Undo and redo apply it to the editor's
// design, which is always the state on this step's far side but for the side shown: they show
// the side the step changed. The counters and serials are not
// taken back: an index once used stays used.
class DesignCommand : public QUndoCommand {
public:
    DesignCommand(CardEditor& editor, const QString& text, const CardDesign& before,
                  const CardDesign& after, EditMerge merge);
    // A change known to leave the stacking order alone: the run from `position` was `before`
    // and is `after`; the designs give the card's own fields on each side.
    DesignCommand(CardEditor& editor, const QString& text, const CardDesign& before,
                  const CardDesign& after, qsizetype position, QList<CardItem> beforeRun,
                  QList<CardItem> afterRun, EditMerge merge);

    int id() const override { return m_merge.kind; }
    // The name of the design this step leads to. Each design on either side of a step has a
    // name given to it alone (the near side takes the name the step before gave its far
    // side); undo and redo tell the view.
    quint64 afterState() const { return m_afterState; }
    bool mergeWith(const QUndoCommand* other) override;
    void undo() override;
    void redo() override;

private:
    // The card's own fields, which every step keeps on both sides: the side shown (whose
    // elements and colour the step changed) among them.
    struct Card {
        float widthPixels, heightPixels;
        qint32 backColor;
        CardSide side;
        static Card of(const CardDesign& design)
        {
            return {design.widthPixels, design.heightPixels, design.backColor, design.shownSide()};
        }
    };
    void take(const CardDesign& before, const CardDesign& after);
    // The design on one side of this step, from the design on its other side, whichever side
    // of the card that shows.
    enum class Side { Before, After };
    CardDesign side(Side to, const CardDesign& shown) const;
    QList<CardItem> changed() const;

    CardEditor& m_editor;
    qsizetype m_position = 0;
    // Above zero when the step took the element at m_position to the top of a run this long
    // (a text item brought to the front): the run in between is then not kept.
    qsizetype m_raised = 0;
    QList<CardItem> m_before;
    QList<CardItem> m_after;
    Card m_beforeCard{};
    Card m_afterCard{};
    EditMerge m_merge;
    // A name never given before; the editor's name for its design, when it has one.
    static quint64 newState();
    static quint64 stateOf(const CardEditor& editor);
    quint64 m_beforeState = stateOf(m_editor);
    quint64 m_afterState = newState();
    // The change is already made when the command is pushed.
    bool m_done = true;
};
