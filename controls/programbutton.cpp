#include "controls/programbutton.h"

#include "platform/resources.h"

#include <QKeyEvent>
#include <QPointer>

namespace {
constexpr qint32 Face = 0x00C0FFFF;
constexpr qint32 Caption = 0;
constexpr qint32 Mask = 0x00FFFFFF;
// The command bar's squares are 41 pixels wide: "Settings" needs the smaller size there.
constexpr int CompactPixels = 10;
constexpr int NormalPixels = 11;

// Sees the keys that reach the window itself, which its controls left alone.
class DialogKeys : public QObject {
public:
    DialogKeys(QWidget* window, SkinButton* defaultButton, SkinButton* closeButton)
        : QObject(window)
        , m_default(defaultButton)
        , m_close(closeButton)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != parent() || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        SkinButton* button = nullptr;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            button = m_default;
        else if (key->key() == Qt::Key_Escape)
            button = m_close;
        if (!button || !button->isEnabled())
            return false;
        button->click();
        return true;
    }

private:
    QPointer<SkinButton> m_default;
    QPointer<SkinButton> m_close;
};
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

void bindDialogKeys(QWidget* window, SkinButton* defaultButton, SkinButton* closeButton)
{
    new DialogKeys(window, defaultButton, closeButton);
}
