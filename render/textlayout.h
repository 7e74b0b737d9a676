#pragma once

#include <QFont>
#include <QHash>
#include <QString>
#include <QTextLayout>

#include <memory>

class QPaintDevice;
class QPainter;

namespace render {

// A caption laid out and shaped once, the way QPainter::drawText lays out text at the top of
// a rectangle (horizontal alignment, tabs expanded for left-aligned text, optional word
// wrap), so that it can be drawn again without shaping it anew: shaping is most of the cost
// of painting a crowded card.
//
// Only as many lines are laid out as reach `maxHeight`, and only as much of each line and
// word as could reach `maxWidth` at the font's smallest advance: a caption of megabytes in a
// box far larger than the card costs what the card shows. The caption itself stays whole in
// the key.
class TextLayout {
public:
    struct Key {
        QString text;
        QFont font;
        qreal wrapWidth = -1; // pixels; negative for no wrapping
        bool expandTabs = true;
        qreal maxHeight = -1; // pixels; negative for every line
        qreal maxWidth = -1;  // pixels from the left edge that can show; negative: the box's
        bool operator==(const Key&) const = default;
    };

    explicit TextLayout(const Key& key);
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    const Key& key() const { return m_key; }
    // The lines laid out, and how many characters they hold.
    int lineCount() const { return m_layout.lineCount(); }
    qsizetype laidOutLength() const { return m_laidOut; }

    // The part of `key.text` that can show in the key's bounds: runs of word characters, of
    // spaces and (unwrapped) whole lines longer than can show keep only their two ends, and
    // at most `limit` characters are returned.
    static QString shownText(const Key& key, qsizetype limit);
    // The widest line's advance and the last line's bottom, in pixels.
    QSizeF extent() const;
    // Draws the text at the top of `rect` (pixels) with a horizontal alignment flag.
    void draw(QPainter& painter, const QRectF& rect, int horizontalAlignment) const;

    // Texts drawText treats specially are left to it: length variants, and right-to-left
    // runs, which it shapes and places differently.
    static bool canLayout(const QString& text);
    // The resolution layouts take their fonts at: the screen's, as no device is given.
    static int layoutDpi();

private:
    // Lays out what is shown so far; true when it holds every line that can show, or all
    // there is (`complete`).
    bool layOut(bool complete);

    Key m_key;
    QString m_shown; // what is laid out: a prefix of shownText()
    qreal m_wrapWidth = -1;
    // Lines are placed for each drawing's alignment, then drawn together so that underlines
    // and strike-outs of a line are drawn as drawText draws them.
    mutable QTextLayout m_layout;
    qsizetype m_laidOut = 0;
};

// Laid-out captions by element (its creation serial), the most recent two keys of each: an
// element's two copies ask for the same key. The number of elements kept is bounded.
class TextLayoutCache {
public:
    std::shared_ptr<const TextLayout> get(quint64 element, const TextLayout::Key& key);
    void clear();
    // How many elements have layouts kept.
    qsizetype elements() const { return m_elements.size(); }

    static constexpr qsizetype MaxElements = 20'000;

private:
    struct Slots {
        std::shared_ptr<const TextLayout> layouts[2];
        quint64 used = 0;
    };
    QHash<quint64, Slots> m_elements;
    quint64 m_clock = 0;
};

} // namespace render
