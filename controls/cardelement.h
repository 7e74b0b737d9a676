#pragma once

#include "controls/inputcodes.h"

#include <QWidget>

class QKeyEvent;
class QMouseEvent;
class QPainter;

// Common ground of everything placed on the card: its box kept exactly in single-precision
// twips (the widget's pixel geometry is only derived from it), the kind marker texts, and the
// mouse events the editor listens to, with positions in twips.
class CardElement : public QWidget {
    Q_OBJECT
public:
    explicit CardElement(QWidget* parent = nullptr);

    float left() const { return m_left; }
    float top() const { return m_top; }
    float widthTwips() const { return m_width; }
    float heightTwips() const { return m_height; }
    void setLeft(float left);
    void setTop(float top);
    // A negative size is refused: the call returns false and nothing changes.
    bool setWidth(float width);
    bool setHeight(float height);
    void moveTwips(float left, float top);
    void setBox(float left, float top, float width, float height);

    QString toolTipText() const { return m_toolTipText; }
    void setToolTipText(const QString& text);
    QString tag() const { return m_tag; }
    void setTag(const QString& tag) { m_tag = tag; }

    // The element's index in its control array (0 for a template).
    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }

    // Copies position, size and markers of another element of any kind.
    void copyElementFrom(const CardElement& other);

    // Paints the element in twips with the origin at its top-left corner; the screen, the
    // print snapshot and tests all draw through this.
    virtual void paintTwips(QPainter& painter) const = 0;

signals:
    void mousePressed(int button, int shift, float x, float y);
    void mouseMoved(int button, int shift, float x, float y);
    void mouseReleased(int button, int shift, float x, float y);
    void clicked();
    void doubleClicked();
    void propertyChanged(const QString& name);
    // Only elements that take the focus (see focusPolicy) raise these.
    void keyDown(int keyCode, int shift);
    void keyPressed(int keyAscii);
    void keyUp(int keyCode, int shift);

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
