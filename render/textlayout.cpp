#include "render/textlayout.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTextLine>
#include <QtMath>

#include <algorithm>

namespace render {

namespace {
// drawText's own preparation: carriage returns are spaces, new lines break the line, and
// tabs are kept only where they are expanded.
QString prepared(QStringView text, bool expandTabs)
{
    QString result = text.toString();
    for (QChar& c : result) {
        if (c == u'\r' || (c == u'\t' && !expandTabs))
            c = u' ';
        else if (c == u'\n')
            c = QChar::LineSeparator;
    }
    return result;
}

// Captions up to this length are laid out whole; longer ones from a prefix that grows until
// it fills the box.
constexpr qsizetype WholeUpTo = 256;
// Characters past the last line shown that the line breaker may look at.
constexpr qsizetype BreakLookahead = 16;
// Lines of a box wider than the card still break where the box breaks them as long as a line
// holds no more than this many of the narrowest characters.
constexpr qreal LineBudget = 4096;

// The narrowest a character of the font advances (thin and hair spaces included): what
// bounds how many characters a width can show. Marks of no width count as this much.
qreal smallestAdvance(const QFont& font)
{
    static QHash<QFont, qreal> known;
    if (const auto found = known.constFind(font); found != known.constEnd())
        return *found;
    const QFontMetricsF metrics(font);
    qreal smallest = qMax<qreal>(1, metrics.height());
    for (QChar c : u".,:;'|!ilIjft \u2009\u200a") {
        const qreal advance = metrics.horizontalAdvance(c);
        if (advance > 0)
            smallest = qMin(smallest, advance);
    }
    smallest = qMax<qreal>(smallest, 1.0 / 64);
    if (known.size() >= 256)
        known.clear();
    known.insert(font, smallest);
    return smallest;
}

struct Bounds {
    qreal wrapWidth = -1;    // pixels the lines are broken at
    qsizetype runLimit = -1; // characters of a run that can show; negative: every one
    // Spaces take no room where lines break, but the line breaker ends a line at every 4096
    // of them: a run of spaces is kept long enough to fill every line that shows.
    qsizetype spaceRunLimit = -1;
};

// The most characters the line breaker puts in one line of spaces.
constexpr qsizetype SpacesPerLine = 4096;

Bounds boundsOf(const TextLayout::Key& key)
{
    Bounds bounds{key.wrapWidth};
    if (key.maxHeight < 0)
        return bounds;
    const qreal advance = smallestAdvance(key.font);
    if (key.wrapWidth >= 0 && key.maxWidth >= 0)
        bounds.wrapWidth = qMin(key.wrapWidth, qMax(key.maxWidth, LineBudget * advance));
    const qreal reach = bounds.wrapWidth >= 0 ? bounds.wrapWidth : key.maxWidth;
    if (reach < 0)
        return bounds;
    // A run of breakable characters (ideographs) may fill every line shown; any other run
    // shows no more than its line holds, from its start or, aligned right, from its end.
    const qreal lines = key.maxHeight / qMax<qreal>(1, QFontMetricsF(key.font).lineSpacing()) + 1;
    const qreal perLine = reach / advance + 1;
    bounds.runLimit = qsizetype(qMin<qreal>(lines * perLine + BreakLookahead, 1e9));
    bounds.spaceRunLimit =
        qMax(bounds.runLimit, qsizetype(qMin<qreal>((lines + 2) * SpacesPerLine, 1e9)));
    return bounds;
}

// Runs of word characters, of spaces, and (when lines are not wrapped) whole lines longer than
// twice their bound keep their first and last so many characters: as many as can show from
// either end. At most `limit` characters are returned; `complete` tells whether the text was
// reached to its end.
QString condensed(QStringView text, bool wrapping, const Bounds& bounds, qsizetype limit,
                  bool* complete)
{
    if (bounds.runLimit < 0) {
        *complete = text.size() <= limit;
        return text.left(limit).toString();
    }
    const auto kindOf = [wrapping](QChar c) {
        if (c == u'\n')
            return 0;
        return wrapping && c.isSpace() ? 1 : 2;
    };
    QString result;
    result.reserve(qMin(limit, text.size()));
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size && result.size() < limit) {
        const int kind = kindOf(text[i]);
        qsizetype end = i + 1;
        if (kind != 0)
            while (end < size && kindOf(text[end]) == kind)
                ++end;
        const qsizetype runLimit = kind == 1 ? bounds.spaceRunLimit : bounds.runLimit;
        if (end - i <= 2 * runLimit) {
            result += text.mid(i, end - i);
        } else {
            qsizetype head = i + runLimit, tail = end - runLimit;
            if (text[head - 1].isHighSurrogate())
                --head;
            if (text[tail].isLowSurrogate())
                ++tail;
            result += text.mid(i, head - i);
            result += text.mid(tail, end - tail);
        }
        i = end;
    }
    *complete = i >= size && result.size() <= limit;
    if (result.size() > limit) {
        qsizetype cut = limit;
        // A cut never splits a surrogate pair.
        if (cut > 0 && result.at(cut - 1).isHighSurrogate())
            --cut;
        result.truncate(cut);
    }
    return result;
}
} // namespace

