#include "platform/resources.h"

#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QResource>

QIcon programIcon(const QString& svgPath)
{
    initResources();
    const QString name = QStringLiteral(":/icons/") + QFileInfo(svgPath).completeBaseName();
    QIcon icon;
    // The smallest first: it is the icon's own size.
    for (const int side : {16, 24, 32, 48}) {
        const QResource pixels(name + QStringLiteral("-%1.argb").arg(side));
        if (!pixels.isValid() || pixels.compressionAlgorithm() != QResource::NoCompression
            || pixels.size() != qint64(side) * side * 4)
            return QIcon(svgPath);
        // The pixels stay where the resource keeps them; the pixmap takes its own copy.
        const QImage image(pixels.data(), side, side, side * 4,
                           QImage::Format_ARGB32_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
