#include "canvas/cardcanvas.h"

#include "controls/cardelement.h"
#include "document/twips.h"
#include "document/vbcolor.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

CardCanvas::CardCanvas(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("Picture1");
    setMouseTracking(true);
    // The card's colour fills every repaint, so the window beneath is never painted with it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    syncGeometry();
}

// Sizes come from files and dialogs: NaN keeps the size, anything else is bounded.
void CardCanvas::setCardWidth(float pixels)
{
    if (std::isnan(pixels))
        return;
    m_width = boundedPixels(pixels);
    syncGeometry();
}

void CardCanvas::setCardHeight(float pixels)
{
    if (std::isnan(pixels))
        return;
    m_height = boundedPixels(pixels);
    syncGeometry();
}

void CardCanvas::setBackColor(qint32 color)
{
    m_backColor = color;
    update();
}

void CardCanvas::syncGeometry() { resize(qMax(0, qRound(m_width)), qMax(0, qRound(m_height))); }

void CardCanvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), vbcolor::toQColor(m_backColor));
}

void CardCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->position() * TwipsPerPixel;
    emit MouseMove(mousecode::buttons(event->buttons()), mousecode::shift(event->modifiers()),
                   float(at.x()), float(at.y()));
}
