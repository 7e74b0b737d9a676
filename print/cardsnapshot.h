#pragma once

#include "document/carddesign.h"

#include <QColor>
#include <QPicture>
#include <QSizeF>

class QPainter;
class QRectF;

// The card as displayed, recorded as the elements' own painting rather than as screen pixels,
// so that a printer or PDF replays it at its own resolution. Coordinates are the canvas's
// pixels, at 15 twips a pixel.
struct CardSnapshot {
    QPicture picture;
    QSizeF pixelSize;       // the canvas's size when recorded
    quint64 generation = 0; // changes with every recording, so composed pages can be kept

    bool isEmpty() const { return pixelSize.isEmpty(); }
};

// Records the card's background and its visible elements, bottom first.
CardSnapshot recordCard(const CardDesign& design);

// Replays the snapshot stretched onto `target`, given in the painter's logical units, at the
// device's own resolution: text stays text and images keep their source pixels.
void drawCard(QPainter& painter, const CardSnapshot& snapshot, const QRectF& target);
