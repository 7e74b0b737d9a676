#include "dialogs/picturebuttons.h"

#include <QApplication>
#include <QTest>

class TestPictureButtons : public QObject {
    Q_OBJECT
private slots:
    void picturesFollowThePalette_data();
    void picturesFollowThePalette();
};

void TestPictureButtons::picturesFollowThePalette_data()
{
    QTest::addColumn<QColor>("face");
    QTest::addColumn<QColor>("ink");
    QTest::newRow("light") << QColor(0xEF, 0xEF, 0xEF) << QColor(Qt::black);
    QTest::newRow("dark") << QColor(0x35, 0x35, 0x35) << QColor(0xF0, 0xF0, 0xF0);
}

// The bold picture's strokes take the palette's button text colour, whatever the theme.
void TestPictureButtons::picturesFollowThePalette()
{
    QFETCH(QColor, face);
    QFETCH(QColor, ink);
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::ButtonText, ink);
    PictureCheckBox bold(":/style-bold.svg");
    bold.setPalette(palette);
    bold.resize(25, 25);
    for (const bool on : {false, true}) {
        bold.setChecked(on);
        const QImage image = bold.grab().toImage();
        // The darkest and lightest pixels of the picture's square: its strokes are the ink.
        int nearest = 255 * 3;
        for (int y = 5; y < 20; ++y)
            for (int x = 5; x < 20; ++x) {
                const QColor c = image.pixelColor(x, y);
                nearest = qMin(nearest, qAbs(c.red() - ink.red()) + qAbs(c.green() - ink.green())
                                            + qAbs(c.blue() - ink.blue()));
            }
        QVERIFY2(nearest < 30, qPrintable(QString("checked %1: no stroke near %2, closest %3")
                                              .arg(on)
                                              .arg(ink.name())
                                              .arg(nearest)));
    }
}

QTEST_MAIN(TestPictureButtons)
#include "tst_picturebuttons.moc"
