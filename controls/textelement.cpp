#include "controls/textelement.h"

#include "document/fontfaces.h"
#include "document/twips.h"
#include "platform/vbcolor.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace {
// Faces picked for right-to-left text are stored with this suffix; the face itself is the
// name before it.
// The 3-D offset of the two copies, in twips, both ways.
constexpr qreal CopyOffset = 20;

// Room between the copy and the element's edge that an auto-sized element keeps: enough for
// the offset copy, and for the border too when there is one.
constexpr float FitMargin = 20;
constexpr float FitMarginWithBorder = 70;

constexpr qint16 Opaque = 1;
constexpr qint16 FixedSingle = 1;

QFont faceToDraw(const QFont& stored)
{
    QFont font = stored;
    const QString family = renderedFontFamily(stored.family());
    if (family != stored.family())
        font.setFamily(family);
    return font;
}

int horizontalFlag(qint16 alignment)
{
    switch (alignment) {
    case TextElement::RightJustify: return Qt::AlignRight;
    case TextElement::Center: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

QVariant int16Value(qint16 value) { return QVariant::fromValue(value); }
} // namespace

TextElement::TextElement(QWidget* parent)
    : CardElement(parent)
    , m_backColor(vbcolor::ButtonFace)
    , m_foreColor(vbcolor::ButtonText)
{
    setFocusPolicy(Qt::ClickFocus);
    const QFont font = ambientFont();
    for (TextCopy* copy : {&m_l1, &m_l2}) {
        copy->caption = QStringLiteral("SuperLabel1");
        copy->backStyle = 0;
        copy->backColor = m_backColor;
        setCopyFont(*copy, font);
    }
    m_l1.textColor = vbcolor::ButtonText;
    m_l2.textColor = vbcolor::White;
    m_l2.pos = QPointF(0, 0);
    m_l1.pos = QPointF(CopyOffset, CopyOffset);
    setFont3D(1);
}

QFont TextElement::ambientFont() const
{
    return parentWidget() ? parentWidget()->font() : QGuiApplication::font();
}

// --- properties -------------------------------------------------------------------------

void TextElement::setBackColor(qint32 color)
{
    m_backColor = color;
    m_l2.backColor = color;
    update();
    emit propertyChanged(QStringLiteral("BackColor"));
}

void TextElement::setForeColor(qint32 color)
{
    m_foreColor = color;
    emit propertyChanged(QStringLiteral("ForeColor"));
}

void TextElement::setTextEnabled(bool enabled)
{
    m_enabled = enabled;
    QWidget::setEnabled(enabled);
    m_l1.enabled = enabled;
    m_l2.enabled = enabled;
    update();
    emit propertyChanged(QStringLiteral("Enabled"));
}

void TextElement::setStoredFont(const QFont& font)
{
    setCopiesFont(font);
    emit propertyChanged(QStringLiteral("Font"));
    sizeFit();
}

void TextElement::setFont3D(qint32 font3D)
{
    m_font3D = font3D;
    placeCopies();
    emit propertyChanged(QStringLiteral("Font3D"));
}

void TextElement::setBackStyle(qint16 style)
{
    m_backStyle = style;
    m_l2.backStyle = style;
    updateOpaque();
    update();
    emit propertyChanged(QStringLiteral("BackStyle"));
}

void TextElement::setBorderStyle(qint16 style)
{
    m_borderStyle = style;
    sizeFit();
    emit propertyChanged(QStringLiteral("BorderStyle"));
}

void TextElement::refresh() { repaint(); }

void TextElement::setAutoSize(bool autoSize)
{
    for (TextCopy* copy : {&m_l1, &m_l2}) {
        copy->autoSize = autoSize;
        fitCopy(*copy);
    }
    sizeFit();
    placeCopies();
    emit propertyChanged(QStringLiteral("AutoSize"));
}

void TextElement::setAlignment(qint16 alignment)
{
    m_l1.alignment = alignment;
    m_l2.alignment = alignment;
    placeCopies();
    update();
    emit propertyChanged(QStringLiteral("Alignment"));
}

void TextElement::setCaption(const QString& caption)
{
    setCopyCaption(m_l1, caption);
    emit captionChanged();
    sizeFit();
    setCopyCaption(m_l2, caption);
    emit captionChanged();
    update();
    emit propertyChanged(QStringLiteral("Caption"));
    sizeFit();
}

void TextElement::setFontBold(bool bold)
{
    QFont font = m_l1.font;
    font.setBold(bold);
    setCopiesFont(font);
    emit propertyChanged(QStringLiteral("FontBold"));
    sizeFit();
}

void TextElement::setFontItalic(bool italic)
{
    QFont font = m_l1.font;
    font.setItalic(italic);
    setCopiesFont(font);
    emit propertyChanged(QStringLiteral("FontItalic"));
    sizeFit();
}

void TextElement::setFontName(const QString& name)
{
    QFont font = m_l1.font;
    font.setFamily(name);
    setCopiesFont(font);
    emit propertyChanged(QStringLiteral("FontName"));
    sizeFit();
}

bool TextElement::setFontSize(float points)
{
    // A zero or negative size cannot be drawn, and a huge one stalls text layout; card files
    // and bags from elsewhere may hold either.
    if (!(points > 0 && points <= MaxFontSize))
        return false;
    QFont font = m_l1.font;
    font.setPointSizeF(points);
    setCopiesFont(font);
    emit propertyChanged(QStringLiteral("FontSize"));
    sizeFit();
    return true;
}

void TextElement::setFontStrikethru(bool strikethru)
{
    QFont font = m_l1.font;
    font.setStrikeOut(strikethru);
    setCopiesFont(font);
    emit propertyChanged(QStringLiteral("FontStrikethru"));
}

void TextElement::setFontUnderline(bool underline)
{
    QFont font = m_l1.font;
    font.setUnderline(underline);
    setCopiesFont(font);
    emit propertyChanged(QStringLiteral("FontUnderline"));
}

void TextElement::setWordWrap(bool wordWrap)
{
    for (TextCopy* copy : {&m_l1, &m_l2}) {
        copy->wordWrap = wordWrap;
        fitCopy(*copy);
    }
    update();
    emit propertyChanged(QStringLiteral("WordWrap"));
}

void TextElement::setFrwColor(qint32 color)
{
    m_l1.textColor = color;
    update();
    emit propertyChanged(QStringLiteral("FRWColor"));
}

void TextElement::setBgColor(qint32 color)
{
    m_l2.textColor = color;
    update();
    emit propertyChanged(QStringLiteral("BGColor"));
}

// --- the two copies ---------------------------------------------------------------------

void TextElement::setCopyFont(TextCopy& copy, const QFont& font)
{
    copy.font = font;
    // FontSize is in points; a host font given in pixels is taken at 15 twips a pixel.
    if (font.pointSizeF() <= 0 && font.pixelSize() > 0)
        copy.font.setPointSizeF(font.pixelSize() * 0.75);
    copy.drawFont = faceToDraw(copy.font);
    fitCopy(copy);
}

void TextElement::setCopiesFont(const QFont& font)
{
    setCopyFont(m_l1, font);
    setCopyFont(m_l2, font);
    update();
}

void TextElement::setCopyCaption(TextCopy& copy, const QString& caption)
{
    copy.caption = caption;
    fitCopy(copy);
}

// An auto-sized copy follows its text at once, as a label does, whatever else runs after.
void TextElement::fitCopy(TextCopy& copy)
{
    if (copy.autoSize)
        copy.sizeStale = true;
}

const QSizeF& TextElement::copySize(const TextCopy& copy) const
{
    if (copy.sizeStale) {
        copy.size = textSize(copy);
        copy.sizeStale = false;
    }
    return copy.size;
}

QSizeF TextElement::textSize(const TextCopy& copy) const
{
    // A word-wrapping copy keeps its width and grows downwards; otherwise it takes the width
    // of its longest line.
    const qreal wrapWidth = copy.wordWrap ? copy.size.width() / TwipsPerPixel : -1;
    QSizeF pixels;
    if (TextLayout::canLayout(copy.caption)) {
        pixels = m_layouts.get({copy.caption, copy.drawFont, wrapWidth, true})->size();
    } else {
        // Measured in pixels, the unit the text is laid out in when painted.
        const QFontMetricsF metrics(copy.drawFont);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs
                          | (wrapWidth >= 0 ? Qt::TextWordWrap : 0);
        pixels =
            metrics.boundingRect(QRectF(0, 0, qMax<qreal>(wrapWidth, 0), 0), flags, copy.caption)
                .size();
    }
    if (wrapWidth >= 0)
        pixels.setWidth(wrapWidth);
    return pixels * TwipsPerPixel;
}

void TextElement::placeCopies()
{
    switch (m_font3D) {
    case 0:
        m_l1.pos = QPointF(0, 0);
        m_l2.pos = QPointF(0, 0);
        break;
    case 1:
        m_l1.pos = QPointF(CopyOffset, CopyOffset);
        m_l2.pos = QPointF(0, 0);
        break;
    case 2:
        m_l1.pos = QPointF(0, 0);
        m_l2.pos = QPointF(CopyOffset, CopyOffset);
        break;
    default: return;
    }
    update();
}

void TextElement::sizeFit()
{
    if (m_l1.autoSize) {
        const float margin = m_borderStyle == FixedSingle ? FitMarginWithBorder : FitMargin;
        // Each call re-enters through sizeChangedTwips; the second pass finds the size
        // already right and stops.
        setWidth(float(copySize(m_l1).width()) + margin);
        setHeight(float(copySize(m_l1).height()) + margin);
    } else {
        const QSizeF full(widthTwips(), heightTwips());
        for (TextCopy* copy : {&m_l1, &m_l2}) {
            copy->size = full;
            copy->sizeStale = false;
        }
    }
    update();
}

void TextElement::sizeChangedTwips() { sizeFit(); }

bool TextElement::coversBox() const { return m_backStyle == Opaque; }

// --- persistence ------------------------------------------------------------------------

PropertyBag TextElement::templateProperties()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);

    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("BackColor"), qint32(vbcolor::White), QVariant());
    bag.WriteProperty(QStringLiteral("Font"), font, QVariant());
    bag.WriteProperty(QStringLiteral("AutoSize"), false, QVariant());
    bag.WriteProperty(QStringLiteral("Caption"), QString(""), QVariant());
    bag.WriteProperty(QStringLiteral("FontName"), QStringLiteral("MS Sans Serif"), QVariant());
    bag.WriteProperty(QStringLiteral("FontSize"), 9.75f, QVariant());
    bag.WriteProperty(QStringLiteral("FRWColor"), qint32(vbcolor::Black), QVariant());
    bag.WriteProperty(QStringLiteral("Font3D"), qint32(0), QVariant());
    return bag;
}

