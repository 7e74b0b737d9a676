#pragma once

#include "print/duplex.h"

#include <QList>
#include <QPointF>
#include <QSizeF>

#include <functional>

class QPainter;

// The duplex alignment page: one sheet printed on both sides. The front has crosses with long
// arms; the back has millimetre scales where those arms lie once the sheet is turned over.
// Held to the light, each arm crosses its scale at how far the back was printed off its front,
// the other way: the value read there is the back offset that puts the back in register.
namespace alignmentpage {

// The scales run from -ScaleRangeMm to +ScaleRangeMm, marked every half millimetre.
inline constexpr double ScaleRangeMm = 10;
// The across scale lies behind a cross's upright arm this far below its centre; the down
// scale behind its level arm this far to the right of it.
inline constexpr double ScaleDistanceMm = 20;

// Where the front's crosses are centred, in twips from the paper's top-left corner.
QList<QPointF> crosses(QSizeF paperTwips);

// Paints each side on paper of `paperTwips` (portrait); one twip is `unitsPerTwip` of the
// painter's units. The back is laid out for the sheet turned over as `sides` says.
void paintFront(QPainter& painter, QSizeF paperTwips, qreal unitsPerTwip);
void paintBack(QPainter& painter, QSizeF paperTwips, duplex::Sides sides, qreal unitsPerTwip);

// Prints the sheet on a queue without its present calibration, so that what the user reads is
// the printer's own shift: one two-sided job on a queue that takes one, else the front, then
// `turnStack` (false stops there), then the back.
PrintOutcome print(const QString& queue, QSizeF paperTwips, duplex::Sides sides,
                   const std::function<bool()>& turnStack);

} // namespace alignmentpage
