#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>

class QPainter;

// The colours a skinned button draws with, worked out from its colour scheme.
struct SkinPalette {
    QColor face;
    QColor hoverFace;
    QColor text;
    QColor hoverText;
    QColor light;
    QColor highlight;
    QColor shadow;
    QColor darkShadow;
    QColor focus;
};

namespace skinshade {
// Each channel moved by `amount` (negative darkens), kept within 0 to 255.
QColor shifted(const QColor& color, int amount);
// Row `row` (1 to `height`) of the style-3 gradient: lightened by 48, then darkened by
// 25 × row ÷ height; both amounts are halved with a soft bevel.
QColor gradientRow(const QColor& face, int row, int height, bool softBevel);
} // namespace skinshade

// Everything one painting of a button face needs; the button fills it in, the painter only
// draws, so every style can be drawn into an image without a widget.
struct SkinFace {
    int buttonType = 2;
    bool softBevel = false;
    int specialEffect = 0;
    SkinPalette palette;
    bool pressed = false;
    bool hovered = false;
    bool enabled = true;
    bool focusRect = false;
    QString caption;
    QFont font;
    QRect textRect;
    QPixmap picture; // already masked and greyed as the state asks
    QRect pictureRect;
};

// Where the focus rectangle sits inside a button of `size` for `buttonType`.
QRect skinFocusRect(int buttonType, const QSize& size);

void paintSkinFace(QPainter& painter, const QSize& size, const SkinFace& face);
