#include "print/cardsnapshot.h"

#include "controls/cardelement.h"
#include "document/twips.h"

#include <QPainter>

#include <atomic>

CardSnapshot recordCard(const QWidget& canvas, const QColor& background)
{
    static std::atomic<quint64> generations{0};
    CardSnapshot snapshot;
    snapshot.pixelSize = canvas.size();
    snapshot.generation = ++generations;

    const QRect card(QPoint(0, 0), canvas.size());
    QPainter painter(&snapshot.picture);
    painter.setClipRect(card);
    painter.fillRect(card, background);
    // Children are listed in stacking order, the bottom one first.
    for (QObject* child : canvas.children()) {
        auto* element = qobject_cast<CardElement*>(child);
        if (!element || element->isHidden())
            continue;
        painter.save();
        // As the element's own paint event draws it: clipped to its box, in twips.
        painter.translate(element->pos());
        painter.setClipRect(QRect(QPoint(0, 0), element->size()), Qt::IntersectClip);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(1.0 / TwipsPerPixel, 1.0 / TwipsPerPixel);
        element->paintTwips(painter);
        painter.restore();
    }
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
