#pragma once

#include <QWidget>

#include <optional>

class QKeyEvent;
class QMouseEvent;
class QPainter;

// Mouse button and shift codes as the editor's handlers receive them.
namespace mousecode {
inline constexpr int Left = 1;
inline constexpr int Right = 2;
inline constexpr int Middle = 4;
int button(Qt::MouseButton button);
int buttons(Qt::MouseButtons buttons);
int shift(Qt::KeyboardModifiers modifiers);
} // namespace mousecode

// Key codes as the editor's key handlers receive them: the desktop's virtual-key numbers
// (letters and digits are their upper-case character codes). 0 for a key without one.
namespace keycode {
int fromQt(int key, Qt::KeyboardModifiers modifiers);
// The character code of the typed text, or -1 when it is not one character of the 8-bit set.
int ascii(const QString& text);
} // namespace keycode

// The pointer shapes by their numbers: 1 arrow, 2 cross, 3 I-beam, 5 and 15 move, 6 to 9 the
// sizing pointers, 10 up arrow, 11 hourglass, 12 no drop, 13 arrow and hourglass, 14 arrow and
// question mark. Nothing for 0 (whatever lies below shows) and for numbers without a shape.
std::optional<Qt::CursorShape> pointerCursor(int code);

// Common ground of everything placed on the card: its box kept exactly in single-precision
// twips (the widget's pixel geometry is only derived from it), the kind marker texts, and the
// mouse events the editor listens to, with positions in twips.
class CardElement : public QWidget {
    Q_OBJECT
public:
    explicit CardElement(QWidget* parent = nullptr);

    float Left() const { return m_left; }
    float Top() const { return m_top; }
    float Width() const { return m_width; }
    float Height() const { return m_height; }
    void setLeft(float left);
    void setTop(float top);
    // A negative size is refused: the call returns false and nothing changes.
    bool setWidth(float width);
    bool setHeight(float height);
    void moveTwips(float left, float top);
    void setBox(float left, float top, float width, float height);

    QString ToolTipText() const { return m_toolTipText; }
    void setToolTipText(const QString& text);
    QString Tag() const { return m_tag; }
    void setTag(const QString& tag) { m_tag = tag; }

    bool Visible() const { return !isHidden(); }

    // The element's index in its control array (0 for a template).
    int Index() const { return m_index; }
    void setIndex(int index) { m_index = index; }

    // Copies position, size and markers of another element of any kind.
    void copyElementFrom(const CardElement& other);

    // Paints the element in twips with the origin at its top-left corner; the screen, the
    // print snapshot and tests all draw through this.
    virtual void paintTwips(QPainter& painter) const = 0;

signals:
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void Click();
    void DblClick();
    void PropertyChanged(const QString& name);
    // Only elements that take the focus (see focusPolicy) raise these.
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);

protected:
    // Called after the twip size changed, before the repaint.
    virtual void sizeChangedTwips() {}
    // True when the painting fills the whole box; then what lies beneath is not repainted
    // with it. Call updateOpaque() when the answer may have changed.
    virtual bool coversBox() const { return false; }
    void updateOpaque();
    // The origin, in the element's twips, of the part under a point, so that mouse positions
    // can be reported relative to the part that was hit.
    virtual QPointF hitPartOrigin(QPointF pointTwips) const;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // Nothing shows the focus, so taking or losing it repaints nothing.
    void focusInEvent(QFocusEvent*) override {}
    void focusOutEvent(QFocusEvent*) override {}

private:
    void syncGeometry();
    QPointF eventTwips(const QMouseEvent* event) const;

    float m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    QString m_toolTipText;
    QString m_tag;
    int m_index = 0;
    QPointF m_pressPart;
};
