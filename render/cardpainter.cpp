#include "render/cardpainter.h"

#include "controls/picturecache.h"
#include "document/fontfaces.h"
#include "document/twips.h"
#include "platform/vbcolor.h"
#include "render/qrcode.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

namespace cardpainter {
namespace {
constexpr qreal CopyOffset = 20;

bool isSquareKind(int kind)
{
    return kind == ShapeLook::Square || kind == ShapeLook::Circle
           || kind == ShapeLook::RoundedSquare;
}

QRectF drawnRect(const CardItem& item)
{
    const QRectF inner(ShapeLook::Inset, ShapeLook::Inset, item.shape.innerWidth,
                       item.shape.innerHeight);
    if (!isSquareKind(item.shape.shape))
        return inner;
    const qreal side = qMin(inner.width(), inner.height());
    return QRectF(inner.x() + (inner.width() - side) / 2, inner.y() + (inner.height() - side) / 2,
                  side, side);
}

QPainterPath kindPath(int kind, const QRectF& rect)
{
    QPainterPath path;
    const qreal radius = qMin(rect.width(), rect.height()) / 6;
    switch (kind) {
    case ShapeLook::Oval:
    case ShapeLook::Circle: path.addEllipse(rect); break;
    case ShapeLook::RoundedRectangle:
    case ShapeLook::RoundedSquare: path.addRoundedRect(rect, radius, radius); break;
    default: path.addRect(rect); break;
    }
    return path;
}

void paintShape(QPainter& painter, const CardItem& item)
{
    const ShapeLook& look = item.shape;
    const QRectF drawn = drawnRect(item);
    if (drawn.isEmpty())
        return;
    painter.setBrush(look.backStyle == 1 ? QBrush(vbcolor::toQColor(look.backColor))
                                         : QBrush(Qt::NoBrush));
    QRectF outline = drawn;
    if (look.borderStyle == 0) {
        painter.setPen(Qt::NoPen);
    } else {
        painter.setPen(QPen(Qt::black, TwipsPerPixel, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        const qreal half = TwipsPerPixel / 2;
        outline = drawn.adjusted(half, half, -half, -half);
    }
    painter.drawPath(kindPath(look.shape, outline));
}

int horizontalFlag(qint16 alignment)
{
    switch (alignment) {
    case 1: return Qt::AlignRight;
    case 2: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

void paintText(QPainter& painter, const CardItem& item)
{
    const TextLook& look = item.text;
    const QRectF surface(0, 0, item.width, item.height);
    painter.setClipRect(surface, Qt::IntersectClip);
    if (look.backStyle == 1)
        painter.fillRect(surface, vbcolor::toQColor(look.backColor));
    if (look.caption.isEmpty())
        return;
    QFont font(renderedFontFamily(look.fontName));
    font.setPointSizeF(look.fontSize);
    font.setBold(look.bold);
    font.setItalic(look.italic);
    font.setUnderline(look.underline);
    font.setStrikeOut(look.strikeout);
    const QPointF front = look.font3D == 1 ? QPointF(CopyOffset, CopyOffset) : QPointF();
    const QPointF back = look.font3D == 2 ? QPointF(CopyOffset, CopyOffset) : QPointF();
    const int flags =
        Qt::AlignTop | horizontalFlag(look.alignment) | Qt::TextExpandTabs | Qt::TextWordWrap;
    painter.scale(TwipsPerPixel, TwipsPerPixel);
    painter.setFont(font);
    for (const auto& [origin, color] : {std::pair{back, look.bgColor}, {front, look.frwColor}}) {
        painter.setPen(vbcolor::toQColor(color));
        const QRectF box(origin / TwipsPerPixel, surface.size() / TwipsPerPixel);
        painter.drawText(box, flags, look.caption);
    }
}

QImage templateIcon()
{
    static const QImage icon = [] {
        QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QSvgRenderer(QStringLiteral(":/picture-template.svg")).render(&painter);
        return image;
    }();
    return icon;
}

QImage pictureOf(const CardItem& item)
{
    const QString& path = item.picturePath();
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        const QImage image = picturecache::load(path, [](const QString& file) {
            QImageReader reader(file);
            reader.setAutoTransform(true);
            reader.setAllocationLimit(256);
            const QSize size = reader.size();
            if (size.isValid() && qint64(size.width()) * size.height() > 64'000'000)
                return QImage();
            return reader.read();
        });
        if (!image.isNull())
            return image;
    }
    return templateIcon();
}

void paintPicture(QPainter& painter, const CardItem& item)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, item.width, item.height), pictureOf(item));
}
} // namespace

void paintItem(QPainter& painter, const CardItem& item, const Caches&)
{
    painter.save();
    painter.translate(item.left, item.top);
    switch (item.kind) {
    case ElementKind::Text: paintText(painter, item); break;
    case ElementKind::Shape: paintShape(painter, item); break;
    case ElementKind::Picture: paintPicture(painter, item); break;
    case ElementKind::QrCode: paintQrElement(painter, item); break;
    }
    painter.restore();
}

void paintCard(QPainter& painter, const CardDesign& design, const QRectF& exposed,
               const Caches& caches)
{
    const QRectF card(0, 0, design.widthPixels * TwipsPerPixel,
                      design.heightPixels * TwipsPerPixel);
    const QRectF area = exposed.isEmpty() ? card : exposed.intersected(card);
    painter.fillRect(area, vbcolor::toQColor(design.backColor));
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    for (const CardItem& item : design.items())
        if (item.visible && item.box().adjusted(-30, -30, 30, 30).intersects(area))
            paintItem(painter, item, caches);
    painter.restore();
}

bool hits(const CardItem& item, QPointF pointTwips)
{
    const QPointF local = pointTwips - QPointF(item.left, item.top);
    if (item.kind != ElementKind::Shape)
        return QRectF(0, 0, item.width, item.height).contains(local);
    // The outline, grown by a pixel each way as its antialiased edge shows.
    const QRectF drawn =
        drawnRect(item).adjusted(-TwipsPerPixel, -TwipsPerPixel, TwipsPerPixel, TwipsPerPixel);
    return kindPath(item.shape.shape, drawn).contains(local);
}

} // namespace cardpainter
