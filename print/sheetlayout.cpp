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

} // namespace sheet
