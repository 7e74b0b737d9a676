#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

#include <functional>

// Decoded pictures shared by every element that shows the same file: a card may hold a
// thousand uses of one photo, and each decoded copy of a large photo costs megabytes.
namespace picturecache {
// The decoded picture of a file, shared while the file keeps its path and modification time;
// `decode` reads it when it is not held yet. Null when the file cannot be read as a picture.
QImage load(const QString& path, const std::function<QImage(const QString&)>& decode);
// The picture scaled once to a size in pixels for the screen, shared by equal requests.
QPixmap scaled(const QImage& picture, QSize size);
} // namespace picturecache
