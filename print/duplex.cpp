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

PrintOutcome printBothSides(SheetJob job, const SheetSpec& front, Sides sides)
{
    if (sides == Sides::Front || !front.snapshot)
        return printSheet(job, front);
    const SheetPlacement placement = front.placement();
    const bool landscape = placement.landscape();
    const CardSnapshot backCard = backSnapshot(*front.snapshot, sides, landscape);
    SheetSpec back = front;
    back.snapshot = &backCard;
    if (job.pdfFile.isEmpty())
        job.sides = cupsSides(sides);
    const QSizeF paper = landscape ? placement.page.transposed() : placement.page;
    return printPages(job, paper, landscape, 2 * front.pageCount(),
                      [&](QPainter& painter, qreal unitsPerTwip, int page) {
                          SheetSpec onPage = page % 2 == 0 ? front : back;
                          onPage.page = page / 2;
                          if (page % 2 == 0)
                              paintSheet(painter, onPage, unitsPerTwip);
                          else
                              paintBack(painter, onPage, unitsPerTwip, sides);
                      });
}

} // namespace duplex
