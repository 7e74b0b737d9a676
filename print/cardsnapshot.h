#pragma once

#include "document/carddesign.h"

#include <QSizeF>

class QPainter;
class QRectF;

// The card as it was when printing took it: a copy of the design, drawn at each device's own
// resolution, so that text stays text and pictures keep their source pixels.
struct CardSnapshot {
    CardDesign design;
    QSizeF pixelSize;       // the card's size when taken
    quint64 generation = 0; // changes with every snapshot, so composed pages can be kept
    // A back sheet is painted through a mirror, so that each card lands behind its front;
    // its cards are mirrored again along these axes within their boxes, and read right.
    Qt::Orientations mirrored;

    bool isEmpty() const { return pixelSize.isEmpty(); }
};

// Takes a copy of the design as it stands, its front shown: printing starts from the front
// whichever side is being edited.
CardSnapshot recordCard(const CardDesign& design);
// The card's size in twips, as the sheet lays it out.
QSizeF cardSizeTwips(const CardDesign& design);

// Draws the snapshot stretched onto `target`, given in the painter's logical units.
void drawCard(QPainter& painter, const CardSnapshot& snapshot, const QRectF& target);
