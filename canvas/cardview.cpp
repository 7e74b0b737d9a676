#include "canvas/cardview.h"

#include "canvas/cardeditor.h"
#include "controls/inputcodes.h"
#include "document/twips.h"
#include "render/cardpainter.h"
#include "render/screenpainter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>
#include <vector>

namespace {
// The offset of a text item's front or back copy for its 3-D edge, in twips.
constexpr qreal CopyOffset = 20;

// The part of a text item under a point (its own twips): the front copy, then the back copy,
// as each lies within the box. Positions are reported from the origin of the part hit.
QPointF textPartOrigin(const CardItem& item, QPointF local)
{
    const QPointF front = item.text.font3D == 1 ? QPointF(CopyOffset, CopyOffset) : QPointF();
    const QPointF back = item.text.font3D == 2 ? QPointF(CopyOffset, CopyOffset) : QPointF();
    const QRectF surface(0, 0, item.width, item.height);
    for (const QPointF& origin : {front, back})
        if (QRectF(origin, surface.size()).intersected(surface).contains(local))
            return origin;
    return {};
}

QRect handlePixels(const CardEditor& editor, int handle)
{
    const QPointF at = editor.handlePosition(handle);
    return twipsToPixelRect(float(at.x()), float(at.y()), CardEditor::HandleTwips,
                            CardEditor::HandleTwips);
}
} // namespace

CardView::CardView(CardEditor& editor, QWidget* parent)
    : QWidget(parent)
    , m_editor(editor)
{
    setMouseTracking(true);
    // The card's colour fills every repaint, so the window beneath is never painted with it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The keys edit the card; a dotted frame shows when they reach it.
    setFocusPolicy(Qt::StrongFocus);
    syncSize();
}

QPointF CardView::toPixels(QPointF twips) { return twips / TwipsPerPixel; }
QPointF CardView::toTwips(QPointF pixels) { return pixels * TwipsPerPixel; }

void CardView::syncSize()
{
    const CardDesign& design = m_editor.design();
    resize(qMax(0, qRound(design.widthPixels)), qMax(0, qRound(design.heightPixels)));
}

QRect CardView::reachPixels(const QRectF& box) const
{
    // A pixel more each way holds an edge that falls inside a pixel.
    const QRectF pixels(toPixels(box.topLeft()), box.size() / TwipsPerPixel);
    return pixels.toAlignedRect().adjusted(-1, -1, 1, 1).intersected(rect());
}

void CardView::updateTwips(const QRectF& box)
{
    const QRect touched = reachPixels(box);
    m_underStale += touched;
    update(touched);
}

void CardView::updateElement(quint64 serial, const QRectF& box)
{
    const QRect touched = reachPixels(box);
    // The elements drawn over the kept pixels are drawn afresh at every repaint anyway.
    if (!m_over.contains(serial))
        m_underStale += touched;
    update(touched);
}

void CardView::updateElements(const QList<CardItem>& items)
{
    // A region of many rectangles costs more to build and clip to than it saves: past a few,
    // their bounds are repainted.
    constexpr qsizetype MaxRects = 32;
    if (items.size() <= MaxRects) {
        for (const CardItem& item : items)
            updateElement(item.serial, item.box());
        return;
    }
    QRect bounds;
    for (const CardItem& item : items)
        bounds |= reachPixels(item.box());
    m_underStale += bounds;
    update(bounds);
}

void CardView::updateCard()
{
    m_over.clear();
    m_splitFor = {};
    m_underStale = rect();
    update();
}

void CardView::updateHandle(int handle)
{
    // At a fractional scale factor a handle's edge pixels show what lies beneath it.
    const int margin = wholeScale() ? 0 : 1;
    update(handlePixels(m_editor, handle)
               .adjusted(-margin, -margin, margin, margin)
               .intersected(rect()));
}

bool CardView::wholeScale() const { return devicePixelRatioF() == std::floor(devicePixelRatioF()); }

// ---- Hits ------------------------------------------------------------------------------

std::optional<CardHit> CardView::elementAt(QPointF pointTwips) const
{
    const QList<CardItem>& items = m_editor.design().items();
    for (qsizetype i = items.size() - 1; i >= 0; --i) {
        const CardItem& item = items.at(i);
        if (!item.visible || !cardpainter::hits(item, pointTwips))
            continue;
        CardHit hit{item.kind, item.index, {}};
        if (item.kind == ElementKind::Text)
            hit.partOrigin = textPartOrigin(item, pointTwips - QPointF(item.left, item.top));
        return hit;
    }
    return std::nullopt;
}

