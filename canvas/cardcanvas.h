#pragma once

#include <QWidget>

// The card: a coloured rectangle holding the elements and the selection handles. Its size is
// kept in pixels, as the main window measures.
class CardCanvas : public QWidget {
    Q_OBJECT
public:
    static constexpr float DefaultWidth = 360;
    static constexpr float DefaultHeight = 210;
    static constexpr qint32 DefaultBackColor = 0x00FFFFFF;

    explicit CardCanvas(QWidget* parent = nullptr);

    float widthPixels() const { return m_width; }
    float heightPixels() const { return m_height; }
    void setCardWidth(float pixels);
    void setCardHeight(float pixels);
    qint32 backColor() const { return m_backColor; }
    void setBackColor(qint32 color);

signals:
    // Pointer positions in twips, relative to the card's top-left corner.
    void mouseMoved(int button, int shift, float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void syncGeometry();

    float m_width = DefaultWidth;
    float m_height = DefaultHeight;
    qint32 m_backColor = DefaultBackColor;
};
