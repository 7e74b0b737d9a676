#include "print/cardsnapshot.h"

#include "document/twips.h"
#include "render/cardpainter.h"

#include <QPainter>

#include <atomic>

CardSnapshot recordCard(const CardDesign& design)
{
    static std::atomic<quint64> generations{0};
    CardSnapshot snapshot;
    const QSize size(qMax(0, qRound(design.widthPixels)), qMax(0, qRound(design.heightPixels)));
    snapshot.pixelSize = size;
    snapshot.generation = ++generations;

    const QRect card(QPoint(0, 0), size);
    QPainter painter(&snapshot.picture);
    painter.setClipRect(card);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(1.0 / TwipsPerPixel, 1.0 / TwipsPerPixel);
    cardpainter::paintCard(painter, design);
    painter.end();
    snapshot.picture.setBoundingRect(card);
    return snapshot;
}

void drawCard(QPainter& painter, const CardSnapshot& snapshot, const QRectF& target)
{
    if (snapshot.isEmpty() || target.isEmpty())
        return;
    // drawPicture already carries the recording's 96 dpi to the device's resolution; what is
    // left is the stretch from the recorded size to the target, in the painter's units.
    const qreal deviceScale =
        painter.device()->logicalDpiX() / qreal(snapshot.picture.logicalDpiX());
    const qreal deviceScaleY =
        painter.device()->logicalDpiY() / qreal(snapshot.picture.logicalDpiY());
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / (snapshot.pixelSize.width() * deviceScale),
                  target.height() / (snapshot.pixelSize.height() * deviceScaleY));
    painter.drawPicture(0, 0, snapshot.picture);
    painter.restore();
}
