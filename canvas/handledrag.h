#pragma once

#include <QPointer>
#include <QWidget>

class CardCanvas;
class CardElement;

// The manual drag of a selection handle: the handle stays where it was while an outline of
// it follows the pointer. The outline holds the pointer until the button comes up, and every
// movement is reported to what lies under the pointer on the card: the canvas itself or an
// element, in that one's own twips.
class HandleDrag : public QWidget {
    Q_OBJECT
public:
    enum State { Enter = 0, Leave = 1, Over = 2 };

    HandleDrag(CardCanvas* canvas, QWidget* window);

    // Starts dragging handle `handle`, whose outline has the given size in window pixels and
    // is grabbed at `grabOffset` from its top-left corner.
    void begin(int handle, QSize outlineSize, QPoint grabOffset, QPoint windowPos);
    bool active() const { return m_handle >= 0; }

signals:
    // element is null when the pointer is over the empty canvas; x, y are in the twips of the
    // element (or of the canvas).
    void dragOver(CardElement* element, int handle, float x, float y, int state);
    void dropped(CardElement* element, int handle, float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // What lies under a window position: the canvas (null element, `onCanvas` true), an
    // element, or nothing of the card.
    struct Target {
        bool onCanvas = false;
        QPointer<CardElement> element;
        bool operator==(const Target& o) const
        {
            return onCanvas == o.onCanvas && element == o.element;
        }
    };
    Target targetAt(QPoint windowPos) const;
    QPointF localTwips(const Target& target, QPoint windowPos) const;
    void report(const Target& target, QPoint windowPos, int state);
    void follow(QPoint windowPos);
    void end();

    CardCanvas* m_canvas;
    int m_handle = -1;
    QPoint m_grabOffset;
    Target m_over;
};
