#include "dialogs/picturebuttons.h"
#include "platform/resources.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr int PictureSize = 16;

void setUp(QAbstractButton& button, const QString& iconPath)
{
    initResources();
    button.setIcon(QIcon(iconPath));
    button.setIconSize({PictureSize, PictureSize});
}

// The pictures are drawn in one colour: they take the button text colour of the palette,
// so they stay readable on dark desktops as well as light ones.
QPixmap tintedPicture(const QAbstractButton& button, bool dimmed)
{
    const qreal ratio = button.devicePixelRatioF();
    QPixmap picture = button.icon().pixmap(button.iconSize(), ratio);
    QColor ink = button.palette().color(button.isEnabled() ? QPalette::Active : QPalette::Disabled,
                                        QPalette::ButtonText);
    if (dimmed)
        ink.setAlphaF(0.45f);
    QPainter tint(&picture);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(QRectF(QPointF(), QSizeF(picture.size()) / ratio), ink);
    return picture;
}

void paintPictureButton(QAbstractButton& button, Qt::CheckState state)
{
    QStylePainter painter(&button);
    QStyleOptionButton option;
    option.initFrom(&button);
    option.features = QStyleOptionButton::None;
    const bool on = state != Qt::Unchecked || button.isDown();
    if (on)
        option.state |= QStyle::State_Sunken | QStyle::State_On;
    else
        option.state |= QStyle::State_Raised;
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    if (on) {
        // A sunken bevel alone is hard to see on some themes; the selection colour says "on".
        QColor mark = button.palette().color(QPalette::Highlight);
        mark.setAlphaF(0.35f);
        painter.fillRect(button.rect().adjusted(2, 2, -2, -2), mark);
    }

    // Grey shows the picture dimmed on a pressed button.
    const QPixmap picture = tintedPicture(button, state == Qt::PartiallyChecked);
    QRect target({}, button.iconSize());
    target.moveCenter(button.rect().center());
    if (state != Qt::Unchecked)
        target.translate(1, 1);
    painter.drawPixmap(target, picture);
}
} // namespace

PictureCheckBox::PictureCheckBox(const QString& iconPath, QWidget* parent)
    : QCheckBox(parent)
{
    setUp(*this, iconPath);
}

void PictureCheckBox::paintEvent(QPaintEvent*) { paintPictureButton(*this, checkState()); }

bool PictureCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void PictureCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
}

PictureOptionButton::PictureOptionButton(const QString& iconPath, QWidget* parent)
    : QRadioButton(parent)
{
    setUp(*this, iconPath);
}

void PictureOptionButton::paintEvent(QPaintEvent*)
{
    paintPictureButton(*this, isChecked() ? Qt::Checked : Qt::Unchecked);
}

bool PictureOptionButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }
