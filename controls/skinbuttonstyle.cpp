#include "controls/skinbuttonstyle.h"

#include <QPainter>
#include <QPainterPath>

namespace skinshade {
QColor shifted(const QColor& color, int amount)
{
    const auto move = [amount](int channel) { return qBound(0, channel + amount, 255); };
    return QColor(move(color.red()), move(color.green()), move(color.blue()));
}

QColor gradientRow(const QColor& face, int row, int height, bool softBevel)
{
    int lighten = 48;
    int darken = height > 0 ? 25 * row / height : 0;
    if (softBevel) {
        lighten /= 2;
        darken /= 2;
    }
    return shifted(shifted(face, lighten), -darken);
}
} // namespace skinshade

namespace {
enum Style {
    Win31 = 1,
    Classic = 2,
    Gradient = 3,
    Rounded = 4,
    Metal = 5,
    Thick = 6,
    Flat = 7,
    FlatHover = 8,
    Oval = 9,
    Soft = 10,
    HoverBevel = 11,
    Underline = 12,
    Bare = 13,
    Office = 14
};

// Lines of whole pixels; fills, not pens, so that they stay one pixel at any scale.
void hLine(QPainter& p, int x1, int x2, int y, const QColor& c)
{
    p.fillRect(x1, y, x2 - x1 + 1, 1, c);
}
void vLine(QPainter& p, int x, int y1, int y2, const QColor& c)
{
    p.fillRect(x, y1, 1, y2 - y1 + 1, c);
}

void frame(QPainter& p, const QRect& r, const QColor& c)
{
    hLine(p, r.left(), r.right(), r.top(), c);
    hLine(p, r.left(), r.right(), r.bottom(), c);
    vLine(p, r.left(), r.top(), r.bottom(), c);
    vLine(p, r.right(), r.top(), r.bottom(), c);
}

// Light along the top and left, dark along the bottom and right.
void bevel(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    hLine(p, r.left(), r.right() - 1, r.top(), topLeft);
    vLine(p, r.left(), r.top(), r.bottom() - 1, topLeft);
    hLine(p, r.left(), r.right(), r.bottom(), bottomRight);
    vLine(p, r.right(), r.top(), r.bottom(), bottomRight);
}

void verticalGradient(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom,
                      qreal radius)
{
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(gradient);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(r, radius, radius);
    p.restore();
}

void roundedOutline(QPainter& p, const QRectF& r, qreal radius, const QColor& c)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

void paintGradientStyle(QPainter& p, const QSize& size, const SkinFace& f, const QColor& face)
{
    const int w = size.width();
    const int h = size.height();
    // Rows 1 and h are under the frame; a pressed face runs dark to light instead.
    for (int row = 2; row < h; ++row) {
        const int shade = f.pressed ? h + 1 - row : row;
        hLine(p, 1, w - 2, row - 1, skinshade::gradientRow(face, shade, h, f.softBevel));
    }
    const QColor edge = f.enabled ? QColor(0x00, 0x3C, 0x73) : f.palette.shadow;
    // The outermost corner pixels stay unpainted, which rounds the corners.
    hLine(p, 1, w - 2, 0, edge);
    hLine(p, 1, w - 2, h - 1, edge);
    vLine(p, 0, 1, h - 2, edge);
    vLine(p, w - 1, 1, h - 2, edge);
    const QColor corner = f.enabled ? QColor(0x10, 0x4D, 0x7B) : f.palette.shadow;
    for (const QPoint& at :
         {QPoint(1, 1), QPoint(w - 2, 1), QPoint(1, h - 2), QPoint(w - 2, h - 2)})
        p.fillRect(at.x(), at.y(), 1, 1, corner);
    if (f.hovered && f.enabled) {
        const QColor orange(0xFF, 0xB2, 0x31);
        hLine(p, 2, w - 3, 1, orange);
        hLine(p, 2, w - 3, h - 2, orange);
        vLine(p, 1, 2, h - 3, orange);
        vLine(p, w - 2, 2, h - 3, orange);
    }
}

void paintBody(QPainter& p, const QSize& size, const SkinFace& f)
{
    const SkinPalette& c = f.palette;
    const QColor face = f.hovered && f.enabled ? c.hoverFace : c.face;
    const QRect all(QPoint(0, 0), size);
    const QRect inner = all.adjusted(1, 1, -1, -1);
    // A soft bevel trades the strongest shades for the next ones in.
    const QColor brightest = f.softBevel ? c.light : c.highlight;
    const QColor darkest = f.softBevel ? c.shadow : c.darkShadow;
    const bool raised = !f.pressed;

    switch (f.buttonType) {
    case Win31:
        p.fillRect(inner, face);
        hLine(p, 1, size.width() - 2, 0, darkest);
        hLine(p, 1, size.width() - 2, size.height() - 1, darkest);
        vLine(p, 0, 1, size.height() - 2, darkest);
        vLine(p, size.width() - 1, 1, size.height() - 2, darkest);
        if (raised) {
            bevel(p, inner, brightest, c.shadow);
            bevel(p, inner.adjusted(1, 1, -1, -1), brightest, c.shadow);
        } else {
            hLine(p, inner.left(), inner.right(), inner.top(), c.shadow);
            vLine(p, inner.left(), inner.top(), inner.bottom(), c.shadow);
        }
        break;
    case Gradient: paintGradientStyle(p, size, f, face); break;
    case Rounded:
    case Soft:
    case Oval: {
        const qreal radius = f.buttonType == Oval      ? size.height() / 2.0
                             : f.buttonType == Rounded ? 6.0
                                                       : 2.0;
        const QColor top = raised ? skinshade::shifted(face, 40) : skinshade::shifted(face, -24);
        const QColor bottom = raised ? face : skinshade::shifted(face, 16);
        verticalGradient(p, QRectF(all), top, bottom, radius);
        roundedOutline(p, QRectF(all), radius, f.hovered ? darkest : c.shadow);
        break;
    }
    case Metal:
        p.fillRect(all, raised ? face : skinshade::shifted(face, -32));
        frame(p, all.adjusted(0, 0, -1, -1), c.shadow);
        if (raised)
            frame(p, all.adjusted(1, 1, 0, 0), brightest);
        break;
    case Thick:
        p.fillRect(all, face);
        for (int i = 0; i < 2; ++i) {
            const QRect ring = all.adjusted(i, i, -i, -i);
            bevel(p, ring, raised ? brightest : darkest, raised ? darkest : brightest);
        }
        break;
    case Flat:
        p.fillRect(all, raised ? face : c.shadow);
        frame(p, all, f.hovered ? darkest : c.shadow);
        break;
    case FlatHover:
    case HoverBevel:
        p.fillRect(all, face);
        if (f.pressed)
            bevel(p, all, c.shadow, brightest);
        else if (f.hovered)
            bevel(p, all, brightest, c.shadow);
        else if (f.buttonType == HoverBevel)
            frame(p, all, c.shadow);
        break;
    case Underline:
        p.fillRect(all, face);
        if (f.hovered || f.pressed)
            p.fillRect(0, size.height() - 2, size.width(), 2, c.focus);
        break;
    case Bare:
        if (f.hovered || f.pressed)
            frame(p, all, f.pressed ? darkest : c.shadow);
        break;
    case Office:
        if (f.hovered || f.pressed) {
            QColor fill = c.focus;
            fill.setAlpha(f.pressed ? 110 : 55);
            p.fillRect(all, face);
            p.fillRect(all, fill);
            frame(p, all, c.focus);
        } else {
            p.fillRect(all, face);
        }
        break;
    case Classic:
    default:
        p.fillRect(all, face);
        if (raised) {
            bevel(p, all, brightest, darkest);
            bevel(p, inner, c.light, c.shadow);
        } else {
            frame(p, all, darkest);
            frame(p, inner, c.shadow);
        }
        break;
    }
}

void paintCaption(QPainter& p, const SkinFace& f, const QRect& textRect)
{
    if (f.caption.isEmpty())
        return;
    const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    const SkinPalette& c = f.palette;
    p.setFont(f.font);
    if (!f.enabled) {
        // Half way between face and caption reads as greyed on light and dark faces; a light
        // face also gets the etched copy below it.
        const QColor greyed = QColor::fromRgbF((c.face.redF() + c.text.redF()) / 2,
                                               (c.face.greenF() + c.text.greenF()) / 2,
                                               (c.face.blueF() + c.text.blueF()) / 2);
        if (c.face.lightness() >= 128) {
            p.setPen(c.highlight);
            p.drawText(textRect.translated(1, 1), flags, f.caption);
        }
        p.setPen(greyed);
        p.drawText(textRect, flags, f.caption);
        return;
    }
    // Caption effects: 1 raised, 2 sunken, 3 shadowed.
    switch (f.specialEffect) {
    case 1:
        p.setPen(c.highlight);
        p.drawText(textRect.translated(-1, -1), flags, f.caption);
        break;
    case 2:
        p.setPen(c.highlight);
        p.drawText(textRect.translated(1, 1), flags, f.caption);
        break;
    case 3:
        p.setPen(c.shadow);
        p.drawText(textRect.translated(1, 1), flags, f.caption);
        break;
    default: break;
    }
    p.setPen(f.hovered ? c.hoverText : c.text);
    p.drawText(textRect, flags, f.caption);
}
} // namespace

QRect skinFocusRect(int buttonType, const QSize& size)
{
    const QRect all(QPoint(0, 0), size);
    if (buttonType == Office)
        return all.adjusted(5, 5, -5, -5).translated(1, 1);
    const int inset = buttonType >= Flat && buttonType <= Bare ? 3 : 4;
    return all.adjusted(inset, inset, -inset, -inset);
}

void paintSkinFace(QPainter& painter, const QSize& size, const SkinFace& face)
{
    if (size.width() < 3 || size.height() < 3)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintBody(painter, size, face);

    const QPoint sink = face.pressed ? QPoint(1, 1) : QPoint();
    if (!face.picture.isNull() && !face.pictureRect.isEmpty())
        painter.drawPixmap(face.pictureRect.translated(sink), face.picture);
    paintCaption(painter, face, face.textRect.translated(sink));

    if (face.focusRect) {
        const QRect focus = skinFocusRect(face.buttonType, size);
        if (focus.width() > 1 && focus.height() > 1) {
            painter.setPen(
                QPen(face.hovered ? face.palette.hoverText : face.palette.text, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(focus.adjusted(0, 0, -1, -1));
        }
    }
    painter.restore();
}
