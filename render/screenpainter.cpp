#include "render/screenpainter.h"

#include "document/twips.h"
#include "platform/vbcolor.h"
#include "render/cardpainter.h"
#include "render/picturestore.h"

#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace screenpainter {

QRect opaquePixels(const CardItem& item)
{
    QRectF covered;
    qint32 color = 0;
    if (item.kind == ElementKind::Text && item.text.backStyle == 1) {
        covered = item.box();
        color = item.text.backColor;
    } else if (item.kind == ElementKind::Shape) {
        covered = cardpainter::filledCore(item);
        color = item.shape.backColor;
    }
    // A system colour may be translucent; an explicit one never is.
    if (covered.isEmpty() || (quint32(color) & 0x80000000u))
        return {};
    // A pixel more inwards each way than the box's whole pixels: rounding may carry an edge
    // over a pixel boundary.
    const int left = int(std::ceil(covered.left() / TwipsPerPixel)) + 1;
    const int top = int(std::ceil(covered.top() / TwipsPerPixel)) + 1;
    const int right = int(std::floor(covered.right() / TwipsPerPixel)) - 1;
    const int bottom = int(std::floor(covered.bottom() / TwipsPerPixel)) - 1;
    if (right <= left || bottom <= top)
        return {};
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

namespace {
// One element within the pixels it may show, as the card's painter draws it; the painter
// antialiases (set once for a crowd: each change of it re-derives the painter's state).
void paintPart(QPainter& painter, const CardDesign& design, const CardItem& item,
               const QRect& bounds)
{
    painter.save();
    painter.setClipRect(bounds, Qt::IntersectClip);
    painter.scale(1.0 / TwipsPerPixel, 1.0 / TwipsPerPixel);
    cardpainter::paintItem(painter, item, {},
                           QSizeF(design.widthPixels, design.heightPixels) * TwipsPerPixel);
    painter.restore();
}

QRect cardPixels(const CardDesign& design)
{
    return QRect(0, 0, qMax(0, qRound(design.widthPixels)), qMax(0, qRound(design.heightPixels)));
}

void paint(QPainter& painter, const CardDesign& design, const QRegion& exposed,
           const CardItem* leftOut)
{
    const QRect card = cardPixels(design);
    // The part of the exposed card that no opaque element above covers yet.
    QRegion uncovered = exposed.intersected(card);
    if (uncovered.isEmpty())
        return;

    // From the top down: each element may show only where nothing opaque above it lies; what
    // is left once the area is covered is never painted.
    struct Part {
        const CardItem* item;
        QRect bounds;
    };
    std::vector<Part> parts;
    constexpr size_t HiddenBatch = 8;
    std::vector<QRect> hidden;
    const auto takeHidden = [&] {
        if (hidden.empty())
            return;
        QRegion covered;
        for (const QRect& rect : hidden)
            covered += rect;
        uncovered -= covered;
        hidden.clear();
    };
    const QList<CardItem>& items = design.items();
    for (qsizetype i = items.size() - 1; i >= 0 && !uncovered.isEmpty(); --i) {
        const CardItem& item = items.at(i);
        if (!item.visible || &item == leftOut)
            continue;
        // The whole pixels the box touches, and one more each way for an edge that falls
        // inside a pixel.
        // (QRectF::toAlignedRect, worked here: called for every element of a crowd.)
        const qreal x = item.left / TwipsPerPixel, y = item.top / TwipsPerPixel;
        const qreal width = item.width / TwipsPerPixel, height = item.height / TwipsPerPixel;
        const QRect reach(QPoint(int(std::floor(x)) - 1, int(std::floor(y)) - 1),
                          QPoint(int(std::ceil(x + width)), int(std::ceil(y + height))));
        if (!reach.intersects(uncovered.boundingRect()))
            continue;
        // Only the bounds of what may show are kept: no region is built for them.
        int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
        for (const QRect& rect : uncovered) {
            const int l = std::max(rect.left(), reach.left());
            const int r = std::min(rect.right(), reach.right());
            const int t = std::max(rect.top(), reach.top());
            const int b = std::min(rect.bottom(), reach.bottom());
            if (l <= r && t <= b)
                left = std::min(left, l), right = std::max(right, r), top = std::min(top, t),
                bottom = std::max(bottom, b);
        }
        if (left > right)
            continue;
        parts.push_back({&item, QRect(QPoint(left, top), QPoint(right, bottom))});
        // Taken off a few at a time: each subtraction walks the whole uncovered region, and
        // an element drawn that a later one hides is only drawn over.
        if (const QRect opaque = opaquePixels(item); !opaque.isEmpty()) {
            hidden.push_back(opaque);
            if (hidden.size() == HiddenBatch)
                takeHidden();
        }
    }
    takeHidden();

    if (!uncovered.isEmpty()) {
        painter.save();
        painter.setClipRegion(uncovered, Qt::IntersectClip);
        painter.fillRect(uncovered.boundingRect(), vbcolor::toQColor(design.backColor));
        painter.restore();
    }
    // The pictures of this drawing are the card's: those of a card shown before may make room.
    PictureStore::shared().beginCard();
    // Bottom first, each within what it may show; the background under an element that
    // covers its part only partly was left uncovered above, so it is painted with the rest.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (auto part = parts.rbegin(); part != parts.rend(); ++part)
        paintPart(painter, design, *part->item, part->bounds);
    painter.restore();
}

} // namespace

void paintVisible(QPainter& painter, const CardDesign& design, const QRegion& exposed,
                  const CardItem* leftOut)
{
    paint(painter, design, exposed, leftOut);
}

void paintOnTop(QPainter& painter, const CardDesign& design, const CardItem& item,
                const QRect& exposed)
{
    if (!item.visible)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paintPart(painter, design, item, exposed & cardPixels(design));
    painter.restore();
}

} // namespace screenpainter
