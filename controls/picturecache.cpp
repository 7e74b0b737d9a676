#include "controls/picturecache.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QPixmapCache>

namespace picturecache {

QImage load(const QString& path, const std::function<QImage(const QString&)>& decode)
{
    const QFileInfo info(path);
    const QString key = info.absoluteFilePath() + u'\n'
                        + QString::number(info.lastModified().toMSecsSinceEpoch()) + u'\n'
                        + QString::number(info.size());
    static QHash<QString, QImage> decoded;
    if (const auto found = decoded.constFind(key); found != decoded.constEnd())
        return *found;

    const QImage image = decode(path);
    if (image.isNull())
        return image;
    // Pictures no element holds any more are let go before another is kept.
    decoded.removeIf([](const auto& entry) { return entry.value().isDetached(); });
    decoded.insert(key, image);
    return image;
}

QPixmap scaled(const QImage& picture, QSize size)
{
    const QString key = QStringLiteral("quillmark-picture-%1-%2x%3")
                            .arg(picture.cacheKey())
                            .arg(size.width())
                            .arg(size.height());
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    pixmap = QPixmap::fromImage(picture.size() == size ? picture
                                                       : picture.scaled(size, Qt::IgnoreAspectRatio,
                                                                        Qt::SmoothTransformation));
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace picturecache
