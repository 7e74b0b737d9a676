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
} // namespace

TextLayout::TextLayout(const Key& key)
    : m_key(key)
{
    const qsizetype whole = key.text.size();
    if (key.maxHeight < 0 || whole <= WholeUpTo) {
        layOut(whole);
        return;
    }
    // A first guess at what the box holds, twice over; each miss doubles it.
    const QFontMetricsF metrics(key.font);
    qreal guess = WholeUpTo;
    if (key.wrapWidth >= 0) {
        const qreal lines = key.maxHeight / qMax<qreal>(1, metrics.lineSpacing()) + 2;
        const qreal perLine = key.wrapWidth / qMax<qreal>(1, metrics.averageCharWidth()) + 8;
        guess = qMax(guess, 2 * lines * perLine);
    }
    qsizetype length = qsizetype(qMin<qreal>(guess, qreal(whole)));
    while (!layOut(length))
        length = qMin(whole, length * 2);
}

bool TextLayout::layOut(qsizetype length)
{
    const qsizetype whole = m_key.text.size();
    // A cut never splits a surrogate pair.
    if (length < whole && length > 0 && m_key.text.at(length - 1).isHighSurrogate())
        --length;
    const QFontMetricsF metrics(m_key.font);
    m_layout.clearLayout();
    m_layout.setText(prepared(QStringView(m_key.text).left(length), m_key.expandTabs));
    m_layout.setFont(m_key.font);
    // The shaped glyphs are kept for every drawing, not shaped again each time.
    m_layout.setCacheEnabled(true);
    QTextOption option;
    option.setAlignment(Qt::AlignLeft); // aligned line by line when drawn
    option.setTextDirection(Qt::LeftToRight);
    if (m_key.expandTabs && m_key.text.contains(u'\t'))
        option.setTabStopDistance(qRound(metrics.horizontalAdvance(u'x') * 8));
    m_layout.setTextOption(option);
    m_laidOut = 0;
    if (length == 0)
        return true;

    const qreal lineWidth = m_key.wrapWidth >= 0 ? m_key.wrapWidth : 0x01000000;
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
    return length == whole || (filled && m_laidOut + BreakLookahead <= length);
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
