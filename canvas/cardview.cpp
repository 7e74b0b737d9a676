#include "canvas/cardview.h"

#include "canvas/cardeditor.h"
#include "canvas/snapping.h"
#include "controls/inputcodes.h"
#include "document/twips.h"
#include "prompt/platform.h"
#include "render/cardpainter.h"
#include "render/picturestore.h"
#include "render/screenpainter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>
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

QPointF CardView::toPixels(QPointF twips) const { return twips / TwipsPerPixel * m_zoom; }
QPointF CardView::toTwips(QPointF pixels) const { return pixels * TwipsPerPixel / m_zoom; }

QRect CardView::cardRect() const
{
    const CardDesign& design = m_editor.design();
    return QRect(0, 0, qMax(0, qRound(design.widthPixels)), qMax(0, qRound(design.heightPixels)));
}

QRect CardView::onWidget(const QRect& cardPixels) const
{
    if (m_zoom == 1)
        return cardPixels;
    return QRectF(QPointF(cardPixels.topLeft()) * m_zoom, QSizeF(cardPixels.size()) * m_zoom)
        .toAlignedRect();
}

QRegion CardView::onCard(const QRegion& widgetPixels) const
{
    if (m_zoom == 1)
        return widgetPixels;
    QRegion card;
    for (const QRect& rect : widgetPixels)
        card +=
            QRectF(QPointF(rect.topLeft()) / m_zoom, QSizeF(rect.size()) / m_zoom).toAlignedRect();
    return card;
}

qreal CardView::cardScale() const { return devicePixelRatioF() * m_zoom; }

void CardView::syncSize()
{
    const QRect card = cardRect();
    resize(qRound(card.width() * m_zoom), qRound(card.height() * m_zoom));
}

void CardView::setZoom(qreal zoom) { zoomAbout(zoom, QPointF(width(), height()) / 2); }

void CardView::zoomAbout(qreal zoom, QPointF pixels)
{
    zoom = std::clamp<qreal>(zoom, Zooms[0], std::end(Zooms)[-1]);
    if (zoom == m_zoom)
        return;
    const QPointF after = pixels / m_zoom * zoom;
    m_zoom = zoom;
    // The kept pixels are at the old zoom: all drawn again.
    m_under = QImage();
    syncSize();
    updateCard();
    emit zoomChanged(m_zoom, pixels, after);
}

// The next step from the zoom, in or out; the zoom itself past the last step.
qreal CardView::nextZoom(bool in) const
{
    if (in) {
        const auto* step = std::upper_bound(std::begin(Zooms), std::end(Zooms), m_zoom);
        return step == std::end(Zooms) ? m_zoom : *step;
    }
    const auto* step = std::lower_bound(std::begin(Zooms), std::end(Zooms), m_zoom);
    return step == std::begin(Zooms) ? m_zoom : *(step - 1);
}

void CardView::zoomIn() { setZoom(nextZoom(true)); }
void CardView::zoomOut() { setZoom(nextZoom(false)); }

void CardView::zoomToFit(QSize pixels)
{
    const QRect card = cardRect();
    if (card.isEmpty())
        return;
    setZoom(qMin(qreal(pixels.width()) / card.width(), qreal(pixels.height()) / card.height()));
}

// Ctrl+wheel: a step a notch, the card point under the pointer staying under it.
void CardView::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y();
    if (!(event->modifiers() & Qt::ControlModifier) || notches == 0) {
        QWidget::wheelEvent(event);
        return;
    }
    zoomAbout(nextZoom(notches > 0), event->position());
    event->accept();
}

QRect CardView::reachPixels(const QRectF& box) const
{
    // A pixel more each way holds an edge that falls inside a pixel.
    const QRectF pixels(box.topLeft() / TwipsPerPixel, box.size() / TwipsPerPixel);
    return pixels.toAlignedRect().adjusted(-1, -1, 1, 1).intersected(cardRect());
}

void CardView::noteChange() { m_nextState = 0; }

void CardView::showState(quint64 key) { m_nextState = key; }

void CardView::updateTwips(const QRectF& box)
{
    noteChange();
    forgetLift();
    const QRect touched = reachPixels(box);
    m_underStale += touched;
    update(onWidget(touched));
}

void CardView::updateElements(const QList<CardItem>& items)
{
    // A region of many rectangles costs more to build and clip to than it saves: past a few,
    // their bounds are repainted.
    constexpr qsizetype MaxRects = 32;
    if (items.size() <= MaxRects) {
        for (const CardItem& item : items)
            updateTwips(item.box());
        return;
    }
    noteChange();
    forgetLift();
    QRect bounds;
    for (const CardItem& item : items)
        bounds |= reachPixels(item.box());
    m_underStale += bounds;
    update(onWidget(bounds));
}

