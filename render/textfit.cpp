#include "render/textfit.h"

#include <QFontMetricsF>
#include <QHash>
#include <QTextLayout>
#include <QTextLine>
#include <QtMath>

namespace render {

namespace {

// Longer captions are not searched: at any size that could show them they are cut anyway.
constexpr qsizetype MaxFittedLength = 1 << 16;
// A line may overrun its box by rounding, not by a glyph.
constexpr qreal Slack = 0.01;

// Whether the caption, at `points`, lays out within the box as TextLayout places its lines.
bool fitsAt(const QString& text, QFont font, qreal points, QSizeF box, bool expandTabs)
{
    font.setPointSizeF(points);
    const QFontMetricsF metrics(font);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    if (expandTabs && text.contains(u'\t'))
        option.setTabStopDistance(qRound(metrics.horizontalAdvance(u'x') * 8));
    layout.setTextOption(option);
    const qreal leading = metrics.leading();
    qreal height = -leading;
    bool fits = true;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        height = qCeil(height + leading) + line.ascent() + line.descent();
        // A word wider than the box overruns its line rather than being broken.
        if (height > box.height() + Slack || line.naturalTextWidth() > box.width() + Slack) {
            fits = false;
            break;
        }
    }
    layout.endLayout();
    return fits;
}

qreal search(const QString& caption, const QFont& font, QSizeF box, bool expandTabs)
{
    const qreal own = font.pointSizeF();
    if (own <= MinFittedPointSize || caption.isEmpty())
        return own;
    if (caption.size() > MaxFittedLength || box.isEmpty())
        return MinFittedPointSize;
    // As the painter draws it: carriage returns are spaces, new lines break the line, tabs
    // not expanded are spaces.
    QString text = caption;
    text.replace(u'\r', u' ').replace(u'\n', QChar::LineSeparator);
    if (!expandTabs)
        text.replace(u'\t', u' ');
    if (fitsAt(text, font, own, box, expandTabs))
        return own;
    // Quarter points from the smallest up to just below the font's own: the largest that fits.
    int low = int(qCeil(MinFittedPointSize * 4)), high = int(qCeil(own * 4)) - 1;
    if (!fitsAt(text, font, low / 4.0, box, expandTabs))
        return MinFittedPointSize;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (fitsAt(text, font, middle / 4.0, box, expandTabs))
            low = middle;
        else
            high = middle - 1;
    }
    return low / 4.0;
}

struct FitKey {
    QString caption;
    QString font;
    QSizeF box;
    bool expandTabs;
    bool operator==(const FitKey&) const = default;
};

size_t qHash(const FitKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.caption, key.font, key.box.width(), key.box.height(),
                      key.expandTabs);
}

} // namespace

qreal fittedPointSize(const QString& caption, const QFont& font, QSizeF boxPixels, bool expandTabs)
{
    static QHash<FitKey, qreal> found;
    FitKey key{caption, font.key(), boxPixels, expandTabs};
    if (const auto known = found.constFind(key); known != found.constEnd())
        return *known;
    if (found.size() >= 1024)
        found.clear();
    const qreal size = search(caption, font, boxPixels, expandTabs);
    found.insert(std::move(key), size);
    return size;
}

} // namespace render
