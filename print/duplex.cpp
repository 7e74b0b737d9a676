#include "print/duplex.h"

#include <QPainter>
#include <QPrinterInfo>

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
    const QSizeF page = placement.page * unitsPerTwip;
    painter.save();
    if (mirrorsColumns(sides, placement.landscape())) {
        painter.translate(page.width(), 0);
        painter.scale(-1, 1);
    } else {
        painter.translate(0, page.height());
        painter.scale(1, -1);
    }
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
// Prints `count` pages of the sheet, painting page i as `side(i)` gives it: the front's sheet
// page or, when the bool is true, the back of it.
PrintOutcome printSides(const SheetJob& job, const SheetSpec& front, Sides sides, int count,
                        const std::function<std::pair<int, bool>(int)>& side)
{
    const SheetPlacement placement = front.placement();
    const bool landscape = placement.landscape();
    const CardSnapshot backCard = backSnapshot(*front.snapshot, sides, landscape);
    SheetSpec back = front;
    back.snapshot = &backCard;
    const QSizeF paper = landscape ? placement.page.transposed() : placement.page;
    return printPages(job, paper, landscape, count,
                      [&](QPainter& painter, qreal unitsPerTwip, int page) {
                          const auto [sheetPage, isBack] = side(page);
                          SheetSpec onPage = isBack ? back : front;
                          onPage.page = sheetPage;
                          if (isBack)
                              paintBack(painter, onPage, unitsPerTwip, sides);
                          else
                              paintSheet(painter, onPage, unitsPerTwip);
                      });
}
} // namespace

PrintOutcome printBothSides(SheetJob job, const SheetSpec& front, Sides sides)
{
    if (sides == Sides::Front || !front.snapshot)
        return printSheet(job, front);
    if (job.pdfFile.isEmpty())
        job.sides = cupsSides(sides);
    return printSides(job, front, sides, 2 * front.pageCount(),
                      [](int page) { return std::pair(page / 2, page % 2 == 1); });
}

PrintOutcome printByHand(const SheetJob& job, const SheetSpec& front, Sides sides,
                         const std::function<bool()>& turnStack)
{
    if (sides == Sides::Front || !front.snapshot)
        return printSheet(job, front);
    const PrintOutcome fronts = printSheet(job, front);
    if (!fronts.sent || !turnStack())
        return fronts;
    const int count = front.pageCount();
    return printSides(job, front, sides, count,
                      [count](int page) { return std::pair(count - 1 - page, true); });
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
