#include "canvas/designcommand.h"

#include "canvas/cardeditor.h"

#include <algorithm>

quint64 DesignCommand::newState()
{
    static quint64 last = 0;
    return ++last;
}

quint64 DesignCommand::stateOf(const CardEditor& editor)
{
    return editor.state() ? editor.state() : newState();
}

DesignCommand::DesignCommand(CardEditor& editor, const QString& text, const CardDesign& before,
                             const CardDesign& after, EditMerge merge)
    : QUndoCommand(text)
    , m_editor(editor)
    , m_merge(merge)
{
    take(before, after);
}

DesignCommand::DesignCommand(CardEditor& editor, const QString& text, const CardDesign& before,
                             const CardDesign& after, qsizetype position, QList<CardItem> beforeRun,
                             QList<CardItem> afterRun, EditMerge merge)
    : QUndoCommand(text)
    , m_editor(editor)
    , m_position(position)
    , m_before(std::move(beforeRun))
    , m_after(std::move(afterRun))
    , m_beforeCard(Card::of(before))
    , m_afterCard(Card::of(after))
    , m_merge(merge)
{
}

void DesignCommand::take(const CardDesign& before, const CardDesign& after)
{
    m_beforeCard = Card::of(before);
    m_afterCard = Card::of(after);
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
    m_raised = 0;
    // One element lifted from the bottom of the run to its top keeps just that element.
    const qsizetype run = m_before.size();
    if (run < 2 || m_after.size() != run)
        return;
    for (qsizetype i = 1; i < run; ++i)
        if (!(m_before.at(i) == m_after.at(i - 1)))
            return;
    m_raised = run;
    m_before = {m_before.constFirst()};
    m_after = {m_after.constLast()};
}

namespace {
CardDesign withCard(const CardDesign& from, float width, float height, qint32 color)
{
    CardDesign design = from;
    design.widthPixels = width;
    design.heightPixels = height;
    design.backColor = color;
    return design;
}

// The elements with `count` of them from `position` on replaced by `in`.
QList<CardItem> spliced(const QList<CardItem>& items, qsizetype position, qsizetype count,
                        const QList<CardItem>& in)
{
    // Every change is a step, so the run is always there; should it not be, nothing is broken.
    if (position + count > items.size())
        return items;
    QList<CardItem> changed;
    changed.reserve(items.size() - count + in.size());
    changed.append(items.mid(0, position));
    changed.append(in);
    changed.append(items.mid(position + count));
    return changed;
}
} // namespace

CardDesign DesignCommand::side(Side to, const CardDesign& shown) const
{
    const bool toBefore = to == Side::Before;
    const Card& card = toBefore ? m_beforeCard : m_afterCard;
    const Card& other = toBefore ? m_afterCard : m_beforeCard;
    const QList<CardItem>& leaving = toBefore ? m_after : m_before;
    const QList<CardItem>& arriving = toBefore ? m_before : m_after;
    // The elements change on the side of the card the step changed, which is then shown.
    const CardDesign from = shown.showing(other.side);
    CardDesign design = from;
    if (m_raised > 0 && m_position + m_raised <= from.items().size()) {
        // The raised element moves between its place and the top of the run.
        const qsizetype top = m_position + m_raised - 1;
        QList<CardItem> items = from.items();
        items.removeAt(toBefore ? top : m_position);
        items.insert(toBefore ? m_position : top, arriving.constFirst());
        design.items() = std::move(items);
    } else if (m_raised == 0 && (!m_before.isEmpty() || !m_after.isEmpty())) {
        design.items() = spliced(from.items(), m_position, leaving.size(), arriving);
    }
    design.show(card.side);
    return withCard(design, card.widthPixels, card.heightPixels, card.backColor);
}

bool DesignCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = static_cast<const DesignCommand*>(other);
    if (next->m_merge.burst != m_merge.burst)
        return false;
    // The steps of a burst mostly change the same run again (a handle dragged, an element
    // nudged): the far side of the later one is kept, without walking the whole card.
    if (next->m_beforeCard.side != m_afterCard.side)
        return false;
    if (m_raised == 0 && next->m_raised == 0 && next->m_position == m_position
        && next->m_before == m_after) {
        m_after = next->m_after;
        m_afterCard = next->m_afterCard;
        m_afterState = next->m_afterState;
        return true;
    }
    // The editor's design is the far side of `next`; walk back over both steps to this one's
    // near side, and keep the difference between the two ends.
    const CardDesign now = m_editor.design();
    take(side(Side::Before, next->side(Side::Before, now)), now);
    m_afterState = next->m_afterState;
    return true;
}

// Only the run's elements differ between the two sides (a raised element moves past the run
// it covers in its new box): they are what the view repaints.
QList<CardItem> DesignCommand::changed() const { return m_before + m_after; }

void DesignCommand::undo()
{
    const QList<CardItem> elements = changed();
    m_editor.restoreDesign(side(Side::Before, m_editor.design()), &elements, m_beforeState);
}

void DesignCommand::redo()
{
    if (m_done) {
        m_done = false;
        return;
    }
    const QList<CardItem> elements = changed();
    m_editor.restoreDesign(side(Side::After, m_editor.design()), &elements, m_afterState);
}
