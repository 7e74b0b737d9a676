#include "controls/cardelement.h"

#include "document/twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace mousecode {
int button(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return Left;
    case Qt::RightButton: return Right;
    case Qt::MiddleButton: return Middle;
    default: return 0;
    }
}

int buttons(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? Left : 0) | (buttons & Qt::RightButton ? Right : 0)
           | (buttons & Qt::MiddleButton ? Middle : 0);
}

int shift(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}
} // namespace mousecode

CardElement::CardElement(QWidget* parent)
    : QWidget(parent)
{
    syncGeometry();
}

void CardElement::setLeft(float left)
{
    m_left = left;
    syncGeometry();
}

void CardElement::setTop(float top)
{
    m_top = top;
    syncGeometry();
}

bool CardElement::setWidth(float width)
{
    if (!(width >= 0))
        return false;
    if (width != m_width) {
        m_width = width;
        syncGeometry();
        sizeChangedTwips();
        update();
    }
    return true;
}

bool CardElement::setHeight(float height)
{
    if (!(height >= 0))
        return false;
    if (height != m_height) {
        m_height = height;
        syncGeometry();
        sizeChangedTwips();
        update();
    }
    return true;
}

void CardElement::moveTwips(float left, float top)
{
    m_left = left;
    m_top = top;
    syncGeometry();
}

void CardElement::setBox(float left, float top, float width, float height)
{
    moveTwips(left, top);
    setWidth(width);
    setHeight(height);
}

void CardElement::setToolTipText(const QString& text)
{
    m_toolTipText = text;
    setToolTip(text);
}

void CardElement::copyElementFrom(const CardElement& other)
{
    setBox(other.m_left, other.m_top, other.m_width, other.m_height);
    setToolTipText(other.m_toolTipText);
    setTag(other.m_tag);
}

void CardElement::syncGeometry()
{
    setGeometry(twipsToPixelRect(m_left, m_top, m_width, m_height));
}

QPointF CardElement::hitPartOrigin(QPointF) const { return {}; }

QPointF CardElement::eventTwips(const QMouseEvent* event) const
{
    return event->position() * TwipsPerPixel;
}

void CardElement::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(1.0 / TwipsPerPixel, 1.0 / TwipsPerPixel);
    paintTwips(painter);
}

void CardElement::mousePressEvent(QMouseEvent* event)
{
    const QPointF at = eventTwips(event);
    // The release is reported relative to the same part as the press, as the part that took
    // the press keeps the pointer until the button comes up.
    m_pressPart = hitPartOrigin(at);
    const QPointF local = at - m_pressPart;
    emit MouseDown(mousecode::button(event->button()), mousecode::shift(event->modifiers()),
                   float(local.x()), float(local.y()));
}

void CardElement::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = eventTwips(event);
    const QPointF local = at - (event->buttons() ? m_pressPart : hitPartOrigin(at));
    emit MouseMove(mousecode::buttons(event->buttons()), mousecode::shift(event->modifiers()),
                   float(local.x()), float(local.y()));
}

void CardElement::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF local = eventTwips(event) - m_pressPart;
    const bool inside = rect().contains(event->position().toPoint());
    emit MouseUp(mousecode::button(event->button()), mousecode::shift(event->modifiers()),
                 float(local.x()), float(local.y()));
    if (inside)
        emit Click();
}

void CardElement::mouseDoubleClickEvent(QMouseEvent*)
{
    // The second press of a double-click is not a new press: the first one already selected
    // the element, and its release moves by the travel since that first press.
    emit DblClick();
}
