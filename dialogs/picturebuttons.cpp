#include "dialogs/picturebuttons.h"
#include "platform/resources.h"

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

void paintPictureButton(QAbstractButton& button, Qt::CheckState state)
{
    QStylePainter painter(&button);
    QStyleOptionButton option;
    option.initFrom(&button);
    option.features = QStyleOptionButton::None;
    if (state == Qt::Unchecked && !button.isDown())
        option.state |= QStyle::State_Raised;
    else
        option.state |= QStyle::State_Sunken | QStyle::State_On;
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    // Grey shows the picture dimmed on a pressed button.
    const QIcon::Mode mode =
        !button.isEnabled() || state == Qt::PartiallyChecked ? QIcon::Disabled : QIcon::Normal;
    const QPixmap picture =
        button.icon().pixmap(button.iconSize(), button.devicePixelRatio(), mode);
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
