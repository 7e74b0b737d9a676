#include "controls/programbutton.h"

#include "platform/resources.h"

namespace {
constexpr qint32 Face = 0x00C0FFFF;
constexpr qint32 Caption = 0;
constexpr qint32 Mask = 0x00FFFFFF;
// The command bar's squares are 41 pixels wide: "Settings" needs the smaller size there.
constexpr int CompactPixels = 10;
constexpr int NormalPixels = 11;
} // namespace

QFont programButtonFont(int pixelSize)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

SkinButton* makeProgramButton(QWidget* parent, const QString& caption, const QString& iconPath,
                              SkinButton::PicturePosition position)
{
    initResources();
    auto* button = new SkinButton(caption, parent);
    (void)button->setButtonType(SkinButton::GradientStyle);
    button->setColorScheme(SkinButton::PropertyScheme);
    button->setBackColor(Face);
    button->setBackOver(Face);
    button->setForeColor(Caption);
    button->setForeOver(Caption);
    button->setMaskColor(Mask);
    button->setMousePointer(1);
    button->setShowFocusRect(true);
    button->setUseMaskColor(true);
    button->setPictureNormal(programIcon(iconPath));
    (void)button->setPicturePosition(position);
    button->setFont(
        programButtonFont(position == SkinButton::PictureAbove ? CompactPixels : NormalPixels));
    return button;
}
