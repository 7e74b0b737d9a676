#include "controls/cardelement.h"

#include "document/twips.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

CardElement::CardElement(QWidget* parent)
    : QWidget(parent)
{
    syncGeometry();
}

void CardElement::setLeft(float left)
{
    if (std::isnan(left))
        return;
    m_left = boundedTwips(left);
    syncGeometry();
}

void CardElement::setTop(float top)
{
    if (std::isnan(top))
        return;
    m_top = boundedTwips(top);
    syncGeometry();
}

bool CardElement::setWidth(float width)
{
    if (!(width >= 0))
        return false;
    width = boundedTwips(width);
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
    height = boundedTwips(height);
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
    if (!std::isnan(left))
        m_left = boundedTwips(left);
    if (!std::isnan(top))
        m_top = boundedTwips(top);
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
    updateOpaque();
}

void CardElement::updateOpaque()
{
    // A box off the pixel grid leaves its edge pixels partly covered, blended with what lies
    // beneath, so only a box on whole pixels may hide what is under it.
    const auto onGrid = [](float twips) { return std::fmod(twips, TwipsPerPixel) == 0; };
    const bool opaque =
        coversBox() && onGrid(m_left) && onGrid(m_top) && onGrid(m_width) && onGrid(m_height);
    if (opaque != testAttribute(Qt::WA_OpaquePaintEvent))
        setAttribute(Qt::WA_OpaquePaintEvent, opaque);
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
    emit mousePressed(mousecode::button(event->button()), mousecode::shift(event->modifiers()),
                      float(local.x()), float(local.y()));
}

void CardElement::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = eventTwips(event);
    const QPointF local = at - (event->buttons() ? m_pressPart : hitPartOrigin(at));
    emit mouseMoved(mousecode::buttons(event->buttons()), mousecode::shift(event->modifiers()),
                    float(local.x()), float(local.y()));
}

void CardElement::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF local = eventTwips(event) - m_pressPart;
    const bool inside = rect().contains(event->position().toPoint());
    emit mouseReleased(mousecode::button(event->button()), mousecode::shift(event->modifiers()),
                       float(local.x()), float(local.y()));
    if (inside)
        emit clicked();
}

void CardElement::mouseDoubleClickEvent(QMouseEvent*)
{
    // The second press of a double-click is not a new press: the first one already selected
    // the element, and its release moves by the travel since that first press.
    emit doubleClicked();
}

void CardElement::keyPressEvent(QKeyEvent* event)
{
    emit keyDown(keycode::fromQt(event->key(), event->modifiers()),
                 mousecode::shift(event->modifiers()));
    const int typed = keycode::ascii(event->text());
    if (typed >= 0)
        emit keyPressed(typed);
}

void CardElement::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats its press only; it comes up once.
    if (event->isAutoRepeat())
        return;
    emit keyUp(keycode::fromQt(event->key(), event->modifiers()),
               mousecode::shift(event->modifiers()));
}
