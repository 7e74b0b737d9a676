#pragma once

#include "document/twips.h"

#include <QWidget>

// The dialogs are laid out in twips, as their tables give them; the screen shows 15 a pixel.
inline void placeTwips(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsToPixelRect(float(left), float(top), float(width), float(height)));
}

inline void setClientTwips(QWidget* window, int width, int height)
{
    window->setFixedSize(qRound(width / TwipsPerPixel), qRound(height / TwipsPerPixel));
}

// The twip sizes were drawn for an 8-point face; a larger desktop font would clip the labels.
inline void useDesignFont(QWidget* window)
{
    QFont font = window->font();
    font.setPointSizeF(8);
    window->setFont(font);
}
