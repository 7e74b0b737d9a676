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
    void helpAndVersionNeedNoDisplay();
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

void TestFirstFrame::helpAndVersionNeedNoDisplay()
{
    QTemporaryDir dir;
    const QString program = dir.filePath("qmark");
    QVERIFY(QFile::copy(QStringLiteral(QUILLMARK_BINARY_DIR "/qmark"), program));
    // The X11 platform with no display: any toolkit start-up would abort.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    const QStringList firstWords{"Usage: qmark [CARD]\n", "qmark " QUILLMARK_VERSION_TEXT "\n"};
    const QStringList options{"--help", "--version"};
    for (int i = 0; i < options.size(); ++i) {
        QProcess qmark;
        qmark.setProcessEnvironment(environment);
        qmark.setWorkingDirectory(dir.path());
        qmark.start(program, {options[i]});
        QVERIFY(qmark.waitForFinished(60000));
        QCOMPARE(qmark.exitStatus(), QProcess::NormalExit);
        QCOMPARE(qmark.exitCode(), 0);
        QVERIFY(QString::fromLocal8Bit(qmark.readAllStandardOutput()).startsWith(firstWords[i]));
    }
    // Nothing started: no run counted, no card saved.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"qmark"});
}

QTEST_MAIN(TestFirstFrame)
#include "tst_firstframe.moc"
