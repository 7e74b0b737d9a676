#include "canvas/handlebox.h"

#include <QPainter>

HandleBox::HandleBox(QWidget* parent)
    : CardElement(parent)
{
    setBox(0, 0, Size, Size);
    setMouseTracking(true);
}

void HandleBox::paintTwips(QPainter& painter) const
{
    painter.fillRect(QRectF(0, 0, Width(), Height()), Qt::black);
}
