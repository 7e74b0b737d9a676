// The resize rules of the eight handles, over the canvas and over the element itself, on a box
// that refuses a negative size as the card's elements do.
#include "canvas/handlegeometry.h"

#include <QRectF>
#include <QTest>

class TestHandleGeometry : public QObject {
    Q_OBJECT
private slots:
    void resize_data()
    {
        QTest::addColumn<bool>("overElement"); // pointer in the element's own twips
        QTest::addColumn<int>("handle");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QRectF>("expected");
        // Every row starts from 600 × 300 at 1000, 500. Outward over the canvas:
        const auto canvas = [](const char* name, int j, QPointF at, QRectF box) {
            QTest::newRow(name) << false << j << at << box;
        };
        canvas("canvas 0", 0, {900, 450}, {900, 450, 700, 350});
        canvas("canvas 1", 1, {900, 450}, {900, 500, 700, 300});
        canvas("canvas 2", 2, {900, 900}, {900, 500, 700, 400});
        canvas("canvas 3", 3, {1200, 450}, {1000, 450, 600, 350});
        canvas("canvas 4", 4, {1200, 900}, {1000, 500, 600, 400});
        canvas("canvas 5", 5, {1700, 450}, {1000, 450, 700, 350});
        canvas("canvas 6", 6, {1700, 900}, {1000, 500, 700, 300});
        canvas("canvas 7", 7, {1700, 900}, {1000, 500, 700, 400});
        // Past the opposite corner both sizes are refused, yet the corner follows the pointer.
        canvas("canvas 0 past the far corner", 0, {1700, 900}, {1700, 900, 600, 300});
        canvas("canvas 7 onto the near corner", 7, {1000, 500}, {1000, 500, 0, 0});
        canvas("no handle 8", 8, {1700, 900}, {1000, 500, 600, 300});
        // Inward, with the pointer over the element:
        const auto element = [](const char* name, int j, QPointF at, QRectF box) {
            QTest::newRow(name) << true << j << at << box;
        };
        element("element 0", 0, {100, 50}, {1100, 550, 500, 250});
        element("element 1", 1, {100, 50}, {1100, 500, 500, 300});
        element("element 2", 2, {100, 250}, {1100, 500, 500, 250});
        element("element 3", 3, {300, 50}, {1000, 550, 600, 250});
        element("element 4", 4, {300, 250}, {1000, 500, 600, 250});
        element("element 5", 5, {500, 50}, {1000, 550, 500, 250});
        element("element 6", 6, {500, 250}, {1000, 500, 500, 300});
        element("element 7", 7, {500, 250}, {1000, 500, 500, 250});
        element("element 1 onto the far edge", 1, {600, 0}, {1600, 500, 0, 300});
        element("no handle -1", -1, {100, 50}, {1000, 500, 600, 300});
    }

    void resize()
    {
        QFETCH(bool, overElement);
        QFETCH(int, handle);
        QFETCH(QPointF, pointer);
        // A real element, so that its own rule for sizes applies: a negative one is refused
        // and changes nothing, zero is a size like any other.
        CardItem item = CardDesign::shapeTemplate();
        item.left = 1000, item.top = 500, item.width = 600, item.height = 300;
        handles::ItemBox box(item);
        if (overElement)
            handles::resizeOverElement(box, handle, float(pointer.x()), float(pointer.y()));
        else
            handles::resizeOverCanvas(box, handle, float(pointer.x()), float(pointer.y()));
        QTEST(item.box(), "expected");
    }
};

QTEST_APPLESS_MAIN(TestHandleGeometry)
#include "tst_handlegeometry.moc"