int CardView::handleAt(QPointF pointTwips) const
{
    if (!m_editor.handlesShown())
        return -1;
    // Later handles lie above earlier ones.
    const QPoint pixel = toPixels(pointTwips).toPoint();
    for (int i = m_editor.handleCount() - 1; i >= 0; --i)
        if (handlePixels(m_editor, i).contains(pixel))
            return i;
    return -1;
}

// ---- Painting --------------------------------------------------------------------------

void CardView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    paintCard(painter, event->region());

    if (m_editor.handlesShown()) {
        // At a fractional scale factor a handle's pixel edges fall between device pixels, and
        // an antialiased square would draw two-toned: it fills the whole device pixels inside.
        const QTransform toDevice = painter.deviceTransform();
        const QTransform fromDevice = toDevice.inverted();
        for (int i = 0; i < m_editor.handleCount(); ++i) {
            const QRect pixels = handlePixels(m_editor, i);
            if (!pixels.intersects(exposed))
                continue;
            const QRectF device = toDevice.mapRect(QRectF(pixels));
            const QRectF whole(QPointF(std::ceil(device.left()), std::ceil(device.top())),
                               QPointF(std::floor(device.right()), std::floor(device.bottom())));
            painter.fillRect(fromDevice.mapRect(whole), Qt::black);
        }
    }

    if (dragging()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(outlineRect().adjusted(0, 0, -1, -1));
    }
    paintSelectionMarks(painter, exposed);
}

// The card is kept in two parts. The underlay, every element but the selected one and the
// few above it, is kept as pixels, so that what only moves over the card (a handle, the band,
// the drag outline) uncovers pixels that are copied rather than drawn again from the crowd.
// The overlay, the selected element and those above it, is drawn over the copy at each
// repaint, so that moving or resizing the selected element never draws the crowd beneath
// it either. Kept at a whole scale factor, where the view's pixels lie on whole device
// pixels, and up to a size.
bool CardView::keepsCard() const
{
    constexpr qint64 MaxKeptPixels = 16'000'000;
    const qint64 side = qint64(devicePixelRatioF());
    return wholeScale() && qint64(width()) * height() * side * side <= MaxKeptPixels;
}

void CardView::paintCard(QPainter& painter, const QRegion& exposed)
{
    const CardDesign& design = m_editor.design();
    if (!keepsCard()) {
        m_under = QImage();
        m_over.clear();
        // Where a handle lies, at a whole scale factor, it hides the card entirely.
        QRegion card = exposed;
        if (m_editor.handlesShown() && wholeScale())
            for (int i = 0; i < m_editor.handleCount(); ++i)
                card -= handlePixels(m_editor, i);
        screenpainter::paintVisible(painter, design, card);
        return;
    }
    const int ratio = int(devicePixelRatioF());
    if (m_under.size() != size() * ratio || m_under.devicePixelRatio() != ratio) {
        m_under = QImage(size() * ratio, QImage::Format_RGB32);
        m_under.setDevicePixelRatio(ratio);
        m_underStale = rect();
    }
    keepOverlayOnTop();
    refreshUnderlay();
    for (const QRect& pixels : exposed)
        painter.drawImage(pixels, m_under, QRect(pixels.topLeft() * ratio, pixels.size() * ratio));
    if (!m_over.isEmpty())
        screenpainter::paintOver(painter, design, exposed, design.items().size() - m_over.size());
    if (!m_splitPending && (m_editor.selection() != m_splitFor || selectedCameToFront())) {
        // Moving the split draws the crowd under the elements that change sides: done when
        // the events of the moment are over, not within the press that selected.
        m_splitPending = true;
        QTimer::singleShot(0, this, &CardView::moveSplit);
    }
}

void CardView::refreshUnderlay()
{
    if (m_underStale.isEmpty() || m_under.isNull())
        return;
    QPainter kept(&m_under);
    // As a window's own painting is held to what it repaints.
    kept.setClipRegion(m_underStale);
    const CardDesign& design = m_editor.design();
    screenpainter::paintVisible(kept, design, m_underStale, design.items().size() - m_over.size());
    m_underStale = QRegion();
}

