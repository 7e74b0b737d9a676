#include "canvas/sizehandle.h"

#include <QPainter>

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
