#include "controls/pictureelement.h"

#include "controls/picturecache.h"
#include "document/twips.h"

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
    m_onScreen = QPixmap();
    updateOpaque();
    update();
}

bool PictureElement::loadPicture(const QString& path)
{
    // Opening a FIFO would wait for a writer for ever, and a device never ends: only a
    // regular file is handed to the reader (stat does not open it).
    if (!QFileInfo(path).isFile())
        return false;
    const QImage image = picturecache::load(path, [](const QString& file) {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        reader.setAllocationLimit(MaxPictureBytes >> 20);
        // A small file may promise a huge picture; the promise is checked before decoding.
        const QSize size = reader.size();
        if (size.isValid() && qint64(size.width()) * size.height() > MaxPicturePixels)
            return QImage();
        return reader.read();
    });
    if (image.isNull())
        return false;
    setPicture(image);
    return true;
}

void PictureElement::setStretch(bool stretch)
{
    m_stretch = stretch;
    m_onScreen = QPixmap();
    updateOpaque();
    update();
}

void PictureElement::copyPropertiesFrom(const PictureElement& other)
{
    m_picture = other.m_picture;
    m_stretch = other.m_stretch;
    m_onScreen = QPixmap();
    updateOpaque();
    update();
}

bool PictureElement::coversBox() const
{
    return m_stretch && !m_picture.isNull() && !m_picture.hasAlphaChannel();
}

void PictureElement::paintTwips(QPainter& painter) const
{
    if (m_picture.isNull())
        return;
    if (painter.device()->devType() == QInternal::Widget) {
        // On screen: whole pixels, from a pixmap scaled once and shared by equal boxes.
        const QSize size = m_stretch ? this->size() : m_picture.size();
        if (m_onScreen.size() != size)
            m_onScreen = picturecache::scaled(m_picture, size);
        painter.save();
        painter.scale(TwipsPerPixel, TwipsPerPixel);
        painter.drawPixmap(QPointF(0, 0), m_onScreen);
        painter.restore();
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_stretch)
        painter.drawImage(QRectF(0, 0, Width(), Height()), m_picture);
    else
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(m_picture.size()) * 15.0), m_picture);
}
