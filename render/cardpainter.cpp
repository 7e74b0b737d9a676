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
#include <QPaintEngine>
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

// A face as drawn, and how far a glyph of it may reach past its advance on either side.
struct DrawnFace {
    QFont font;
    qreal overhang = 0; // pixels
};

// A card uses a handful of faces over and over: each is made once, not at every repaint.
const DrawnFace& drawnFace(const TextLook& text)
{
    static QHash<Face, DrawnFace> made;
    const Face face{text.fontName, text.fontSize,  text.bold,
                    text.italic,   text.underline, text.strikeout};
    if (const auto found = made.constFind(face); found != made.constEnd())
        return *found;
    if (made.size() >= 256)
        made.clear();
    const QFont font = makeDrawnFont(text);
    const QFontMetricsF metrics(font);
    const qreal overhang =
        qMax<qreal>(0, -qMin(metrics.minLeftBearing(), metrics.minRightBearing()));
    return *made.insert(face, {font, overhang});
}

// Draws one copy of a caption at `pos` (pixels from the box's corner) with the painter at
// the box's corner in pixels. `reach`: how far from the corner (pixels) the element can show.
void paintCopy(QPainter& painter, const CardItem& item, const render::TextLayout::Key& key,
               const render::TextLayout* layout, QPointF pos, qint32 color, QSizeF reach)
{
    const TextLook& text = item.text;
    const QRectF pixels(pos, QSizeF(item.width, item.height) / TwipsPerPixel);
    painter.setPen(vbcolor::toQColor(color));
    const int alignment = horizontalFlag(text.alignment);
    if (layout) {
        layout->draw(painter, pixels, alignment);
        return;
    }
    // drawText takes the font at the device's resolution; the text is sized in the screen's
    // pixels like every layout.
    const QFont& font = key.font;
    QFont deviceFont = font;
    const int deviceDpi = painter.device()->logicalDpiY();
    if (deviceDpi > 0 && deviceDpi != render::TextLayout::layoutDpi())
        deviceFont.setPointSizeF(font.pointSizeF() * render::TextLayout::layoutDpi() / deviceDpi);
    painter.setFont(deviceFont);
    // Only as much of a long caption as could fill what shows of the box, several times over,
    // is handed over: drawText lays out all it is given.
    const QFontMetricsF metrics(font);
    const qreal fits = (reach.height() / qMax<qreal>(1, metrics.lineSpacing()) + 2)
                       * (reach.width() / qMax<qreal>(1, metrics.averageCharWidth()) + 8);
    const qsizetype shown = qsizetype(qMin<qreal>(qMax<qreal>(4 * fits, 4096), 1e12));
    painter.drawText(pixels, Qt::AlignTop | alignment | Qt::TextExpandTabs | Qt::TextWordWrap,
                     text.caption.size() > shown ? render::TextLayout::shownText(key, shown)
                                                 : text.caption);
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

// The text with its box's corner at `origin` (twips), on a card of `card` twips when given.
// `onPixels`: the element is cut at its box already, and each copy off the corner is cut at
// its own box as the pixel grid rounds it.
void paintText(QPainter& painter, const CardItem& item, render::TextLayoutCache& layouts,
               QPointF origin, bool onPixels, const QSizeF& card)
{
    const TextLook& text = item.text;
    const QSizeF reach = reachOf(item, card);
    if (reach.isEmpty())
        return;
    const QRectF surface(origin, QSizeF(item.width, item.height));
    if (text.backStyle == Opaque)
        painter.fillRect(surface, vbcolor::toQColor(text.backColor));
    if (text.caption.isEmpty())
        return;
    // The back copy peeks out from behind the front one by the 3-D offset; other values keep
    // the copies where a new text has them.
    QPointF front, back;
    if (text.font3D == 1)
        front = QPointF(CopyOffset, CopyOffset);
    else if (text.font3D == 2)
        back = QPointF(CopyOffset, CopyOffset);
    const DrawnFace& face = drawnFace(text);
    // Laid out in pixels, the unit of the screen the card is designed on; the painter's
    // scale carries it to any device. Printers leave the direction to the text (Auto); only a
    // right-to-left painter goes to drawText.
    const QSizeF pixels = surface.size() / TwipsPerPixel;
    const int alignment = horizontalFlag(text.alignment);
    // Both copies share one layout: it reaches as far as the element shows either way.
    render::TextLayout::Key key{text.caption,   face.font,
                                pixels.width(), alignment == Qt::AlignLeft,
                                reach.height(), reach.width()};
    // Sized in the screen's pixels like every layout, so that each device shrinks it alike.
    if (text.shrinkToFit) {
        const qreal fitted =
            render::fittedPointSize(text.caption, key.font, pixels, alignment == Qt::AlignLeft);
        if (fitted < key.font.pointSizeF())
            key.font.setPointSizeF(fitted);
    }
    std::shared_ptr<const render::TextLayout> layout;
    if (painter.layoutDirection() != Qt::RightToLeft && render::TextLayout::canLayout(text.caption))
        layout = layouts.get(item.serial, key);
    // A caption that stays inside its box, from the copy furthest in, needs no clip: a clip
    // is what a PDF pays most for. A smaller font than the face's overhangs less.
    const qreal inset = qMax(front.x(), back.x()) / TwipsPerPixel;
    bool inside = false;
    if (layout) {
        const QSizeF extent = layout->extent();
        inside = extent.width() + face.overhang + inset <= pixels.width()
                 && extent.height() + face.overhang + inset <= pixels.height();
    }
    painter.save();
    painter.translate(origin);
    if (!onPixels && !inside)
        painter.setClipRect(QRectF(QPointF(0, 0), surface.size()), Qt::IntersectClip);
    bool scaled = false;
    const auto copy = [&](QPointF pos, qint32 color) {
        const QPointF at = pos / TwipsPerPixel;
        const bool ownClip = !pos.isNull() && (onPixels || !inside);
        if (onPixels) {
            painter.save();
            if (ownClip)
                painter.setClipRect(QRectF(pos, surface.size()), Qt::IntersectClip);
            painter.scale(TwipsPerPixel, TwipsPerPixel);
            paintCopy(painter, item, key, layout.get(), at, color, reach);
            painter.restore();
            return;
        }
        if (!scaled)
            painter.scale(TwipsPerPixel, TwipsPerPixel);
        scaled = true;
        if (ownClip) {
            painter.save();
            painter.setClipRect(QRectF(at, pixels), Qt::IntersectClip);
        }
        paintCopy(painter, item, key, layout.get(), at, color, reach);
        if (ownClip)
            painter.restore();
    };
    // A back copy exactly behind the front one is hidden by it: drawing it would only tint
    // the front's antialiased edges, and write the caption twice into a PDF.
    if (back != front)
        copy(back, text.bgColor);
    copy(front, text.frwColor);
    painter.restore();
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

// A curved outline costs its whole extent to rasterize however little of it a clip lets show,
// and a crowd's repaint shows most shapes in part. On pixels, what one draws is kept as an
// image, for its size, look, scale and place within a device pixel, and copied.
struct ShapeImageKey {
    qint16 kind = 0;
    bool border = false;
    QRgb fill = 0;
    qreal width = 0, height = 0;  // the outline, twips
    qreal scaleX = 0, scaleY = 0; // device pixels to a twip
    int withinX = 0, withinY = 0; // where it starts within a device pixel, 1/64ths
    bool operator==(const ShapeImageKey&) const = default;
};
size_t qHash(const ShapeImageKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.kind, key.border, key.fill, key.width, key.height, key.scaleX,
                      key.scaleY, key.withinX, key.withinY);
}

struct ShapeImages {
    static constexpr qint64 MaxPixels = 8'000'000; // 32 MB
    static constexpr qint64 MaxImagePixels = 1'000'000;
    QHash<ShapeImageKey, QImage> images;
    qint64 pixels = 0;
};
ShapeImages& shapeImages()
{
    static ShapeImages kept;
    return kept;
}

bool paintFromImage(QPainter& painter, const ShapeLook& shape, const QPainterPath& path)
{
    const QTransform device = painter.deviceTransform();
    if (device.type() > QTransform::TxScale || device.m11() <= 0 || device.m22() <= 0
        || painter.compositionMode() != QPainter::CompositionMode_SourceOver
        || painter.opacity() != 1)
        return false;
    const qreal pen = painter.pen().style() == Qt::NoPen ? 0 : painter.pen().widthF() / 2;
    const QRectF outline = path.boundingRect();
    const QRectF reach = device.mapRect(outline.adjusted(-pen, -pen, pen, pen));
    // A device pixel of margin each way holds the antialiased edge.
    const QPoint corner(int(std::floor(reach.left())) - 1, int(std::floor(reach.top())) - 1);
    const QSize size(int(std::ceil(reach.right())) + 1 - corner.x(),
                     int(std::ceil(reach.bottom())) + 1 - corner.y());
    if (qint64(size.width()) * size.height() > ShapeImages::MaxImagePixels)
        return false;
    const QPointF within = device.map(outline.topLeft()) - QPointF(corner);
    const ShapeImageKey key{shape.shape,
                            painter.pen().style() != Qt::NoPen,
                            painter.brush().style() == Qt::NoBrush ? 0u
                                                                   : painter.brush().color().rgba(),
                            outline.width(),
                            outline.height(),
                            device.m11(),
                            device.m22(),
                            qRound(within.x() * 64),
                            qRound(within.y() * 64)};
    ShapeImages& kept = shapeImages();
    auto found = kept.images.constFind(key);
    if (found == kept.images.constEnd()) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter drawn(&image);
        drawn.setRenderHints(painter.renderHints());
        drawn.setTransform(QTransform(device.m11(), 0, 0, device.m22(), device.dx() - corner.x(),
                                      device.dy() - corner.y()));
        drawn.setPen(painter.pen());
        drawn.setBrush(painter.brush());
        drawn.drawPath(path);
        drawn.end();
        if (kept.pixels + qint64(size.width()) * size.height() > ShapeImages::MaxPixels) {
            kept.images.clear();
            kept.pixels = 0;
        }
        kept.pixels += qint64(size.width()) * size.height();
        found = kept.images.insert(key, image);
    }
    // Copied in device pixels, where the kept image has its own.
    painter.save();
    painter.setWorldTransform(device.inverted() * painter.worldTransform());
    painter.drawImage(corner, *found);
    painter.restore();
    return true;
}

