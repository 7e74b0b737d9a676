#include "controls/shapeelement.h"

#include "platform/vbcolor.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {
void makeTemplate(ShapeElement& shape) { shape.readProperties(ShapeElement::templateProperties()); }

QImage render(const ShapeElement& shape)
{
    QImage image(qRound(shape.widthTwips() / 15), qRound(shape.heightTwips() / 15),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(1.0 / 15, 1.0 / 15);
    shape.paintTwips(painter);
    return image;
}

// A point in twips as the widget pixel under it.
QPoint pixel(qreal x, qreal y) { return QPoint(qRound(x / 15), qRound(y / 15)); }
} // namespace

class TestShapeElement : public QObject {
    Q_OBJECT
private slots:
    void boxFollowsTheElement();
    void squareKindsAreCentred_data();
    void squareKindsAreCentred();
    void kindsOutsideTheListAreRefused();
    void onlyTheDrawnShapeTakesTheMouse();
    void paintsFillAndOutline();
    void templateAndRoundTrip();
    void copyKeepsEverything();
};

void TestShapeElement::boxFollowsTheElement()
{
    ShapeElement shape;
    makeTemplate(shape);
    shape.setBox(360, 1680, 1000, 800);
    QCOMPARE(shape.shapeRect(), QRectF(QPointF(120, 120), QPointF(920, 720)));
    QCOMPARE(shape.drawnRect(), shape.shapeRect());

    // Each side is tried on its own: too narrow keeps the width, the height still follows.
    shape.setBox(0, 0, 150, 500);
    QCOMPARE(shape.shapeRect(), QRectF(120, 120, 800, 300));
    shape.setBox(0, 0, 200, 199);
    QCOMPARE(shape.shapeRect(), QRectF(120, 120, 0, 300));
}

void TestShapeElement::squareKindsAreCentred_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QRectF>("drawn");
    const QRectF box(120, 120, 1800, 800);
    const QRectF centred(620, 120, 800, 800);
    QTest::newRow("rectangle") << 0 << box;
    QTest::newRow("square") << 1 << centred;
    QTest::newRow("oval") << 2 << box;
    QTest::newRow("circle") << 3 << centred;
    QTest::newRow("rounded rectangle") << 4 << box;
    QTest::newRow("rounded square") << 5 << centred;
}

void TestShapeElement::squareKindsAreCentred()
{
    QFETCH(int, kind);
    QFETCH(QRectF, drawn);
    ShapeElement shape;
    shape.setBox(0, 0, 2000, 1000);
    QVERIFY(shape.setShape(kind));
    QCOMPARE(shape.shape(), kind);
    QCOMPARE(shape.shapeRect(), QRectF(120, 120, 1800, 800));
    QCOMPARE(shape.drawnRect(), drawn);
}

void TestShapeElement::kindsOutsideTheListAreRefused()
{
    ShapeElement shape;
    QVERIFY(shape.setShape(ShapeElement::Oval));
    QSignalSpy notices(&shape, &CardElement::propertyChanged);
    QVERIFY(!shape.setShape(6));
    QVERIFY(!shape.setShape(-1));
    QCOMPARE(shape.shape(), int(ShapeElement::Oval));
    QCOMPARE(notices.size(), 0);
    QVERIFY(shape.setShape(ShapeElement::RoundedSquare));
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices.at(0).at(0).toString(), QStringLiteral("Shape"));
}

void TestShapeElement::onlyTheDrawnShapeTakesTheMouse()
{
    QWidget canvas;
    canvas.resize(400, 200);
    ShapeElement shape(&canvas);
    makeTemplate(shape);
    shape.setBox(150, 150, 2000, 1000);
    QVERIFY(shape.setShape(ShapeElement::Circle));
    canvas.show();
    QVERIFY(QTest::qWaitForWindowExposed(&canvas));

    // Circle: 800 across, centred at (1020, 520) in the shape; (150, 150) on the canvas.
    const QPoint centre = pixel(150 + 1020, 150 + 520);
    const QPoint besideCircle = pixel(150 + 300, 150 + 520); // inside Shape3's box
    const QPoint squareCorner = pixel(150 + 640, 150 + 140); // corner of the circle's square
    QCOMPARE(canvas.childAt(centre), &shape);
    QVERIFY(canvas.childAt(besideCircle) != &shape);
    QVERIFY(canvas.childAt(squareCorner) != &shape);

    // A press there reaches the canvas, not the shape (sent through the window, which
    // finds the widget under the pointer as a real press does).
    QSignalSpy downs(&shape, &CardElement::mousePressed);
    QTest::mouseClick(canvas.windowHandle(), Qt::LeftButton, {}, besideCircle);
    QCOMPARE(downs.size(), 0);
    QTest::mouseClick(canvas.windowHandle(), Qt::LeftButton, {}, centre);
    QCOMPARE(downs.size(), 1);

    // The mask follows kind and size changes.
    QVERIFY(shape.setShape(ShapeElement::Rectangle));
    QCOMPARE(canvas.childAt(besideCircle), &shape);
    const QPoint grown = pixel(150 + 2500, 150 + 520);
    QVERIFY(canvas.childAt(grown) != &shape);
    shape.setWidth(3000);
    QCOMPARE(canvas.childAt(grown), &shape);
}

