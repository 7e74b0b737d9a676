// A caption that shrinks to fit: the largest quarter point, up to its own size, at which every
// line shows whole in its box and no word is broken.
#include "render/textfit.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

class TestTextFit : public QObject {
    Q_OBJECT
private slots:
    void fittedSizes_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSizeF>("box"); // pixels
        QTest::addColumn<bool>("shrinks");
        QTest::newRow("fits as it is") << "Ann" << QSizeF(160, 28) << false;
        QTest::newRow("too long for a line")
            << "Alexandra Konstantinopoulou-Whitfield" << QSizeF(160, 28) << true;
        QTest::newRow("wraps into a taller box")
            << "Alexandra Konstantinopoulou-Whitfield" << QSizeF(160, 80) << true;
        QTest::newRow("a word wider than the box")
            << "Supercalifragilistic" << QSizeF(60, 200) << true;
        QTest::newRow("line breaks") << "one\ntwo\nthree\nfour" << QSizeF(200, 40) << true;
        QTest::newRow("empty") << "" << QSizeF(10, 10) << false;
    }

    void fittedSizes()
    {
        QFETCH(QString, caption);
        QFETCH(QSizeF, box);
        QFETCH(bool, shrinks);
        QFont font("DejaVu Sans");
        font.setPointSizeF(16);
        const qreal fitted = render::fittedPointSize(caption, font, box, true);
        QCOMPARE(fitted < 16, shrinks);
        QVERIFY(fitted >= render::MinFittedPointSize);
        QCOMPARE(std::fmod(fitted * 4, 1.0), 0.0);
        if (!shrinks)
            return;
        // It fits at the size found, and a quarter point more does not.
        font.setPointSizeF(fitted);
        QCOMPARE(render::fittedPointSize(caption, font, box, true), fitted);
        font.setPointSizeF(fitted + 0.25);
        QVERIFY(render::fittedPointSize(caption, font, box, true) < fitted + 0.25);
        // No word is wider than the box at the size found; a line may break after a hyphen.
        font.setPointSizeF(fitted);
        const QFontMetricsF metrics(font);
        for (const QString& word : caption.split(QRegularExpression("\\s|(?<=-)")))
            QVERIFY(metrics.horizontalAdvance(word) <= box.width() + 0.5);
    }

    // A box no caption fits leaves the smallest size rather than nothing.
    void nothingFits()
    {
        QFont font("DejaVu Sans");
        font.setPointSizeF(12);
        QCOMPARE(render::fittedPointSize("Wide words here", font, {1, 1}, true),
                 render::MinFittedPointSize);
        QCOMPARE(render::fittedPointSize("x", font, {}, true), render::MinFittedPointSize);
    }
};

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
