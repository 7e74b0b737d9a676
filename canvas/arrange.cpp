#include "canvas/arrange.h"

#include "canvas/cardeditor.h"
#include "document/twips.h"

#include <algorithm>
#include <numeric>

namespace arrange {

namespace {

QRectF bounds(const QList<QRectF>& boxes)
{
    return std::accumulate(
        boxes.begin(), boxes.end(), QRectF(),
        [](const QRectF& all, const QRectF& box) { return all.isNull() ? box : all.united(box); });
}

// Equal gaps along one axis: `start` and `extent` read a box's position and size on it.
template <class Start, class Extent>
QList<qreal> spread(const QList<QRectF>& boxes, Start start, Extent extent)
{
    QList<qreal> at;
    for (const QRectF& box : boxes)
        at.append(start(box));
    if (boxes.size() < 3)
        return at;
    QList<qsizetype> order(boxes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return start(boxes[a]) < start(boxes[b]); });
    const QRectF& first = boxes[order.front()];
    qreal end = start(first);
    qreal farEnd = end;
    qreal sizes = 0;
    for (const qsizetype i : order) {
        sizes += extent(boxes[i]);
        farEnd = std::max(farEnd, start(boxes[i]) + extent(boxes[i]));
    }
    const qreal gap = (farEnd - end - sizes) / qreal(boxes.size() - 1);
    for (const qsizetype i : order) {
        at[i] = end;
        end += extent(boxes[i]) + gap;
    }
    return at;
}

} // namespace

QList<QPointF> arranged(Command command, const QList<QRectF>& boxes, QSizeF card)
{
    const QRectF all = bounds(boxes);
    QList<QPointF> corners;
    for (const QRectF& box : boxes) {
        QPointF at = box.topLeft();
        switch (command) {
        case Command::AlignLeft: at.rx() = all.left(); break;
        case Command::AlignRight: at.rx() = all.right() - box.width(); break;
        case Command::AlignHorizontalCentres: at.rx() = all.center().x() - box.width() / 2; break;
        case Command::AlignTop: at.ry() = all.top(); break;
        case Command::AlignBottom: at.ry() = all.bottom() - box.height(); break;
        case Command::AlignVerticalCentres: at.ry() = all.center().y() - box.height() / 2; break;
        case Command::CentreOnCardHorizontally:
            at.rx() += (card.width() - all.width()) / 2 - all.left();
            break;
        case Command::CentreOnCardVertically:
            at.ry() += (card.height() - all.height()) / 2 - all.top();
            break;
        case Command::DistributeHorizontally:
        case Command::DistributeVertically: break;
        }
        corners.append(at);
    }
    if (command == Command::DistributeHorizontally) {
        const QList<qreal> x = spread(
            boxes, [](const QRectF& b) { return b.left(); },
            [](const QRectF& b) { return b.width(); });
        for (qsizetype i = 0; i < corners.size(); ++i)
            corners[i].rx() = x[i];
    } else if (command == Command::DistributeVertically) {
        const QList<qreal> y = spread(
            boxes, [](const QRectF& b) { return b.top(); },
            [](const QRectF& b) { return b.height(); });
        for (qsizetype i = 0; i < corners.size(); ++i)
            corners[i].ry() = y[i];
    }
    return corners;
}

void run(CardEditor& editor, Command command)
{
    const QList<Selection> selected = editor.selectedElements();
    QList<QRectF> boxes;
    for (const Selection& element : selected)
        boxes.append(editor.item(element.kind, element.index)->box());
    if (boxes.isEmpty())
        return;
    const QSizeF card(editor.cardWidthPixels() * TwipsPerPixel,
                      editor.cardHeightPixels() * TwipsPerPixel);
    const QList<QPointF> corners = arranged(command, boxes, card);
    static const char* const names[] = {
        "Align left",          "Align centres",   "Align right",
        "Align top",           "Align middles",   "Align bottom",
        "Distribute across",   "Distribute down", "Centre across the card",
        "Centre down the card"};
    {
        CardEditor::Change step(editor, names[int(command)]);
        for (qsizetype i = 0; i < selected.size(); ++i)
            editor.changeItem(selected[i].kind, selected[i].index, [&](CardItem& item) {
                item.setLeft(float(corners[i].x()));
                item.setTop(float(corners[i].y()));
            });
    }
    // The handles go with the primary element.
    if (editor.handlesShown())
        editor.placeHandles(editor.selection().kind, editor.selection().index);
}

} // namespace arrange
