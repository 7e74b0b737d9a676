#include "controls/propertybag.h"

#include <QTest>

#include <limits>

class TestPropertyBag : public QObject {
    Q_OBJECT
private slots:
    void defaultsAreNotKeptAndBadValuesReadAsDefault();
};

void TestPropertyBag::defaultsAreNotKeptAndBadValuesReadAsDefault()
{
    PropertyBag bag;
    bag.WriteProperty("Big", 255, 0);
    bag.WriteProperty("big", 0, 0); // the default, under another spelling, removes it
    QCOMPARE(bag.size(), 0);

    bag.WriteProperty("Text", QStringLiteral("12"), QVariant());
    bag.WriteProperty("Big", 70000, QVariant());
    bag.WriteProperty("Half", 2.5, QVariant());
    bag.WriteProperty("Unsigned", quint32(0x8000000F), QVariant());
    bag.WriteProperty("NaN", std::numeric_limits<double>::quiet_NaN(), QVariant());
    QCOMPARE(bag.readInt16("Text", 7), qint16(7)); // text is not a number
    QCOMPARE(bag.readBool("Text", false), false);
    QCOMPARE(bag.readInt16("Big", 7), qint16(7)); // does not fit 16 bits
    QCOMPARE(bag.readInt32("BIG", 7), 70000);
    QCOMPARE(bag.readInt32("Half", 7), 7); // not a whole number
    QCOMPARE(bag.readFloat("Half", 0), 2.5f);
    QCOMPARE(bag.readInt32("Unsigned", 0), qint32(0x8000000F));
    QCOMPARE(bag.readFloat("NaN", 1.5f), 1.5f);
    QCOMPARE(bag.readString("Big", "x"), QStringLiteral("x"));
}

QTEST_GUILESS_MAIN(TestPropertyBag)
#include "tst_propertybag.moc"
