#define QTEST_QPA_MOUSE_HANDLING
#include "cardtest.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QString dataPath(const QString& name) { return QDir(QUILLMARK_TEST_DATA).filePath(name); }

// Golden files name pictures under the test data folder as "@DATA@", wherever it lies.
// QUILLMARK_UPDATE_GOLDEN=1 rewrites them from what the program writes now.
QByteArray golden(const QString& name, const QByteArray& actual)
{
    if (qEnvironmentVariableIntValue("QUILLMARK_UPDATE_GOLDEN"))
        writeFileBytes(dataPath(name), QByteArray(actual).replace(QUILLMARK_TEST_DATA, "@DATA@"));
    return readFileBytes(dataPath(name)).replace("@DATA@", QByteArray(QUILLMARK_TEST_DATA));
}

// Every property the card file keeps, in one comparable text per element.
QStringList storedState(const MainWindow& window)
{
    const CardEditor& editor = window.editor();
    QStringList state;
    state << QString("card %1 %2 %3 counts %4 %5 %6")
                 .arg(editor.canvas()->widthPixels())
                 .arg(editor.canvas()->heightPixels())
                 .arg(editor.canvas()->backColor())
                 .arg(editor.textCount)
                 .arg(editor.pictureCount)
                 .arg(editor.shapeCount);
    for (int i : editor.texts.indices()) {
        const TextElement* t = editor.texts[i];
        state << QString(
                     "text %1 [%2] %3 %4 %5 %6 %7 %8 %9 %10 %11%12%13 %14 [%15] [%16] [%17] %18")
                     .arg(i)
                     .arg(t->caption())
                     .arg(t->left())
                     .arg(t->top())
                     .arg(t->widthTwips())
                     .arg(t->heightTwips())
                     .arg(t->backColor())
                     .arg(t->frwColor())
                     .arg(t->fontName())
                     .arg(t->fontSize())
                     .arg(t->fontBold())
                     .arg(t->fontUnderline())
                     .arg(t->fontItalic())
                     .arg(t->alignment())
                     .arg(editor.textReserve.at(i))
                     .arg(t->tag())
                     .arg(t->toolTipText())
                     .arg(i == 0 ? t->isHidden() : !t->isHidden());
    }
    for (int i : editor.pictures.indices()) {
        const PictureElement* p = editor.pictures[i];
        state << QString("picture %1 %2 %3 %4 %5 [%6] [%7] %8x%9")
                     .arg(i)
                     .arg(p->left())
                     .arg(p->top())
                     .arg(p->widthTwips())
                     .arg(p->heightTwips())
                     .arg(p->toolTipText())
                     .arg(editor.pictureReserve.at(i))
                     .arg(p->picture().width())
                     .arg(p->picture().height());
    }
    for (int i : editor.shapes.indices()) {
        const ShapeElement* s = editor.shapes[i];
        state << QString("shape %1 %2 %3 %4 %5 %6 %7")
                     .arg(i)
                     .arg(s->left())
                     .arg(s->top())
                     .arg(s->widthTwips())
                     .arg(s->heightTwips())
                     .arg(s->backColor())
                     .arg(s->shape());
    }
    return state;
}

// Opens a card through the Open button as a user does.
void openThroughWindow(ScriptedPlatform& platform, MainWindow& window, const QString& path)
{
    platform.messageAnswers.enqueue(QMessageBox::Yes);
    platform.openAnswers.enqueue(path);
    QTest::mouseClick(window.openButton, Qt::LeftButton);
}

// Saves through the Save button's menu under a new name.
void saveAsThroughWindow(ScriptedPlatform& platform, MainWindow& window, const QString& path)
{
    platform.menuAnswers.enqueue("Save As..");
    platform.saveAnswers.enqueue(path);
    QTest::mouseClick(window.saveButton, Qt::LeftButton);
}

