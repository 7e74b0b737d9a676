#include "print/calibrationpage.h"

#include "print/calibration.h"
#include "print/layoutcatalog.h"

#include <QPainter>

namespace calibrationpage {

namespace {
constexpr double mm(double v) { return v * sheet::TwipsPerMm; }
constexpr double SquareMm = 4;
constexpr double PitchMm = 8;

QString signedNumber(int n) { return n > 0 ? QStringLiteral("+%1").arg(n) : QString::number(n); }

// A square centred on `centre` with a line through its middle, along `lineAcross` (a
// horizontal line) or down, that the perforation should cover.
void drawSquare(QPainter& painter, QPointF centre, bool lineAcross)
{
    const double half = mm(SquareMm / 2);
    painter.setBrush(QColor(0xdd, 0xdd, 0xdd));
    painter.drawRect(QRectF(centre - QPointF(half, half), QSizeF(2 * half, 2 * half)));
    const double reach = half + mm(1.5);
    if (lineAcross)
        painter.drawLine(QLineF(centre.x() - reach, centre.y(), centre.x() + reach, centre.y()));
    else
        painter.drawLine(QLineF(centre.x(), centre.y() - reach, centre.x(), centre.y() + reach));
}

// A ruler of RulerMm from `start`, ticks every millimetre, numbered every centimetre.
void drawRuler(QPainter& painter, QPointF start, bool across)
{
    const QPointF along = across ? QPointF(1, 0) : QPointF(0, 1);
    const QPointF tick = across ? QPointF(0, 1) : QPointF(1, 0);
    const double length = calibration::RulerMm;
    painter.drawLine(QLineF(start, start + along * mm(length)));
    painter.setFont(pageFont(6));
    for (int i = 0; i <= int(length); ++i) {
        const double size = i % 10 == 0 ? 4 : i % 5 == 0 ? 2.5 : 1.5;
        const QPointF at = start + along * mm(i);
        painter.drawLine(QLineF(at, at + tick * mm(size)));
        if (i % 10 == 0) {
            const QRectF box(at + tick * mm(4.5) - QPointF(mm(5), 0) * (across ? 1 : 0)
                                 - QPointF(0, mm(1.5)) * (across ? 0 : 1),
                             QSizeF(mm(10), mm(3)));
            painter.drawText(box, (across ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter,
                             QString::number(i / 10));
        }
    }
    const QPointF end = start + along * mm(length);
    painter.setFont(pageFont(7, true));
    const QRectF label = across ? QRectF(end + QPointF(mm(2), mm(-1.5)), QSizeF(mm(30), mm(4)))
                                : QRectF(end + QPointF(mm(-2), mm(2)), QSizeF(mm(30), mm(4)));
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 mm").arg(calibration::RulerMm));
}
} // namespace

QFont pageFont(double points, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(int(points * sheet::TwipsPerPoint)); // the painter works in twips
    font.setBold(bold);
    return font;
}

SheetLayout stockFor(const SheetLayout& chosen)
{
    const SheetLayout* stock = layoutcatalog::find(chosen.isA4 ? "a4-10" : "letter-10");
    if (stock)
        return *stock;
    // Without the layouts file: the common business-card stock.
    SheetLayout fallback;
    fallback.name = "letter-10";
    fallback.turnsWithCard = false;
    fallback.cell = QSizeF(3.5 * sheet::TwipsPerInch, 2 * sheet::TwipsPerInch);
    fallback.count = SheetLayout::Count::Fixed;
    fallback.columns = 2;
    fallback.rows = 5;
    fallback.left = 0.75 * sheet::TwipsPerInch;
    fallback.top = 0.5 * sheet::TwipsPerInch;
    return fallback;
}

namespace {
QRectF firstCell(const SheetLayout& stock)
{
    const QSizeF cell = stock.cell.value_or(QSizeF(3.5 * 1440, 2 * 1440));
    const SheetPlacement placement = sheet::placeCards(stock, cell, 1, 1);
    return placement.cards.empty() ? QRectF(QPointF(0, 0), cell) : placement.cards.front();
}
} // namespace

QPointF perforationMm(const SheetLayout& stock)
{
    return firstCell(stock).bottomRight() / sheet::TwipsPerMm;
}

void paint(QPainter& painter, const SheetLayout& stock, qreal unitsPerTwip)
{
    const QRectF cell = firstCell(stock);
    const QPointF crossing = cell.bottomRight();
    painter.save();
    painter.scale(unitsPerTwip, unitsPerTwip);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, mm(0.2), Qt::SolidLine, Qt::FlatCap));

    // What the page is and how to read it, inside the first row of cards.
    QPointF line = cell.topLeft() + QPointF(mm(5), mm(6));
    painter.setFont(pageFont(11, true));
    painter.drawText(line, QStringLiteral("Quillmark printer calibration: %1").arg(stock.caption));
    painter.setFont(pageFont(8));
    const QString steps[] = {
        QStringLiteral("Print this page on the card stock, then read it off:"),
        QStringLiteral("Across: the square whose line the upright perforation covers."),
        QStringLiteral("Down: the square whose line the level perforation covers."),
        QStringLiteral("Rulers: how long each one came out, measured with a real ruler."),
        QStringLiteral("Each square is moved %1 mm further than the one before.")
            .arg(calibration::StepMm),
    };
    for (const QString& text : steps) {
        line += QPointF(0, mm(4.5));
        painter.drawText(line, text);
    }

    const int n = calibration::MaxSquare;
    const double step = mm(calibration::StepMm);
    // Down: a row of squares across the perforation under the first row of cards.
    painter.setFont(pageFont(8, true));
    painter.drawText(
        QRectF(crossing.x() - mm((n + 1) * PitchMm + 30), crossing.y() - mm(3), mm(28), mm(6)),
        Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Down"));
    for (int k = -n; k <= n; ++k) {
        const QPointF centre(crossing.x() + k * mm(PitchMm), crossing.y() + k * step);
        drawSquare(painter, centre, true);
        painter.setFont(pageFont(7));
        painter.drawText(QRectF(centre.x() - mm(4), crossing.y() + mm(7), mm(8), mm(4)),
                         Qt::AlignCenter, signedNumber(k));
    }
    // Across: a column of squares on the perforation between the first two columns.
    const double columnTop = crossing.y() + mm(16);
    painter.setFont(pageFont(8, true));
    painter.drawText(QRectF(crossing.x() - mm(38), columnTop - mm(3), mm(30), mm(6)),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Across"));
    for (int k = -n; k <= n; ++k) {
        const QPointF centre(crossing.x() + k * step, columnTop + (k + n) * mm(PitchMm));
        drawSquare(painter, centre, false);
        painter.setFont(pageFont(7));
        painter.drawText(QRectF(crossing.x() + mm(9), centre.y() - mm(2), mm(10), mm(4)),
                         Qt::AlignLeft | Qt::AlignVCenter, signedNumber(k));
    }

    painter.setBrush(Qt::NoBrush);
    drawRuler(painter, QPointF(cell.left() + mm(8), columnTop), false);
    drawRuler(
        painter,
        QPointF(crossing.x() - mm(calibration::RulerMm / 2), columnTop + mm(2 * n * PitchMm + 32)),
        true);
    painter.restore();
}

PrintOutcome print(const QString& queue, const SheetLayout& stock)
{
    SheetJob job;
    job.printerName = queue;
    job.calibrated = false;
    return printPage(job, stock.paperTwips, false, [&](QPainter& painter, qreal unitsPerTwip) {
        paint(painter, stock, unitsPerTwip);
    });
}

} // namespace calibrationpage
