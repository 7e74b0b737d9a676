#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

class CardEditor;

// Lining elements up: what each command does to the boxes of a selection (twips), as pure
// rules, and the command itself over the editor's selection, one undo step each.
namespace arrange {

enum class Command {
    AlignLeft,
    AlignHorizontalCentres,
    AlignRight,
    AlignTop,
    AlignVerticalCentres,
    AlignBottom,
    DistributeHorizontally,
    DistributeVertically,
    CentreOnCardHorizontally,
    CentreOnCardVertically,
};

// The new top-left corner of each box, in the order given. Aligning takes the selection's
// outermost edge (or the middle of its bounds); distributing leaves the first and last box
// in place and makes the gaps between neighbours equal, and needs three boxes; centring
// moves the boxes together so that their bounds are centred on the card.
QList<QPointF> arranged(Command command, const QList<QRectF>& boxes, QSizeF card);

// Runs a command on the selected elements, as one undo step named after it; nothing when it
// moves nothing.
void run(CardEditor& editor, Command command);

} // namespace arrange
