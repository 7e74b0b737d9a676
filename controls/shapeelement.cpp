#include "controls/shapeelement.h"

#include "document/twips.h"
#include "platform/vbcolor.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>

namespace {
// Where Shape3 sits in the element, and how much smaller than the element it is.
constexpr qreal BoxInset = 120;
constexpr float BoxShrink = 200;

constexpr qint16 Opaque = 1;
constexpr qint16 NoOutline = 0;
constexpr int CustomPointer = 99;

const QColor OutlineColor(Qt::black);

bool isSquareKind(int kind)
{
    return kind == ShapeElement::Square || kind == ShapeElement::Circle
           || kind == ShapeElement::RoundedSquare;
}

// The corner radius of the rounded kinds: a sixth of the shorter side reads as "rounded" at
// every size without turning a small shape into an oval.
qreal cornerRadius(const QRectF& rect) { return qMin(rect.width(), rect.height()) / 6; }

QPainterPath kindPath(int kind, const QRectF& rect)
{
    QPainterPath path;
    switch (kind) {
    case ShapeElement::Oval:
    case ShapeElement::Circle: path.addEllipse(rect); break;
    case ShapeElement::RoundedRectangle:
    case ShapeElement::RoundedSquare:
        path.addRoundedRect(rect, cornerRadius(rect), cornerRadius(rect));
        break;
    default: path.addRect(rect); break;
    }
    return path;
}
} // namespace

ShapeElement::ShapeElement(QWidget* parent)
    : CardElement(parent)
    , m_backColor(vbcolor::ButtonFace)
{
    setFocusPolicy(Qt::ClickFocus);
    updateMask();
}

// --- properties -------------------------------------------------------------------------

int ShapeElement::shape() const
{
    // update() only schedules a paint; it changes no state that a reader could see.
    const_cast<ShapeElement*>(this)->update();
    return m_shape;
}

bool ShapeElement::setShape(int shape)
{
    if (shape < Rectangle || shape > RoundedSquare)
        return false;
    m_shape = shape;
    updateMask();
    update();
    emit propertyChanged(QStringLiteral("Shape"));
    return true;
}

void ShapeElement::setBackStyle(qint16 style)
{
    m_backStyle = style;
    update();
    emit propertyChanged(QStringLiteral("BackStyle"));
}

void ShapeElement::setBackColor(qint32 color)
{
    m_backColor = color;
    update();
    emit propertyChanged(QStringLiteral("BackColor"));
}

void ShapeElement::setBorderStyle(qint16 style)
{
    m_borderStyle = style;
    update();
    emit propertyChanged(QStringLiteral("BorderStyle"));
}

void ShapeElement::setStoredFont(const QFont&) { emit propertyChanged(QStringLiteral("Font")); }

void ShapeElement::setForeColor(qint32) { emit propertyChanged(QStringLiteral("ForeColor")); }

void ShapeElement::setCaption(const QString&) { emit propertyChanged(QStringLiteral("Caption")); }

void ShapeElement::setMousePointer(qint16 pointer)
{
    m_mousePointer = pointer;
    applyPointer();
    emit propertyChanged(QStringLiteral("MousePointer"));
}

void ShapeElement::setMouseIcon(const QPixmap& icon)
{
    m_mouseIcon = icon;
    applyPointer();
    emit propertyChanged(QStringLiteral("MouseIcon"));
}

void ShapeElement::applyPointer()
{
    if (m_mousePointer == CustomPointer && !m_mouseIcon.isNull()) {
        setCursor(QCursor(m_mouseIcon));
        return;
    }
    // 0 and unknown numbers: whatever the card shows.
    if (const std::optional<Qt::CursorShape> shape = pointerCursor(m_mousePointer))
        setCursor(*shape);
    else
        unsetCursor();
}

// --- geometry ---------------------------------------------------------------------------

void ShapeElement::sizeChangedTwips()
{
    // Each side is tried on its own: an element too small for the inset keeps Shape3's
    // previous size on that side only.
    const float width = widthTwips() - BoxShrink;
    if (width >= 0)
        m_box.setWidth(width);
    const float height = heightTwips() - BoxShrink;
    if (height >= 0)
        m_box.setHeight(height);
    updateMask();
}

QRectF ShapeElement::drawnRect() const
{
    if (!isSquareKind(m_shape))
        return m_box;
    const qreal side = qMin(m_box.width(), m_box.height());
    return QRectF(m_box.x() + (m_box.width() - side) / 2, m_box.y() + (m_box.height() - side) / 2,
                  side, side);
}