void CardView::updateCard()
{
    noteChange();
    forgetLift();
    m_underStale = cardRect();
    update();
}

void CardView::updateHandle(int handle)
{
    // At a fractional scale factor a handle's edge pixels show what lies beneath it.
    const int margin = wholeScale() ? 0 : 1;
    update(handleRect(handle).adjusted(-margin, -margin, margin, margin).intersected(rect()));
}

QRect CardView::handleRect(int handle) const
{
    const QRect atFull = handlePixels(m_editor, handle);
    if (m_zoom == 1)
        return atFull;
    // Centred where it is centred on the card at full size, and as large on screen.
    const QPointF centre =
        toPixels(m_editor.handlePosition(handle)
                 + QPointF(CardEditor::HandleTwips, CardEditor::HandleTwips) / 2);
    return QRect((centre - QPointF(atFull.width(), atFull.height()) / 2).toPoint(), atFull.size());
}

bool CardView::wholeScale() const { return cardScale() == std::floor(cardScale()); }

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
        if (handleRect(i).contains(pixel))
            return i;
    return -1;
}

// ---- Painting --------------------------------------------------------------------------

void CardView::tellRefusedPictures()
{
    const QStringList messages = PictureStore::shared().takeMessages();
    if (!messages.isEmpty())
        Platform::instance().messageBox(window(), messages.join('\n'), "Picture", QMessageBox::Ok,
                                        QMessageBox::Warning);
    m_tellingPictures = false;
}

