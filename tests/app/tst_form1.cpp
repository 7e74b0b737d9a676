#include "app/form1.h"
#include "canvas/form2.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestForm1 : public QObject {
    Q_OBJECT
private:
    QTemporaryDir programDir;

    std::unique_ptr<Form1> start(const QString& commandLine = {})
    {
        auto form = std::make_unique<Form1>(
            StartupOptions{programDir.filePath("qmark"), commandLine});
        form->Form_Load();
        return form;
    }
    QString counterPath() const { return programDir.filePath("sat.txt"); }

private slots:
    void init() { QFile::remove(counterPath()); }

    void layoutMatchesTheDesign()
    {
        ScriptedPlatform platform;
        auto form = start();
        QCOMPARE(form->windowTitle(), QString("Quillmark"));
        QCOMPARE(form->size(), QSize(390, 315));

        const struct {
            const char* name;
            const char* caption;
            QRect geometry;
        } buttons[] = {
            {"Command14", "New", {0, 0, 41, 41}},
            {"Command13", "Open", {48, 0, 41, 41}},
            {"Command12", "Save", {96, 0, 41, 41}},
            {"Command11", "Text", {144, 0, 41, 41}},
            {"Command9", "Shape", {192, 0, 41, 41}},
            {"Command10", "Image", {240, 0, 41, 41}},
            {"Command3", "Settings", {288, 0, 41, 41}},
            {"Command15", "Print", {344, 0, 41, 41}},
            {"Command5", "About", {8, 272, 81, 33}},
            {"chameleonButton1", "Help", {96, 272, 105, 33}},
            {"Command4", "Check for Update", {208, 272, 145, 33}},
            {"Command1", "خروج", {152, 496, 49, 25}},
            {"Command2", "شكل", {40, 496, 41, 17}},
        };
        for (const auto& expected : buttons) {
            auto* button = form->findChild<QPushButton*>(expected.name);
            QVERIFY2(button, expected.name);
            QCOMPARE(button->text(), QString::fromUtf8(expected.caption));
            QCOMPARE(button->geometry(), expected.geometry);
        }

        QCOMPARE(form->Picture1->geometry(), QRect(0, 48, 360, 210));
        QCOMPARE(form->Picture1->BackColor(), 0x00FFFFFF);
        for (const char* hidden : {"Label2", "Text1", "Text2", "Text3", "Text4"})
            QVERIFY2(form->findChild<QWidget*>(hidden)->isHidden(), hidden);
        QVERIFY(form->Label2->text().isEmpty());
        QVERIFY(form->endOnClose);
    }

    void startsWithHiddenTemplatesAndEightHandles()
    {
        ScriptedPlatform platform;
        auto form = start();
        QCOMPARE(form->Label1.count(), 1);
        QCOMPARE(form->Image1.count(), 1);
        QCOMPARE(form->ActiveShape1.count(), 1);
        QVERIFY(form->Label1[0]->isHidden());
        QVERIFY(form->Image1[0]->isHidden());
        QVERIFY(form->ActiveShape1[0]->isHidden());
        QCOMPARE(form->Label1[0]->ToolTipText(), QString("Text"));
        QCOMPARE(form->ActiveShape1[0]->ToolTipText(), QString("Shape"));
        QCOMPARE(form->Image1[0]->Tag(), QString("img"));
        QCOMPARE(form->Image1[0]->Picture().size(), QSize(32, 32));
        QCOMPARE(QRectF(form->Image1[0]->Left(), form->Image1[0]->Top(),
                        form->Image1[0]->Width(), form->Image1[0]->Height()),
                 QRectF(1080, 240, 480, 285));

        QCOMPARE(form->node.count(), 8);
        for (int i = 0; i < 8; ++i) {
            QVERIFY(form->node[i]->isHidden());
            QCOMPARE(form->node[i]->Width(), 75.f);
            QCOMPARE(form->node[i]->Height(), 75.f);
        }
        // Loading again (as opening a card does) must not add handles.
        form->Form_Load(false);
        QCOMPARE(form->node.count(), 8);
        QCOMPARE(form->textCount, qint16(0));
    }

    void runCounterOffersAnUpdateOnTheNinthStart()
    {
        ScriptedPlatform platform;
        start();
        QCOMPARE(readFileBytes(counterPath()), QByteArray(" 1 \r\n"));
        QVERIFY(platform.messageBoxes.isEmpty());

        writeFileBytes(counterPath(), " 8 \r\n");
        start();
        QCOMPARE(readFileBytes(counterPath()), QByteArray(" 9 \r\n"));
        QVERIFY(platform.messageBoxes.isEmpty());

        platform.messageAnswers.enqueue(QMessageBox::No);
        start();
        QCOMPARE(platform.messageBoxes.size(), 1);
        const auto& box = platform.messageBoxes.first();
        QCOMPARE(box.text, QString("Check for Update?"));
        QCOMPARE(box.title, QString("Update"));
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(readFileBytes(counterPath()), QByteArray("1\r\n"));
        QVERIFY(platform.urls.isEmpty());

        start();
        QCOMPARE(readFileBytes(counterPath()), QByteArray(" 2 \r\n"));
    }

    void yesToTheUpdateQuestionOpensThePageAndTheUpdateWindow()
    {
        ScriptedPlatform platform;
        writeFileBytes(counterPath(), " 9 \r\n");
        platform.messageAnswers.enqueue(QMessageBox::Yes);
        auto form = start();
        QCOMPARE(platform.urls.size(), 1);
        QCOMPARE(platform.urls.first(), QUrl("http://127.0.0.1:9/product/quillmark.html"));
        QVERIFY(form->updateWindow);
        QCOMPARE(form->updateWindow->parentWidget(), form.get());
        QVERIFY(form->updateWindow->isVisible());
        QCOMPARE(readFileBytes(counterPath()), QByteArray("1\r\n"));
    }

    void runCounterSurvivesBadFiles()
    {
        ScriptedPlatform platform;
        writeFileBytes(counterPath(), "9\r\n");
        start();
        QCOMPARE(readFileBytes(counterPath()), QByteArray(" 10 \r\n"));

        writeFileBytes(counterPath(), "\x01garbage\xff\r\n");
        start();
        QCOMPARE(readFileBytes(counterPath()), QByteArray());
        start();
        QCOMPARE(readFileBytes(counterPath()), QByteArray(" 1 \r\n"));
        QVERIFY(platform.messageBoxes.isEmpty());

        // A counter that can be neither read nor written leaves start-up whole.
        QFile::remove(counterPath());
        QVERIFY(QDir(programDir.path()).mkdir("sat.txt"));
        auto form = start();
        QVERIFY(form->endOnClose);
        QVERIFY(QFileInfo(counterPath()).isDir());
        QVERIFY(QDir(programDir.path()).rmdir("sat.txt"));

        // So does a program folder that does not exist.
        Form1 lost(StartupOptions{"/nonexistent/folder/qmark", {}});
        lost.Form_Load();
        QVERIFY(lost.endOnClose);
    }

    void commandLineNamesTheCardEvenWhenUnreadable()
    {
        ScriptedPlatform platform;
        const QString quoted = "\"/no/such folder/my card.qmark\"";
        auto form = start(quoted);
        QCOMPARE(form->Label2->text(), quoted);
        QVERIFY(form->form2().ghjj->isEnabled());
        QCOMPARE(form->Label1.count(), 1);
        QVERIFY(form->Label1[0]->isHidden());

        // Leading and trailing spaces are part of the path, not trimmed away.
        auto spaced = start(" a b ");
        QCOMPARE(spaced->Label2->text(), QString(" a b "));
    }

    void saveMenuOffersSaveOnlyWithAFileName()
    {
        ScriptedPlatform platform;
        auto form = start();
        QTest::mouseClick(form->Command12, Qt::LeftButton);
        QCOMPARE(platform.menus.size(), 1);
        QCOMPARE(platform.menus[0].items, QStringList({"Save", "Save As.."}));
        QCOMPARE(platform.menus[0].enabled, QList<bool>({false, true}));

        auto named = start("/tmp/x.qmark");
        QTest::mouseClick(named->Command12, Qt::LeftButton);
        QCOMPARE(platform.menus[1].enabled, QList<bool>({true, true}));
    }

    void newStartsTheProgramAgainWithoutArguments()
    {
        ScriptedPlatform platform;
        auto form = start("/some/card.qmark");
        QTest::mouseClick(form->Command14, Qt::LeftButton);
        QCOMPARE(platform.processes.size(), 1);
        QCOMPARE(platform.processes[0].program, programDir.filePath("qmark"));
        QVERIFY(platform.processes[0].arguments.isEmpty());
    }

    void helpAndAboutReachTheMaker()
    {
        ScriptedPlatform platform;
        auto form = start();
        QTest::mouseClick(form->chameleonButton1, Qt::LeftButton);
        QCOMPARE(platform.urls, QList<QUrl>({QUrl("http://127.0.0.1:9/product/quillmark.html")}));

        QTest::mouseClick(form->Command5, Qt::LeftButton);
        QVERIFY(form->aboutBox);
        QCOMPARE(form->aboutBox->objectName(), QString("frmAbout"));
        QCOMPARE(form->aboutBox->parentWidget(), form.get());
        QVERIFY(!form->aboutBox->isModal());
        QWidget* first = form->aboutBox;
        QTest::mouseClick(form->Command5, Qt::LeftButton);
        QCOMPARE(form->aboutBox.data(), first);
    }

    void exitAsksAndEndsOnYes()
    {
        ScriptedPlatform platform;
        auto form = start();
        platform.messageAnswers.enqueue(QMessageBox::No);
        form->Command1->click();
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes[0].text, QString("Exit?"));
        QCOMPARE(platform.messageBoxes[0].title, QString());
        QCOMPARE(platform.messageBoxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(platform.exits.isEmpty());

        platform.messageAnswers.enqueue(QMessageBox::Yes);
        form->Command1->click();
        QCOMPARE(platform.exits, QList<int>({0}));
    }

    void closingEndsTheProgramOnceLoaded()
    {
        ScriptedPlatform platform;
        Form1 loading(StartupOptions{programDir.filePath("qmark"), {}});
        loading.show();
        loading.close();
        QVERIFY(platform.exits.isEmpty());

        auto form = start();
        form->show();
        form->close();
        QCOMPARE(platform.exits, QList<int>({0}));
        QVERIFY(platform.messageBoxes.isEmpty());
    }

    // The real platform: closing the window while the About box and the update window are
    // open ends the process itself, at once and without a question.
    void closingEndsTheRealProcess()
    {
        if (qEnvironmentVariableIsSet("QUILLMARK_CHILD")) {
            QSKIP("child run");
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLMARK_CHILD", programDir.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"-child"});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(!child.readAllStandardOutput().contains("still running"), "exec returned");
    }
};

// The child of closingEndsTheRealProcess: a real Form1 with the real platform.
static int runChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    Form1 form(StartupOptions{qEnvironmentVariable("QUILLMARK_CHILD") + "/qmark", {}});
    form.Form_Load();
    form.show();
    form.Command5->click();
    form.Command4->click();
    QTimer::singleShot(100, &form, [&form] { form.close(); });
    QTimer::singleShot(20000, &app, [] { QCoreApplication::exit(3); });
    const int code = app.exec();
    std::printf("still running\n");
    return code == 0 ? 4 : code;
}

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "-child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestForm1 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_form1.moc"
