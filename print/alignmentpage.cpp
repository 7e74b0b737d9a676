#include "print/alignmentpage.h"

#include "print/calibrationpage.h"
#include "print/sheetlayout.h"

#include <QPainter>
#include <QTransform>

#include <cmath>

namespace alignmentpage {

namespace {
constexpr double mm(double v) { return v * sheet::TwipsPerMm; }
// Each arm reaches past its scale's far end, whatever the shift across the scale.
constexpr double ArmMm = ScaleDistanceMm + ScaleRangeMm + 5;

QString signedNumber(int n) { return n > 0 ? QStringLiteral("+%1").arg(n) : QString::number(n); }

void drawLines(QPainter& painter, QPointF topLeft, const QString& title, const QStringList& lines)
{
    painter.setFont(calibrationpage::pageFont(11, true));
    painter.drawText(topLeft, title);
    painter.setFont(calibrationpage::pageFont(8));
    for (const QString& text : lines) {
        topLeft += QPointF(0, mm(4.5));
        painter.drawText(topLeft, text);
    }
}

// A scale centred on `zero`, along x (`across`) or y, its values growing to the right or
// downwards: a mark every half millimetre, longer every millimetre, numbered every five.
void drawScale(QPainter& painter, QPointF zero, bool across)
{
    const QPointF along = across ? QPointF(1, 0) : QPointF(0, 1);
    const QPointF tick = across ? QPointF(0, 1) : QPointF(1, 0);
    const double range = ScaleRangeMm;
    painter.setPen(QPen(Qt::black, mm(0.12), Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QLineF(zero - along * mm(range), zero + along * mm(range)));
    painter.setFont(calibrationpage::pageFont(6));
    for (int half = int(-2 * range); half <= int(2 * range); ++half) {
        const QPointF at = zero + along * mm(half / 2.0);
        const double length = half % 10 == 0 ? 3.5 : half % 2 == 0 ? 2.2 : 1.2;
        // The zero mark crosses the line, so that the middle shows at a glance.
        const double before = half == 0 ? 2 : 0;
        painter.drawLine(QLineF(at - tick * mm(before), at + tick * mm(length)));
        if (half % 10 != 0)
            continue;
        const QString label = signedNumber(half / 2);
        const QRectF box = across ? QRectF(at + QPointF(mm(-5), mm(4)), QSizeF(mm(10), mm(3)))
                                  : QRectF(at + QPointF(mm(4.2), mm(-1.5)), QSizeF(mm(10), mm(3)));
        painter.drawText(box, (across ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter,
                         label);
    }
    painter.setFont(calibrationpage::pageFont(8, true));
    const QString name = across ? QStringLiteral("Across") : QStringLiteral("Down");
    // Named before its start across, beside its upper part down: clear of the other scale and
    // of the arm that shows through near zero.
    const QPointF nameAt =
        zero - (across ? along * mm(range + 2) : tick * mm(3) + along * mm(range * 0.75));
    painter.drawText(QRectF(nameAt - QPointF(mm(30), mm(3)), QSizeF(mm(30), mm(6))),
                     Qt::AlignRight | Qt::AlignVCenter, name);
}
} // namespace

QList<QPointF> crosses(QSizeF paperTwips)
{
    const double width = paperTwips.width();
    return {QPointF(width * 0.3, mm(100)), QPointF(width * 0.7, mm(100)),
            QPointF(width * 0.5, mm(200))};
}

void paintFront(QPainter& painter, QSizeF paperTwips, qreal unitsPerTwip)
{
    painter.save();
    painter.scale(unitsPerTwip, unitsPerTwip);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    drawLines(painter, QPointF(mm(20), mm(20)), QStringLiteral("Quillmark duplex alignment: front"),
              {QStringLiteral("Hold the printed sheet up to the light, its back towards you: the "
                              "crosses of this side show through."),
               QStringLiteral("Across: the value on a level scale where the upright line crosses "
                              "it."),
               QStringLiteral("Down: the value on an upright scale where the level line crosses "
                              "it."),
               QStringLiteral("Read to the nearest 0.5 mm and enter both as the back offset.")});
    painter.setPen(QPen(Qt::black, mm(0.25), Qt::SolidLine, Qt::FlatCap));
    for (const QPointF& centre : crosses(paperTwips)) {
        painter.drawLine(QLineF(centre - QPointF(mm(ArmMm), 0), centre + QPointF(mm(ArmMm), 0)));
        painter.drawLine(QLineF(centre - QPointF(0, mm(ArmMm)), centre + QPointF(0, mm(ArmMm))));
    }
    painter.restore();
}

void paintBack(QPainter& painter, QSizeF paperTwips, duplex::Sides sides, qreal unitsPerTwip)
{
    painter.save();
    painter.scale(unitsPerTwip, unitsPerTwip);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    const QString edge = sides == duplex::Sides::ShortEdge ? QStringLiteral("short edge")
                                                           : QStringLiteral("long edge");
    drawLines(painter, QPointF(mm(20), mm(20)),
              QStringLiteral("Quillmark duplex alignment: back (turned over the %1)").arg(edge),
              {QStringLiteral("Hold this side towards you against the light and read where the "
                              "lines of the front cross the scales:"),
               QStringLiteral("Across on the level scales, Down on the upright ones, each to the "
                              "nearest 0.5 mm."),
               QStringLiteral("The scales are marked every 0.5 mm and numbered every 5 mm.")});
    // Each scale lies behind the arm it reads, wherever the turn puts that.
    const QTransform behind = duplex::backMirror(sides, paperTwips, false);
    for (const QPointF& centre : crosses(paperTwips)) {
        drawScale(painter, behind.map(centre + QPointF(0, mm(ScaleDistanceMm))), true);
        drawScale(painter, behind.map(centre + QPointF(mm(ScaleDistanceMm), 0)), false);
    }
    painter.restore();
}

PrintOutcome print(const QString& queue, QSizeF paperTwips, duplex::Sides sides,
                   const std::function<bool()>& turnStack)
{
    SheetJob job;
    job.printerName = queue;
    job.calibrated = false;
    duplex::TwoSidedPages pages;
    pages.paper = paperTwips;
    pages.front = [paperTwips](QPainter& painter, qreal unitsPerTwip, int) {
        paintFront(painter, paperTwips, unitsPerTwip);
    };
    pages.back = [paperTwips, sides](QPainter& painter, qreal unitsPerTwip, int) {
        paintBack(painter, paperTwips, sides, unitsPerTwip);
    };
    return duplex::printsOneSideOnly(queue) ? duplex::printByHand(job, pages, turnStack)
                                            : duplex::printBothSides(job, pages, sides);
}

} // namespace alignmentpage
