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

// One change of the design, as the undo history holds it: the design before and after. Both
// are cheap copies sharing their element list with the editor's design until one of them
// changes, so a step costs one element list however the change was made.
class DesignCommand : public QUndoCommand {
public:
    DesignCommand(CardEditor& editor, const QString& text, CardDesign before, CardDesign after,
                  EditMerge merge);

    int id() const override { return m_merge.kind; }
    bool mergeWith(const QUndoCommand* other) override;
    void undo() override;
    void redo() override;

private:
    CardEditor& m_editor;
    CardDesign m_before;
    CardDesign m_after;
    EditMerge m_merge;
    // The change is already made when the command is pushed.
    bool m_done = true;
};
