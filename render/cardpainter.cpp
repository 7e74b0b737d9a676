#include "render/cardpainter.h"

#include "document/fontfaces.h"
#include "document/twips.h"
#include "platform/vbcolor.h"
#include "render/picturestore.h"
#include "render/qrcode.h"
#include "render/textfit.h"
#include "render/textlayout.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {
// The 3-D offset of a text's two copies, in twips, both ways.
constexpr qreal CopyOffset = 20;
constexpr qint16 Opaque = 1;
constexpr qint16 NoOutline = 0;
constexpr float MaxFontSize = 2048.0f;

render::TextLayoutCache& sharedLayouts()
{
    static render::TextLayoutCache cache;
    return cache;
}

// --- text --------------------------------------------------------------------------------

int horizontalFlag(qint16 alignment)
{
    switch (alignment) {
    case 1: return Qt::AlignRight;
    case 2: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

// The face a text is drawn with: the template's font with the item's choices over it, and
// the script suffix of the stored name dropped.
QFont makeDrawnFont(const TextLook& text)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    font.setFamily(text.fontName);
    // A size that cannot be drawn leaves the template's.
    if (text.fontSize > 0 && text.fontSize <= MaxFontSize)
        font.setPointSizeF(text.fontSize);
    font.setBold(text.bold);
    font.setItalic(text.italic);
    font.setUnderline(text.underline);
    font.setStrikeOut(text.strikeout);
    const QString family = renderedFontFamily(font.family());
    if (family != font.family())
        font.setFamily(family);
    return font;
}

// What makes a text's face.
struct Face {
    QString name;
    float size;
    bool bold, italic, underline, strikeout;
    bool operator==(const Face&) const = default;
};
size_t qHash(const Face& face, size_t seed = 0)
{
    return qHashMulti(seed, face.name, face.size, face.bold, face.italic, face.underline,
                      face.strikeout);
}

// A card uses a handful of faces over and over: each is made once, not at every repaint.
QFont drawnFont(const TextLook& text)
{
    static QHash<Face, QFont> made;
    const Face face{text.fontName, text.fontSize,  text.bold,
                    text.italic,   text.underline, text.strikeout};
    if (const auto found = made.constFind(face); found != made.constEnd())
        return *found;
    if (made.size() >= 256)
        made.clear();
    return *made.insert(face, makeDrawnFont(text));
}

struct TextCopy {
    QPointF pos;
    qint32 color = 0;
};

// What both copies of a text are drawn with.
struct TextStyle {
    QFont font;
    bool laidOut = false; // through a cached layout rather than drawText
    QSizeF reach;         // pixels from the element's corner that can show on the card
};

void paintCopy(QPainter& painter, const CardItem& item, const TextStyle& style,
               const TextCopy& copy, render::TextLayoutCache& layouts)
{
    const QRectF box(copy.pos, QSizeF(item.width, item.height));
    const TextLook& text = item.text;
    if (box.isEmpty() || text.caption.isEmpty())
        return;
    painter.save();
    // The copy at the origin lies within the element, which is clipped already.
    if (!copy.pos.isNull())
        painter.setClipRect(box, Qt::IntersectClip);
    // Laid out in pixels, the unit of the screen the card is designed on; the painter's
    // scale carries it to any device.
    painter.scale(TwipsPerPixel, TwipsPerPixel);
    painter.setPen(vbcolor::toQColor(copy.color));
    const int alignment = horizontalFlag(text.alignment);
    const QRectF pixels(box.topLeft() / TwipsPerPixel, box.size() / TwipsPerPixel);
    const QFont& font = style.font;
    // Both copies share one layout: it reaches as far as the element shows either way.
    const render::TextLayout::Key key{text.caption,         font,
                                      pixels.width(),       alignment == Qt::AlignLeft,
                                      style.reach.height(), style.reach.width()};
    if (style.laidOut) {
        layouts.get(item.serial, key)->draw(painter, pixels, alignment);
    } else {
        // drawText takes the font at the device's resolution; the text is sized in the
        // screen's pixels like every layout.
        QFont deviceFont = font;
        const int deviceDpi = painter.device()->logicalDpiY();
        if (deviceDpi > 0 && deviceDpi != render::TextLayout::layoutDpi())
            deviceFont.setPointSizeF(font.pointSizeF() * render::TextLayout::layoutDpi()
                                     / deviceDpi);
        painter.setFont(deviceFont);
        // Only as much of a long caption as could fill what shows of the box, several times
        // over, is handed over: drawText lays out all it is given.
        const QFontMetricsF metrics(font);
        const qreal fits = (style.reach.height() / qMax<qreal>(1, metrics.lineSpacing()) + 2)
                           * (style.reach.width() / qMax<qreal>(1, metrics.averageCharWidth()) + 8);
        const qsizetype shown = qsizetype(qMin<qreal>(qMax<qreal>(4 * fits, 4096), 1e12));
        painter.drawText(pixels, Qt::AlignTop | alignment | Qt::TextExpandTabs | Qt::TextWordWrap,
                         text.caption.size() > shown ? render::TextLayout::shownText(key, shown)
                                                     : text.caption);
    }
    painter.restore();
}

// How far from the element's corner (pixels) it can show: to its own edges, and to the card's
// when the card's size (twips) is known.
QSizeF reachOf(const CardItem& item, const QSizeF& card)
{
    QSizeF reach(item.width, item.height);
    if (!card.isEmpty())
        reach = reach.boundedTo(QSizeF(card.width() - item.left, card.height() - item.top))
                    .expandedTo(QSizeF(0, 0));
    return reach / TwipsPerPixel;
}

void paintText(QPainter& painter, const CardItem& item, render::TextLayoutCache& layouts,
               const QSizeF& card)
{
    const TextLook& text = item.text;
    const QSizeF reach = reachOf(item, card);
    if (reach.isEmpty())
        return;
    const QRectF surface(0, 0, item.width, item.height);
    if (text.backStyle == Opaque)
        painter.fillRect(surface, vbcolor::toQColor(text.backColor));
    // The back copy peeks out from behind the front one by the 3-D offset; other values keep
    // the copies where a new text has them.
    QPointF front, back;
    if (text.font3D == 1)
        front = QPointF(CopyOffset, CopyOffset);
    else if (text.font3D == 2)
        back = QPointF(CopyOffset, CopyOffset);
    // Printers leave the direction to the text (Auto); only a right-to-left painter goes to
    // drawText.
    TextStyle style{drawnFont(text),
                    painter.layoutDirection() != Qt::RightToLeft
                        && render::TextLayout::canLayout(text.caption),
                    reach};
    // Sized in the screen's pixels like every layout, so that each device shrinks it alike.
    if (text.shrinkToFit) {
        const qreal fitted =
            render::fittedPointSize(text.caption, style.font, surface.size() / TwipsPerPixel,
                                    horizontalFlag(text.alignment) == Qt::AlignLeft);
        if (fitted < style.font.pointSizeF())
            style.font.setPointSizeF(fitted);
    }
    // A back copy exactly behind the front one is hidden by it: drawing it would only tint
    // the front's antialiased edges, and write the caption twice into a PDF.
    if (back != front)
        paintCopy(painter, item, style, {back, text.bgColor}, layouts);
    paintCopy(painter, item, style, {front, text.frwColor}, layouts);
}

// --- shapes ------------------------------------------------------------------------------

bool isSquareKind(int kind)
{
    return kind == ShapeLook::Square || kind == ShapeLook::Circle
           || kind == ShapeLook::RoundedSquare;
}

// The shape's own box inside the element, and the square of the square kinds centred in it.
QRectF drawnRect(const ShapeLook& shape)
{
    const QRectF box(ShapeLook::Inset, ShapeLook::Inset, shape.innerWidth, shape.innerHeight);
    if (!isSquareKind(shape.shape))
        return box;
    const qreal side = qMin(box.width(), box.height());
    return QRectF(box.x() + (box.width() - side) / 2, box.y() + (box.height() - side) / 2, side,
                  side);
}

// A sixth of the shorter side reads as "rounded" at every size without turning a small
// shape into an oval.
qreal cornerRadius(const QRectF& rect) { return qMin(rect.width(), rect.height()) / 6; }

QPainterPath kindPath(int kind, const QRectF& rect)
{
    QPainterPath path;
    switch (kind) {
    case ShapeLook::Oval:
    case ShapeLook::Circle: path.addEllipse(rect); break;
    case ShapeLook::RoundedRectangle:
    case ShapeLook::RoundedSquare:
        path.addRoundedRect(rect, cornerRadius(rect), cornerRadius(rect));
        break;
    default: path.addRect(rect); break;
    }
    return path;
}

void paintShape(QPainter& painter, const CardItem& item)
{
    const ShapeLook& shape = item.shape;
    const QRectF drawn = drawnRect(shape);
    if (drawn.isEmpty())
        return;
    painter.setBrush(shape.backStyle == Opaque ? QBrush(vbcolor::toQColor(shape.backColor))
                                               : QBrush(Qt::NoBrush));
    QRectF outline = drawn;
    if (shape.borderStyle == NoOutline) {
        painter.setPen(Qt::NoPen);
    } else {
        // A one-pixel line lying inside the shape's box, as the fill does.
        painter.setPen(QPen(Qt::black, TwipsPerPixel, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        const qreal half = TwipsPerPixel / 2;
        outline = drawn.adjusted(half, half, -half, -half);
    }
    painter.drawPath(kindPath(shape.shape, outline));
}

// --- pictures ----------------------------------------------------------------------------

int screenScalings = 0;

// On a screen, a picture larger than the widget is drawn from one copy scaled to fit the
// widget: every use at that view shares it, and no copy is larger than what can be seen.
QImage screenCopy(const QImage& picture, const QPaintDevice& device)
{
    const qreal ratio = device.devicePixelRatioF();
    const QSize bound(qMax(1, qCeil(device.width() * ratio)),
                      qMax(1, qCeil(device.height() * ratio)));
    if (picture.width() <= bound.width() && picture.height() <= bound.height())
        return picture;
    const QSize size = picture.size().scaled(bound, Qt::KeepAspectRatio).expandedTo({1, 1});
    struct Key {
        qint64 picture;
        QSize size;
        bool operator==(const Key&) const = default;
    };
    static QList<std::pair<Key, QImage>> copies; // the most recent first
    const Key key{picture.cacheKey(), size};
    for (qsizetype i = 0; i < copies.size(); ++i)
        if (copies[i].first == key) {
            copies.move(i, 0);
            return copies.front().second;
        }
    constexpr qsizetype Kept = 8;
    if (copies.size() >= Kept)
        copies.removeLast();
    ++screenScalings;
    copies.prepend({key, picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)});
    return copies.front().second;
}

void paintPicture(QPainter& painter, const CardItem& item, PictureStore& pictures)
{
    QImage picture = pictures.picture(item.picturePath());
    if (picture.isNull())
        picture = PictureStore::templateIcon();
    if (painter.device()->devType() == QInternal::Widget)
        picture = screenCopy(picture, *painter.device());
    // Drawn at the painter's scale: only what the clip lets through is ever scaled.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, item.width, item.height), picture);
}
} // namespace

namespace cardpainter {

void paintItem(QPainter& painter, const CardItem& item, const Caches& caches,
               const QSizeF& cardTwips)
{
    if (!(item.width > 0 && item.height > 0))
        return;
    painter.save();
    painter.translate(item.left, item.top);
    painter.setClipRect(QRectF(0, 0, item.width, item.height), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (item.kind) {
    case ElementKind::Text:
        paintText(painter, item, caches.layouts ? *caches.layouts : sharedLayouts(), cardTwips);
        break;
    case ElementKind::Shape: paintShape(painter, item); break;
    case ElementKind::Picture:
        paintPicture(painter, item, caches.pictures ? *caches.pictures : PictureStore::shared());
        break;
    case ElementKind::QrCode: paintQrElement(painter, item); break;
    }
    painter.restore();
}

void paintCard(QPainter& painter, const CardDesign& design, const QRectF& exposed,
               const Caches& caches)
{
    const QRectF card(0, 0, design.widthPixels * TwipsPerPixel,
                      design.heightPixels * TwipsPerPixel);
    const QRectF area = exposed.isEmpty() ? card : card.intersected(exposed);
    if (area.isEmpty())
        return;
    PictureStore& pictures = caches.pictures ? *caches.pictures : PictureStore::shared();
    pictures.beginCard();
    const Caches used{&pictures, caches.layouts ? caches.layouts : &sharedLayouts()};
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    painter.fillRect(area, vbcolor::toQColor(design.backColor));
    for (const CardItem& item : design.items()) {
        if (item.visible && item.box().intersects(area))
            paintItem(painter, item, used, card.size());
    }
    painter.restore();
}

void clearSharedCaches()
{
    PictureStore::shared().clear();
    sharedLayouts().clear();
}

int screenCopiesScaled() { return screenScalings; }

bool hits(const CardItem& item, QPointF pointTwips)
{
    if (!item.visible)
        return false;
    const QPointF local = pointTwips - QPointF(item.left, item.top);
    // The box covers its left and top edges but not its right and bottom ones, as its pixels
    // do (QRectF::contains takes all four): a click just past it is beside it.
    const bool inBox =
        local.x() >= 0 && local.x() < item.width && local.y() >= 0 && local.y() < item.height;
    if (item.kind != ElementKind::Shape || !inBox)
        return inBox;
    // The outline grown by a pixel each way, so that its antialiased edge takes the mouse.
    const qreal pixel = TwipsPerPixel;
    const QRectF grown = drawnRect(item.shape).adjusted(-pixel, -pixel, pixel, pixel);
    return kindPath(item.shape.shape, grown).contains(local);
}

} // namespace cardpainter
