#include "print/turnstack.h"

#include "prompt/platform.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QWidget>

#include <cmath>

namespace duplex {

namespace {
// In the picture's own pixels (at a device pixel ratio of 1).
constexpr QSizeF PictureSize(132, 132);
constexpr QSizeF SheetSize(40, 52);

// A stack of three sheets seen from above, `sheet` being the top one; the top one shows the
// printed cards when `printed`.
void drawStack(QPainter& painter, QRectF sheet, bool printed, const QColor& ink)
{
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    painter.setBrush(Qt::white);
    for (int under = 2; under >= 0; --under)
        painter.drawRect(sheet.translated(under * 2.5, under * 2.5));
    if (!printed)
        return;
    // Two columns of five cards, as the ten-card stock has them.
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    const QSizeF card((sheet.width() - 12) / 2, (sheet.height() - 14) / 5);
    for (int column = 0; column < 2; ++column)
        for (int row = 0; row < 5; ++row)
            painter.drawRect(QRectF(sheet.left() + 4 + column * (card.width() + 4),
                                    sheet.top() + 3 + row * (card.height() + 2), card.width(),
                                    card.height() - 1));
}

void drawArrowHead(QPainter& painter, QPointF tip, double angleDegrees, double size)
{
    const double angle = qDegreesToRadians(angleDegrees);
    const QPointF back(std::cos(angle) * size, std::sin(angle) * size);
    const QPointF side(-back.y() * 0.6, back.x() * 0.6);
    painter.drawPolygon(QPolygonF{tip, tip - back + side, tip - back - side});
}
} // namespace

QImage turnStackPicture(Sides sides, qreal devicePixelRatio, const QPalette& palette)
{
    const qreal ratio = qMax<qreal>(1, devicePixelRatio);
    QImage picture((PictureSize * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor arrow = palette.color(QPalette::WindowText);
    const QColor hinge = palette.color(QPalette::Highlight);
    const QColor cards = QColor(0x9a, 0xb8, 0xd8);
    const bool longEdge = sides != Sides::ShortEdge;

    // The stack as it came out, printed side up, and as it goes back: turned over the edge
    // they share, which is marked.
    const QPointF centre(PictureSize.width() / 2, PictureSize.height() / 2 + (longEdge ? 14 : 0));
    QRectF before(QPointF(0, 0), SheetSize), after = before;
    QLineF edge;
    if (longEdge) {
        before.moveTopRight(centre - QPointF(2, SheetSize.height() / 2));
        after.moveTopLeft(centre + QPointF(2, -SheetSize.height() / 2));
        edge = QLineF(centre.x(), before.top() - 4, centre.x(), before.bottom() + 9);
    } else {
        before.moveBottomLeft(centre - QPointF(SheetSize.width() / 2 + 12, 2));
        after.moveTopLeft(centre + QPointF(-SheetSize.width() / 2 - 12, 2));
        edge = QLineF(before.left() - 4, centre.y(), before.right() + 9, centre.y());
    }
    drawStack(painter, before, true, cards);
    drawStack(painter, after, false, cards);
    painter.setPen(QPen(hinge, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(edge);

    // The arrow: half a turn over the shared edge, from the printed stack to the turned one.
    painter.setPen(QPen(arrow, 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    QPainterPath turn;
    QPointF tip;
    double heading = 0;
    if (longEdge) {
        const QRectF arc(before.center().x(), before.top() - 30,
                         after.center().x() - before.center().x(), 48);
        turn.arcMoveTo(arc, 180);
        turn.arcTo(arc, 180, -180);
        tip = turn.currentPosition();
        heading = 90; // downwards onto the turned stack
    } else {
        const QRectF arc(before.right() - 10, before.center().y(), 48,
                         after.center().y() - before.center().y());
        turn.arcMoveTo(arc, 90);
        turn.arcTo(arc, 90, -180);
        tip = turn.currentPosition();
        heading = 180; // leftwards onto the turned stack
    }
    painter.drawPath(turn);
    painter.setPen(Qt::NoPen);
    painter.setBrush(arrow);
    drawArrowHead(
        painter,
        tip
            + QPointF(std::cos(qDegreesToRadians(heading)), std::sin(qDegreesToRadians(heading)))
                  * 4,
        heading, 8);
    return picture;
}

bool askToTurnStack(QWidget* parent, Sides sides, const QString& title)
{
    // The user turns the stack with the normal cursor.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    const qreal ratio = parent ? parent->devicePixelRatioF() : qApp->devicePixelRatio();
    const QPalette palette = parent ? parent->palette() : QGuiApplication::palette();
    const bool turned =
        Platform::instance().messageBoxWithPicture(
            parent, turnStackMessage(sides), title, QMessageBox::Ok | QMessageBox::Cancel,
            QMessageBox::Information, turnStackPicture(sides, ratio, palette))
        == QMessageBox::Ok;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    return turned;
}

} // namespace duplex