void paintShape(QPainter& painter, const CardItem& item, QPointF origin, bool onPixels)
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
    const QPainterPath path = kindPath(shape.shape, outline.translated(origin));
    const bool curved = shape.shape != ShapeLook::Rectangle && shape.shape != ShapeLook::Square;
    if (onPixels && curved && paintFromImage(painter, shape, path))
        return;
    // An inner box kept from a larger element may reach past the element's own.
    if (onPixels || QRectF(0, 0, item.width, item.height).contains(drawn)) {
        painter.drawPath(path);
        return;
    }
    painter.save();
    painter.setClipRect(item.box(), Qt::IntersectClip);
    painter.drawPath(path);
    painter.restore();
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

void paintPicture(QPainter& painter, const CardItem& item, QPointF origin, bool onPixels,
                  PictureStore& pictures)
{
    QImage picture = pictures.picture(item.picturePath());
    if (picture.isNull())
        picture = PictureStore::templateIcon();
    if (painter.device()->devType() == QInternal::Widget)
        picture = screenCopy(picture, *painter.device());
    // Drawn at the painter's scale: only what the clip lets through is ever scaled.
    if (!painter.testRenderHint(QPainter::SmoothPixmapTransform))
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF box(origin, QSizeF(item.width, item.height));
    if (onPixels) {
        painter.drawImage(box, picture);
        return;
    }
    // A renderer fills every device pixel an image touches, where a clip's edge is
    // antialiased: the clip keeps a picture's edges where a clipped box has always had them.
    painter.save();
    painter.setClipRect(box, Qt::IntersectClip);
    painter.drawImage(box, picture);
    painter.restore();
}
} // namespace

