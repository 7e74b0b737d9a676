#include "controls/superlabel.h"

#include <QPainter>

SuperLabel::SuperLabel(QWidget* parent)
    : CardElement(parent)
{
}

void SuperLabel::copyPropertiesFrom(const SuperLabel& other) { m_caption = other.m_caption; }

void SuperLabel::setCaption(const QString& caption)
{
    m_caption = caption;
    update();
}

void SuperLabel::paintTwips(QPainter& painter) const
{
    painter.drawText(QRectF(0, 0, Width(), Height()), m_caption);
}
