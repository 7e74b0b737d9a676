#pragma once

#include "print/cardsnapshot.h"
#include "print/sheetlayout.h"

#include <QImage>
#include <QString>

#include <optional>

class QPainter;

// What a sheet shows: the card, how many of it, and on which page.
struct SheetSpec {
    const CardSnapshot* snapshot = nullptr;
    QSizeF cardTwips; // the card image's size
    int columns = 2;
    int rows = 4;
    sheet::Orientation orientation = sheet::Orientation::Portrait;

    QSize pageTwips() const { return sheet::pageSize(orientation); }
};

// Paints the grid of cards; one twip is `unitsPerTwip` of the painter's units. Cards reaching
// past the page are cut at its edge.
void paintSheet(QPainter& painter, const SheetSpec& spec, qreal unitsPerTwip);

// The page as a screen image at a zoom (1 = 15 twips a pixel), white with the cards on it.
// The card is drawn once at that scale and then tiled, which keeps a busy card cheap.
QImage composePage(const SheetSpec& spec, qreal zoom);

enum class PrintQuality { Low, Normal, Excellent };

// A printer job as the Print Options dialog chose it.
struct SheetJob {
    QString printerName; // a CUPS queue; empty with a PDF file
    QString pdfFile;     // set: write a PDF there instead
    bool colour = true;
    int copies = 1;
    std::optional<PrintQuality> quality; // none: the printer's own
};

struct PrintOutcome {
    bool sent = false;
    QString reason; // why not, for the user
};

// Prints one Letter page, the cards drawn as vectors tile by tile at the device's resolution.
// Settings a printer cannot take are skipped; a job that cannot be started or is refused
// comes back with the reason.
PrintOutcome printSheet(const SheetJob& job, const SheetSpec& spec);

// The resolution and CUPS print-quality value for each quality.
int qualityDpi(PrintQuality quality);
int qualityCupsValue(PrintQuality quality);
