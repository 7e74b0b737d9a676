#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>
#include <QTextLayout>

#include <memory>

class QPaintDevice;
class QPainter;

// A caption laid out and shaped once, the way QPainter::drawText lays out text at the top of
// a rectangle (horizontal alignment, tabs expanded for left-aligned text, optional word
// wrap), so that it can be drawn and measured again without shaping it anew: shaping is
// most of the cost of painting a crowded card.
class TextLayout {
public:
    struct Key {
        QString text;
        QFont font;
        qreal wrapWidth = -1; // pixels; negative for no wrapping
        bool expandTabs = true;
        bool operator==(const Key&) const = default;
    };

    explicit TextLayout(const Key& key);
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    const Key& key() const { return m_key; }
    // The text's bounding size in pixels, as QFontMetricsF::boundingRect gives it.
    QSizeF size() const { return {m_width, m_height}; }
    // Draws the text at the top of `rect` (pixels) with a horizontal alignment flag.
    void draw(QPainter& painter, const QRectF& rect, int horizontalAlignment) const;

    // Texts drawText treats specially are left to it: length variants, and right-to-left
    // runs, which it shapes and places differently.
    static bool canLayout(const QString& text);
    // Whether text painted on `device` can use a layout: raster devices only, so that
    // recorded pictures and printers keep drawing text as text.
    static bool canDrawOn(const QPaintDevice* device);
    // Layouts take fonts at the resolution fonts have when no device is given: true when
    // `device` has that resolution too, as a screen's widgets have.
    static bool sameResolution(const QPaintDevice* device);

private:
    Key m_key;
    // Lines are placed for each drawing's alignment, then drawn together so that underlines
    // and strike-outs of a line are drawn as drawText draws them.
    mutable QTextLayout m_layout;
    qreal m_width = 0;
    qreal m_height = 0;
};

// The layouts of one element, most recent first. Its two copies and its size fitting ask
// for the same key and get the same layout.
class TextLayoutCache {
public:
    std::shared_ptr<const TextLayout> get(const TextLayout::Key& key) const;
    void clear() const;

private:
    static constexpr int Slots = 2;
    mutable std::shared_ptr<const TextLayout> m_slots[Slots];
};