// The overlay is drawn over the underlay, so it must be the top of the stacking order: an
// element put above it (added, or brought to the front) sends it back into the underlay.
void CardView::keepOverlayOnTop()
{
    if (m_over.isEmpty())
        return;
    const QList<CardItem>& items = m_editor.design().items();
    // Serials are unique within a design, so the top block holds the whole overlay or not.
    QSet<quint64> top;
    for (qsizetype i = items.size() - 1; i >= 0 && m_over.contains(items.at(i).serial); --i)
        top.insert(items.at(i).serial);
    if (top.size() == m_over.size())
        return;
    for (const CardItem& item : items)
        if (m_over.contains(item.serial) && !top.contains(item.serial) && item.visible)
            m_underStale += reachPixels(item.box());
    m_over.clear();
    m_splitFor = {};
    for (const CardItem& item : items)
        if (top.contains(item.serial) && item.visible)
            m_underStale += reachPixels(item.box());
}

// The selected element came to the front since the overlay was chosen for it, which then
// need hold nothing else.
bool CardView::selectedCameToFront() const
{
    const QList<CardItem>& items = m_editor.design().items();
    const Selection selected = m_editor.selection();
    return !items.isEmpty() && items.constLast().kind == selected.kind
           && items.constLast().index == selected.index
           && !(m_over.size() == 1 && m_over.contains(items.constLast().serial));
}

// The selected element and the elements above it, when they are few.
QSet<quint64> CardView::wantedOverlay() const
{
    constexpr qsizetype MaxOver = 16;
    const Selection selected = m_editor.selection();
    if (selected.isEmpty() || m_editor.selectedElements().size() > 1)
        return {};
    const CardDesign& design = m_editor.design();
    const qsizetype position = design.find(selected.kind, selected.index);
    const QList<CardItem>& items = design.items();
    if (position < 0 || items.size() - position > MaxOver)
        return {};
    QSet<quint64> over;
    for (qsizetype i = position; i < items.size(); ++i)
        over.insert(items.at(i).serial);
    return over;
}

void CardView::moveSplit()
{
    m_splitPending = false;
    if (m_under.isNull() || !keepsCard())
        return;
    keepOverlayOnTop();
    m_splitFor = m_editor.selection();
    const QSet<quint64> wanted = wantedOverlay();
    if (wanted == m_over)
        return;
    // What the screen shows stays as it is; only the kept pixels change sides.
    for (const CardItem& item : m_editor.design().items())
        if (item.visible && m_over.contains(item.serial) != wanted.contains(item.serial))
            m_underStale += reachPixels(item.box());
    m_over = wanted;
    refreshUnderlay();
}

namespace {
// A dotted outline of `r` as a one-pixel pen draws it, set into `layer` (`ratio` device pixels
// to a pixel): every third pixel along its edge, clockwise from the top left corner.
void setDots(QImage& layer, int ratio, const QRect& r, QRgb color)
{
    const int left = r.left(), top = r.top();
    const int right = left + r.width(), bottom = top + r.height();
    const int width = layer.width() / ratio, height = layer.height() / ratio;
    // Written straight into the pixels: scanLine() would check for sharing at every dot.
    uchar* const bits = layer.bits();
    const qsizetype stride = layer.bytesPerLine();
    const auto set = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        for (int dy = 0; dy < ratio; ++dy) {
            auto* line = reinterpret_cast<QRgb*>(bits + (y * ratio + dy) * stride) + x * ratio;
            for (int dx = 0; dx < ratio; ++dx)
                line[dx] = color;
        }
    };
    // Each edge starts where the one before ended, and takes the next dot.
    const auto first = [](int walked) { return (3 - walked % 3) % 3; };
    const int across = right - left, down = bottom - top;
    for (int i = first(0); i < across; i += 3)
        set(left + i, top);
    for (int i = first(across); i < down; i += 3)
        set(right, top + i);
    for (int i = first(across + down); i < across; i += 3)
        set(right - i, bottom);
    for (int i = first(2 * across + down); i < down; i += 3)
        set(left, bottom - i);
}
} // namespace

