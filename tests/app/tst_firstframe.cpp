// `qmark --quit-after-first-frame` shows its window, paints it once and ends on its own.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestFirstFrame : public QObject {
    Q_OBJECT
private slots:
    void endsAfterItsFirstFrame();
};

void TestFirstFrame::endsAfterItsFirstFrame()
{
    QTemporaryDir dir;
    const QString program = dir.filePath("qmark");
    QVERIFY(QFile::copy(QStringLiteral(QUILLMARK_BINARY_DIR "/qmark"), program));
    const QString card = QStringLiteral(QUILLMARK_TEST_DATA "/design.qmark");

    QProcess qmark;
    qmark.start(program, {"--quit-after-first-frame", card});
    QVERIFY(qmark.waitForFinished(60000));
    QCOMPARE(qmark.exitStatus(), QProcess::NormalExit);
    QCOMPARE(qmark.exitCode(), 0);
    // It started as any run does: the run counter was written beside it.
    QVERIFY(QFile::exists(dir.filePath("sat.txt")));
}

QTEST_MAIN(TestFirstFrame)
#include "tst_firstframe.moc"
