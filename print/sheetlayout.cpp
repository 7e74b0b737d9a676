#include "print/sheetlayout.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace sheet {

Orientation pageOrientation(double w, double h)
{
    if (w < NarrowLimit && h < WideLimit)
        return Orientation::Portrait;
    if (w > NarrowLimit && w < WideLimit && h < NarrowLimit)
        return Orientation::Landscape;
    if (w >= WideLimit || h >= NarrowLimit)
        return w > h ? Orientation::Landscape : Orientation::Portrait;
    // Only a card exactly 7.5 in wide and less tall gets here.
    return Orientation::Portrait;
}

QSize pageSize(Orientation orientation)
{
    return orientation == Orientation::Portrait ? QSize(PageShortSide, PageLongSide)
                                                : QSize(PageLongSide, PageShortSide);
}

std::vector<QPoint> tileCards(int columns, int rows, int cardWidth, int cardHeight)
{
    std::vector<QPoint> corners;
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j)
            corners.emplace_back(i * cardWidth, j * cardHeight);
    return corners;
}

QSize tileSize(QSizeF cardTwips)
{
    const auto whole = [](double v) {
        if (!(v > 0))
            return 0;
        return int(std::floor(std::min(v, double(std::numeric_limits<qint16>::max()))));
    };
    return {whole(cardTwips.width()), whole(cardTwips.height())};
}

double leadingNumber(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*([-+]?(\\d+\\.?\\d*|\\.\\d+)([eE][-+]?\\d+)?)"));
    const auto match = number.match(text);
    if (!match.hasMatch())
        return 0;
    const double value = match.captured(1).toDouble();
    return std::isfinite(value) ? value : 0;
}

// Halves go to the even neighbour, as counts typed into the dialogs always were.
static int roundHalfEven(double v) { return int(std::nearbyint(v)); }

int sheetCount(const QString& text)
{
    const double v = leadingNumber(text);
    if (v >= MaxCount)
        return MaxCount;
    if (v <= 1)
        return 1;
    return std::clamp(roundHalfEven(v), 1, MaxCount);
}

CopiesClamp clampCopies(const QString& text)
{
    CopiesClamp result;
    double v = leadingNumber(text);
    if (v > MaxCopies) {
        result.correctedText = QString::number(MaxCopies);
        v = MaxCopies;
    } else if (v < 1) {
        result.correctedText = QStringLiteral("1");
        v = 1;
    }
    result.spinnerValue = roundHalfEven(v);
    return result;
}

std::optional<double> parseLength(const QString& text)
{
    static const QRegularExpression length(
        QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?)\\s*(in|mm|pt)?\\s*$"));
    const auto match = length.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const double value = match.captured(1).toDouble();
    const QString unit = match.captured(2);
    if (unit == QLatin1String("in"))
        return value * TwipsPerInch;
    if (unit == QLatin1String("mm"))
        return value * TwipsPerMm;
    if (unit == QLatin1String("pt"))
        return value * TwipsPerPoint;
    // A bare number means nothing unless it is nothing.
    if (value == 0)
        return 0.0;
    return std::nullopt;
}

namespace {
// How many cells of `cell` with `gap` between them go into `room`; at least one.
int fitting(double room, double cell, double gap)
{
    if (!(cell > 0))
        return 1;
    // A hair of slack, so that stock sized to fit exactly is not lost to rounding.
    return std::max(1, int(std::floor((room + gap) / (cell + gap) + 1e-9)));
}

double startOf(std::optional<double> given, double page, int count, double cell, double gap)
{
    return given ? *given : (page - (count * cell + (count - 1) * gap)) / 2;
}
} // namespace

