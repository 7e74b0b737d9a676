#include "print/sheetlayout.h"

#include <QTest>

using sheet::Orientation;

class TestSheetLayout : public QObject {
    Q_OBJECT
private slots:
    void orientation_data()
    {
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("h");
        QTest::addColumn<Orientation>("page");
        QTest::newRow("rule 1, default card") << 5400.0 << 3150.0 << Orientation::Portrait;
        QTest::newRow("rule 1, just under both") << 10799.0 << 14399.0 << Orientation::Portrait;
        QTest::newRow("rule 2") << 12000.0 << 5000.0 << Orientation::Landscape;
        QTest::newRow("rule 2 ends at 10 in") << 14399.0 << 10799.0 << Orientation::Landscape;
        QTest::newRow("rule 3, wide") << 14400.0 << 12000.0 << Orientation::Landscape;
        QTest::newRow("rule 3, tall and wide") << 12000.0 << 14400.0 << Orientation::Portrait;
        QTest::newRow("rule 3, square") << 14400.0 << 14400.0 << Orientation::Portrait;
        QTest::newRow("rule 3, 7.5 in high") << 11000.0 << 10800.0 << Orientation::Landscape;
        QTest::newRow("rule 4, exactly 7.5 in wide") << 10800.0 << 3000.0 << Orientation::Portrait;
    }
    void orientation()
    {
        QFETCH(double, w);
        QFETCH(double, h);
        QFETCH(Orientation, page);
        QCOMPARE(sheet::pageOrientation(w, h), page);
        QCOMPARE(sheet::pageSize(page),
                 page == Orientation::Portrait ? QSize(12240, 15840) : QSize(15840, 12240));
    }

    void tiles()
    {
        // Columns outer, rows inner; the default card covers 10800 by 12600 twips.
        const auto corners = sheet::tileCards(2, 4, 5400, 3150);
        const std::vector<QPoint> expected{{0, 0},    {0, 3150},    {0, 6300},    {0, 9450},
                                           {5400, 0}, {5400, 3150}, {5400, 6300}, {5400, 9450}};
        QCOMPARE(corners, expected);
        QCOMPARE(sheet::tileCards(2, 1, 5400, 3150), (std::vector<QPoint>{{0, 0}, {5400, 0}}));
        QCOMPARE(sheet::tileSize(QSizeF(5400.9, 3150.2)), QSize(5400, 3150));
        QCOMPARE(sheet::tileSize(QSizeF(-3, 1e12)), QSize(0, 32767));
    }

    void counts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("design value") << "2" << 2;
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("zero") << "0" << 1;
        QTest::newRow("negative") << "-3" << 1;
        QTest::newRow("too many") << "7" << 4;
        QTest::newRow("huge") << "99999999999999999999" << 4;
        QTest::newRow("letters") << "abc" << 1;
        QTest::newRow("leading number") << " 3x" << 3;
        QTest::newRow("half to even") << "2.5" << 2;
        QTest::newRow("fraction up") << "3.5" << 4;
    }
    void counts()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(sheet::sheetCount(text), count);
    }

    void copies_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("corrected");
        QTest::addColumn<int>("spinner");
        QTest::newRow("in range") << "57"
                                  << "" << 57;
        QTest::newRow("too many") << "1200"
                                  << "999" << 999;
        QTest::newRow("top") << "999"
                             << "" << 999;
        QTest::newRow("empty") << ""
                               << "1" << 1;
        QTest::newRow("zero") << "0"
                              << "1" << 1;
    }
    void copies()
    {
        QFETCH(QString, text);
        QFETCH(QString, corrected);
        QFETCH(int, spinner);
        const sheet::CopiesClamp clamp = sheet::clampCopies(text);
        QCOMPARE(clamp.correctedText, corrected);
        QCOMPARE(clamp.spinnerValue, spinner);
    }
};

QTEST_APPLESS_MAIN(TestSheetLayout)
#include "tst_sheetlayout.moc"
