#pragma once

#include <QPointF>
#include <QRect>
#include <QtMath>

#include <algorithm>
#include <cmath>

// Card geometry is kept in twips; the screen shows it at a fixed 15 twips a pixel so that
// a card file means the same on every screen.
inline constexpr float TwipsPerPixel = 15.0f;

// The farthest any position or size reaches, either way: a million pixels is far beyond any
// card, and sums of positions and sizes still fit the int coordinates of a QRect.
inline constexpr float MaxPixels = 1'000'000.0f;
inline constexpr float MaxTwips = MaxPixels * TwipsPerPixel;

// Geometry from outside (a file, a dialog, a drag) brought into that range. NaN has no
// sensible place; callers keep the value they had instead.
inline float boundedTwips(float twips) { return std::clamp(twips, -MaxTwips, MaxTwips); }
inline float boundedPixels(float pixels) { return std::clamp(pixels, -MaxPixels, MaxPixels); }

inline float pixelsToTwips(qreal pixels) { return float(pixels * TwipsPerPixel); }

// Rounds edges rather than sizes so that touching boxes stay touching on screen.
inline QRect twipsToPixelRect(float left, float top, float width, float height)
{
    const auto bounded = [](float twips) { return std::isnan(twips) ? 0.0f : boundedTwips(twips); };
    const float l = bounded(left), t = bounded(top);
    const int x = qRound(l / TwipsPerPixel);
    const int y = qRound(t / TwipsPerPixel);
    const int r = qRound((l + bounded(width)) / TwipsPerPixel);
    const int b = qRound((t + bounded(height)) / TwipsPerPixel);
    return QRect(x, y, qMax(0, r - x), qMax(0, b - y));
}
