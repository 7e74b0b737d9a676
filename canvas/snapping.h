#pragma once

#include <QList>
#include <QRectF>

#include <optional>

class CardDesign;
struct Selection;

// Where moves and resizes snap, in twips: the grid, and the smart guides (the card's edges and
// centre lines, and the edges and centres of the other elements).
namespace snapping {

// One grid step: 1 mm where the locale measures in metric, 1/16 inch elsewhere.
qreal gridTwips();
// The grid line nearest to a position.
qreal toGrid(qreal twips, qreal step);

// The lines of one axis that a moving edge or centre may snap to.
struct Lines {
    QList<qreal> across; // vertical lines, by x
    QList<qreal> down;   // horizontal lines, by y
};
// The card's edges and centre lines, and those of every visible element not being moved.
Lines guideLines(const CardDesign& design, const QList<Selection>& moving);

// The nearest line within `tolerance` of any of `moving` (positions on one axis): how far to
// move to reach it, and the line. Nothing when none is that close.
struct Snap {
    qreal offset = 0;
    qreal line = 0;
};
std::optional<Snap> nearest(const QList<qreal>& moving, const QList<qreal>& lines, qreal tolerance);

// A box's left, centre and right (or top, middle and bottom).
QList<qreal> acrossOf(const QRectF& box);
QList<qreal> downOf(const QRectF& box);

} // namespace snapping
