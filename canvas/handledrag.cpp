#include "canvas/handledrag.h"

#include "canvas/cardcanvas.h"
#include "controls/cardelement.h"
#include "document/twips.h"

#include <QMouseEvent>
#include <QPainter>

HandleDrag::HandleDrag(CardCanvas* canvas, QWidget* window)
    : QWidget(window)
    , m_canvas(canvas)
{
    setObjectName("handleDragOutline");
    setMouseTracking(true);
    hide();
}

void HandleDrag::begin(int handle, QSize outlineSize, QPoint grabOffset, QPoint windowPos)
{
    m_handle = handle;
    m_grabOffset = grabOffset;
    m_over = {};
    resize(outlineSize.expandedTo({3, 3}));
    // Only the dotted frame is drawn: the pixels inside are the card's, and following the
    // pointer must not repaint them.
    const QRegion frame(rect());
    setMask(frame.subtracted(QRegion(rect().adjusted(1, 1, -1, -1))));
    follow(windowPos);
    show();
    raise();
    grabMouse();
}

void HandleDrag::follow(QPoint windowPos) { move(windowPos - m_grabOffset); }

HandleDrag::Target HandleDrag::targetAt(QPoint windowPos) const
{
    Target target;
    const QPoint onCanvas = m_canvas->mapFrom(parentWidget(), windowPos);
    if (!m_canvas->rect().contains(onCanvas))
        return target;
    target.onCanvas = true;
    // Hidden children and the transparent parts of masked ones are passed over.
    for (QWidget* child = m_canvas->childAt(onCanvas); child; child = child->parentWidget()) {
        if (auto* element = qobject_cast<CardElement*>(child)) {
            target.element = element;
            break;
        }
        if (child == m_canvas)
            break;
    }
    return target;
}

QPointF HandleDrag::localTwips(const Target& target, QPoint windowPos) const
{
    // Element positions come from the element's own twips, not its rounded pixel box.
    QPointF at = QPointF(m_canvas->mapFrom(parentWidget(), windowPos)) * TwipsPerPixel;
    if (target.element)
        at -= QPointF(target.element->Left(), target.element->Top());
    return at;
}

void HandleDrag::report(const Target& target, QPoint windowPos, int state)
{
    if (!target.onCanvas)
        return;
    const QPointF local = localTwips(target, windowPos);
    emit DragOver(target.element, m_handle, float(local.x()), float(local.y()), state);
}

void HandleDrag::mouseMoveEvent(QMouseEvent* event)
{
    if (!active())
        return;
    const QPoint windowPos = mapToParent(event->position().toPoint());
    follow(windowPos);
    const Target now = targetAt(windowPos);
    if (now == m_over) {
        report(now, windowPos, Over);
        return;
    }
    // Leaving is reported with the pointer's new position, as every drag-over resizes.
    report(m_over, windowPos, Leave);
    m_over = now;
    report(now, windowPos, Enter);
}

void HandleDrag::mouseReleaseEvent(QMouseEvent* event)
{
    if (!active())
        return;
    const QPoint windowPos = mapToParent(event->position().toPoint());
    const Target target = targetAt(windowPos);
    const int handle = m_handle;
    end();
    if (!target.onCanvas)
        return;
    const QPointF local = localTwips(target, windowPos);
    emit DragDrop(target.element, handle, float(local.x()), float(local.y()));
}

void HandleDrag::end()
{
    releaseMouse();
    hide();
    m_handle = -1;
    m_over = {};
}

void HandleDrag::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
