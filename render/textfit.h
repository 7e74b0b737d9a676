#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

namespace render {

// The smallest size a caption is shrunk to, in points; below it a caption is cut as it
// would be at its own size.
inline constexpr qreal MinFittedPointSize = 1;

// The largest point size, not above the font's own and in quarter points, at which a caption
// laid out as the painter lays it out (wrapped at the box's width, lines from the top) shows
// every line whole within `boxPixels` and breaks no word; MinFittedPointSize when none does.
// The answer for a caption, face and box is kept, so a repaint does not search again.
qreal fittedPointSize(const QString& caption, const QFont& font, QSizeF boxPixels, bool expandTabs);

} // namespace render