// The other members of a selected set, the rubber band and the keyboard focus, in dots.
void CardView::paintSelectionMarks(QPainter& painter, const QRect& exposed)
{
    painter.setBrush(Qt::NoBrush);
    const QList<Selection> selected = m_editor.selectedElements();
    if (selected.size() > 1) {
        const QSet<Selection> marked(selected.begin(), selected.end());
        // The dots are set as pixels of one layer: a dashed outline stroked for each member of
        // a selected crowd took most of its repaint.
        const int ratio = qMax(1, qRound(devicePixelRatioF()));
        QImage layer(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        const QRgb dark = QColor(Qt::darkGray).rgba();
        for (const CardItem& item : m_editor.design().items()) {
            const Selection element{item.kind, item.index};
            if (!item.visible || element == m_editor.selection() || !marked.contains(element))
                continue;
            const QRect box =
                QRectF(toPixels(item.box().topLeft()), item.box().size() / TwipsPerPixel)
                    .toAlignedRect();
            if (box.adjusted(-1, -1, 1, 1).intersects(exposed))
                setDots(layer, ratio, box.adjusted(-1, -1, 0, 0), dark);
        }
        layer.setDevicePixelRatio(ratio);
        painter.drawImage(exposed, layer, QRect(exposed.topLeft() * ratio, exposed.size() * ratio));
    }
    if (m_band) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(m_band->normalized().adjusted(0, 0, -1, -1));
    }
    if (hasFocus() && m_focusShown) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// ---- The mouse -------------------------------------------------------------------------

void CardView::mousePressEvent(QMouseEvent* event)
{
    if (dragging())
        return;
    const QPointF at = toTwips(event->position());
    const int button = mousecode::button(event->button());
    if (const int handle = handleAt(at); handle >= 0) {
        m_pressed.reset();
        m_grabOffset = event->position().toPoint() - handlePixels(m_editor, handle).topLeft();
        m_editor.handlePressed(handle);
        m_dragHandle = handle;
        m_dragOver = {};
        moveOutline(event->position());
        return;
    }
    m_pressed = elementAt(at);
    if (!m_pressed) {
        if (event->button() == Qt::LeftButton)
            m_band = QRect(event->position().toPoint(), QSize(0, 0));
        m_editor.cardPressed(button);
        return;
    }
    const CardHit hit = *m_pressed;
    const CardItem* item = m_editor.item(hit.kind, hit.index);
    const QPointF local = at - QPointF(item->left, item->top) - hit.partOrigin;
    if (event->button() == Qt::LeftButton
        && (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
        m_editor.toggleSelected(hit, float(local.x()), float(local.y()));
    else
        m_editor.elementPressed(hit, button, float(local.x()), float(local.y()));
}

void CardView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_band) {
        update(m_band->normalized());
        m_band->setBottomRight(event->position().toPoint());
        update(m_band->normalized());
    }
    if (dragging()) {
        m_editor.setResizeKeepsAspect(event->modifiers() & Qt::ShiftModifier);
        const QPointF pixels = event->position();
        moveOutline(pixels);
        const DragTarget now = dragTargetAt(pixels);
        if (now == m_dragOver) {
            reportDrag(now, pixels);
            return;
        }
        // Leaving is reported with the pointer's new position, as every drag-over resizes.
        reportDrag(m_dragOver, pixels);
        m_dragOver = now;
        reportDrag(now, pixels);
        return;
    }
    // An element that took the press keeps the pointer, and does not change its shape.
    if (event->buttons() != Qt::NoButton && m_pressed)
        return;
    const QPointF at = toTwips(event->position());
    if (event->buttons() == Qt::NoButton) {
        if (const int handle = handleAt(at); handle >= 0) {
            m_editor.handleHovered(handle);
            return;
        }
        if (elementAt(at))
            return;
    }
    m_editor.cardHovered();
}

void CardView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_band) {
        const QRect band = m_band->normalized();
        m_band.reset();
        update(band);
        // A click on the empty card is no band: it changes nothing.
        if (band.width() > 2 || band.height() > 2)
            m_editor.selectTouching(
                QRectF(toTwips(band.topLeft()), QSizeF(band.size()) * TwipsPerPixel),
                event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
        return;
    }
    if (dragging()) {
        const DragTarget target = dragTargetAt(event->position());
        endDrag();
        if (target.onCard)
            m_editor.dropped(target.element);
        return;
    }
    if (!m_pressed)
        return;
    const CardHit hit = *m_pressed;
    m_pressed.reset();
    // An element removed by its pop-up menu hears nothing more.
    const CardItem* item = m_editor.item(hit.kind, hit.index);
    if (!item)
        return;
    const QPointF local =
        toTwips(event->position()) - QPointF(item->left, item->top) - hit.partOrigin;
    m_editor.elementReleased(hit, float(local.x()), float(local.y()));
}

