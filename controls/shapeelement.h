#pragma once

#include "controls/cardelement.h"
#include "controls/propertybag.h"

#include <QFont>
#include <QPixmap>
#include <QRectF>

#include <optional>

// A filled shape on the card. The element itself is transparent: only its inner shape
// (Shape3, inset 120 twips at the top-left) is drawn, and only the drawn shape takes the
// mouse, so a press beside it reaches whatever lies behind.
class ShapeElement : public CardElement {
    Q_OBJECT
public:
    enum Kind : int {
        Rectangle = 0,
        Square = 1,
        Oval = 2,
        Circle = 3,
        RoundedRectangle = 4,
        RoundedSquare = 5
    };

    explicit ShapeElement(QWidget* parent = nullptr);

    // Reading the kind also repaints the element, as hosts have relied on to refresh it.
    int Shape() const;
    void ShowAboutBox() {}
    // A kind outside 0..5 is refused: false, and the kind stays as it was.
    [[nodiscard]] bool setShape(int shape);
    // 0 only the outline is drawn, 1 the inside is painted in BackColor.
    qint16 BackStyle() const { return m_backStyle; }
    void setBackStyle(qint16 style);
    qint32 BackColor() const { return m_backColor; }
    void setBackColor(qint32 color);
    // 0 no outline, otherwise a solid outline in the fixed outline colour.
    qint16 BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(qint16 style);
    // Accepted for hosts that set them on every element; nothing is drawn with them.
    std::optional<QFont> Font() const { return std::nullopt; }
    void setFont(const QFont& font);
    qint32 ForeColor() const { return 0; }
    void setForeColor(qint32 color);
    QString Caption() const { return {}; }
    void setCaption(const QString& caption);
    // Pointer numbers: 0 default, 1 arrow, 2 cross, 3 I-beam, 5 and 15 move, 6 to 9 the
    // sizing pointers, 10 up arrow, 11 hourglass, 12 no drop, 13 arrow and hourglass,
    // 14 arrow and question mark, 99 MouseIcon.
    qint16 MousePointer() const { return m_mousePointer; }
    void setMousePointer(qint16 pointer);
    QPixmap MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap& icon);

    // Shape3's box and the shape drawn in it, in the element's twips.
    QRectF Shape3Rect() const { return m_box; }
    QRectF drawnRect() const;

    // The values the shape template holds from the start; new shapes copy them.
    static PropertyBag templateProperties();
    void WriteProperties(PropertyBag& bag) const;
    void ReadProperties(const PropertyBag& bag);
    // Every property and Shape3's box; geometry and markers are the caller's
    // (CardElement::copyElementFrom).
    void copyPropertiesFrom(const ShapeElement& other);

    void paintTwips(QPainter& painter) const override;

protected:
    void sizeChangedTwips() override;

private:
    void applyPointer();
    void updateMask();

    QRectF m_box{120, 120, 0, 0};
    int m_shape = Rectangle;
    qint32 m_backColor;
    qint16 m_backStyle = 1;
    qint16 m_borderStyle = 1;
    qint16 m_mousePointer = 0;
    QPixmap m_mouseIcon;
};