void TextElement::writeProperties(PropertyBag& bag) const
{
    const QFont& font = m_l1.font;
    bag.WriteProperty(QStringLiteral("BackColor"), m_backColor, qint32(vbcolor::ButtonFace));
    bag.WriteProperty(QStringLiteral("ForeColor"), m_foreColor, qint32(vbcolor::ButtonText));
    bag.WriteProperty(QStringLiteral("Enabled"), m_enabled, true);
    bag.WriteProperty(QStringLiteral("Font"), font, ambientFont());
    bag.WriteProperty(QStringLiteral("BackStyle"), int16Value(m_backStyle), int16Value(1));
    bag.WriteProperty(QStringLiteral("BorderStyle"), int16Value(m_borderStyle), int16Value(0));
    bag.WriteProperty(QStringLiteral("AutoSize"), m_l1.autoSize, true);
    bag.WriteProperty(QStringLiteral("Alignment"), int16Value(m_l1.alignment), int16Value(0));
    bag.WriteProperty(QStringLiteral("Caption"), m_l1.caption, QStringLiteral("Label1"));
    bag.WriteProperty(QStringLiteral("FontBold"), font.bold(), false);
    bag.WriteProperty(QStringLiteral("FontItalic"), font.italic(), false);
    bag.WriteProperty(QStringLiteral("FontName"), font.family(), QString());
    bag.WriteProperty(QStringLiteral("FontSize"), fontSize(), 0.0f);
    bag.WriteProperty(QStringLiteral("FontStrikethru"), font.strikeOut(), false);
    bag.WriteProperty(QStringLiteral("FontUnderline"), font.underline(), false);
    bag.WriteProperty(QStringLiteral("WordWrap"), m_l1.wordWrap, false);
    bag.WriteProperty(QStringLiteral("FRWColor"), m_l1.textColor, qint32(vbcolor::ButtonText));
    bag.WriteProperty(QStringLiteral("BGColor"), m_l2.textColor, qint32(vbcolor::White));
    bag.WriteProperty(QStringLiteral("Font3D"), m_font3D, qint32(1));
}