TextLayout::TextLayout(const Key& key)
    : m_key(key)
{
    const Bounds bounds = boundsOf(key);
    m_wrapWidth = bounds.wrapWidth;
    const bool wrapping = m_wrapWidth >= 0;
    const qsizetype whole = key.text.size();
    bool complete = true;
    if (key.maxHeight < 0 || whole <= WholeUpTo) {
        m_shown = prepared(condensed(key.text, wrapping, bounds, whole, &complete), key.expandTabs);
        layOut(true);
        return;
    }
    // A first guess at what the box holds, twice over; each miss doubles it.
    const QFontMetricsF metrics(key.font);
    qreal guess = WholeUpTo;
    if (wrapping) {
        const qreal lines = key.maxHeight / qMax<qreal>(1, metrics.lineSpacing()) + 2;
        const qreal perLine = m_wrapWidth / qMax<qreal>(1, metrics.averageCharWidth()) + 8;
        guess = qMax(guess, 2 * lines * perLine);
    }
    qsizetype length = qsizetype(qMin<qreal>(guess, qreal(whole)));
    for (;;) {
        m_shown =
            prepared(condensed(key.text, wrapping, bounds, length, &complete), key.expandTabs);
        if (layOut(complete))
            break;
        length = qMin(whole, length * 2);
    }
}

QString TextLayout::shownText(const Key& key, qsizetype limit)
{
    const Bounds bounds = boundsOf(key);
    bool complete = true;
    return condensed(key.text, bounds.wrapWidth >= 0, bounds, limit, &complete);
}

bool TextLayout::layOut(bool complete)
{
    const QFontMetricsF metrics(m_key.font);
    m_layout.clearLayout();
    m_layout.setText(m_shown);
    m_layout.setFont(m_key.font);
    // The shaped glyphs are kept for every drawing, not shaped again each time.
    m_layout.setCacheEnabled(true);
    QTextOption option;
    option.setAlignment(Qt::AlignLeft); // aligned line by line when drawn
    option.setTextDirection(Qt::LeftToRight);
    if (m_key.expandTabs && m_shown.contains(u'\t'))
        option.setTabStopDistance(qRound(metrics.horizontalAdvance(u'x') * 8));
    m_layout.setTextOption(option);
    m_laidOut = 0;
    if (m_shown.isEmpty())
        return true;

    const qreal lineWidth = m_wrapWidth >= 0 ? m_wrapWidth : 0x01000000;
    const qreal leading = metrics.leading();
    qreal height = -leading;
    bool filled = false;
    m_layout.beginLayout();
    for (QTextLine line = m_layout.createLine(); line.isValid(); line = m_layout.createLine()) {
        line.setLineWidth(lineWidth);
        // Lines start on whole pixels.
        height = qCeil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.ascent() + line.descent();
        m_laidOut = line.textStart() + line.textLength();
        if (m_key.maxHeight >= 0 && height >= m_key.maxHeight) {
            filled = true;
            break;
        }
    }
    m_layout.endLayout();
    return complete || (filled && m_laidOut + BreakLookahead <= m_shown.size());
}

void TextLayout::draw(QPainter& painter, const QRectF& rect, int horizontalAlignment) const
{
    if (m_key.text.isEmpty())
        return;
    for (int i = 0; i < m_layout.lineCount(); ++i) {
        QTextLine line = m_layout.lineAt(i);
        qreal x = 0;
        if (horizontalAlignment & Qt::AlignRight)
            x = rect.width() - line.horizontalAdvance();
        else if (horizontalAlignment & Qt::AlignHCenter)
            x = (rect.width() - line.horizontalAdvance()) / 2;
        line.setPosition(QPointF(x, line.y()));
    }
    m_layout.draw(&painter, rect.topLeft());
}

QSizeF TextLayout::extent() const
{
    QSizeF size;
    for (int i = 0; i < m_layout.lineCount(); ++i) {
        const QTextLine line = m_layout.lineAt(i);
        size = size.expandedTo(
            {qMax(line.horizontalAdvance(), line.naturalTextWidth()), line.y() + line.height()});
    }
    return size;
}

bool TextLayout::canLayout(const QString& text)
{
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        const auto direction = c.direction();
        return c == QChar(0x9c) || direction == QChar::DirR || direction == QChar::DirAL
               || direction == QChar::DirAN;
    });
}

int TextLayout::layoutDpi()
{
    if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        return 96;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return qRound(screen->logicalDotsPerInchY());
    return 100;
}

std::shared_ptr<const TextLayout> TextLayoutCache::get(quint64 element, const TextLayout::Key& key)
{
    Slots& entry = m_elements[element];
    entry.used = ++m_clock;
    auto& [first, second] = entry.layouts;
    if (!(first && first->key() == key)) {
        if (second && second->key() == key) {
            std::swap(first, second);
        } else {
            second = std::move(first);
            first = std::make_shared<const TextLayout>(key);
        }
    }
    std::shared_ptr<const TextLayout> found = first;
    // Past the bound, the half used longest ago is let go.
    if (m_elements.size() > MaxElements) {
        QList<quint64> uses;
        uses.reserve(m_elements.size());
        for (const Slots& s : std::as_const(m_elements))
            uses.append(s.used);
        auto middle = uses.begin() + uses.size() / 2;
        std::nth_element(uses.begin(), middle, uses.end());
        const quint64 cut = *middle;
        m_elements.removeIf([cut](const auto& entry) { return entry.value().used < cut; });
    }
    return found;
}

void TextLayoutCache::clear() { m_elements.clear(); }

} // namespace render
