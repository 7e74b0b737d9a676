#include "print/duplex.h"

#include "print/calibration.h"

#include <QPainter>
#include <QPrinterInfo>
#include <QTransform>

namespace duplex {

std::optional<Sides> sidesFromName(const QString& name)
{
    if (name == QLatin1String("long"))
        return Sides::LongEdge;
    if (name == QLatin1String("short"))
        return Sides::ShortEdge;
    if (name == QLatin1String("front"))
        return Sides::Front;
    return std::nullopt;
}

QString cupsSides(Sides sides)
{
    switch (sides) {
    case Sides::LongEdge: return QStringLiteral("two-sided-long-edge");
    case Sides::ShortEdge: return QStringLiteral("two-sided-short-edge");
    case Sides::Front: break;
    }
    return QStringLiteral("one-sided");
}

bool mirrorsColumns(Sides sides, bool landscape) { return (sides == Sides::LongEdge) != landscape; }

QTransform backMirror(Sides sides, QSizeF pageSize, bool landscape)
{
    if (mirrorsColumns(sides, landscape))
        return QTransform(-1, 0, 0, 1, pageSize.width(), 0);
    return QTransform(1, 0, 0, -1, 0, pageSize.height());
}

CardSnapshot backSnapshot(const CardSnapshot& front, Sides sides, bool landscape)
{
    CardSnapshot back = front;
    back.design = front.design.showing(CardSide::Back);
    back.mirrored = mirrorsColumns(sides, landscape) ? Qt::Horizontal : Qt::Vertical;
    return back;
}

void paintBack(QPainter& painter, const SheetSpec& back, qreal unitsPerTwip, Sides sides)
{
    const SheetPlacement placement = back.placement();
    painter.save();
    painter.setTransform(backMirror(sides, placement.page * unitsPerTwip, placement.landscape()),
                         true);
    paintSheet(painter, back, unitsPerTwip);
    painter.restore();
}

bool printsOneSideOnly(const QString& printerName)
{
    const QPrinterInfo printer = QPrinterInfo::printerInfo(printerName);
    const QList<QPrinter::DuplexMode> modes = printer.supportedDuplexModes();
    return !printer.isNull() && !modes.contains(QPrinter::DuplexLongSide)
           && !modes.contains(QPrinter::DuplexShortSide);
}

namespace {
// The card's sheets as two-sided pages: each sheet page's front and the back behind it.
struct SheetSides {
    SheetSides(const SheetSpec& front, Sides sides)
        : backCard(backSnapshot(*front.snapshot, sides, front.placement().landscape()))
    {
        const SheetPlacement placement = front.placement();
        SheetSpec back = front;
        back.snapshot = &backCard;
        pages.landscape = placement.landscape();
        pages.paper = pages.landscape ? placement.page.transposed() : placement.page;
        pages.sheets = front.pageCount();
        pages.front = [front](QPainter& painter, qreal unitsPerTwip, int sheet) {
            SheetSpec onPage = front;
            onPage.page = sheet;
            paintSheet(painter, onPage, unitsPerTwip);
        };
        pages.back = [back, sides](QPainter& painter, qreal unitsPerTwip, int sheet) {
            SheetSpec onPage = back;
            onPage.page = sheet;
            paintBack(painter, onPage, unitsPerTwip, sides);
        };
    }
    SheetSides(const SheetSides&) = delete; // the back's painter points at backCard

    const CardSnapshot backCard;
    TwoSidedPages pages;
};
} // namespace

PrintOutcome printBothSides(SheetJob job, const TwoSidedPages& pages, Sides sides)
{
    if (job.pdfFile.isEmpty())
        job.sides = cupsSides(sides);
    const auto isBack = [](int page) { return page % 2 == 1; };
    return printPages(
        job, pages.paper, pages.landscape, 2 * pages.sheets,
        [&](QPainter& painter, qreal unitsPerTwip, int page) {
            (isBack(page) ? pages.back : pages.front)(painter, unitsPerTwip, page / 2);
        },
        isBack);
}

PrintOutcome printBothSides(SheetJob job, const SheetSpec& front, Sides sides)
{
    if (sides == Sides::Front || !front.snapshot)
        return printSheet(job, front);
    return printBothSides(std::move(job), SheetSides(front, sides).pages, sides);
}

PrintOutcome printByHand(const SheetJob& job, const TwoSidedPages& pages,
                         const std::function<bool()>& turnStack)
{
    const PrintOutcome fronts =
        printPages(job, pages.paper, pages.landscape, pages.sheets, pages.front);
    if (!fronts.sent || !turnStack())
        return fronts;
    const int count = pages.sheets;
    // How the printer stacks its sheets is the printer's, calibrated or not.
    const bool inOrder = calibration::load(job.printerName).backsInPrintedOrder;
    return printPages(
        job, pages.paper, pages.landscape, count,
        [&](QPainter& painter, qreal unitsPerTwip, int page) {
            pages.back(painter, unitsPerTwip, inOrder ? page : count - 1 - page);
        },
        [](int) { return true; });
}

PrintOutcome printByHand(const SheetJob& job, const SheetSpec& front, Sides sides,
                         const std::function<bool()>& turnStack)
{
    if (sides == Sides::Front || !front.snapshot)
        return printSheet(job, front);
    return printByHand(job, SheetSides(front, sides).pages, turnStack);
}

QString turnStackMessage(Sides sides)
{
    const QString edge = sides == Sides::ShortEdge ? QStringLiteral("short edge (top to bottom)")
                                                   : QStringLiteral("long edge (left to right)");
    return QStringLiteral("The fronts are printed. Take the printed stack as it came out, "
                          "keep its order, turn it over along its %1 and put it back in the "
                          "paper tray. Then press OK to print the backs.")
        .arg(edge);
}

} // namespace duplex
