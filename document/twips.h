#pragma once

#include <QPointF>
#include <QRect>
#include <QtMath>

// Card geometry is kept in twips; the screen shows it at a fixed 15 twips a pixel so that
// a card file means the same on every screen.
inline constexpr float TwipsPerPixel = 15.0f;

inline float pixelsToTwips(qreal pixels) { return float(pixels * TwipsPerPixel); }

// Rounds edges rather than sizes so that touching boxes stay touching on screen.
inline QRect twipsToPixelRect(float left, float top, float width, float height)
{
    const int x = qRound(left / TwipsPerPixel);
    const int y = qRound(top / TwipsPerPixel);
    const int r = qRound((left + width) / TwipsPerPixel);
    const int b = qRound((top + height) / TwipsPerPixel);
    return QRect(x, y, qMax(0, r - x), qMax(0, b - y));
}
