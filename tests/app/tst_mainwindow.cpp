#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "cardtest.h"
#include "control.h"
#include "controls/skinbutton.h"
#include "loopbackserver.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestMainWindow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir programDir;

    std::unique_ptr<MainWindow> start(const QString& commandLine = {})
    {
        auto window =
            std::make_unique<MainWindow>(StartupOptions{programDir.filePath("qmark"), commandLine});
        window->startUp();
        return window;
    }
    QString counterPath() const { return programDir.filePath("sat.txt"); }

private slots:
    void init() { QFile::remove(counterPath()); }

    void layoutMatchesTheDesign()
    {
        ScriptedPlatform platform;
        auto window = start();
        QCOMPARE(window->windowTitle(), QString("Quillmark"));
        QCOMPARE(window->size(), QSize(390, 315));

        const struct {
            const char* name;
            const char* caption;
            QRect geometry;
        } buttons[] = {
            {"newButton", "New", {0, 0, 41, 41}},
            {"openButton", "Open", {48, 0, 41, 41}},
            {"saveButton", "Save", {96, 0, 41, 41}},
            {"textButton", "Text", {144, 0, 41, 41}},
            {"shapeButton", "Shape", {192, 0, 41, 41}},
            {"pictureButton", "Image", {240, 0, 41, 41}},
            {"settingsButton", "Settings", {288, 0, 41, 41}},
            {"printButton", "Print", {344, 0, 41, 41}},
            {"aboutButton", "About", {8, 272, 81, 33}},
            {"helpButton", "Help", {96, 272, 105, 33}},
            {"updateButton", "Check for Update", {208, 272, 145, 33}},
            {"exitButton", "خروج", {152, 496, 49, 25}},
            {"frontShapeButton", "شكل", {40, 496, 41, 17}},
        };
        for (const auto& expected : buttons) {
            auto* button = window->findChild<QWidget*>(expected.name);
            QVERIFY2(button, expected.name);
            // Our own skinned buttons, except the two plain ones outside the window.
            const auto* skinned = qobject_cast<SkinButton*>(button);
            const auto* plain = qobject_cast<QPushButton*>(button);
            QCOMPARE(plain != nullptr, expected.geometry.top() > MainWindow::ClientHeight);
            QVERIFY2(skinned || plain, expected.name);
            QCOMPARE(skinned ? skinned->caption() : plain->text(),
                     QString::fromUtf8(expected.caption));
            QCOMPARE(button->geometry(), expected.geometry);
        }

        // The card sits in its scroll area, which at full size is just the card.
        const QWidget* view = window->editor().view();
        QCOMPARE(QRect(view->mapTo(window.get(), QPoint()), view->size()), QRect(0, 48, 360, 210));
        QCOMPARE(view->parentWidget()->parentWidget()->geometry(), QRect(0, 48, 360, 210));
        QCOMPARE(window->editor().cardBackColor(), 0x00FFFFFF);
        // The editor's state is typed; no hidden box holds it.
        QVERIFY(window->findChildren<QLineEdit*>().isEmpty());
        QVERIFY(window->editor().selection().isEmpty());
        QVERIFY(!window->editor().lastAddedKind());
        QVERIFY(!window->editor().sheetPrimed());
        QVERIFY(window->editor().cardFileName().isEmpty());
        QVERIFY(window->endOnClose);
    }

    // Tab walks the visible commands round and round; the buttons below the visible area are
    // never reached, so Space or Enter there cannot ask "Exit?" or end the program.
    void offWindowButtonsTakeNoKeyboardFocus()
    {
        ScriptedPlatform platform;
        auto window = start();
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        control<SkinButton>(window.get(), "updateButton")->setFocus();
        QSet<QWidget*> reached;
        for (int i = 0; i < 30; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached.insert(QApplication::focusWidget());
        }
        QVERIFY(reached.contains(control<SkinButton>(window.get(), "newButton"))
                && reached.contains(control<SkinButton>(window.get(), "updateButton")));
        QVERIFY(!reached.contains(control<QPushButton>(window.get(), "exitButton")));
        QVERIFY(!reached.contains(control<QPushButton>(window.get(), "frontShapeButton")));
    }

    void startsWithHiddenTemplatesAndEightHandles()
    {
        ScriptedPlatform platform;
        auto window = start();
        const CardEditor& editor = window->editor();
        QCOMPARE(editor.design().items().size(), 3);
        const CardItem& text = element(editor, ElementKind::Text, 0);
        const CardItem& picture = element(editor, ElementKind::Picture, 0);
        const CardItem& shape = element(editor, ElementKind::Shape, 0);
        QVERIFY(!text.visible && !picture.visible && !shape.visible);
        QCOMPARE(text.toolTipText, QString("Text"));
        QCOMPARE(shape.toolTipText, QString("Shape"));
        QCOMPARE(picture.tag, QString("img"));
        QCOMPARE(box(picture), QRectF(1080, 240, 480, 285));

        QCOMPARE(editor.handleCount(), 8);
        QVERIFY(!editor.handlesShown());
        // Loading again (as opening a card does) must not add handles.
        window->startUp(false);
        QCOMPARE(editor.handleCount(), 8);
        QCOMPARE(editor.textCount(), qint16(0));
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
        const auto declined = start();
        QVERIFY(!declined->updateWindow); // "No" opens nothing
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
        LoopbackServer server;
        QVERIFY(server.listen());
        server.setResponse("/updatesoft/quillmark.txt", LoopbackServer::ok("101"));
        const QByteArray configured = qgetenv("QUILLMARK_SERVER");
        qputenv("QUILLMARK_SERVER", server.address().toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("QUILLMARK_SERVER", configured); });
        writeFileBytes(counterPath(), " 9 \r\n");
        platform.messageAnswers.enqueue(QMessageBox::Yes);
        auto window = start();
        QCOMPARE(platform.urls.size(), 1);
        QCOMPARE(platform.urls.first(), server.url("/product/quillmark.html"));
        QCOMPARE(platform.messageBoxes.value(1).text, QString("Update Available, Please wait..."));
        QVERIFY(window->updateWindow);
        QCOMPARE(window->updateWindow->parentWidget(), window.get());
        QVERIFY(window->updateWindow->isVisible());
        QCOMPARE(readFileBytes(counterPath()), QByteArray("1\r\n"));
    }

    // The check waits for the server in a loop of its own, where the button can be pressed
    // again; that press must not start a second check (and a second window).
    void aPressWhileCheckingStartsNoSecondCheck()
    {
        ScriptedPlatform platform;
        LoopbackServer server;
        QVERIFY(server.listen());
        LoopbackServer::Response slow = LoopbackServer::ok("101");
        slow.trickleBytes = 1;
        slow.trickleMs = 150;
        server.setResponse("/updatesoft/quillmark.txt", slow);
        const QByteArray configured = qgetenv("QUILLMARK_SERVER");
        qputenv("QUILLMARK_SERVER", server.address().toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("QUILLMARK_SERVER", configured); });
        auto window = start();
        auto* updateButton = control<SkinButton>(window.get(), "updateButton");
        QTimer::singleShot(100, updateButton, [updateButton] { updateButton->click(); });
        updateButton->click();
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(platform.messageBoxes.size(), 1);
        QVERIFY(window->updateWindow && window->updateWindow->isVisible());
        QCOMPARE(window->findChildren<QWidget*>("UpdateWindow").size(), 1);
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
        auto window = start();
        QVERIFY(window->endOnClose);
        QVERIFY(QFileInfo(counterPath()).isDir());
        QVERIFY(QDir(programDir.path()).rmdir("sat.txt"));

        // So does a program folder that does not exist.
        MainWindow lost(StartupOptions{"/nonexistent/folder/qmark", {}});
        lost.startUp();
        QVERIFY(lost.endOnClose);
    }

    void commandLineNamesTheCardEvenWhenUnreadable()
    {
        ScriptedPlatform platform;
        const QString quoted = "\"/no/such folder/my card.qmark\"";
        auto window = start(quoted);
        QCOMPARE(window->editor().cardFileName(), quoted);
        QVERIFY(control<QAction>(window.get(), "saveAction")->isEnabled());
        QCOMPARE(window->editor().design().items().size(), 3);
        QVERIFY(!element(window->editor(), ElementKind::Text, 0).visible);

        // Leading and trailing spaces are part of the path, not trimmed away.
        auto spaced = start(" a b ");
        QCOMPARE(spaced->editor().cardFileName(), QString(" a b "));
    }

    void saveMenuOffersSaveOnlyWithAFileName()
    {
        ScriptedPlatform platform;
        auto window = start();
        QTest::mouseClick(control<SkinButton>(window.get(), "saveButton"), Qt::LeftButton);
        QCOMPARE(platform.menus.size(), 1);
        QCOMPARE(platform.menus[0].items, QStringList({"Save", "Save As.."}));
        QCOMPARE(platform.menus[0].enabled, QList<bool>({false, true}));

        auto named = start("/tmp/x.qmark");
        QTest::mouseClick(control<SkinButton>(named.get(), "saveButton"), Qt::LeftButton);
        QCOMPARE(platform.menus[1].enabled, QList<bool>({true, true}));
    }

    void newStartsTheProgramAgainWithoutArguments()
    {
        ScriptedPlatform platform;
        auto window = start("/some/card.qmark");
        QTest::mouseClick(control<SkinButton>(window.get(), "newButton"), Qt::LeftButton);
        QCOMPARE(platform.processes.size(), 1);
        QCOMPARE(platform.processes[0].program, programDir.filePath("qmark"));
        QVERIFY(platform.processes[0].arguments.isEmpty());
    }

    void helpAndAboutReachTheMaker()
    {
        ScriptedPlatform platform;
        auto window = start();
        QTest::mouseClick(control<SkinButton>(window.get(), "helpButton"), Qt::LeftButton);
        QCOMPARE(platform.urls, QList<QUrl>({QUrl("http://127.0.0.1:9/product/quillmark.html")}));

        QTest::mouseClick(control<SkinButton>(window.get(), "aboutButton"), Qt::LeftButton);
        QVERIFY(window->aboutBox);
        QCOMPARE(window->aboutBox->objectName(), QString("AboutDialog"));
        QCOMPARE(window->aboutBox->parentWidget(), window.get());
        QVERIFY(!window->aboutBox->isModal());
        QWidget* first = window->aboutBox;
        QTest::mouseClick(control<SkinButton>(window.get(), "aboutButton"), Qt::LeftButton);
        QCOMPARE(window->aboutBox.data(), first);
    }

    void exitAsksAndEndsOnYes()
    {
        ScriptedPlatform platform;
        auto window = start();
        platform.messageAnswers.enqueue(QMessageBox::No);
        control<QPushButton>(window.get(), "exitButton")->click();
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes[0].text, QString("Exit?"));
        QCOMPARE(platform.messageBoxes[0].title, QString());
        QCOMPARE(platform.messageBoxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(platform.exits.isEmpty());

        platform.messageAnswers.enqueue(QMessageBox::Yes);
        control<QPushButton>(window.get(), "exitButton")->click();
        QCOMPARE(platform.exits, QList<int>({0}));
    }

    void closingEndsTheProgramOnceLoaded()
    {
        ScriptedPlatform platform;
        MainWindow loading(StartupOptions{programDir.filePath("qmark"), {}});
        loading.show();
        loading.close();
        QVERIFY(platform.exits.isEmpty());

        auto window = start();
        window->show();
        window->close();
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

// The child of closingEndsTheRealProcess: a real MainWindow with the real platform.
static int runChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    MainWindow window(StartupOptions{qEnvironmentVariable("QUILLMARK_CHILD") + "/qmark", {}});
    window.startUp();
    window.show();
    control<SkinButton>(&window, "aboutButton")->click();
    control<SkinButton>(&window, "updateButton")->click();
    QTimer::singleShot(100, &window, [&window] { window.close(); });
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
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
