#include "controls/tubeprogressbar.h"

#include "platform/vbcolor.h"
#include "prompt/platform.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr std::array<QRgb, 8> middleColours = {
    qRgb(0x30, 0xD0, 0x3F), qRgb(0x00, 0x78, 0xF0), qRgb(0x0F, 0x40, 0x4F), qRgb(0xDF, 0xA8, 0x2F),
    qRgb(0x8F, 0xB8, 0x80), qRgb(0x77, 0x77, 0x77), qRgb(0xFF, 0xD5, 0x38), qRgb(0xE0, 0x78, 0x3F)};

// Shade across the tube at t (0 and 1 the long edges): positive lightens toward white,
// negative darkens. The stated colour sits in the middle, the darkest band a little past it.
double tubeShade(double t)
{
    struct Point {
        double t, shade;
    };
    static constexpr Point profile[] = {{0.0, 0.7}, {0.5, 0.0}, {0.62, -0.18}, {1.0, 0.6}};
    for (size_t i = 1; i < std::size(profile); ++i) {
        if (t <= profile[i].t) {
            const Point a = profile[i - 1], b = profile[i];
            return a.shade + (b.shade - a.shade) * (t - a.t) / (b.t - a.t);
        }
    }
    return profile[std::size(profile) - 1].shade;
}

QRgb shaded(QRgb colour, double shade)
{
    const auto channel = [shade](int c) {
        const double v = shade >= 0 ? c + (255 - c) * shade : c * (1 + shade);
        return int(std::lround(std::clamp(v, 0.0, 255.0)));
    };
    return qRgb(channel(qRed(colour)), channel(qGreen(colour)), channel(qBlue(colour)));
}

} // namespace

TubeProgressBar::TubeProgressBar(QWidget* parent)
    : QWidget(parent)
    , m_picture(segmentPicture(1, false))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage TubeProgressBar::segmentPicture(int set, bool alongHeight)
{
    const QRgb middle = middleColours[std::clamp(set, 1, 8) - 1];
    const int across = 10, along = 8;
    QImage picture(alongHeight ? across : along, alongHeight ? along : across,
                   QImage::Format_RGB32);
    for (int i = 0; i < across; ++i) {
        const QRgb colour = shaded(middle, tubeShade((i + 0.5) / across));
        for (int j = 0; j < along; ++j)
            picture.setPixel(alongHeight ? i : j, alongHeight ? j : i, colour);
    }
    return picture;
}

void TubeProgressBar::changed(const QString& name) { emit propertyChanged(name); }

void TubeProgressBar::setMinimum(qint16 value)
{
    if (value == m_max) {
        Platform::instance().messageBox(this, QString(), QString(), QMessageBox::Ok,
                                        QMessageBox::Critical);
        return;
    }
    m_min = value;
    redrawAll();
    changed(QStringLiteral("Min"));
}

void TubeProgressBar::setMaximum(qint16 value)
{
    if (value == m_min) {
        Platform::instance().messageBox(this, QString(), QString(), QMessageBox::Ok,
                                        QMessageBox::Critical);
        return;
    }
    m_max = value;
    redrawAll();
    changed(QStringLiteral("Max"));
}

void TubeProgressBar::setValue(qint32 value)
{
    m_value = value;
    const int position = shownPosition();
    if (position != m_drawnPosition && !m_surface.isNull()) {
        const int low = std::min(position, m_drawnPosition);
        const int high = std::max(position, m_drawnPosition);
        const int reach = m_barStyle == MovingBlock ? 3 * (pictureLength() + m_gap) : 0;
        const QRect touched = drawStretch(low, high + reach);
        m_drawnPosition = position;
        update(touched);
    }
    changed(QStringLiteral("Value"));
}

void TubeProgressBar::setBarStyle(qint32 style)
{
    m_barStyle = style;
    redrawAll();
    changed(QStringLiteral("BarStyle"));
}

void TubeProgressBar::setBarColorSet(qint32 set)
{
    m_colorSet = set;
    if (set >= 1 && set <= 8)
        m_picture = segmentPicture(set, alongHeight());
    redrawAll();
    changed(QStringLiteral("BarColorSet"));
}

void TubeProgressBar::setBarPicture(const QImage& picture)
{
    m_picture = picture;
    redrawAll();
    changed(QStringLiteral("Bar_Pic"));
}