void CardView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click is not a new press: the first one already selected
    // the element, and its release moves by the travel since that first press.
    if (dragging())
        return;
    const std::optional<CardHit> hit = elementAt(toTwips(event->position()));
    if (!hit)
        return;
    if (!m_pressed || m_pressed->kind != hit->kind || m_pressed->index != hit->index)
        m_pressed = hit;
    m_editor.elementDoubleClicked(*hit);
}

// ---- The keyboard ----------------------------------------------------------------------

bool CardView::event(QEvent* event)
{
    // Tab walks the elements while the card has the focus; Ctrl+Tab moves the focus on.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            const bool backwards =
                key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            // Past the last element (or before the first) the focus moves on as well, so that
            // Tab still walks the whole window round.
            if ((key->modifiers() & Qt::ControlModifier) || !m_editor.selectNext(!backwards)) {
                focusNextPrevChild(!backwards);
                return true;
            }
            showFocusFrame();
            return true;
        }
    }
    // The card may use the desktop's colours.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        updateCard();
    return QWidget::event(event);
}

void CardView::keyPressEvent(QKeyEvent* event)
{
    // One pixel a press, ten with Shift.
    const float step =
        (event->modifiers() & Qt::ShiftModifier) ? 10 * TwipsPerPixel : TwipsPerPixel;
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace: m_editor.deleteSelected(); break;
    case Qt::Key_Left: m_editor.nudgeSelected(-step, 0, event->isAutoRepeat()); break;
    case Qt::Key_Right: m_editor.nudgeSelected(step, 0, event->isAutoRepeat()); break;
    case Qt::Key_Up: m_editor.nudgeSelected(0, -step, event->isAutoRepeat()); break;
    case Qt::Key_Down: m_editor.nudgeSelected(0, step, event->isAutoRepeat()); break;
    case Qt::Key_Escape: m_editor.clearSelection(); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: m_editor.openSelected(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    showFocusFrame();
    event->accept();
}

void CardView::showFocusFrame()
{
    if (m_focusShown)
        return;
    m_focusShown = true;
    update();
}

// The frame shows the keys' focus: it comes with focus from the keyboard, or with the first
// key on the card, and not with a click alone, which shows where it went already.
void CardView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
        || reason == Qt::ShortcutFocusReason)
        showFocusFrame();
}

void CardView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    m_focusShown = false;
    update();
}

// ---- Dragging a handle -----------------------------------------------------------------

CardView::DragTarget CardView::dragTargetAt(QPointF pixels) const
{
    DragTarget target;
    const QPoint pixel = pixels.toPoint();
    if (!rect().contains(pixel))
        return target;
    target.onCard = true;
    target.element = elementAt(toTwips(QPointF(pixel)));
    return target;
}

QPointF CardView::localTwips(const DragTarget& target, QPointF pixels) const
{
    // Element positions come from the element's own twips, not a rounded pixel box.
    QPointF at = toTwips(QPointF(pixels.toPoint()));
    if (target.element)
        if (const CardItem* item = m_editor.item(target.element->kind, target.element->index))
            at -= QPointF(item->left, item->top);
    return at;
}

void CardView::reportDrag(const DragTarget& target, QPointF pixels)
{
    if (!target.onCard)
        return;
    const QPointF local = localTwips(target, pixels);
    m_editor.dragOver(target.element, m_dragHandle, float(local.x()), float(local.y()));
}

QRect CardView::outlineRect() const
{
    const QSize size = twipsToPixelRect(0, 0, CardEditor::HandleTwips, CardEditor::HandleTwips)
                           .size()
                           .expandedTo({3, 3});
    return QRect((m_dragAt - m_grabOffset).toPoint(), size);
}

void CardView::moveOutline(QPointF pixels)
{
    update(outlineRect());
    m_dragAt = pixels;
    update(outlineRect());
}

void CardView::endDrag()
{
    update(outlineRect());
    m_dragHandle = -1;
    m_dragOver = {};
}