void TestShapeElement::paintsFillAndOutline()
{
    ShapeElement shape;
    shape.setBox(0, 0, 1700, 1700); // Shape3 at 8 px, 100 px across
    QVERIFY(shape.setShape(ShapeElement::Circle));
    shape.setBackColor(0x0000FF00);
    QImage image = render(shape);
    QCOMPARE(image.pixelColor(58, 58), QColor(0, 255, 0));
    QCOMPARE(image.pixelColor(12, 12).alpha(), 0); // inside the box, outside the circle
    const QColor top = image.pixelColor(58, 8);    // outline at the top
    QVERIFY2(top.alpha() > 240 && top.red() < 16 && top.green() < 16, qPrintable(top.name()));

    shape.setBackStyle(0);
    shape.setBorderStyle(0);
    image = render(shape);
    QCOMPARE(image.pixelColor(58, 58).alpha(), 0);
    QCOMPARE(image.pixelColor(58, 8).alpha(), 0);
}

void TestShapeElement::templateAndRoundTrip()
{
    ShapeElement shape;
    makeTemplate(shape);
    QCOMPARE(shape.backColor(), 0x00E0E0E0);
    QCOMPARE(shape.borderStyle(), qint16(0));
    QCOMPARE(shape.backStyle(), qint16(1));
    QCOMPARE(shape.shape(), int(ShapeElement::Rectangle));
    PropertyBag written;
    shape.writeProperties(written);
    QCOMPARE(written.size(), 2);
    QVERIFY(written.contains("BackColor") && written.contains("BorderStyle"));

    QPixmap icon(16, 16);
    icon.fill(Qt::red);
    QVERIFY(shape.setShape(ShapeElement::RoundedRectangle));
    shape.setBackStyle(0);
    shape.setBorderStyle(1);
    shape.setBackColor(vbcolor::ButtonText);
    shape.setMousePointer(99);
    shape.setMouseIcon(icon);
    PropertyBag bag;
    shape.writeProperties(bag);

    ShapeElement restored;
    QSignalSpy notices(&restored, &CardElement::propertyChanged);
    restored.readProperties(bag);
    QCOMPARE(restored.shape(), int(ShapeElement::RoundedRectangle));
    QCOMPARE(restored.backStyle(), qint16(0));
    QCOMPARE(restored.borderStyle(), qint16(1));
    QCOMPARE(restored.backColor(), vbcolor::ButtonText);
    QCOMPARE(restored.mousePointer(), qint16(99));
    QCOMPARE(restored.mouseIcon().toImage(), icon.toImage());
    // Only the pointer picture goes through its setter.
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices.at(0).at(0).toString(), QStringLiteral("MouseIcon"));

    // Caseless keys; a kind that is not in the list keeps the current one.
    PropertyBag odd;
    odd.WriteProperty("SHAPE", QVariant::fromValue(qint16(7)), QVariant());
    odd.WriteProperty("backcolor", 0x00010203, QVariant());
    restored.readProperties(odd);
    QCOMPARE(restored.shape(), int(ShapeElement::RoundedRectangle));
    QCOMPARE(restored.backColor(), 0x00010203);
}

void TestShapeElement::copyKeepsEverything()
{
    ShapeElement original;
    makeTemplate(original);
    original.setBox(360, 1680, 1000, 800);
    original.setWidth(150); // Shape3 keeps its 800 twips
    QVERIFY(original.setShape(ShapeElement::Circle));
    original.setBackStyle(0);
    original.setBorderStyle(1);
    original.setBackColor(0x00445566);
    original.setMousePointer(2);

    ShapeElement copy;
    copy.copyElementFrom(original);
    copy.copyPropertiesFrom(original);
    QCOMPARE(copy.shape(), int(ShapeElement::Circle));
    QCOMPARE(copy.backStyle(), qint16(0));
    QCOMPARE(copy.borderStyle(), qint16(1));
    QCOMPARE(copy.backColor(), 0x00445566);
    QCOMPARE(copy.mousePointer(), qint16(2));
    QCOMPARE(copy.cursor().shape(), Qt::CrossCursor);
    QCOMPARE(copy.shapeRect(), original.shapeRect());
    QCOMPARE(copy.widthTwips(), 150.0f);
}

QTEST_MAIN(TestShapeElement)
#include "tst_shapeelement.moc"
