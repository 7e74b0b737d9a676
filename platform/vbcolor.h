#pragma once

#include <QColor>
#include <QtGlobal>

// Colours are stored as 32-bit values: 0x00BBGGRR for an explicit colour, or 0x80000000 plus
// an index for a system colour of the desktop theme.
namespace vbcolor {

inline constexpr qint32 ButtonFace = qint32(0x8000000F);
inline constexpr qint32 ButtonText = qint32(0x80000012);
inline constexpr qint32 White = 0x00FFFFFF;
inline constexpr qint32 Black = 0;

QColor toQColor(qint32 value);
qint32 fromQColor(const QColor& color);

} // namespace vbcolor
