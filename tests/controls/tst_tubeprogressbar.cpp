#include "controls/tubeprogressbar.h"
#include "scriptedplatform.h"

#include <QTest>

namespace {

const QRgb background = qRgb(0xFF, 0xFC, 0xFF);

// A bar 200 long and 20 across in the given direction, already laid out.
std::unique_ptr<TubeProgressBar> makeBar(qint32 style, qint32 direction, qint32 value)
{
    auto bar = std::make_unique<TubeProgressBar>();
    const bool vertical = direction >= 2;
    bar->resize(vertical ? QSize(20, 200) : QSize(200, 20));
    bar->setBarStyle(style);
    bar->setBarFillDirection(direction);
    bar->setBarColorSet(2);
    bar->setValue(value);
    return bar;
}

// The first and last painted pixel along the middle of the bar, counted from its start edge
// inside the border; -1, -1 when nothing is painted.
std::pair<int, int> paintedExtent(const QImage& image, qint32 direction)
{
    const bool vertical = direction >= 2;
    const bool reversed = direction == 0 || direction == 2;
    const int length = (vertical ? image.height() : image.width()) - 4;
    int first = -1, last = -1;
    for (int i = 0; i < length; ++i) {
        const int along = 2 + (reversed ? length - 1 - i : i);
        const QRgb pixel = vertical ? image.pixel(image.width() / 2, along)
                                    : image.pixel(along, image.height() / 2);
        if (qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel)) != background) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    return {first, last};
}

} // namespace

class TestTubeProgressBar : public QObject {
    Q_OBJECT

private slots:
    void filledLength_data()
    {
        QTest::addColumn<qint32>("style");
        QTest::addColumn<qint32>("value");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        // Inner length 196, segments 8 long with 2 between: 41 % fills 80 pixels, whose last
        // two are a gap; 100 % cuts the last segment at the end.
        QTest::newRow("growing 0") << 0 << 0 << -1 << -1;
        QTest::newRow("growing 41") << 0 << 41 << 0 << 77;
        QTest::newRow("growing 100") << 0 << 100 << 0 << 195;
        // The block of three segments travels 196 - 30 + 2 = 168 pixels.
        QTest::newRow("block 0") << 1 << 0 << 0 << 27;
        QTest::newRow("block 50") << 1 << 50 << 84 << 111;
        QTest::newRow("block 100") << 1 << 100 << 168 << 195;
    }
    void filledLength()
    {
        QFETCH(qint32, style);
        QFETCH(qint32, value);
        QFETCH(int, first);
        QFETCH(int, last);
        for (qint32 direction : {0, 1, 2, 3}) {
            const auto bar = makeBar(style, direction, value);
            const auto extent = paintedExtent(bar->grab().toImage(), direction);
            QCOMPARE(extent, std::make_pair(first, last));
        }
    }

    // Drawing only what changed must end in the same picture as drawing all of it.
    void incrementalMatchesFull_data()
    {
        QTest::addColumn<qint32>("style");
        QTest::addColumn<qint32>("direction");
        QTest::newRow("growing from left") << 0 << 1;
        QTest::newRow("growing from bottom") << 0 << 2;
        QTest::newRow("block from right") << 1 << 0;
        QTest::newRow("block from top") << 1 << 3;
    }
    void incrementalMatchesFull()
    {
        QFETCH(qint32, style);
        QFETCH(qint32, direction);
        const auto bar = makeBar(style, direction, 0);
        for (qint32 value : {37, 100, 63, 5, 41, 41, 99, 0, 58}) {
            bar->setValue(value);
            const auto fresh = makeBar(style, direction, value);
            QCOMPARE(bar->grab().toImage(), fresh->grab().toImage());
        }
    }

    void segmentPictures()
    {
        const QRgb middles[] = {0x30D03F, 0x0078F0, 0x0F404F, 0xDFA82F,
                                0x8FB880, 0x777777, 0xFFD538, 0xE0783F};
        for (int set = 1; set <= 8; ++set) {
            const QImage across = TubeProgressBar::segmentPicture(set, false);
            QCOMPARE(across.size(), QSize(8, 10));
            QCOMPARE(TubeProgressBar::segmentPicture(set, true).size(), QSize(10, 8));
            const auto brightness = [&](int row) {
                const QRgb p = across.pixel(3, row);
                return qRed(p) + qGreen(p) + qBlue(p);
            };
            int darkest = 0;
            for (int row = 1; row < 10; ++row)
                if (brightness(row) < brightness(darkest))
                    darkest = row;
            QVERIFY2(darkest >= 5 && darkest <= 7, qPrintable(QString::number(darkest)));
            QVERIFY(brightness(0) > brightness(4) && brightness(9) > brightness(4));
            const QRgb middle = across.pixel(3, 4), wanted = middles[set - 1];
            QVERIFY(std::abs(qRed(middle) - qRed(wanted)) <= 24);
            QVERIFY(std::abs(qGreen(middle) - qGreen(wanted)) <= 24);
            QVERIFY(std::abs(qBlue(middle) - qBlue(wanted)) <= 24);
        }
    }

    void equalBoundsRefused()
    {
        ScriptedPlatform platform;
        TubeProgressBar bar;
        bar.setMaximum(0);
        bar.setMinimum(100);
        QCOMPARE(bar.maximum(), qint16(100));
        QCOMPARE(bar.minimum(), qint16(0));
        QCOMPARE(platform.messageBoxes.size(), 2);
        QCOMPARE(platform.messageBoxes[0].text, QString());
        QCOMPARE(platform.messageBoxes[0].title, QString());
        QCOMPARE(platform.messageBoxes[0].icon, QMessageBox::Critical);
    }

    void propertyBag()
    {
        TubeProgressBar saved;
        saved.setBarColorSet(2);
        saved.setValue(41);
        saved.setBarSpaceBetweenImages(3);
        PropertyBag bag;
        saved.writeProperties(bag);
        TubeProgressBar restored;
        restored.readProperties(bag);
        QCOMPARE(restored.barPicture(), TubeProgressBar::segmentPicture(2, false));
        QCOMPARE(restored.value(), 41);
        QCOMPARE(restored.barSpaceBetweenImages(), qint16(3));
        QVERIFY(!bag.contains("Min") && !bag.contains("BackColor"));

        // The set number alone loads no picture.
        PropertyBag setOnly;
        setOnly.WriteProperty("BarColorSet", 3, 1);
        restored.readProperties(setOnly);
        QVERIFY(restored.barPicture().isNull());
        QCOMPARE(restored.barColorSet(), 3);
    }
};

QTEST_MAIN(TestTubeProgressBar)
#include "tst_tubeprogressbar.moc"