void ShapeElement::updateMask()
{
    // Grown by a pixel each way so that antialiased edges and the outline are not cut off.
    const QRectF drawn = drawnRect();
    const QRectF pixels = QRectF(drawn.topLeft() / TwipsPerPixel, drawn.size() / TwipsPerPixel)
                              .adjusted(-1, -1, 1, 1);
    // Beyond what 16-bit window coordinates can show, the outline is of no use to the mouse,
    // and Qt's polygon scan conversion loses memory on such sizes: the box is the mask.
    constexpr qreal LargestOutline = 32767;
    QRegion region;
    if (pixels.width() <= LargestOutline && pixels.height() <= LargestOutline)
        region = QRegion(kindPath(m_shape, pixels).toFillPolygon().toPolygon());
    // An empty region would mean no mask at all, which would hand the whole element the mouse.
    if (region.isEmpty())
        region = QRegion(pixels.toAlignedRect());
    setMask(region);
}

// --- persistence ------------------------------------------------------------------------

PropertyBag ShapeElement::templateProperties()
{
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("BackColor"), qint32(0x00E0E0E0), QVariant());
    bag.WriteProperty(QStringLiteral("BorderStyle"), QVariant::fromValue(qint16(0)), QVariant());
    return bag;
}

void ShapeElement::writeProperties(PropertyBag& bag) const
{
    const auto int16 = [](qint16 value) { return QVariant::fromValue(value); };
    bag.WriteProperty(QStringLiteral("Shape"), int16(qint16(m_shape)), int16(0));
    bag.WriteProperty(QStringLiteral("BackColor"), m_backColor, qint32(vbcolor::ButtonFace));
    bag.WriteProperty(QStringLiteral("BackStyle"), int16(m_backStyle), int16(1));
    bag.WriteProperty(QStringLiteral("BorderStyle"), int16(m_borderStyle), int16(1));
    bag.WriteProperty(QStringLiteral("MousePointer"), int16(m_mousePointer), int16(0));
    // Pictures do not compare by value, so "none" is decided here rather than by the bag.
    if (m_mouseIcon.isNull())
        bag.WriteProperty(QStringLiteral("MouseIcon"), QVariant(), QVariant());
    else
        bag.WriteProperty(QStringLiteral("MouseIcon"), m_mouseIcon, QVariant());
}

// Restores without notices, except MouseIcon, which goes through its setter.
void ShapeElement::readProperties(const PropertyBag& bag)
{
    const qint16 shape = bag.readInt16(QStringLiteral("Shape"), Rectangle);
    if (shape >= Rectangle && shape <= RoundedSquare)
        m_shape = shape;
    m_backColor = bag.readInt32(QStringLiteral("BackColor"), vbcolor::ButtonFace);
    m_backStyle = bag.readInt16(QStringLiteral("BackStyle"), 1);
    m_borderStyle = bag.readInt16(QStringLiteral("BorderStyle"), 1);
    m_mousePointer = bag.readInt16(QStringLiteral("MousePointer"), 0);

    const QVariant icon = bag.ReadProperty(QStringLiteral("MouseIcon"), QVariant());
    QPixmap pixmap;
    if (icon.metaType().id() == QMetaType::QPixmap)
        pixmap = icon.value<QPixmap>();
    else if (icon.metaType().id() == QMetaType::QImage)
        pixmap = QPixmap::fromImage(icon.value<QImage>());
    setMouseIcon(pixmap);

    updateMask();
    update();
}

void ShapeElement::copyPropertiesFrom(const ShapeElement& other)
{
    m_box = other.m_box;
    m_shape = other.m_shape;
    m_backColor = other.m_backColor;
    m_backStyle = other.m_backStyle;
    m_borderStyle = other.m_borderStyle;
    m_mousePointer = other.m_mousePointer;
    m_mouseIcon = other.m_mouseIcon;
    applyPointer();
    updateMask();
    update();
}

// --- painting ---------------------------------------------------------------------------

void ShapeElement::paintTwips(QPainter& painter) const
{
    const QRectF drawn = drawnRect();
    if (drawn.isEmpty())
        return;
    painter.save();
    painter.setBrush(m_backStyle == Opaque ? QBrush(vbcolor::toQColor(m_backColor))
                                           : QBrush(Qt::NoBrush));
    QRectF outline = drawn;
    if (m_borderStyle == NoOutline) {
        painter.setPen(Qt::NoPen);
    } else {
        // A one-pixel line lying inside the shape's box, as the fill does.
        painter.setPen(
            QPen(OutlineColor, TwipsPerPixel, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        const qreal half = TwipsPerPixel / 2;
        outline = drawn.adjusted(half, half, -half, -half);
    }
    painter.drawPath(kindPath(m_shape, outline));
    painter.restore();
}
