#include "controls/textlayout.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QScreen>
#include <QTextLine>
#include <QtMath>

namespace {
// drawText's own preparation: carriage returns are spaces, new lines break the line, and
// tabs are kept only where they are expanded.
QString prepared(QString text, bool expandTabs)
{
    for (QChar& c : text) {
        if (c == u'\r' || (c == u'\t' && !expandTabs))
            c = u' ';
        else if (c == u'\n')
            c = QChar::LineSeparator;
    }
    return text;
}
} // namespace

TextLayout::TextLayout(const Key& key)
    : m_key(key)
{
    QFont font = key.font;
    const QFontMetricsF metrics(font);
    m_layout.setText(prepared(key.text, key.expandTabs));
    m_layout.setFont(font);
    m_layout.setCacheEnabled(true);
    QTextOption option;
    option.setAlignment(Qt::AlignLeft); // aligned line by line when drawn
    option.setTextDirection(Qt::LeftToRight);
    if (key.expandTabs && key.text.contains(u'\t'))
        option.setTabStopDistance(qRound(metrics.horizontalAdvance(u'x') * 8));
    m_layout.setTextOption(option);

    if (key.text.isEmpty()) {
        m_height = metrics.height();
        return;
    }
    const qreal lineWidth = key.wrapWidth >= 0 ? key.wrapWidth : 0x01000000;
    const qreal leading = metrics.leading();
    qreal height = -leading;
    m_layout.beginLayout();
    for (QTextLine line = m_layout.createLine(); line.isValid(); line = m_layout.createLine()) {
        line.setLineWidth(lineWidth);
        // Lines start on whole pixels.
        height = qCeil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.ascent() + line.descent();
        m_width = qMax(m_width, line.naturalTextWidth());
    }
    m_layout.endLayout();
    m_height = height;
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

bool TextLayout::canLayout(const QString& text)
{
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        const auto direction = c.direction();
        return c == QChar(0x9c) || direction == QChar::DirR || direction == QChar::DirAL
               || direction == QChar::DirAN;
    });
}

bool TextLayout::canDrawOn(const QPaintDevice* device)
{
    switch (device ? device->devType() : 0) {
    case QInternal::Widget:
    case QInternal::Pixmap:
    case QInternal::Image: return true;
    default: return false;
    }
}

bool TextLayout::sameResolution(const QPaintDevice* device)
{
    int dpi = 100;
    if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        dpi = 96;
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        dpi = qRound(screen->logicalDotsPerInchY());
    return device && device->logicalDpiX() == dpi && device->logicalDpiY() == dpi;
}

std::shared_ptr<const TextLayout> TextLayoutCache::get(const TextLayout::Key& key) const
{
    for (int i = 0; i < Slots; ++i) {
        if (m_slots[i] && m_slots[i]->key() == key) {
            std::rotate(m_slots, m_slots + i, m_slots + i + 1);
            return m_slots[0];
        }
    }
    std::move_backward(m_slots, m_slots + Slots - 1, m_slots + Slots);
    m_slots[0] = std::make_shared<const TextLayout>(key);
    return m_slots[0];
}

void TextLayoutCache::clear() const
{
    for (auto& slot : m_slots)
        slot.reset();
}
