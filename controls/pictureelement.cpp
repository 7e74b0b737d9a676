#include "controls/pictureelement.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

PictureElement::PictureElement(QWidget* parent)
    : CardElement(parent)
{
}

void PictureElement::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

bool PictureElement::loadPicture(const QString& path)
{
    // Opening a FIFO would wait for a writer for ever, and a device never ends: only a
    // regular file is handed to the reader (stat does not open it).
    if (!QFileInfo(path).isFile())
        return false;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(MaxPictureBytes >> 20);
    // A small file may promise a huge picture; the promise is checked before decoding.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > MaxPicturePixels)
        return false;
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    setPicture(image);
    return true;
}

void PictureElement::setStretch(bool stretch)
{
    m_stretch = stretch;
    update();
}

void PictureElement::copyPropertiesFrom(const PictureElement& other)
{
    m_picture = other.m_picture;
    m_stretch = other.m_stretch;
    update();
}

void PictureElement::paintTwips(QPainter& painter) const
{
    if (m_picture.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_stretch)
        painter.drawImage(QRectF(0, 0, Width(), Height()), m_picture);
    else
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(m_picture.size()) * 15.0), m_picture);
}