// Restores without notices and without the setters' follow-ups; the front copy's caption
// change still fits the element, as it does whenever that caption changes.
void TextElement::readProperties(const PropertyBag& bag)
{
    m_backColor = bag.readInt32(QStringLiteral("BackColor"), vbcolor::ButtonFace);
    m_l2.backColor = m_backColor;
    m_foreColor = bag.readInt32(QStringLiteral("ForeColor"), vbcolor::ButtonText);
    m_enabled = bag.readBool(QStringLiteral("Enabled"), true);
    QWidget::setEnabled(m_enabled);
    m_l1.enabled = m_l2.enabled = m_enabled;

    const QVariant stored = bag.ReadProperty(QStringLiteral("Font"), QVariant());
    setCopiesFont(stored.metaType().id() == QMetaType::QFont ? stored.value<QFont>()
                                                             : ambientFont());

    m_backStyle = bag.readInt16(QStringLiteral("BackStyle"), 1);
    m_l2.backStyle = m_backStyle;
    m_borderStyle = bag.readInt16(QStringLiteral("BorderStyle"), 0);
    for (TextCopy* copy : {&m_l1, &m_l2}) {
        copy->autoSize = bag.readBool(QStringLiteral("AutoSize"), true);
        copy->alignment = bag.readInt16(QStringLiteral("Alignment"), 0);
        fitCopy(*copy);
    }

    const QString caption = bag.readString(QStringLiteral("Caption"), QStringLiteral("Label1"));
    setCopyCaption(m_l1, caption);
    emit captionChanged();
    sizeFit();
    setCopyCaption(m_l2, caption);
    emit captionChanged();

    QFont font = m_l1.font;
    font.setBold(bag.readBool(QStringLiteral("FontBold"), false));
    font.setItalic(bag.readBool(QStringLiteral("FontItalic"), false));
    font.setFamily(bag.readString(QStringLiteral("FontName"), QString()));
    const float size = bag.readFloat(QStringLiteral("FontSize"), 0);
    // A size that cannot be drawn (a missing key reads as 0) leaves the font's own size.
    if (size > 0 && size <= MaxFontSize)
        font.setPointSizeF(size);
    font.setStrikeOut(bag.readBool(QStringLiteral("FontStrikethru"), false));
    font.setUnderline(bag.readBool(QStringLiteral("FontUnderline"), false));
    setCopiesFont(font);

    for (TextCopy* copy : {&m_l1, &m_l2}) {
        copy->wordWrap = bag.readBool(QStringLiteral("WordWrap"), false);
        fitCopy(*copy);
    }
    m_l1.textColor = bag.readInt32(QStringLiteral("FRWColor"), vbcolor::ButtonText);
    m_l2.textColor = bag.readInt32(QStringLiteral("BGColor"), vbcolor::White);
    m_font3D = bag.readInt32(QStringLiteral("Font3D"), m_font3D);
    placeCopies();
    updateOpaque();
    update();
}

