#include "print/calibration.h"
#include "print/printsettings.h"
#include "print/sheetlayout.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

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
        QTest::newRow("a fraction under one") << "0.5"
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

    // Plain paper, as many cards as fit: the count, the shrink of a card that cannot fit, and
    // crop marks that stay 5 mm clear of every edge, with a mark at every card's corner.
    void fitOnPlainPaper_data()
    {
        QTest::addColumn<QSizeF>("paper");
        QTest::addColumn<bool>("cropMarks");
        QTest::addColumn<QSizeF>("card");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("scale");
        const double mm = sheet::TwipsPerMm;
        const QSizeF letter(12240, 15840), a4(210 * mm, 297 * mm);
        const QSizeF businessCard(5040, 2880), defaultCard(5400, 3150);
        // Five rows of 2 in would leave a quarter inch at the edges: too little for marks.
        QTest::newRow("letter, 3.5 x 2 in") << letter << true << businessCard << 2 << 4 << 1.0;
        QTest::newRow("A4, 3.5 x 2 in") << a4 << true << businessCard << 2 << 5 << 1.0;
        QTest::newRow("A4, default card") << a4 << true << defaultCard << 2 << 4 << 1.0;
        // Too wide but not too tall, or the other way round, still shrinks to the room.
        const double room = 12240 - 2 * sheet::CropMarkMargin;
        QTest::newRow("too wide only")
            << letter << true << QSizeF(13000, 2000) << 1 << 7 << room / 13000;
        QTest::newRow("too tall only") << letter << true << QSizeF(2000, 16000) << 5 << 1
                                       << (15840 - 2 * sheet::CropMarkMargin) / 16000;
        // Three 36 mm cards fill 108 mm exactly, though the division comes out a hair short.
        QTest::newRow("exact fit")
            << QSizeF(108 * mm, 297 * mm) << false << QSizeF(36 * mm, 99 * mm) << 3 << 3 << 1.0;
    }
    void fitOnPlainPaper()
    {
        QFETCH(QSizeF, paper);
        QFETCH(bool, cropMarks);
        QFETCH(QSizeF, card);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(double, scale);
        SheetLayout layout;
        layout.paperTwips = paper;
        layout.count = SheetLayout::Count::Fit;
        layout.left = layout.top = std::nullopt;
        layout.margin = cropMarks ? 0.25 * sheet::TwipsPerInch : 0;
        layout.gap = cropMarks ? 0.125 * sheet::TwipsPerInch : 0;
        layout.cropMarks = cropMarks;
        const SheetPlacement placement = sheet::placeCards(layout, card, 1, 1);
        QCOMPARE(int(placement.cards.size()), columns * rows);
        const auto distinct = [&](auto coordinate) {
            std::set<long> seen;
            for (const QRectF& c : placement.cards)
                seen.insert(std::lround(coordinate(c)));
            return int(seen.size());
        };
        QCOMPARE(distinct([](const QRectF& c) { return c.left(); }), columns);
        QVERIFY(qAbs(placement.scale - scale) < 1e-6);
        if (!cropMarks)
            return;

        const double clear = 5 * sheet::TwipsPerMm - 1e-6;
        const std::vector<QLineF> marks = sheet::cropMarks(placement);
        for (const QLineF& mark : marks)
            for (const QPointF end : {mark.p1(), mark.p2()})
                QVERIFY2(end.x() >= clear && end.x() <= paper.width() - clear && end.y() >= clear
                             && end.y() <= paper.height() - clear,
                         qPrintable(QString("mark end at %1, %2").arg(end.x()).arg(end.y())));
        for (const QRectF& c : placement.cards)
            for (const QPointF corner :
                 {c.topLeft(), c.topRight(), c.bottomLeft(), c.bottomRight()})
                QVERIFY(std::any_of(marks.begin(), marks.end(), [&](const QLineF& m) {
                    return QLineF(m.p1(), corner).length() <= sheet::CropMarkOffset + 1e-6;
                }));
    }

    // A hand-edited settings file may hold anything: offsets stay within 25 mm, scales within
    // 80 to 120 %, and what is no number at all means no correction.
    void calibrationSanitized_data()
    {
        QTest::addColumn<QList<double>>("stored"); // offset x, offset y, scale x, scale y
        QTest::addColumn<QList<double>>("used");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("within") << QList<double>{1.5, -2, 95, 105}
                                << QList<double>{1.5, -2, 95, 105};
        QTest::newRow("at the limits")
            << QList<double>{25, -25, 80, 120} << QList<double>{25, -25, 80, 120};
        QTest::newRow("beyond") << QList<double>{30, -40, 79, 121}
                                << QList<double>{25, -25, 80, 120};
        QTest::newRow("not a number")
            << QList<double>{nan, nan, nan, nan} << QList<double>{0, 0, 100, 100};
        QTest::newRow("infinite") << QList<double>{inf, -inf, inf, -inf}
                                  << QList<double>{0, 0, 100, 100};
    }
    void calibrationSanitized()
    {
        QFETCH(QList<double>, stored);
        QFETCH(QList<double>, used);
        const PrinterCalibration c =
            calibration::sanitized({stored[0], stored[1], stored[2], stored[3]});
        QCOMPARE((QList<double>{c.offsetXMm, c.offsetYMm, c.scaleXPercent, c.scaleYPercent}), used);
    }

    // The back offset as the settings hold it: a file written before it existed, or edited by
    // hand, reads as a back offset within 25 mm (0 for no number) beside the rest, unchanged;
    // stored again, it is written only when there is one.
    void backOffsetStored_data()
    {
        QTest::addColumn<QStringList>("written"); // back offset x and y; null: no key at all
        QTest::addColumn<QPointF>("read");
        QTest::newRow("none, as written before") << QStringList{{}, {}} << QPointF(0, 0);
        QTest::newRow("within") << QStringList{"1.5", "-2"} << QPointF(1.5, -2);
        QTest::newRow("one of them") << QStringList{{}, "0.5"} << QPointF(0, 0.5);
        QTest::newRow("at the limits") << QStringList{"25", "-25"} << QPointF(25, -25);
        QTest::newRow("beyond") << QStringList{"30", "-40.5"} << QPointF(25, -25);
        QTest::newRow("not a number") << QStringList{"abc", "nan"} << QPointF(0, 0);
        QTest::newRow("infinite") << QStringList{"inf", "-inf"} << QPointF(0, 0);
    }
    void backOffsetStored()
    {
        QFETCH(QStringList, written);
        QFETCH(QPointF, read);
        // The settings' folder is looked up once in a run: one for every row.
        static const QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        const QString group = "calibration/Queue%20one";
        const QStringList frontKeys{"offsetXMm", "offsetYMm", "scaleXPercent", "scaleYPercent"};
        const QStringList backKeys{"backOffsetXMm", "backOffsetYMm"};
        {
            const auto settings = printSettings();
            settings->beginGroup(group);
            for (int i = 0; i < 4; ++i)
                settings->setValue(frontKeys[i], QList<double>{2, -1, 101, 99}[i]);
            for (int i = 0; i < 2; ++i)
                if (!written[i].isNull())
                    settings->setValue(backKeys[i], written[i]);
        }
        const PrinterCalibration c = calibration::load("Queue one");
        QCOMPARE(QPointF(c.backOffsetXMm, c.backOffsetYMm), read);
        QCOMPARE((QList<double>{c.offsetXMm, c.offsetYMm, c.scaleXPercent, c.scaleYPercent}),
                 (QList<double>{2, -1, 101, 99}));

        // Stored again, without it, and with the order of backs printed by hand: each key is
        // there only when it holds a value.
        PrinterCalibration faceUp{2, -1, 101, 99};
        faceUp.backsInPrintedOrder = true;
        for (const PrinterCalibration& stored : {c, PrinterCalibration{2, -1, 101, 99}, faceUp}) {
            QVERIFY(calibration::save("Queue one", stored));
            QCOMPARE(calibration::load("Queue one"), stored);
            const auto settings = printSettings();
            settings->beginGroup(group);
            QStringList expected = frontKeys;
            if (stored.backOffsetXMm != 0)
                expected << backKeys[0];
            if (stored.backOffsetYMm != 0)
                expected << backKeys[1];
            if (stored.backsInPrintedOrder)
                expected << "backsInPrintedOrder";
            expected.sort();
            QCOMPARE(settings->childKeys(), expected);
        }
    }
};

QTEST_APPLESS_MAIN(TestSheetLayout)
#include "tst_sheetlayout.moc"
