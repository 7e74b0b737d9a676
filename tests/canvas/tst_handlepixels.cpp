#include "canvas/cardeditor.h"

#include <QApplication>
#include <QTest>

// Runs at a scale factor of 1.5, where every other pixel edge falls between device pixels.
class TestHandlePixels : public QObject {
    Q_OBJECT
private slots:
    void handlesAreSolidAtFractionalScale();
};

void TestHandlePixels::handlesAreSolidAtFractionalScale()
{
    QWidget host;
    host.resize(400, 300);
    CardEditor editor(&host);
    editor.view()->move(0, 0);
    editor.createHandles();
    editor.addText();
    // A box whose handles land on odd and even pixels, as they do around real elements; the
    // item itself draws nothing, so only the handles are black.
    editor.changeItem(ElementKind::Text, 1, [](CardItem& item) {
        item.text.caption.clear();
        item.text.backStyle = 0;
        item.setLeft(15 * 11);
        item.setTop(15 * 8);
        item.setWidth(15 * 40);
        item.setHeight(15 * 21);
    });
    editor.placeHandles(ElementKind::Text, 1);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    const QImage image = editor.view()->grab().toImage();
    QCOMPARE(image.devicePixelRatio(), 1.5);
    int black = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) & RGB_MASK;
            QVERIFY2(pixel == 0 || pixel == 0xFFFFFF,
                     qPrintable(QString("grey pixel %1 at %2,%3").arg(pixel, 6, 16).arg(x).arg(y)));
            black += pixel == 0;
        }
    // Eight whole squares: 5 pixels of 1.5 is 7.5, of which 7 whole device pixels each way.
    QCOMPARE(black, 8 * 7 * 7);
}

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "1.5");
    QApplication app(argc, argv);
    TestHandlePixels test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_handlepixels.moc"
