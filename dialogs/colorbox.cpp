#include "dialogs/colorbox.h"

#include "platform/vbcolor.h"
#include "prompt/platform.h"

#include <QMouseEvent>

ColorBox::ColorBox(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    setBackColor(m_color);
}

void ColorBox::setBackColor(qint32 color)
{
    m_color = color;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, vbcolor::toQColor(color));
    setPalette(colours);
}

void ColorBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

bool chooseColorFor(QWidget* dialog, ColorBox& box)
{
    const Platform::ColorChoice choice =
        Platform::instance().chooseColor(dialog, vbcolor::toQColor(box.backColor()));
    switch (choice.outcome) {
    case Platform::ColorChoice::Outcome::Chosen:
        if (!choice.color.isValid())
            break;
        box.setBackColor(vbcolor::fromQColor(choice.color));
        return true;
    case Platform::ColorChoice::Outcome::Cancelled: return false;
    case Platform::ColorChoice::Outcome::Failed: break;
    }
    Platform::instance().messageBox(dialog, "Error", QString(), QMessageBox::Ok,
                                    QMessageBox::NoIcon);
    return false;
}
