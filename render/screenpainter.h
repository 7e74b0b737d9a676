#pragma once

#include "document/carddesign.h"

#include <QRegion>

class QPainter;

// The card on screen, where a change repaints a small part of a crowded card: each element is
// drawn only where something of it can show, so that what lies beneath an opaque element is
// never painted. The painter is in the screen's pixels, 15 twips each, card origin at 0, 0.
namespace screenpainter {

// The whole pixels an element surely covers with its own opaque paint: a text item's box
// painted in its colour, or the inside of a filled shape, less any pixel its edge only
// partly covers. Empty for the others.
QRect opaquePixels(const CardItem& item);

// Paints the card's background and, within `exposed` (pixels), its elements, all but
// `leftOut` when one is given.
void paintVisible(QPainter& painter, const CardDesign& design, const QRegion& exposed,
                  const CardItem* leftOut = nullptr);
// Paints one element, which lies above all others, within `exposed` (pixels) over what the
// painter's device already shows of the card beneath it.
void paintOnTop(QPainter& painter, const CardDesign& design, const CardItem& item,
                const QRect& exposed);

} // namespace screenpainter