void TextElement::copyPropertiesFrom(const TextElement& other)
{
    m_l1 = other.m_l1;
    m_l2 = other.m_l2;
    m_backColor = other.m_backColor;
    m_foreColor = other.m_foreColor;
    m_enabled = other.m_enabled;
    QWidget::setEnabled(m_enabled);
    m_backStyle = other.m_backStyle;
    m_borderStyle = other.m_borderStyle;
    m_font3D = other.m_font3D;
    updateOpaque();
    update();
}

// --- painting and hits ------------------------------------------------------------------

void TextElement::paintTwips(QPainter& painter) const
{
    const QRectF surface(0, 0, widthTwips(), heightTwips());
    painter.save();
    painter.setClipRect(surface, Qt::IntersectClip);
    if (m_backStyle == Opaque)
        painter.fillRect(surface, vbcolor::toQColor(m_backColor));
    paintCopy(painter, m_l2);
    paintCopy(painter, m_l1);
    if (m_borderStyle == FixedSingle) {
        painter.setPen(QPen(Qt::black, TwipsPerPixel, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        const qreal half = TwipsPerPixel / 2;
        painter.drawRect(surface.adjusted(half, half, -half, -half));
    }
    painter.restore();
}

void TextElement::paintCopy(QPainter& painter, const TextCopy& copy) const
{
    const QRectF box = copyRect(copy);
    if (box.isEmpty())
        return;
    painter.save();
    painter.setClipRect(box, Qt::IntersectClip);
    if (copy.backStyle == Opaque)
        painter.fillRect(box, vbcolor::toQColor(copy.backColor));
    if (!copy.caption.isEmpty()) {
        // Laid out in pixels with the font it was measured with, so that an auto-sized copy
        // shows exactly the text it was sized for; the painter's scale carries it to print.
        painter.scale(TwipsPerPixel, TwipsPerPixel);
        painter.setFont(copy.drawFont);
        painter.setPen(copy.enabled ? vbcolor::toQColor(copy.textColor)
                                    : palette().color(QPalette::Disabled, QPalette::WindowText));
        const bool wrap = !copy.autoSize || copy.wordWrap;
        const int flags = Qt::AlignTop | horizontalFlag(copy.alignment) | Qt::TextExpandTabs
                          | (wrap ? Qt::TextWordWrap : 0);
        const QRectF pixels(box.topLeft() / TwipsPerPixel, box.size() / TwipsPerPixel);
        const QPaintDevice* device = painter.device();
        if (TextLayout::canLayout(copy.caption) && TextLayout::canDrawOn(device)
            && TextLayout::sameResolution(device) && painter.layoutDirection() == Qt::LeftToRight) {
            const qreal wrapWidth = wrap ? pixels.width() : -1;
            m_layouts
                .get({copy.caption, copy.drawFont, wrapWidth,
                      horizontalFlag(copy.alignment) == Qt::AlignLeft})
                ->draw(painter, pixels, horizontalFlag(copy.alignment));
        } else {
            painter.drawText(pixels, flags, copy.caption);
        }
    }
    painter.restore();
}

QPointF TextElement::hitPartOrigin(QPointF pointTwips) const
{
    const QRectF surface(0, 0, widthTwips(), heightTwips());
    for (const TextCopy* copy : {&m_l1, &m_l2})
        if (copyRect(*copy).intersected(surface).contains(pointTwips))
            return copy->pos;
    return {};
}
