#include "controls/activeshape.h"

#include <QPainter>

ActiveShape::ActiveShape(QWidget* parent)
    : CardElement(parent)
{
}

void ActiveShape::copyPropertiesFrom(const ActiveShape&) {}

void ActiveShape::paintTwips(QPainter& painter) const
{
    painter.fillRect(QRectF(120, 120, Width() - 200, Height() - 200), QColor(0xE0, 0xE0, 0xE0));
}
