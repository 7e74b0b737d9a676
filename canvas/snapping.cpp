#include "canvas/snapping.h"

#include "canvas/cardview.h"
#include "document/carddesign.h"
#include "document/twips.h"

#include <QLocale>

#include <cmath>

namespace snapping {

qreal gridTwips()
{
    constexpr qreal TwipsPerInch = 1440;
    return QLocale().measurementSystem() == QLocale::MetricSystem ? TwipsPerInch / 25.4
                                                                  : TwipsPerInch / 16;
}

qreal toGrid(qreal twips, qreal step) { return std::round(twips / step) * step; }

QList<qreal> acrossOf(const QRectF& box) { return {box.left(), box.center().x(), box.right()}; }
QList<qreal> downOf(const QRectF& box) { return {box.top(), box.center().y(), box.bottom()}; }

Lines guideLines(const CardDesign& design, const QList<Selection>& moving)
{
    const QRectF card(0, 0, design.widthPixels * TwipsPerPixel,
                      design.heightPixels * TwipsPerPixel);
    Lines lines{acrossOf(card), downOf(card)};
    for (const CardItem& item : design.items()) {
        if (!item.visible || moving.contains(Selection{item.kind, item.index}))
            continue;
        lines.across += acrossOf(item.box());
        lines.down += downOf(item.box());
    }
    return lines;
}

std::optional<Snap> nearest(const QList<qreal>& moving, const QList<qreal>& lines, qreal tolerance)
{
    std::optional<Snap> best;
    for (const qreal at : moving)
        for (const qreal line : lines) {
            const qreal offset = line - at;
            if (std::abs(offset) <= tolerance
                && (!best || std::abs(offset) < std::abs(best->offset)))
                best = Snap{offset, line};
        }
    return best;
}

} // namespace snapping