void TubeProgressBar::setBarBorderStyle(qint32 style)
{
    m_borderStyle = style;
    redrawAll();
    changed(QStringLiteral("BarBorderStyle"));
}

void TubeProgressBar::setBorderColor(qint32 color)
{
    m_borderColor = color;
    redrawAll();
    changed(QStringLiteral("BorderColor"));
}

void TubeProgressBar::setBarFillDirection(qint32 direction)
{
    m_fillDirection = direction;
    redrawAll();
    changed(QStringLiteral("BarFillDirection"));
}

void TubeProgressBar::setBackColor(qint32 color)
{
    m_backColor = color;
    redrawAll();
    changed(QStringLiteral("BackColor"));
}

void TubeProgressBar::setBarSpaceBetweenImages(qint16 gap)
{
    m_gap = gap;
    redrawAll();
    changed(QStringLiteral("BarSpaceBetweenImages"));
}

void TubeProgressBar::refresh() { redrawAll(); }

void TubeProgressBar::writeProperties(PropertyBag& bag) const
{
    const auto int16 = [](qint16 value) { return QVariant::fromValue(value); };
    bag.WriteProperty(QStringLiteral("Min"), int16(m_min), int16(0));
    bag.WriteProperty(QStringLiteral("Max"), int16(m_max), int16(100));
    bag.WriteProperty(QStringLiteral("Value"), m_value, qint32(0));
    bag.WriteProperty(QStringLiteral("BarStyle"), m_barStyle, qint32(0));
    bag.WriteProperty(QStringLiteral("BarColorSet"), m_colorSet, qint32(1));
    // Pictures do not compare by value: "none" is decided here.
    bag.WriteProperty(QStringLiteral("Bar_Pic"),
                      m_picture.isNull() ? QVariant() : QVariant(m_picture), QVariant());
    bag.WriteProperty(QStringLiteral("BarBorderStyle"), m_borderStyle, qint32(1));
    bag.WriteProperty(QStringLiteral("BorderColor"), m_borderColor, qint32(0x00A09C98));
    bag.WriteProperty(QStringLiteral("BarFillDirection"), m_fillDirection, qint32(1));
    bag.WriteProperty(QStringLiteral("BackColor"), m_backColor, qint32(0x00FFFCFF));
    bag.WriteProperty(QStringLiteral("Enabled"), isEnabled(), true);
    bag.WriteProperty(QStringLiteral("BarSpaceBetweenImages"), int16(m_gap), int16(2));
}

// The stored picture is used as it is: the set number alone loads nothing.
void TubeProgressBar::readProperties(const PropertyBag& bag)
{
    const qint16 min = bag.readInt16(QStringLiteral("Min"), 0);
    const qint16 max = bag.readInt16(QStringLiteral("Max"), 100);
    if (min != max) {
        m_min = min;
        m_max = max;
    }
    m_value = bag.readInt32(QStringLiteral("Value"), 0);
    m_barStyle = bag.readInt32(QStringLiteral("BarStyle"), 0);
    m_colorSet = bag.readInt32(QStringLiteral("BarColorSet"), 1);
    m_picture = bag.ReadProperty(QStringLiteral("Bar_Pic"), QVariant()).value<QImage>();
    m_borderStyle = bag.readInt32(QStringLiteral("BarBorderStyle"), 1);
    m_borderColor = bag.readInt32(QStringLiteral("BorderColor"), 0x00A09C98);
    m_fillDirection = bag.readInt32(QStringLiteral("BarFillDirection"), 1);
    m_backColor = bag.readInt32(QStringLiteral("BackColor"), 0x00FFFCFF);
    setEnabled(bag.readBool(QStringLiteral("Enabled"), true));
    m_gap = bag.readInt16(QStringLiteral("BarSpaceBetweenImages"), 2);
    redrawAll();
}

QRect TubeProgressBar::innerRect() const
{
    // Inside the rounded frame a pixel of background keeps the tube off the border.
    return m_borderStyle == 1 ? rect().adjusted(2, 2, -2, -2) : rect();
}

int TubeProgressBar::innerLength() const
{
    const QRect inner = innerRect();
    return std::max(0, alongHeight() ? inner.height() : inner.width());
}