void CardView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    // The card is drawn in its own pixels, at the zoom; what lies over it, in the widget's.
    painter.save();
    painter.scale(m_zoom, m_zoom);
    paintCard(painter, onCard(event->region()));
    painter.restore();
    // Pictures refused while painting are told once each, when painting is over.
    if (PictureStore::shared().hasMessages() && !m_tellingPictures) {
        m_tellingPictures = true;
        QTimer::singleShot(0, this, &CardView::tellRefusedPictures);
    }

    if (m_editor.handlesShown()) {
        // At a fractional scale factor a handle's pixel edges fall between device pixels, and
        // an antialiased square would draw two-toned: it fills the whole device pixels inside.
        const QTransform toDevice = painter.deviceTransform();
        const QTransform fromDevice = toDevice.inverted();
        for (int i = 0; i < m_editor.handleCount(); ++i) {
            const QRect pixels = handleRect(i);
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
    paintGridAndGuides(painter, exposed);
    paintSideMark(painter);
}

void CardView::paintSideMark(QPainter& painter) const
{
    // Only the back is marked: a card without one looks as it always did. The mark is the
    // view's, so it is never printed.
    if (m_editor.design().shownSide() != CardSide::Back)
        return;
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    const QString text = QStringLiteral("Back");
    const QSize size = painter.fontMetrics().size(0, text) + QSize(8, 2);
    const QRect mark(width() - size.width() - 2, 2, size.width(), size.height());
    painter.fillRect(mark, QColor(40, 40, 40, 200));
    painter.setPen(Qt::white);
    painter.drawText(mark, Qt::AlignCenter, text);
}

void CardView::setGridShown(bool shown)
{
    if (shown == m_gridShown)
        return;
    m_gridShown = shown;
    update();
}

// Over everything else, in the widget's pixels, so that it never reaches the kept card, a
// print or a file.
void CardView::paintGridAndGuides(QPainter& painter, const QRect& exposed)
{
    const QRect card = onWidget(cardRect());
    if (m_gridShown) {
        // Every line while they stand apart; every fifth or tenth when dense, as at full size.
        const qreal step = snapping::gridTwips() / TwipsPerPixel * m_zoom;
        int every = 1;
        for (const int n : {1, 2, 5, 10})
            if ((every = n) * step >= 6)
                break;
        painter.setPen(QPen(QColor(128, 128, 160, 80), 0));
        const qreal spacing = step * every;
        for (qreal x = std::ceil(exposed.left() / spacing) * spacing; x <= exposed.right();
             x += spacing)
            painter.drawLine(
                QLineF(std::floor(x) + 0.5, card.top(), std::floor(x) + 0.5, card.bottom() + 1));
        for (qreal y = std::ceil(exposed.top() / spacing) * spacing; y <= exposed.bottom();
             y += spacing)
            painter.drawLine(
                QLineF(card.left(), std::floor(y) + 0.5, card.right() + 1, std::floor(y) + 0.5));
    }
    painter.setPen(QPen(QColor(230, 0, 160), 0));
    if (m_guideAcross) {
        const qreal x = std::floor(toPixels({*m_guideAcross, 0}).x()) + 0.5;
        painter.drawLine(QLineF(x, card.top(), x, card.bottom() + 1));
    }
    if (m_guideDown) {
        const qreal y = std::floor(toPixels({0, *m_guideDown}).y()) + 0.5;
        painter.drawLine(QLineF(card.left(), y, card.right() + 1, y));
    }
}

void CardView::showGuides(std::optional<qreal> across, std::optional<qreal> down)
{
    if (across == m_guideAcross && down == m_guideDown)
        return;
    m_guideAcross = across;
    m_guideDown = down;
    update();
}

QPointF CardView::snapOffset(const QList<qreal>& across, const QList<qreal>& down)
{
    std::optional<qreal> guideAcross, guideDown;
    QPointF offset;
    if (!(m_dragModifiers & SuspendSnapping) && (m_guidesOn || m_snapToGrid)) {
        const qreal reach = GuideReach * TwipsPerPixel / m_zoom;
        snapping::Lines lines;
        if (m_guidesOn)
            lines = snapping::guideLines(m_editor.design(), m_editor.selectedElements());
        const qreal grid = snapping::gridTwips();
        // A guide within reach first, else the grid.
        const auto axis = [&](const QList<qreal>& moving, const QList<qreal>& targets,
                              std::optional<qreal>& guide) -> qreal {
            if (moving.isEmpty())
                return 0;
            if (m_guidesOn)
                if (const auto snap = snapping::nearest(moving, targets, reach)) {
                    guide = snap->line;
                    return snap->offset;
                }
            return m_snapToGrid ? snapping::toGrid(moving.front(), grid) - moving.front() : 0;
        };
        offset = {axis(across, lines.across, guideAcross), axis(down, lines.down, guideDown)};
    }
    showGuides(guideAcross, guideDown);
    return offset;
}

// A move snaps the element's box, as it would land, by its edges and centre; a press that
// has not travelled moves nothing.
QPointF CardView::snappedMove(const CardHit& hit, QPointF pointerTwips)
{
    const CardItem* item = m_editor.item(hit.kind, hit.index);
    if (!item)
        return {};
    const QPointF press = QPointF(item->left, item->top) + hit.partOrigin + m_editor.pressTwips();
    if (pointerTwips == press) {
        showGuides({}, {});
        return {};
    }
    const QRectF moved = item->box().translated(pointerTwips - press);
    return snapOffset(snapping::acrossOf(moved), snapping::downOf(moved));
}

// The card is kept as pixels, so that what only moves over the card (a handle, the band, the
// drag outline) uncovers pixels that are copied rather than drawn again from the crowd, and a
// change draws again only what it touched. Kept at a whole scale factor, where the view's pixels
// lie on whole device pixels, and up to a size.
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
        m_lift.reset();
        forgetUnderlay();
        // Where a handle lies, at a whole scale factor, it hides the card entirely.
        QRegion card = exposed;
        if (m_editor.handlesShown() && wholeScale() && m_zoom == 1)
            for (int i = 0; i < m_editor.handleCount(); ++i)
                card -= handlePixels(m_editor, i);
        screenpainter::paintVisible(painter, design, card);
        return;
    }
    // The kept pixels are device pixels: its painter works in the card's pixels.
    const int ratio = int(cardScale());
    const QSize card = cardRect().size();
    if (m_under.size() != card * ratio || m_under.devicePixelRatio() != ratio) {
        m_under = QImage(card * ratio, QImage::Format_RGB32);
        m_under.setDevicePixelRatio(ratio);
        m_underStale = cardRect();
        m_lift.reset();
        forgetUnderlay();
    }
    refreshUnderlay();
    for (const QRect& pixels : exposed)
        painter.drawImage(pixels, m_under, QRect(pixels.topLeft() * ratio, pixels.size() * ratio));
}

void CardView::refreshUnderlay()
{
    if (m_underStale.isEmpty() || m_under.isNull())
        return;
    const std::optional<Kept> back = changeUnderlay(m_underStale.boundingRect());
    QPainter kept(&m_under);
    if (back) {
        kept.setCompositionMode(QPainter::CompositionMode_Source);
        kept.drawImage(back->area.topLeft(), back->pixels);
    } else {
        // As a window's own painting is held to what it repaints.
        kept.setClipRegion(m_underStale);
        screenpainter::paintVisible(kept, m_editor.design(), m_underStale);
    }
    m_underStale = QRegion();
}

