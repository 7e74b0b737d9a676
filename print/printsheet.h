#pragma once

#include "document/cardmerge.h"
#include "print/cardsnapshot.h"
#include "print/sheetlayout.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QPainter;

// What a sheet shows: the card, how many of it, and how it is laid out on the page.
struct SheetSpec {
    const CardSnapshot* snapshot = nullptr;
    QSizeF cardTwips; // the card image's size
    int columns = 2;  // the Cards Count choice, for the layouts that take it
    int rows = 4;
    SheetLayout layout; // the original sheet unless another is chosen
    // Merged: each card cell shows the card filled from the next row, over as many pages as
    // the rows need; `page` is the one painted or composed. Unmerged: one page, every cell the
    // card as it is.
    std::shared_ptr<const cardmerge::MergeData> merge;
    int page = 0;

    SheetPlacement placement() const { return sheet::placeCards(layout, cardTwips, columns, rows); }
    QSizeF pageTwips() const { return placement().page; }
    int pageCount() const;
};

// Paints the cards and any crop marks; one twip is `unitsPerTwip` of the painter's units.
// Cards reaching past the page are cut at its edge.
void paintSheet(QPainter& painter, const SheetSpec& sheetSpec, qreal unitsPerTwip);

// The page as a screen image at a zoom (1 = 15 twips a pixel), white with the cards on it.
// The card is drawn once at that scale and then tiled, which keeps a busy card cheap.
QImage composePage(const SheetSpec& sheetSpec, qreal zoom);

enum class PrintQuality { Low, Normal, Excellent };

// A printer job as the Print Options dialog chose it.
struct SheetJob {
    QString printerName; // a CUPS queue; empty with a PDF file
    QString pdfFile;     // set: write a PDF there instead
    QString title;       // the job's name at the printer
    bool colour = true;
    int copies = 1;
    std::optional<PrintQuality> quality; // none: the printer's own
    // A queue's own calibration applies to its jobs, except to the page that measures it.
    bool calibrated = true;
    // CUPS "sides" for a two-sided job; empty: the queue's own.
    QString sides;
};

struct PrintOutcome {
    bool sent = false;
    QString reason; // why not, for the user
};

// Prints the sheet (every page of a merged one) on its layout's paper, the cards drawn as vectors
// at the device's resolution, corrected by the queue's calibration. Settings a printer cannot take
// are skipped; a job that cannot be started or is refused comes back with the reason.
PrintOutcome printSheet(const SheetJob& job, const SheetSpec& sheetSpec);

// One page of `paperTwips` (portrait size; turned when `landscape`), painted by `paint` with
// the painter in device units and `unitsPerTwip` to convert.
using PagePainter = std::function<void(QPainter& painter, qreal unitsPerTwip)>;
PrintOutcome printPage(const SheetJob& job, QSizeF paperTwips, bool landscape,
                       const PagePainter& paint);
// The same for `pageCount` pages in one job; `paint` is given the page's number from 0. The
// pages `isBack` names are the backs of two-sided sheets, which get the queue's back offset.
using PagesPainter = std::function<void(QPainter& painter, qreal unitsPerTwip, int page)>;
using BackPages = std::function<bool(int page)>;
PrintOutcome printPages(const SheetJob& job, QSizeF paperTwips, bool landscape, int pageCount,
                        const PagesPainter& paint, const BackPages& isBack = {});

// A job's name for a card: its file's name, or a plain one for a card never saved.
QString jobTitle(const QString& cardFileName);

// The resolution and CUPS print-quality value for each quality.
int qualityDpi(PrintQuality quality);
int qualityCupsValue(PrintQuality quality);