namespace cardpainter {

bool drawsOnPixels(const QPainter& painter)
{
    const QPaintEngine* engine = painter.paintEngine();
    return !engine || (engine->type() != QPaintEngine::Pdf && engine->type() != QPaintEngine::SVG);
}

void paintItem(QPainter& painter, const CardItem& item, const Caches& caches,
               const QSizeF& cardTwips)
{
    if (!(item.width > 0 && item.height > 0))
        return;
    // On pixels a clip is cheap and rounds the box to whole pixels, as the screen has always
    // shown it. On paper and in a PDF an element draws in its box and clips or saves the
    // painter only where it must: a PDF writes every clip and state change into its page.
    const bool onPixels = drawsOnPixels(painter);
    const QPointF origin = onPixels ? QPointF() : QPointF(item.left, item.top);
    if (onPixels) {
        painter.save();
        painter.translate(item.left, item.top);
        painter.setClipRect(QRectF(0, 0, item.width, item.height), Qt::IntersectClip);
    }
    if (!painter.testRenderHint(QPainter::Antialiasing))
        painter.setRenderHint(QPainter::Antialiasing);
    switch (item.kind) {
    case ElementKind::Text:
        paintText(painter, item, caches.layouts ? *caches.layouts : sharedLayouts(), origin,
                  onPixels, cardTwips);
        break;
    case ElementKind::Shape: paintShape(painter, item, origin, onPixels); break;
    case ElementKind::Picture:
        paintPicture(painter, item, origin, onPixels,
                     caches.pictures ? *caches.pictures : PictureStore::shared());
        break;
    case ElementKind::QrCode:
        paintQrElement(painter, item, QRectF(origin, QSizeF(item.width, item.height)));
        break;
    }
    if (onPixels)
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
    // On paper, cut at the area only once an element reaches past it. An element that cannot
    // show is never handed to the device.
    bool clipped = drawsOnPixels(painter);
    if (clipped)
        painter.setClipRect(area, Qt::IntersectClip);
    painter.fillRect(area, vbcolor::toQColor(design.backColor));
    for (const CardItem& item : design.items()) {
        if (!item.visible || !item.box().intersects(area))
            continue;
        if (!clipped && !area.contains(item.box())) {
            painter.setClipRect(area, Qt::IntersectClip);
            clipped = true;
        }
        paintItem(painter, item, used, card.size());
    }
    painter.restore();
}

void clearSharedCaches()
{
    PictureStore::shared().clear();
    sharedLayouts().clear();
    shapeImages() = {};
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

QRectF filledCore(const CardItem& item)
{
    const ShapeLook& shape = item.shape;
    if (item.kind != ElementKind::Shape || shape.backStyle != Opaque)
        return {};
    const QRectF drawn = drawnRect(shape);
    // The largest box inside an ellipse has sides of 1/sqrt(2) of its axes; a rounded corner
    // of radius r reaches r(1 - 1/sqrt(2)) into its square.
    qreal insetX = 0, insetY = 0;
    switch (shape.shape) {
    case ShapeLook::Oval:
    case ShapeLook::Circle:
        insetX = drawn.width() * (1 - M_SQRT1_2) / 2;
        insetY = drawn.height() * (1 - M_SQRT1_2) / 2;
        break;
    case ShapeLook::RoundedRectangle:
    case ShapeLook::RoundedSquare: insetX = insetY = cornerRadius(drawn) * (1 - M_SQRT1_2); break;
    default: break;
    }
    const QRectF core =
        drawn.adjusted(insetX, insetY, -insetX, -insetY) & QRectF(0, 0, item.width, item.height);
    return core.isEmpty() ? QRectF() : core.translated(item.left, item.top);
}

} // namespace cardpainter
