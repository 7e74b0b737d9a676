#pragma once

#include "controls/skinbutton.h"

// The face of our own buttons' captions. It has a pixel size of its own, so captions keep
// fitting the fixed button sizes whatever font and size the desktop sets.
QFont programButtonFont(int pixelSize);

// One of the program's own buttons: the yellow gradient style with a black caption and an
// icon from the resources (":/icon-ok.svg"), left of the caption or, for the command bar,
// above it. Every window makes its buttons here, so they all look alike.
SkinButton* makeProgramButton(QWidget* parent, const QString& caption, const QString& iconPath,
                              SkinButton::PicturePosition position = SkinButton::PictureLeft);

// Enter and Escape that no control of `window` took press its default and its close button,
// as they do in any dialog; either button may be null for a window that has none.
void bindDialogKeys(QWidget* window, SkinButton* defaultButton, SkinButton* closeButton);
