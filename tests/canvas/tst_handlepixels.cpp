#include "canvas/sizehandle.h"

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
    QWidget canvas;
    canvas.setAutoFillBackground(true);
    canvas.setPalette(QPalette(Qt::white));
    canvas.resize(40, 20);
    // Handles at odd and even pixels, as the middle handles of an element land.
    SizeHandle odd(&canvas), even(&canvas);
    odd.moveTwips(15 * 3, 15 * 3);
    even.moveTwips(15 * 12, 15 * 4);
    canvas.show();
    QVERIFY(QTest::qWaitForWindowExposed(&canvas));
    const QImage image = canvas.grab().toImage();
    QCOMPARE(image.devicePixelRatio(), 1.5);
    int black = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) & RGB_MASK;
            QVERIFY2(pixel == 0 || pixel == 0xFFFFFF,
                     qPrintable(QString("grey pixel %1 at %2,%3").arg(pixel, 6, 16).arg(x).arg(y)));
            black += pixel == 0;
        }
    // Both squares whole: 5 pixels of 1.5 is 7.5, of which 7 whole device pixels each way.
    QCOMPARE(black, 2 * 7 * 7);
}

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "1.5");
    QApplication app(argc, argv);
    TestHandlePixels test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_handlepixels.moc"
