#pragma once

#include "document/carddesign.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <optional>
#include <vector>

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
    // A point of the card (twips) in this widget's pixels at the zoom, and back.
    QPointF toPixels(QPointF twips) const;
    QPointF toTwips(QPointF pixels) const;

    // The zoom: how many of this widget's pixels show one pixel of the card. What is drawn
    // follows it (text and pictures at that resolution); the handles keep their screen size.
    static constexpr qreal Zooms[] = {1, 1.5, 2, 3, 4};
    qreal zoom() const { return m_zoom; }
    void setZoom(qreal zoom);
    // The next zoom step in or out from the current one.
    void zoomIn();
    void zoomOut();
    // The largest zoom, steps and anything between, at which the whole card fits `pixels`.
    void zoomToFit(QSize pixels);
    // Zooms keeping the card point under `pixels` (this widget's) where it is on screen.
    void zoomAbout(qreal zoom, QPointF pixels);

    // Repaints what a box of the card (twips) covers, its antialiased edge included.
    void updateTwips(const QRectF& box);
    // The same for every box of these elements (an undo step's two sides): the union of what
    // changed, not the whole card.
    void updateElements(const QList<CardItem>& items);
    // Repaints the whole card: its size, its colour or its elements changed.
    void updateCard();
    // After the changes a step of the undo history made (done, undone or redone): the design
    // is the state the history names `key`. Pixels kept of that state can then be put back
    // where it shows, instead of drawing the crowd there again.
    void showState(quint64 key);
    // Repaints one handle where it stands now.
    void updateHandle(int handle);
    // Takes the card's size in pixels.
    void syncSize();

    bool dragging() const { return m_dragHandle >= 0; }

    // The grid (drawn faintly over the card, never printed), snapping to it, and the smart
    // guides: a move or resize within GuideReach screen pixels of a guide line snaps to it,
    // and the line shows until the button comes up. All off until turned on.
    static constexpr int GuideReach = 4;
    // Held during a drag, it suspends every snap: Meta (the Super or Windows key), since
    // Alt moves windows and Shift and Ctrl already mean something to a drag.
    static constexpr Qt::KeyboardModifier SuspendSnapping = Qt::MetaModifier;
    bool gridShown() const { return m_gridShown; }
    void setGridShown(bool shown);
    bool snapsToGrid() const { return m_snapToGrid; }
    void setSnapToGrid(bool snap) { m_snapToGrid = snap; }
    bool guidesOn() const { return m_guidesOn; }
    void setGuidesOn(bool on) { m_guidesOn = on; }
    // The guide lines showing now, in twips: a vertical one by x, a horizontal one by y.
    std::optional<qreal> guideAcross() const { return m_guideAcross; }
    std::optional<qreal> guideDown() const { return m_guideDown; }

signals:
    // The zoom changed; `anchor`, when given, is the widget point to keep under the pointer
    // (before, after), for a scroll area to follow.
    void zoomChanged(qreal zoom, QPointF anchorBefore, QPointF anchorAfter);

protected:
    void wheelEvent(QWheelEvent* event) override;
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
    QPointF localTwips(const DragTarget& target, QPointF pixels);
    void reportDrag(const DragTarget& target, QPointF pixels);
    QRect outlineRect() const;
    // A whole number of device pixels to a pixel, where a handle fills its pixels exactly.
    bool wholeScale() const;
    void moveOutline(QPointF pixels);
    void endDrag();
    QRect reachPixels(const QRectF& box) const;
    // The card in its own pixels, and what of this widget a part of it covers.
    QRect cardRect() const;
    QRect onWidget(const QRect& cardPixels) const;
    QRegion onCard(const QRegion& widgetPixels) const;
    // A handle where it shows, in this widget's pixels: screen size at any zoom.
    QRect handleRect(int handle) const;
    // Device pixels to a card pixel.
    qreal cardScale() const;
    qreal nextZoom(bool in) const;
    bool keepsCard() const;
    void paintCard(QPainter& painter, const QRegion& exposed);
    void refreshUnderlay();
    // Before the kept card changes over `area`: its pixels there are kept, and the design it
    // is about to show becomes its own. Returns the pixels kept of that design, if any.
    struct Kept;
    std::optional<Kept> changeUnderlay(const QRect& area);
    void forgetUnderlay();
    // A change to the design: what it leads to is named by the history after it, if at all.
    void noteChange();
    // Lifting the pressed element when its drag begins, and dropping it on release.
    void liftPressed();
    void dropLifted();
    // Any change to the card but the drop itself makes the lifted pixels stale.
    void forgetLift();
    void tellRefusedPictures();
    void paintSelectionMarks(QPainter& painter, const QRect& exposed);
    void showFocusFrame();
    // How far a drag moves to snap, given the positions that move on each axis (twips); shows
    // the guide lines it snaps to.
    QPointF snapOffset(const QList<qreal>& across, const QList<qreal>& down);
    QPointF snappedMove(const CardHit& hit, QPointF pointerTwips);
    void showGuides(std::optional<qreal> across, std::optional<qreal> down);
    // "Back" in the top-right corner while the back is shown.
    void paintSideMark(QPainter& painter) const;
    void paintGridAndGuides(QPainter& painter, const QRect& exposed);

    CardEditor& m_editor;
    qreal m_zoom = 1;
    bool m_gridShown = false;
    bool m_snapToGrid = false;
    bool m_guidesOn = false;
    std::optional<qreal> m_guideAcross, m_guideDown;
    // The keys held at the last pointer event of a drag.
    Qt::KeyboardModifiers m_dragModifiers;
    // The element that took the press keeps the pointer until the button comes up.
    std::optional<CardHit> m_pressed;
    // The handle being dragged, where it was grabbed (pixels from its corner), where the
    // pointer is, and what the pointer was last over.
    int m_dragHandle = -1;
    QPointF m_grabOffset;
    QPointF m_dragAt;
    DragTarget m_dragOver;
    // A rubber band drawn from a press on the empty card, in this widget's pixels.
    std::optional<QRect> m_band;
    bool m_focusShown = false;
    // The card as last drawn (at the zoom), and what of it has changed since, in the card's
    // pixels.
    QImage m_under;
    QRegion m_underStale;
    // A dragged element lifted off the kept card: the pixels its box covered, drawn without
    // it (device pixels of `area`, in the card's). A release that leaves it on top copies them
    // back and draws just the element, instead of the crowd beneath both its boxes.
    struct Lift {
        Selection element;
        QRect area;
        QImage pixels;
    };
    std::optional<Lift> m_lift;
    bool m_liftPending = false;
    // Which design the kept card shows, by the undo history's name for it, and which design
    // the changes since its last repaint lead to; 0 where a change outside the history made
    // it.
    quint64 m_underState = 0;
    quint64 m_nextState = 0;
    // What the kept card showed over `area` when it showed the design named `shows`, just
    // before a change to the design named `around`, which left the rest as it was: an undo or
    // redo from `around` to `shows` copies it back. The last changes' are kept, newest last,
    // up to a budget of pixels; a change to a design the history does not name forgets them.
    struct Kept {
        quint64 shows;
        quint64 around;
        QRect area;
        QImage pixels;
    };
    std::vector<Kept> m_kept;
    bool m_dropping = false;
    bool m_tellingPictures = false;
};
