#include "platform/vbcolor.h"

#include <QGuiApplication>
#include <QPalette>

namespace vbcolor {

namespace {
QColor systemColor(quint32 index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 0x05: return palette.color(QPalette::Base); // window background
    case 0x08: return palette.color(QPalette::Text); // window text
    case 0x0D: return palette.color(QPalette::Highlight);
    case 0x0E: return palette.color(QPalette::HighlightedText);
    case 0x0F: return palette.color(QPalette::Button); // button face
    case 0x11: return palette.color(QPalette::Disabled, QPalette::Text);
    case 0x12: return palette.color(QPalette::ButtonText);
    case 0x14: return palette.color(QPalette::Light);
    case 0x10: return palette.color(QPalette::Mid);
    default: return palette.color(QPalette::Window);
    }
}
} // namespace

QColor toQColor(qint32 value)
{
    const auto bits = quint32(value);
    if (bits & 0x80000000u)
        return systemColor(bits & 0xFFu);
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

qint32 fromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return qint32(quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16));
}

} // namespace vbcolor
