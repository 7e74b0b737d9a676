#pragma once

#include "print/duplex.h"

#include <QImage>

class QPalette;
class QWidget;

namespace duplex {

// How to turn the printed stack for the backs: two sheets joined at the edge to turn over
// (side by side for the long edge, one above the other for the short edge) and an arrow
// across it, in the palette's colours, drawn for a screen of `devicePixelRatio`.
QImage turnStackPicture(Sides sides, qreal devicePixelRatio, const QPalette& palette);

// Asks the user to put the printed stack back for the backs, with that picture; the normal
// cursor shows while the question is up. Whether they did.
bool askToTurnStack(QWidget* parent, Sides sides, const QString& title);

} // namespace duplex
