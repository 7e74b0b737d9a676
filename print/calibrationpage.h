#pragma once

#include "print/printsheet.h"
#include "print/sheetlayout.h"

#include <QFont>
#include <QPointF>

class QPainter;

// The page a printer is calibrated with. It is measured on perforated stock: the ten-card
// stock of the chosen layout's paper. Squares straddle the perforation between the first two
// columns and the one below the first row, each moved one step further; two rulers give the
// scale.
namespace calibrationpage {

SheetLayout stockFor(const SheetLayout& chosen);
// Where the two perforations the squares straddle cross, in mm from the paper's corner.
QPointF perforationMm(const SheetLayout& stock);

// The pages' lettering: DejaVu Sans at `points`, sized for a painter working in twips.
QFont pageFont(double points, bool bold = false);

// Paints the page; one twip is `unitsPerTwip` of the painter's units.
void paint(QPainter& painter, const SheetLayout& stock, qreal unitsPerTwip);

// Prints it on a queue without the queue's present calibration, so that what the user reads
// is the printer's own error.
PrintOutcome print(const QString& queue, const SheetLayout& stock);

} // namespace calibrationpage