// Builds a small design with the command bar and the mouse: two texts, a picture, a shape.
void buildDesign(ScriptedPlatform& platform, MainWindow& window)
{
    CardEditor& editor = window.editor();
    QTest::mouseClick(window.textButton, Qt::LeftButton);
    QTest::mouseClick(window.textButton, Qt::LeftButton);
    platform.openAnswers.enqueue(dataPath("red.bmp"));
    QTest::mouseClick(window.pictureButton, Qt::LeftButton);
    QTest::mouseClick(window.shapeButton, Qt::LeftButton);

    // Drag the second text by (+150, +300) twips.
    sendMouseTwips(editor.texts[2], QEvent::MouseButtonPress, {30, 30});
    sendMouseTwips(editor.texts[2], QEvent::MouseButtonRelease, {180, 330});
    TextElement* first = editor.texts[1];
    first->setCaption("Jane Doe, Designer");
    first->setFontName("Tahoma");
    first->setFontSize(12);
    first->setFontBold(true);
    first->setAlignment(2);
    first->setFrwColor(0x00336699);
    first->setBackColor(0x00F0F0F0);
    editor.shapes[1]->setBackColor(0x000000FF);
    QVERIFY(editor.shapes[1]->setShape(3));
}
} // namespace

class TestCardFile : public QObject {
    Q_OBJECT
private slots:
    void defaultDesignIsTheGoldenFile()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        const QString path = card->programDir.filePath("default.qmark");
        saveAsThroughWindow(platform, *card->window, path);
        QCOMPARE(platform.saveFilters, QStringList({"Card (.qmark)|*.qmark"}));
        QCOMPARE(readFileBytes(path), golden("default.qmark", readFileBytes(path)));
        QCOMPARE(readFileBytes(path).count("\r\n"), 72);
        QCOMPARE(card->window->editor().cardFileName(), path);
    }

    void designMadeInTheWindowIsTheGoldenFile()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        buildDesign(platform, *card->window);
        const QString path = card->programDir.filePath("design");
        saveAsThroughWindow(platform, *card->window, path);
        // A name typed without an extension is used as it is.
        QVERIFY(QFile::exists(path));
        QCOMPARE(readFileBytes(path), golden("design.qmark", readFileBytes(path)));
    }

    void designRoundTripsThroughOpen()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        buildDesign(platform, window);
        editor.texts[2]->setCaption("He said \"hello\", twice");
        editor.canvas()->setCardWidth(300);
        editor.canvas()->setBackColor(0x00C0FFEE);
        const QString path = card->programDir.filePath("trip.qmark");
        saveAsThroughWindow(platform, window, path);
        // The font is read back as it was stored, with its suffix.
        const QStringList before =
            storedState(window).replaceInStrings(" Tahoma ", " Tahoma (Arabic) ");

        openThroughWindow(platform, window, path);
        QCOMPARE(editor.cardFileName(), path);
        QVERIFY(window.saveAction->isEnabled());
        QStringList after = storedState(window);
        // Reading renumbers from 0: the templates' records land on the templates, so the
        // counters now hold the number of records of each kind.
        QCOMPARE(after.first(), QString("card 300 210 12648430 counts 3 2 2"));
        QCOMPARE(after.mid(1), before.mid(1));

        // Saved again, the file is the same byte for byte: "Tahoma (Arabic)" stays.
        const QString again = card->programDir.filePath("again.qmark");
        saveAsThroughWindow(platform, window, again);
        QCOMPARE(readFileBytes(again), readFileBytes(path));
        QVERIFY(readFileBytes(path).contains(
            "\r\n\"Tahoma (Arabic)\"\r\n12\r\n#TRUE#\r\n#FALSE#\r\n#FALSE#\r\n2\r\n"));
        QCOMPARE(editor.texts[1]->fontName(), QString("Tahoma (Arabic)"));

        // "Save" writes to the current name without asking.
        editor.texts[1]->setCaption("Changed");
        platform.menuAnswers.enqueue("Save");
        QTest::mouseClick(window.saveButton, Qt::LeftButton);
        QCOMPARE(platform.saveFilters.size(), 2);
        QVERIFY(readFileBytes(again).contains("\"Changed\""));
    }

    void gapsAreRenumberedAndReservedTextsKeptByIndex()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QVERIFY(editor.load(dataPath("reserved.qmark")));
        // Five text records (the template's first), one marked wrongly and so ignored.
        QCOMPARE(editor.textCount, qint16(4));
        QCOMPARE(editor.texts.indices(), std::vector<int>({0, 1, 2, 3}));
        QCOMPARE(editor.texts[1]->caption(), QString("one"));
        QCOMPARE(editor.texts[2]->caption(), QString("three"));
        QCOMPARE(editor.textReserve.at(2), QString("kept for three"));
        QCOMPARE(editor.pictureReserve.at(1), QString("picture note"));
        QVERIFY(editor.texts[0]->isHidden() && editor.pictures[0]->isHidden()
                && editor.shapes[0]->isHidden());
        // A picture whose file is missing keeps the template's icon and its path.
        QCOMPARE(editor.pictures[1]->picture().size(), QSize(32, 32));
        QCOMPARE(editor.pictures[1]->toolTipText(), QString("/no/such/picture.jpg"));

        const QString path = card->programDir.filePath("renumbered.qmark");
        QVERIFY(editor.write(path));
        QCOMPARE(readFileBytes(path), golden("reserved-saved.qmark", readFileBytes(path)));

        // The next text added in the editor skips the last index read.
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        QVERIFY(editor.texts.contains(5));
    }

    void openAsksFirstAndCancelChangesNothing()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        platform.messageAnswers.enqueue(QMessageBox::No);
        QTest::mouseClick(window.openButton, Qt::LeftButton);
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes[0].text,
                 QString("Are you sure open saved card? Current design will erased?"));
        QCOMPARE(platform.messageBoxes[0].title, QString("Open"));
        QCOMPARE(platform.messageBoxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(platform.openFilters.isEmpty());

        platform.messageAnswers.enqueue(QMessageBox::Yes); // then cancel the file dialog
        QTest::mouseClick(window.openButton, Qt::LeftButton);
        QCOMPARE(platform.openFilters, QStringList({"Card (.qmark)|*.qmark"}));
        QVERIFY(editor.texts.contains(1));
        QCOMPARE(editor.textCount, qint16(1));
    }

    void openingRunsTheStartUpAgain()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        const QString counter = card->programDir.filePath("sat.txt");
        QCOMPARE(readFileBytes(counter), QByteArray(" 1 \r\n"));
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        editor.canvas()->setCardHeight(100);
        editor.setSheetPrimed(true);

        openThroughWindow(platform, window, dataPath("default.qmark"));
        QCOMPARE(readFileBytes(counter), QByteArray(" 2 \r\n"));
        QVERIFY(!editor.texts.contains(1));
        QCOMPARE(editor.canvas()->heightPixels(), 210.f);
        QVERIFY(!editor.sheetPrimed());
        QVERIFY(window.endOnClose);
        QCOMPARE(editor.handles.count(), 8);
    }

    void commandLineCardIsRead()
    {
        ScriptedPlatform platform;
        QTemporaryDir programDir;
        MainWindow window(StartupOptions{programDir.filePath("qmark"), dataPath("reserved.qmark")});
        window.startUp();
        const CardEditor& editor = window.editor();
        QCOMPARE(editor.texts.count(), 4);
        QCOMPARE(editor.cardFileName(), dataPath("reserved.qmark"));
    }

    void damagedFilesNeverBreakTheDesign_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = readFileBytes(dataPath("default.qmark"));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << good.left(good.size() - 40);
        QTest::newRow("garbage")
            << QByteArray("\x00\xff\xfe\x01\r\n\"\"\"\n,,,#TRUE#\n", 20).repeated(500);
        QTest::newRow("long line")
            << (good.left(120) + QByteArray(30'000'000, 'x') + "\r\n" + good);
        QTest::newRow("no line ends") << QByteArray(1'000'000, '"');
        QTest::newRow("bad numbers")
            << QByteArray(good).replace("360\r\n210", "abc\r\n-").replace("1380", "1e99");
    }
    void damagedFilesNeverBreakTheDesign()
    {
        QFETCH(QByteArray, bytes);
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        const QString path = card->programDir.filePath("damaged.qmark");
        writeFileBytes(path, bytes);
        openThroughWindow(platform, window, path);
        QVERIFY(editor.texts[0]->isHidden());
        QVERIFY(editor.canvas()->widthPixels() > 0);
        // The design stays usable.
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        TextElement* added = editor.texts[editor.textCount];
        QVERIFY(added && added->isVisible());
        QVERIFY(editor.write(card->programDir.filePath("after.qmark")));
    }

    // A card size that is not a positive, finite size a widget can have leaves that dimension
    // as it was.
    void cardSizesOutOfRangeAreIgnored_data()
    {
        QTest::addColumn<QByteArray>("width");
        QTest::addColumn<QByteArray>("height");
        QTest::addColumn<float>("expectedWidth");
        QTest::addColumn<float>("expectedHeight");
        QTest::newRow("huge width") << QByteArray("1e30") << QByteArray("100") << 360.f << 100.f;
        QTest::newRow("negative height") << QByteArray("200") << QByteArray("-5") << 200.f << 210.f;
        QTest::newRow("zero, infinite") << QByteArray("0") << QByteArray("1e39") << 360.f << 210.f;
        QTest::newRow("beyond a widget")
            << QByteArray("16777216") << QByteArray("300") << 360.f << 300.f;
        QTest::newRow("fractions")
            << QByteArray("385.5") << QByteArray("12.25") << 385.5f << 12.25f;
    }
    void cardSizesOutOfRangeAreIgnored()
    {
        QFETCH(QByteArray, width);
        QFETCH(QByteArray, height);
        QFETCH(float, expectedWidth);
        QFETCH(float, expectedHeight);
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        CardEditor& editor = card->editor();
        const QString path = card->programDir.filePath("size.qmark");
        writeFileBytes(path, "TheCard\r\n" + width + "\r\n" + height + "\r\n255\r\n");
        QVERIFY(editor.load(path));
        QCOMPARE(editor.canvas()->widthPixels(), expectedWidth);
        QCOMPARE(editor.canvas()->heightPixels(), expectedHeight);
        QCOMPARE(editor.canvas()->backColor(), 255);
    }

    void hugeFilesStopAtTheElementCap()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start(false);
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QByteArray record = "\"ActiveShape\"\r\n10\r\n10\r\n0\r\n0\r\n255\r\n1\r\n";
        for (int i = 0; i < 11; ++i)
            record += "\"none\"\r\n";
        const QString path = card->programDir.filePath("many.qmark");
        writeFileBytes(path, record.repeated(40'000));
        QVERIFY(editor.load(path));
        QCOMPARE(editor.shapeCount, qint16(CardEditor::MaxElements));
        QCOMPARE(editor.shapes.count(), CardEditor::MaxElements);
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes[0].icon, QMessageBox::Warning);
    }

    void failedSaveIsReportedAndKeepsTheOldFile()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        const QString folder = card->programDir.filePath("a folder");
        QVERIFY(QDir().mkpath(folder));
        saveAsThroughWindow(platform, window, folder);
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes[0].title, QString("Save"));
        QCOMPARE(platform.messageBoxes[0].icon, QMessageBox::Critical);
        QVERIFY(QFileInfo(folder).isDir());
    }

    // A save that dies after writing its first bytes leaves the earlier file whole.
    void interruptedSaveKeepsTheEarlierFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("card.qmark");
        const QByteArray earlier = readFileBytes(dataPath("design.qmark"));
        writeFileBytes(path, earlier);

        for (const char* mode : {"-child-save-killed", "-child-save-failing"}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            // A killed child cannot clean up: its temporary folders go inside ours.
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("TMPDIR", dir.path());
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {mode, path});
            QVERIFY(child.waitForFinished(60000));
            if (qstrcmp(mode, "-child-save-killed") == 0)
                QCOMPARE(child.exitStatus(), QProcess::CrashExit);
            else
                QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("reported"));
            QCOMPARE(readFileBytes(path), earlier);
        }
    }
};

// The child of interruptedSaveKeepsTheEarlierFile: a big design saved over `path` by a process
// that may write only a few hundred bytes. When killed by the limit, it dies mid-write;
// otherwise the write fails and the failure is reported.
static int runSaveChild(int argc, char** argv, bool killed)
{
    QApplication app(argc, argv);
    ScriptedPlatform platform;
    const auto card = StartedCard::start(false);
    if (!card)
        return 2;
    for (int i = 0; i < 200; ++i)
        card->window->editor().addText();
    card->window->editor().setCardFileName(QString::fromLocal8Bit(argv[2]));
    std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
    rlimit limit{300, 300};
    setrlimit(RLIMIT_FSIZE, &limit);
    card->window->editor().save();
    std::printf("%s\n", platform.messageBoxes.size() == 1 ? "reported" : "silent");
    return 0;
}

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "-child-save-killed") == 0)
        return runSaveChild(argc, argv, true);
    if (argc > 2 && qstrcmp(argv[1], "-child-save-failing") == 0)
        return runSaveChild(argc, argv, false);
    QApplication app(argc, argv);
    TestCardFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cardfile.moc"