std::optional<CardView::Kept> CardView::changeUnderlay(const QRect& area)
{
    const quint64 from = std::exchange(m_underState, std::exchange(m_nextState, 0));
    const quint64 to = m_underState;
    // Another card opened, or the other side shown: what is kept will not be shown again.
    if (!to) {
        m_kept.clear();
        return std::nullopt;
    }
    std::optional<Kept> back;
    const auto found = std::find_if(m_kept.begin(), m_kept.end(), [&](const Kept& kept) {
        return kept.shows == to && kept.around == from;
    });
    if (found != m_kept.end()) {
        back = std::move(*found);
        m_kept.erase(found);
    }
    if (!from || from == to)
        return back;
    const int ratio = int(cardScale());
    const QRect device(area.topLeft() * ratio, area.size() * ratio);
    // The latest changes' pixels, 32 MB and 64 changes at most: an undo further back draws the
    // crowd again. A change too large to keep leaves the others kept.
    constexpr qint64 MaxKeptPixels = 8'000'000;
    constexpr size_t MaxKept = 64;
    qint64 total = qint64(device.width()) * device.height();
    if (total > MaxKeptPixels)
        return back;
    const auto pixels = [](const Kept& kept) {
        return qint64(kept.pixels.width()) * kept.pixels.height();
    };
    for (const Kept& kept : m_kept)
        total += pixels(kept);
    while (!m_kept.empty() && (total > MaxKeptPixels || m_kept.size() >= MaxKept)) {
        total -= pixels(m_kept.front());
        m_kept.erase(m_kept.begin());
    }
    m_kept.push_back({from, to, area, m_under.copy(device)});
    return back;
}

void CardView::forgetUnderlay()
{
    m_kept.clear();
    m_underState = 0;
}

void CardView::forgetLift()
{
    if (!m_dropping)
        m_lift.reset();
}

void CardView::liftPressed()
{
    if (!m_pressed || m_under.isNull())
        return;
    // Only a lone element is lifted: the selection the release moves is just the one pressed.
    const Selection pressed{m_pressed->kind, m_pressed->index};
    const QList<Selection> moving = m_editor.selectedElements();
    const CardItem* item = m_editor.item(pressed.kind, pressed.index);
    if (moving.size() != 1 || moving.first() != pressed || !item) {
        m_lift.reset();
        return;
    }
    const QRect area = reachPixels(item->box());
    // Dropped by the last drag and untouched since, it is lifted already.
    if (m_lift && m_lift->element == pressed && m_lift->area == area)
        return;
    m_lift.reset();
    refreshUnderlay();
    if (area.isEmpty())
        return;
    const int ratio = int(cardScale());
    // Drawn in the kept card's own pixels, where it will be copied back: the same drawing
    // moved by whole pixels can round a glyph edge the other way. What the card shows is put
    // back at once, for the element stays where it is until the button comes up.
    const QRect device(area.topLeft() * ratio, area.size() * ratio);
    const QImage shown = m_under.copy(device);
    QPainter painter(&m_under);
    painter.setClipRect(area);
    screenpainter::paintVisible(painter, m_editor.design(), area, item);
    QImage pixels = m_under.copy(device);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(area.topLeft(), shown);
    m_lift = Lift{pressed, area, std::move(pixels)};
}

