#include "app/runcounter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestRunCounter : public QObject {
    Q_OBJECT
private slots:
    void nextStep_data()
    {
        QTest::addColumn<QString>("read");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("missing file") << QString() << false << QByteArray(" 1 \r\n");
        QTest::newRow("after the reset") << "1" << false << QByteArray(" 2 \r\n");
        QTest::newRow("printed number") << " 2 " << false << QByteArray(" 3 \r\n");
        QTest::newRow("eighth start") << " 8 " << false << QByteArray(" 9 \r\n");
        QTest::newRow("ninth asks") << " 9 " << true << QByteArray("1\r\n");
        QTest::newRow("nine without spaces") << "9" << false << QByteArray(" 10 \r\n");
        QTest::newRow("nine with one space") << " 9" << false << QByteArray(" 10 \r\n");
        QTest::newRow("large") << " 32767 " << false << QByteArray(" 32768 \r\n");
        QTest::newRow("negative") << "-3 " << false << QByteArray("-2 \r\n");
        QTest::newRow("fraction") << " 1.5 " << false << QByteArray(" 2.5 \r\n");
        QTest::newRow("garbage") << "abc" << false << QByteArray();
        QTest::newRow("number then garbage") << " 4x" << false << QByteArray();
        QTest::newRow("infinite") << "1e999" << false << QByteArray();
    }
    void nextStep()
    {
        QFETCH(QString, read);
        QFETCH(bool, asks);
        QFETCH(QByteArray, written);
        const runcounter::Step step = runcounter::next(read);
        QCOMPARE(step.askForUpdate, asks);
        QCOMPARE(step.newContent, written);
    }

    void location()
    {
        // From its build tree, beside the program; installed, in the user's state folder.
        qputenv("HOME", "/home/u");
        qputenv("XDG_STATE_HOME", "/home/u/state");
        QCOMPARE(runcounter::location("/home/u/quillmark/build"),
                 QString("/home/u/quillmark/build/sat.txt"));
        QCOMPARE(runcounter::location("/usr/libexec/quillmark"),
                 QString("/home/u/state/quillmark/sat.txt"));
        QCOMPARE(runcounter::location("/opt/q/libexec/quillmark/"),
                 QString("/home/u/state/quillmark/sat.txt"));
        QCOMPARE(runcounter::location("/opt/notlibexec/quillmark"),
                 QString("/opt/notlibexec/quillmark/sat.txt"));
        qputenv("XDG_STATE_HOME", "relative/state"); // ignored, as the base directories say
        QCOMPARE(runcounter::location("/usr/libexec/quillmark"),
                 QString("/home/u/.local/state/quillmark/sat.txt"));
    }

    void readsOnlyTheFirstLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("sat.txt");
        QCOMPARE(runcounter::readFirstLine(path), QString());

        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(" 9 \r\n 4 \r\n");
        file.close();
        QCOMPARE(runcounter::readFirstLine(path), QString(" 9 "));

        QVERIFY(runcounter::write(path, QByteArray(10'000'000, 'x')));
        QVERIFY(runcounter::readFirstLine(path).size() <= 4096);
    }
};

QTEST_GUILESS_MAIN(TestRunCounter)
#include "tst_runcounter.moc"
