#include "canvas/designcommand.h"

#include "canvas/cardeditor.h"

#include <algorithm>

DesignCommand::DesignCommand(CardEditor& editor, const QString& text, const CardDesign& before,
                             const CardDesign& after, EditMerge merge)
    : QUndoCommand(text)
    , m_editor(editor)
    , m_merge(merge)
{
    take(before, after);
}

void DesignCommand::take(const CardDesign& before, const CardDesign& after)
{
    m_beforeCard = {before.widthPixels, before.heightPixels, before.backColor};
    m_afterCard = {after.widthPixels, after.heightPixels, after.backColor};
    const QList<CardItem>& from = before.items();
    const QList<CardItem>& to = after.items();
    // What both sides share at the bottom and at the top of the stacking order is left out.
    const qsizetype shorter = std::min(from.size(), to.size());
    qsizetype prefix = 0;
    if (from.constData() == to.constData())
        prefix = shorter;
    while (prefix < shorter && from.at(prefix) == to.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix
           && from.at(from.size() - 1 - suffix) == to.at(to.size() - 1 - suffix))
        ++suffix;
    m_position = prefix;
    m_before = from.mid(prefix, from.size() - prefix - suffix);
    m_after = to.mid(prefix, to.size() - prefix - suffix);
}

CardDesign DesignCommand::swapped(const CardDesign& from, qsizetype position,
                                  const QList<CardItem>& out, const QList<CardItem>& in, Card card)
{
    CardDesign design = from;
    design.widthPixels = card.widthPixels;
    design.heightPixels = card.heightPixels;
    design.backColor = card.backColor;
    if (out.isEmpty() && in.isEmpty())
        return design;
    const QList<CardItem>& items = from.items();
    QList<CardItem> changed;
    changed.reserve(items.size() - out.size() + in.size());
    changed.append(items.mid(0, position));
    changed.append(in);
    changed.append(items.mid(position + out.size()));
    design.items() = std::move(changed);
    return design;
}

bool DesignCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = static_cast<const DesignCommand*>(other);
    if (next->m_merge.burst != m_merge.burst)
        return false;
    // The editor's design is the far side of `next`; walk back over both steps to this one's
    // near side, and keep the difference between the two ends.
    const CardDesign now = m_editor.design();
    const CardDesign between =
        swapped(now, next->m_position, next->m_after, next->m_before, next->m_beforeCard);
    take(swapped(between, m_position, m_after, m_before, m_beforeCard), now);
    return true;
}

void DesignCommand::undo()
{
    m_editor.restoreDesign(swapped(m_editor.design(), m_position, m_after, m_before, m_beforeCard));
}

void DesignCommand::redo()
{
    if (m_done) {
        m_done = false;
        return;
    }
    m_editor.restoreDesign(swapped(m_editor.design(), m_position, m_before, m_after, m_afterCard));
}
