#include "controls/imagebox.h"

#include <QImageReader>
#include <QPainter>

ImageBox::ImageBox(QWidget* parent)
    : CardElement(parent)
{
}

void ImageBox::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

bool ImageBox::loadPicture(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    setPicture(image);
    return true;
}

void ImageBox::setStretch(bool stretch)
{
    m_stretch = stretch;
    update();
}

void ImageBox::copyPropertiesFrom(const ImageBox& other)
{
    m_picture = other.m_picture;
    m_stretch = other.m_stretch;
    update();
}

void ImageBox::paintTwips(QPainter& painter) const
{
    if (m_picture.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_stretch)
        painter.drawImage(QRectF(0, 0, Width(), Height()), m_picture);
    else
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(m_picture.size()) * 15.0), m_picture);
}
