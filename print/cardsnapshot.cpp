#include "print/cardsnapshot.h"

#include "document/twips.h"
#include "render/cardpainter.h"

#include <QPainter>

#include <atomic>

CardSnapshot recordCard(const CardDesign& design)
{
    static std::atomic<quint64> generations{0};
    CardSnapshot snapshot;
    snapshot.design = design.showing(CardSide::Front);
    snapshot.pixelSize = QSizeF(design.widthPixels, design.heightPixels);
    snapshot.generation = ++generations;
    return snapshot;
}

void drawCard(QPainter& painter, const CardSnapshot& snapshot, const QRectF& target)
{
    if (snapshot.isEmpty() || target.isEmpty())
        return;
    const QSizeF twips = snapshot.pixelSize * TwipsPerPixel;
    painter.save();
    // On paper the card cuts what reaches past it itself, and only when something does.
    if (cardpainter::drawsOnPixels(painter))
        painter.setClipRect(target, Qt::IntersectClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / twips.width(), target.height() / twips.height());
    if (snapshot.mirrored & Qt::Horizontal) {
        painter.translate(twips.width(), 0);
        painter.scale(-1, 1);
    }
    if (snapshot.mirrored & Qt::Vertical) {
        painter.translate(0, twips.height());
        painter.scale(1, -1);
    }
    cardpainter::paintCard(painter, snapshot.design);
    painter.restore();
}

QSizeF cardSizeTwips(const CardDesign& design)
{
    return {design.widthPixels * TwipsPerPixel, design.heightPixels * TwipsPerPixel};
}
