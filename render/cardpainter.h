#pragma once

#include "document/carddesign.h"

#include <QRectF>
#include <QSizeF>

class QPainter;
class PictureStore;
namespace render {
class TextLayoutCache;
}

// The one painter: every element and every card is drawn through here, onto the screen, a
// preview, a printer or a PDF. The painter's coordinates are the card's twips, origin at the
// card's top-left corner; the caller sets the scale for its device.
namespace cardpainter {

// What drawing keeps between calls: decoded pictures and laid-out captions.
struct Caches {
    PictureStore* pictures = nullptr;           // null: the shared store
    render::TextLayoutCache* layouts = nullptr; // null: the shared cache
};

// One element, hidden or not, in its box; on a card of `cardTwips`, when given, of which no
// more is laid out than can show. On paper and in a PDF the pen, brush, font and render hints
// are left as the element set them, so that a card's elements need no saved state in between.
void paintItem(QPainter& painter, const CardItem& item, const Caches& caches = {},
               const QSizeF& cardTwips = {});

// The card's background and its visible elements bottom first. Only what meets `exposed`
// (twips; an empty rectangle means the whole card) is drawn.
void paintCard(QPainter& painter, const CardDesign& design, const QRectF& exposed = {},
               const Caches& caches = {});

// Whether the painter draws pixels (a screen, an image), where clips are cheap and round to
// the pixel grid, rather than vectors (a PDF, paper), where every clip is written out.
bool drawsOnPixels(const QPainter& painter);

// Lets go of the shared decoded pictures and laid-out captions, as a new process starts.
void clearSharedCaches();

// How many times a picture was scaled down to a screen copy, for measurements.
int screenCopiesScaled();

// Whether a point (twips, card origin) lies on what the element shows for the mouse: a
// shape only inside its outline, every other element in its box.
bool hits(const CardItem& item, QPointF pointTwips);

// A box (twips, card origin) that a filled shape surely paints over: inside its outline
// whatever its kind, and inside the element's box. Empty for an unfilled shape or another
// element.
QRectF filledCore(const CardItem& item);

} // namespace cardpainter