int TubeProgressBar::shownPosition() const
{
    const int length = innerLength();
    const double span = double(m_value) - m_min;
    const double range = double(m_max) - m_min;
    if (m_barStyle == MovingBlock) {
        const int pitch = pictureLength() + m_gap;
        const int travel = std::max(0, length - 3 * pitch + m_gap);
        return int(std::clamp<double>(std::round(span * travel / range), 0, travel));
    }
    return int(std::clamp<double>(std::round(span * length / range), 0, length));
}

QRect TubeProgressBar::drawStretch(int from, int to)
{
    const QRect inner = innerRect();
    const int length = innerLength();
    from = std::clamp(from, 0, length);
    to = std::clamp(to, 0, length);
    if (from >= to || m_surface.isNull())
        return {};
    const bool vertical = alongHeight();
    const bool reversed = m_fillDirection == FromRight || m_fillDirection == FromBottom;
    // The widget rectangle of the stretch [a, b) along the bar.
    const auto area = [&](int a, int b) {
        if (vertical)
            return QRect(inner.left(), reversed ? inner.bottom() + 1 - b : inner.top() + a,
                         inner.width(), b - a);
        return QRect(reversed ? inner.right() + 1 - b : inner.left() + a, inner.top(), b - a,
                     inner.height());
    };

    QPainter painter(&m_surface);
    painter.fillRect(area(from, to), vbcolor::toQColor(m_backColor));
    if (m_picture.isNull())
        return area(from, to);
    const QImage tube = vertical ? m_picture.scaled(inner.width(), pictureLength())
                                 : m_picture.scaled(pictureLength(), inner.height());
    const int pitch = pictureLength() + m_gap;
    if (pitch <= 0)
        return area(from, to);

    int first = 0, end = length, copies = length / pitch + 1;
    if (m_barStyle == MovingBlock) {
        first = shownPosition();
        copies = 3;
    } else {
        end = shownPosition();
    }
    for (int k = 0; k < copies; ++k) {
        const int start = first + k * pitch;
        const int a = std::max(start, from);
        const int b = std::min({start + pictureLength(), end, to});
        if (a >= b)
            continue;
        const int offset = a - start, size = b - a;
        const int source = reversed ? pictureLength() - offset - size : offset;
        const QRect part =
            vertical ? QRect(0, source, tube.width(), size) : QRect(source, 0, size, tube.height());
        painter.drawImage(area(a, b), tube, part);
    }
    return area(from, to);
}

void TubeProgressBar::redrawAll()
{
    if (width() <= 0 || height() <= 0)
        return;
    m_surface = QImage(size(), QImage::Format_RGB32);
    m_surface.fill(vbcolor::toQColor(m_backColor));
    if (m_borderStyle == 1) {
        QPainter painter(&m_surface);
        const QColor border =
            isEnabled() ? vbcolor::toQColor(m_borderColor) : QColor(195, 195, 195);
        painter.setPen(QPen(border, 1));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        const int r = width() - 8, b = height() - 8;
        painter.drawArc(QRect(0, 0, 8, 8), 90 * 16, 90 * 16);
        painter.drawArc(QRect(r, 0, 8, 8), 0, 90 * 16);
        painter.drawArc(QRect(0, b, 8, 8), 180 * 16, 90 * 16);
        painter.drawArc(QRect(r, b, 8, 8), 270 * 16, 90 * 16);
        // The rounded outline as a region: a cross of two rectangles and the corner circles.
        QRegion rounded =
            QRegion(4, 0, width() - 8, height()) + QRegion(0, 4, width(), height() - 8);
        for (const QPoint corner : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)})
            rounded += QRegion(QRect(corner, QSize(9, 9)), QRegion::Ellipse);
        setMask(rounded.intersected(QRegion(0, 0, width() + 1, height() + 1)));
    } else {
        clearMask();
    }
    m_drawnPosition = shownPosition();
    drawStretch(0, innerLength());
    update();
}

void TubeProgressBar::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_surface, event->rect());
}

void TubeProgressBar::resizeEvent(QResizeEvent*)
{
    // Hidden widgets get a resize event at every grab; only a new size needs a new picture.
    if (m_surface.size() != size())
        redrawAll();
}

void TubeProgressBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        redrawAll();
    QWidget::changeEvent(event);
}
