#pragma once

#include "controls/propertybag.h"

#include <QImage>
#include <QWidget>

// A progress bar laid with copies of a small tube-shaped segment picture. It keeps what it
// has drawn in an image of its own and, when the value moves, draws only the part between the
// old and the new length, so a bar fed every kilobyte of a download costs almost nothing.
class TubeProgressBar : public QWidget {
    Q_OBJECT
public:
    enum BarStyle : qint32 { Growing = 0, MovingBlock = 1 };
    enum FillDirection : qint32 { FromRight = 0, FromLeft = 1, FromBottom = 2, FromTop = 3 };

    explicit TubeProgressBar(QWidget* parent = nullptr);

    qint16 minimum() const { return m_min; }
    // Refused with an empty critical message box when it would equal the other bound.
    void setMinimum(qint16 value);
    qint16 maximum() const { return m_max; }
    void setMaximum(qint16 value);
    qint32 value() const { return m_value; }
    void setValue(qint32 value);
    qint32 barStyle() const { return m_barStyle; }
    void setBarStyle(qint32 style);
    qint32 barColorSet() const { return m_colorSet; }
    // 1 to 8 load that built-in set; 0 keeps the current picture.
    void setBarColorSet(qint32 set);
    QImage barPicture() const { return m_picture; }
    void setBarPicture(const QImage& picture);
    qint32 barBorderStyle() const { return m_borderStyle; }
    void setBarBorderStyle(qint32 style);
    qint32 borderColor() const { return m_borderColor; }
    void setBorderColor(qint32 color);
    qint32 barFillDirection() const { return m_fillDirection; }
    void setBarFillDirection(qint32 direction);
    qint32 backColor() const { return m_backColor; }
    void setBackColor(qint32 color);
    qint16 barSpaceBetweenImages() const { return m_gap; }
    void setBarSpaceBetweenImages(qint16 gap);
    void refresh();

    void writeProperties(PropertyBag& bag) const;
    void readProperties(const PropertyBag& bag);

    // The built-in segment picture of a colour set (1 to 8): 8 x 10 pixels for bars that fill
    // along the width, 10 x 8 for those that fill along the height.
    static QImage segmentPicture(int set, bool alongHeight);
    // The drawn length along the fill direction for the current value (style 0), or the start
    // of the moving block (style 1), in pixels from the start edge.
    int shownPosition() const;

signals:
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool alongHeight() const { return m_fillDirection == FromBottom || m_fillDirection == FromTop; }
    int pictureLength() const { return alongHeight() ? m_picture.height() : m_picture.width(); }
    QRect innerRect() const;
    int innerLength() const;
    // Draws the final state of the stretch [from, to) along the bar into the surface and
    // returns the widget area it covers.
    QRect drawStretch(int from, int to);
    void redrawAll();
    void changed(const QString& name);

    qint16 m_min = 0;
    qint16 m_max = 100;
    qint32 m_value = 0;
    qint32 m_barStyle = Growing;
    qint32 m_colorSet = 1;
    QImage m_picture;
    qint32 m_borderStyle = 1;
    qint32 m_borderColor = 0x00A09C98;
    qint32 m_fillDirection = FromLeft;
    qint32 m_backColor = 0x00FFFCFF;
    qint16 m_gap = 2;

    QImage m_surface;
    int m_drawnPosition = 0;
};
