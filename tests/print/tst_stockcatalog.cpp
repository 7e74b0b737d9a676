#include "print/sheetlayout.h"
#include "print/stockcatalog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using stockcatalog::Catalogue;

namespace {

QByteArray dataFile(const char* name)
{
    QFile file(QString(QUILLMARK_TEST_DATA "/stock/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
// A small catalogue: equivalents, a chain of them, a missing base, a round label, an unknown
// paper and an oversized grid.
const QByteArray Papers = dataFile("paper-sizes.xml");
const QByteArray Templates = dataFile("acme-templates.xml");

Catalogue loadFolder(const QString& folder, const QByteArray& papers, const QByteArray& templates)
{
    QFile p(folder + "/paper-sizes.xml"), t(folder + "/acme-templates.xml");
    if (!papers.isNull() && p.open(QIODevice::WriteOnly))
        p.write(papers);
    if (t.open(QIODevice::WriteOnly))
        t.write(templates);
    p.close(), t.close();
    return stockcatalog::load(folder);
}
} // namespace

class TestStockCatalog : public QObject {
    Q_OBJECT
private slots:
    void lengths_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("twips"); // -1: refused
        QTest::newRow("inches") << "3.5in" << 5040.0;
        QTest::newRow("millimetres") << "25.4mm" << 1440.0;
        QTest::newRow("centimetres") << "2.54cm" << 1440.0;
        QTest::newRow("points") << "9pt" << 180.0;
        QTest::newRow("bare points") << "72" << 1440.0;
        QTest::newRow("spaced") << " 1 in " << 1440.0;
        QTest::newRow("negative") << "-1in" << -1.0;
        QTest::newRow("huge") << "1e300mm" << -1.0;
        QTest::newRow("nan") << "nanmm" << -1.0;
        QTest::newRow("words") << "wide" << -1.0;
        QTest::newRow("empty") << "" << -1.0;
    }
    void lengths()
    {
        QFETCH(QString, text);
        QFETCH(double, twips);
        const auto value = stockcatalog::parseLength(text);
        if (twips < 0)
            QVERIFY(!value);
        else
            QVERIFY(value && qAbs(*value - twips) < 1e-6);
    }

    // Equivalents, chains of them, missing bases, other shapes, unknown papers and
    // oversized grids, all in one small folder.
    void readsAFolder()
    {
        QTemporaryDir dir;
        const Catalogue catalogue = loadFolder(dir.path(), Papers, Templates);
        QVERIFY2(catalogue.problem.isEmpty(), qPrintable(catalogue.problem));
        QStringList names;
        for (const StockTemplate& stock : catalogue.templates)
            names << stock.name();
        // Business cards first; 103's base is missing, 300 is round, 400's paper is unknown,
        // 500 has too many labels.
        QCOMPARE(names, (QStringList{"Acme 100", "Acme 101", "Acme 102", "Acme 200"}));

        const StockTemplate& chained = catalogue.templates[2];
        QCOMPARE(chained.equivalentOf, QString("100"));
        QCOMPARE(chained.description, QString("Business Cards"));
        QVERIFY(chained.isBusinessCard());
        const SheetLayout layout = chained.layout();
        QCOMPARE(layout.name, QString("Acme 102"));
        QCOMPARE(layout.paperTwips, QSizeF(12240, 15840));
        QCOMPARE(layout.cellCorners.size(), size_t(10));
        QCOMPARE(layout.cellCorners[1], QPointF(1080, 720 + 2880)); // rows inner
        QCOMPARE(layout.cellCorners[5], QPointF(1080 + 5040, 720));

        const StockTemplate& tags = catalogue.templates[3];
        QCOMPARE(tags.labelCount(), 3);
        QVERIFY(qAbs(tags.paperTwips.width() - 100 * sheet::TwipsPerMm) < 1e-6);
        QVERIFY(qAbs(tags.corners()[2].y() - 30 * sheet::TwipsPerMm) < 1e-6);

        QVERIFY(stockcatalog::find(catalogue, "  acme   101 "));
        QVERIFY(!stockcatalog::find(catalogue, "Acme 103"));
        QCOMPARE(stockcatalog::nearest(catalogue, "acme 10"),
                 (QStringList{"Acme 100", "Acme 101", "Acme 102"}));
        QVERIFY(stockcatalog::matches(catalogue.templates[3], "acme TAGS"));
        QVERIFY(!stockcatalog::matches(catalogue.templates[3], "acme cards"));
    }

    // A card placed on a stock sheet sits centred in each label, scaled down only to fit.
    void placesCardsInLabels()
    {
        QTemporaryDir dir;
        const Catalogue catalogue = loadFolder(dir.path(), Papers, Templates);
        const SheetLayout layout = catalogue.templates[3].layout();
        const QSizeF label = catalogue.templates[3].labelTwips;
        const SheetPlacement same = sheet::placeCards(layout, label, 2, 4);
        QCOMPARE(same.cards.size(), size_t(3));
        QCOMPARE(same.scale, 1.0);
        QCOMPARE(same.cards[0].topLeft(), catalogue.templates[3].corners()[0]);
        const SheetPlacement tall =
            sheet::placeCards(layout, QSizeF(label.width() / 2, label.height() * 2), 2, 4);
        QCOMPARE(tall.scale, 0.5);
        QCOMPARE(tall.cards[0].center(),
                 QRectF(catalogue.templates[3].corners()[0], label).center());
    }

    void damagedCatalogueLeavesOneMessage_data()
    {
        QTest::addColumn<QByteArray>("papers");
        QTest::addColumn<QByteArray>("templates");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("count");
        QTest::newRow("no paper sizes") << QByteArray() << Templates << "cannot be read" << 0;
        QTest::newRow("damaged paper sizes")
            << QByteArray("<Glabels-paper-sizes><Paper") << Templates << "is damaged" << 0;
        QTest::newRow("wrong root") << QByteArray("<html/>") << Templates << "is damaged" << 0;
        QTest::newRow("damaged templates") << Papers << Templates.left(Templates.size() / 2)
                                           << "is damaged (acme-templates.xml (line" << 0;
        // Entities that would expand to gigabytes are refused, not expanded.
        QByteArray laughs =
            "<?xml version=\"1.0\"?><!DOCTYPE Glabels-templates [<!ENTITY l0 \"ha\">";
        for (int i = 1; i < 10; ++i)
            laughs += QString("<!ENTITY l%1 \"%2\">")
                          .arg(i)
                          .arg(QString("&l%1;").arg(i - 1).repeated(10))
                          .toLatin1();
        laughs += "]><Glabels-templates><Template brand=\"&l9;\" part=\"1\"/></Glabels-templates>";
        QTest::newRow("entity expansion")
            << Papers << laughs << "is damaged (acme-templates.xml (line 1" << 0;
        QTest::newRow("no templates")
            << Papers << QByteArray("<Glabels-templates/>") << "holds no templates" << 0;
    }
    void damagedCatalogueLeavesOneMessage()
    {
        QFETCH(QByteArray, papers);
        QFETCH(QByteArray, templates);
        QFETCH(QString, problem);
        QFETCH(int, count);
        QTemporaryDir dir;
        const Catalogue catalogue = loadFolder(dir.path(), papers, templates);
        QCOMPARE(int(catalogue.templates.size()), count);
        QVERIFY2(catalogue.problem.contains(problem), qPrintable(catalogue.problem));
        QVERIFY(!catalogue.problem.contains('\n'));
    }

    // One damaged file among good ones costs only its own entries.
    void damagedFileIsLeftOut()
    {
        QTemporaryDir dir;
        loadFolder(dir.path(), Papers, Templates);
        QFile bad(dir.path() + "/broken-templates.xml");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("<Glabels-templates><Template brand=\"X\" part=\"1\"");
        bad.close();
        const Catalogue catalogue = stockcatalog::load(dir.path());
        QCOMPARE(catalogue.templates.size(), size_t(4));
        QVERIFY(catalogue.problem.contains("broken-templates.xml"));
    }

    // Every template of the installed catalogue (glabels-data 3.4.1): 1756 Template elements in
    // 35 files, of which 930 are rectangular sheets and 555 parts equivalent to one of them; the
    // other 196 are round, elliptical or CD labels and 75 parts equivalent to those. 116 of the
    // sheets kept are business cards.
    void readsTheInstalledCatalogue()
    {
        const QString folder = stockcatalog::installedFolder();
        if (!QFile::exists(folder + "/paper-sizes.xml"))
            QSKIP("glabels-data is not installed");
        const Catalogue catalogue = stockcatalog::load(folder);
        QVERIFY2(catalogue.problem.isEmpty(), qPrintable(catalogue.problem));
        QCOMPARE(catalogue.filesRead, 35);
        QCOMPARE(catalogue.templates.size(), size_t(930 + 555));
        const auto cards = std::count_if(catalogue.templates.begin(), catalogue.templates.end(),
                                         [](const StockTemplate& s) { return s.isBusinessCard(); });
        QCOMPARE(cards, 116);
        QVERIFY(std::is_partitioned(catalogue.templates.begin(), catalogue.templates.end(),
                                    [](const StockTemplate& s) { return s.isBusinessCard(); }));
        for (const StockTemplate& stock : catalogue.templates) {
            QVERIFY2(stock.labelCount() > 0 && stock.paperTwips.isValid()
                         && stock.labelTwips.isValid(),
                     qPrintable(stock.name()));
        }
        const StockTemplate* avery = stockcatalog::find(catalogue, "avery 8371");
        QVERIFY(avery);
        QCOMPARE(avery->equivalentOf, QString("5371"));
        QCOMPARE(avery->corners().front(), QPointF(0.75 * 1440, 0.5 * 1440));
        QCOMPARE(avery->corners().back(), QPointF(0.75 * 1440 + 3.5 * 1440, 0.5 * 1440 + 8 * 1440));
    }
};

QTEST_GUILESS_MAIN(TestStockCatalog)
#include "tst_stockcatalog.moc"
