#pragma once

#include "document/carddesign.h"

#include <QImage>
#include <QRegion>
#include <QSet>
#include <QWidget>

#include <optional>

class CardEditor;

// The selected element: its kind and its index in that kind's numbering. Empty when nothing
// has been selected yet.
struct Selection {
    ElementKind kind = ElementKind::Text;
    int index = -1;

    bool isEmpty() const { return index < 0; }
    bool operator==(const Selection&) const = default;
};
inline size_t qHash(const Selection& selection, size_t seed = 0)
{
    return qHashMulti(seed, int(selection.kind), selection.index);
}

// What lies under a point of the card: an element, by kind and index, and the origin (in the
// element's twips) of the part that was hit, so that positions are reported relative to it.
struct CardHit {
    ElementKind kind = ElementKind::Text;
    int index = 0;
    QPointF partOrigin;

    bool operator==(const CardHit&) const = default;
};

// The card on screen: the one widget that shows the design, draws the selection handles on
// top of it, and turns the mouse into the editor's element, handle and drag events with
// positions in twips. It paints only what a change touched, from the design itself.
class CardView : public QWidget {
    Q_OBJECT
public:
    explicit CardView(CardEditor& editor, QWidget* parent = nullptr);

    // The topmost visible element under a point of the card (twips); a shape only inside its
    // outline.
    std::optional<CardHit> elementAt(QPointF pointTwips) const;
    // The topmost shown handle under a point of the card (twips), or -1.
    int handleAt(QPointF pointTwips) const;
    // A point of the card (twips) in this widget's pixels, and back.
    static QPointF toPixels(QPointF twips);
    static QPointF toTwips(QPointF pixels);

    // Repaints what a box of the card (twips) covers, its antialiased edge included.
    void updateTwips(const QRectF& box);
    // The same for a box one element (by serial) covered or covers.
    void updateElement(quint64 serial, const QRectF& box);
    // The same for every box of these elements (an undo step's two sides): the union of what
    // changed, not the whole card.
    void updateElements(const QList<CardItem>& items);
    // Repaints the whole card: its size, its colour or its elements changed.
    void updateCard();
    // Repaints one handle where it stands now.
    void updateHandle(int handle);
    // Takes the card's size in pixels.
    void syncSize();

    bool dragging() const { return m_dragHandle >= 0; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // What a drag is over: the card itself (no element), an element, or nothing of the card.
    struct DragTarget {
        bool onCard = false;
        std::optional<CardHit> element;
        bool operator==(const DragTarget&) const = default;
    };
    DragTarget dragTargetAt(QPointF pixels) const;
    QPointF localTwips(const DragTarget& target, QPointF pixels) const;
    void reportDrag(const DragTarget& target, QPointF pixels);
    QRect outlineRect() const;
    // A whole number of device pixels to a pixel, where a handle fills its pixels exactly.
    bool wholeScale() const;
    void moveOutline(QPointF pixels);
    void endDrag();
    QRect reachPixels(const QRectF& box) const;
    bool keepsCard() const;
    void paintCard(QPainter& painter, const QRegion& exposed);
    void refreshUnderlay();
    void keepOverlayOnTop();
    QSet<quint64> wantedOverlay() const;
    bool selectedCameToFront() const;
    void moveSplit();
    void paintSelectionMarks(QPainter& painter, const QRect& exposed);
    void showFocusFrame();

    CardEditor& m_editor;
    // The element that took the press keeps the pointer until the button comes up.
    std::optional<CardHit> m_pressed;
    // The handle being dragged, where it was grabbed (pixels from its corner), where the
    // pointer is, and what the pointer was last over.
    int m_dragHandle = -1;
    QPointF m_grabOffset;
    QPointF m_dragAt;
    DragTarget m_dragOver;
    // A rubber band drawn from a press on the empty card, in pixels.
    std::optional<QRect> m_band;
    bool m_focusShown = false;
    // The card's underlay as last drawn, and what of it has changed since; the elements of
    // the overlay, by serial.
    QImage m_under;
    QRegion m_underStale;
    QSet<quint64> m_over;
    // The selection the overlay was last chosen for.
    Selection m_splitFor;
    bool m_splitPending = false;
};
