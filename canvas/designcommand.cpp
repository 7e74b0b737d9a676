#include "canvas/designcommand.h"

#include "canvas/cardeditor.h"

DesignCommand::DesignCommand(CardEditor& editor, const QString& text, CardDesign before,
                             CardDesign after, EditMerge merge)
    : QUndoCommand(text)
    , m_editor(editor)
    , m_before(std::move(before))
    , m_after(std::move(after))
    , m_merge(merge)
{
}

bool DesignCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = static_cast<const DesignCommand*>(other);
    if (next->m_merge.burst != m_merge.burst)
        return false;
    m_after = next->m_after;
    return true;
}

void DesignCommand::undo() { m_editor.restoreDesign(m_before); }

void DesignCommand::redo()
{
    if (m_done) {
        m_done = false;
        return;
    }
    m_editor.restoreDesign(m_after);
}