void CardView::dropLifted()
{
    const std::optional<Lift> lift = std::exchange(m_lift, std::nullopt);
    if (!lift || m_under.isNull())
        return;
    const QList<CardItem>& items = m_editor.design().items();
    const CardItem* item = m_editor.item(lift->element.kind, lift->element.index);
    // Beneath other elements it would need them drawn again over it; and a release that
    // did not move it leaves its pixels as they are.
    if (!item || items.isEmpty() || item != &items.constLast())
        return;
    // The release changed the element's two boxes and nothing else.
    const QRect now = reachPixels(item->box());
    const QRegion dropped = QRegion(lift->area) + now;
    if (!m_underStale.xored(dropped).isEmpty())
        return;
    changeUnderlay(dropped.boundingRect());
    QPainter kept(&m_under);
    kept.setCompositionMode(QPainter::CompositionMode_Source);
    kept.drawImage(lift->area.topLeft(), lift->pixels);
    kept.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // The card without the element is what lies under it where it now is, should it be
    // dragged again.
    const int ratio = int(cardScale());
    QImage beneath = m_under.copy(QRect(now.topLeft() * ratio, now.size() * ratio));
    screenpainter::paintOnTop(kept, m_editor.design(), *item, now);
    m_underStale = QRegion();
    m_lift = Lift{lift->element, now, std::move(beneath)};
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
    const qsizetype pixel = qsizetype(sizeof(QRgb));
    // Every third step i from `first` up to `end` of a walk from (x, y) by (ax, ay) a step,
    // kept to the layer; a crowd's marks are many dots, so the bounds are set per edge.
    const auto walk = [&](int x, int y, int ax, int ay, int first, int end) {
        int from = first, to = end;
        const auto keepWithin = [&](int origin, int step, int limit) {
            if (step == 0 && (origin < 0 || origin >= limit))
                to = from;
            else if (step > 0)
                from = std::max(from, -origin), to = std::min(to, limit - origin);
            else if (step < 0)
                from = std::max(from, origin - limit + 1), to = std::min(to, origin + 1);
        };
        keepWithin(x, ax, width);
        keepWithin(y, ay, height);
        from += (3 - (from - first) % 3) % 3;
        if (from >= to)
            return;
        uchar* at = bits + qsizetype(y + ay * from) * ratio * stride
                    + qsizetype(x + ax * from) * ratio * pixel;
        const qsizetype step = 3 * ratio * (ay * stride + ax * pixel);
        if (ratio == 1) {
            for (int i = from; i < to; i += 3, at += step)
                *reinterpret_cast<QRgb*>(at) = color;
            return;
        }
        for (int i = from; i < to; i += 3, at += step)
            for (int dy = 0; dy < ratio; ++dy)
                std::fill_n(reinterpret_cast<QRgb*>(at + dy * stride), ratio, color);
    };
    // Each edge starts where the one before ended, and takes the next dot.
    const auto first = [](int walked) { return (3 - walked % 3) % 3; };
    const int across = right - left, down = bottom - top;
    walk(left, top, 1, 0, first(0), across);
    walk(right, top, 0, 1, first(across), down);
    walk(right, bottom, -1, 0, first(across + down), across);
    walk(left, bottom, 0, -1, first(2 * across + down), down);
}
} // namespace

// The other members of a selected set, the rubber band and the keyboard focus, in dots.
void CardView::paintSelectionMarks(QPainter& painter, const QRect& exposed)
{
    painter.setBrush(Qt::NoBrush);
    const QList<Selection>& selected = m_editor.selectedSet();
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
                QRectF(toPixels(item.box().topLeft()), item.box().size() / TwipsPerPixel * m_zoom)
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
        m_lift.reset();
        m_grabOffset = event->position().toPoint() - handleRect(handle).topLeft();
        m_editor.handlePressed(handle);
        m_dragHandle = handle;
        m_dragOver = {};
        moveOutline(event->position());
        return;
    }
    m_pressed = elementAt(at);
    // What lies under an element is kept only for the next drag of that element.
    if (m_lift && (!m_pressed || m_lift->element != Selection{m_pressed->kind, m_pressed->index}))
        m_lift.reset();
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
        m_dragModifiers = event->modifiers();
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
    // An element that took the press keeps the pointer, and does not change its shape; the
    // guides it would snap to show.
    if (event->buttons() != Qt::NoButton && m_pressed) {
        m_dragModifiers = event->modifiers();
        if (event->buttons() & Qt::LeftButton) {
            // Lifted once the drag has begun, in the pause after this move rather than
            // within it.
            if (!m_lift && !m_liftPending) {
                m_liftPending = true;
                QTimer::singleShot(0, this, [this] {
                    m_liftPending = false;
                    liftPressed();
                });
            }
            snappedMove(*m_pressed, toTwips(event->position()));
        }
        return;
    }
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
                QRectF(toTwips(band.topLeft()), QSizeF(band.size()) * TwipsPerPixel / m_zoom),
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
    QPointF at = toTwips(event->position());
    if (event->button() == Qt::LeftButton) {
        m_dragModifiers = event->modifiers();
        at += snappedMove(hit, at);
        showGuides({}, {});
    }
    const QPointF local = at - QPointF(item->left, item->top) - hit.partOrigin;
    m_dropping = true;
    m_editor.elementReleased(hit, float(local.x()), float(local.y()));
    m_dropping = false;
    dropLifted();
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

QPointF CardView::localTwips(const DragTarget& target, QPointF pixels)
{
    // Element positions come from the element's own twips, not a rounded pixel box. The
    // pointer is the edge the handle moves, so it is what snaps, on the axes the handle moves.
    QPointF at = toTwips(QPointF(pixels.toPoint()));
    const bool across = m_dragHandle != 3 && m_dragHandle != 4;
    const bool down = m_dragHandle != 1 && m_dragHandle != 6;
    at += snapOffset(across ? QList<qreal>{at.x()} : QList<qreal>(),
                     down ? QList<qreal>{at.y()} : QList<qreal>());
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
    showGuides({}, {});
}