SheetPlacement placeCards(const SheetLayout& layout, QSizeF cardTwips, int columns, int rows)
{
    SheetPlacement placement;
    if (layout.count == SheetLayout::Count::Chosen && !layout.cell) {
        // The original sheet, exactly as it always was.
        const QSize tile = tileSize(cardTwips);
        const Orientation orientation = layout.turnsWithCard
                                            ? pageOrientation(cardTwips.width(), cardTwips.height())
                                            : Orientation::Portrait;
        placement.page = orientation == Orientation::Portrait ? layout.paperTwips
                                                              : layout.paperTwips.transposed();
        for (const QPoint corner : tileCards(columns, rows, tile.width(), tile.height()))
            placement.cards.emplace_back(corner.x() + layout.left.value_or(0),
                                         corner.y() + layout.top.value_or(0), tile.width(),
                                         tile.height());
        return placement;
    }

    placement.page = layout.paperTwips;
    const double pageW = placement.page.width();
    const double pageH = placement.page.height();
    if (!(cardTwips.width() > 0) || !(cardTwips.height() > 0))
        return placement;

    const double margin =
        layout.cropMarks ? std::max(layout.margin, CropMarkMargin) : layout.margin;
    QSizeF cell = layout.cell.value_or(cardTwips);
    if (!layout.cell) {
        // Plain paper: the card's own size, shrunk only if it could not fit the page at all.
        const QSizeF room(pageW - 2 * margin, pageH - 2 * margin);
        if (cell.width() > room.width() || cell.height() > room.height())
            cell = cell.scaled(room, Qt::KeepAspectRatio);
    }
    if (!layout.cellCorners.empty()) {
        placement.scale =
            std::min(cell.width() / cardTwips.width(), cell.height() / cardTwips.height());
        const QSizeF card = cardTwips * placement.scale;
        const QPointF centring(cell.width() - card.width(), cell.height() - card.height());
        for (const QPointF& corner : layout.cellCorners)
            placement.cards.emplace_back(corner + centring / 2, card);
        return placement;
    }
    switch (layout.count) {
    case SheetLayout::Count::Chosen: break;
    case SheetLayout::Count::Fixed:
        columns = layout.columns;
        rows = layout.rows;
        break;
    case SheetLayout::Count::Fit:
        columns = fitting(pageW - 2 * margin, cell.width(), layout.gap);
        rows = fitting(pageH - 2 * margin, cell.height(), layout.gap);
        break;
    }
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);

    placement.scale =
        std::min(cell.width() / cardTwips.width(), cell.height() / cardTwips.height());
    const QSizeF card = cardTwips * placement.scale;
    const double x0 = startOf(layout.left, pageW, columns, cell.width(), layout.gap);
    const double y0 = startOf(layout.top, pageH, rows, cell.height(), layout.gap);
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j) {
            const QPointF cellCorner(x0 + i * (cell.width() + layout.gap),
                                     y0 + j * (cell.height() + layout.gap));
            placement.cards.emplace_back(
                cellCorner
                    + QPointF(cell.width() - card.width(), cell.height() - card.height()) / 2,
                card);
        }
    return placement;
}

std::vector<QLineF> cropMarks(const SheetPlacement& placement)
{
    const auto& cards = placement.cards;
    // The free run from a card's edge outwards along one of its edge lines: up to the next card
    // that line meets, or the page's edge.
    const auto room = [&](const QRectF& from, QPointF corner, QPointF direction) {
        const double toEdge = direction.x() > 0   ? placement.page.width() - corner.x()
                              : direction.x() < 0 ? corner.x()
                              : direction.y() > 0 ? placement.page.height() - corner.y()
                                                  : corner.y();
        // Counted like a gap to a card, so that the mark ends the clearance short of the edge.
        double free = toEdge - CropMarkEdgeClearance + CropMarkOffset;
        for (const QRectF& other : cards) {
            if (&other == &from)
                continue;
            if (direction.y() == 0 && corner.y() >= other.top() && corner.y() <= other.bottom()) {
                const double d =
                    direction.x() > 0 ? other.left() - corner.x() : corner.x() - other.right();
                if (d >= 0)
                    free = std::min(free, d);
            } else if (direction.x() == 0 && corner.x() >= other.left()
                       && corner.x() <= other.right()) {
                const double d =
                    direction.y() > 0 ? other.top() - corner.y() : corner.y() - other.bottom();
                if (d >= 0)
                    free = std::min(free, d);
            }
        }
        return free;
    };
    // A mark runs along its card's edge line: that line must itself keep clear of the edges.
    const auto clearOfEdges = [&](double at, double pageSide) {
        return at >= CropMarkEdgeClearance && at <= pageSide - CropMarkEdgeClearance;
    };
    std::vector<QLineF> marks;
    for (const QRectF& card : cards) {
        const QPointF corners[] = {card.topLeft(), card.topRight(), card.bottomLeft(),
                                   card.bottomRight()};
        for (const QPointF corner : corners) {
            const QPointF outX(corner.x() == card.left() ? -1 : 1, 0);
            const QPointF outY(0, corner.y() == card.top() ? -1 : 1);
            for (const QPointF direction : {outX, outY}) {
                if (direction.y() == 0 ? !clearOfEdges(corner.y(), placement.page.height())
                                       : !clearOfEdges(corner.x(), placement.page.width()))
                    continue;
                // Marks meeting in a gap from both sides share it, each keeping clear of the other
                // card.
                const double length =
                    std::min(CropMarkLength, room(card, corner, direction) - 2 * CropMarkOffset);
                if (length <= 0)
                    continue;
                const QPointF start = corner + direction * CropMarkOffset;
                marks.emplace_back(start, start + direction * length);
            }
        }
    }
    return marks;
}

QString previewTitle(double scale)
{
    const int percent = int(std::lround(scale * 100));
    if (percent == 100)
        return QStringLiteral("Preview");
    return QStringLiteral("Preview — scaled to %1 %").arg(percent);
}

} // namespace sheet
