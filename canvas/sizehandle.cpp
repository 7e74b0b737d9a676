#include "canvas/sizehandle.h"

#include <QPainter>

#include <cmath>

SizeHandle::SizeHandle(QWidget* parent)
    : CardElement(parent)
{
    setBox(0, 0, Size, Size);
    setMouseTracking(true);
}

void SizeHandle::paintTwips(QPainter& painter) const
{
    painter.fillRect(QRectF(0, 0, widthTwips(), heightTwips()), Qt::black);
}

// At a fractional scale factor a widget's pixel edges fall between device pixels, and an
// antialiased square would draw two-toned. The square fills the whole device pixels that lie
// inside the widget instead.
void SizeHandle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QTransform toDevice = painter.deviceTransform();
    const QRectF device = toDevice.mapRect(QRectF(rect()));
    const QPointF topLeft(std::ceil(device.left()), std::ceil(device.top()));
    const QPointF bottomRight(std::floor(device.right()), std::floor(device.bottom()));
    const QRectF whole(topLeft, bottomRight);
    painter.fillRect(toDevice.inverted().mapRect(whole), Qt::black);
}
