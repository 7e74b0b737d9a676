#pragma once

#include <QIcon>

// Registers the program's own icons and pictures. The resources sit in a static library, so
// they are not registered until someone asks; every user calls this first. Cheap to repeat.
void initResources();

// The icon drawn by one of the program's SVGs (":/icon-new.svg"): from the pixels rendered
// from it at build time at 16, 24, 32 and 48 pixels where there are some, as they load far faster
// than the drawing parses; otherwise from the drawing itself.
QIcon programIcon(const QString& svgPath);
