#pragma once

#include "controls/cardelement.h"

#include <QImage>

// A picture on the card: its image painted stretched to the box. The screen shows it from a
// pixmap scaled once to the box; a print snapshot paints the source image, so that it keeps
// the image's full resolution.
class PictureElement : public CardElement {
    Q_OBJECT
public:
    explicit PictureElement(QWidget* parent = nullptr);

    QImage Picture() const { return m_picture; }
    void setPicture(const QImage& picture);
    // The largest picture decoded: 64 million pixels (a 256 MB image) is beyond any camera a
    // card is made from, and refuses the small files that unpack into gigabytes.
    static constexpr qint64 MaxPicturePixels = 64'000'000;
    static constexpr qint64 MaxPictureBytes = 256 << 20;

    // Loads any format the image readers know; false (picture unchanged) when unreadable,
    // not a regular file, or larger than the limits above.
    bool loadPicture(const QString& path);

    bool Stretch() const { return m_stretch; }
    void setStretch(bool stretch);

    void copyPropertiesFrom(const PictureElement& other);
    void paintTwips(QPainter& painter) const override;

protected:
    bool coversBox() const override;

private:
    QImage m_picture;
    mutable QPixmap m_onScreen;
    bool m_stretch = true;
};
