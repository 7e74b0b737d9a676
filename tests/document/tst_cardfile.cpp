#define QTEST_QPA_MOUSE_HANDLING
#include "cardtest.h"
#include "control.h"
#include "dialogs/qroptionsdialog.h"
#include "document/twips.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include <QCheckBox>
#include <QComboBox>
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
    const CardDesign& design = editor.design();
    QStringList state;
    state << QString("card %1 %2 %3 counts %4 %5 %6")
                 .arg(editor.cardWidthPixels())
                 .arg(editor.cardHeightPixels())
                 .arg(editor.cardBackColor())
                 .arg(editor.textCount())
                 .arg(editor.pictureCount())
                 .arg(editor.shapeCount());
    QList<CardItem> items = design.items();
    std::stable_sort(items.begin(), items.end(), [](const CardItem& a, const CardItem& b) {
        return std::pair(int(a.kind), a.index) < std::pair(int(b.kind), b.index);
    });
    for (const CardItem& e : items) {
        const QString box =
            QString("%1 %2 %3 %4").arg(e.left).arg(e.top).arg(e.width).arg(e.height);
        // Templates stay hidden, every other element is shown.
        const bool shownRight = e.isTemplate() ? !e.visible : e.visible;
        switch (e.kind) {
        case ElementKind::Text: {
            const TextLook& t = e.text;
            state << QString("text %1 [%2] %3 %4 %5 %6 %7 %8%9%10 %11 [%12] [%13] [%14] %15")
                         .arg(e.index)
                         .arg(t.caption, box)
                         .arg(t.backColor)
                         .arg(t.frwColor)
                         .arg(t.fontName)
                         .arg(t.fontSize)
                         .arg(t.bold)
                         .arg(t.underline)
                         .arg(t.italic)
                         .arg(t.alignment)
                         .arg(design.textReserve.at(e.index), e.tag, e.toolTipText)
                         .arg(shownRight);
            break;
        }
        case ElementKind::Picture:
            state << QString("picture %1 %2 [%3] [%4] %5")
                         .arg(e.index)
                         .arg(box, e.toolTipText, design.pictureReserve.at(e.index))
                         .arg(shownRight);
            break;
        case ElementKind::Shape:
            state << QString("shape %1 %2 %3 %4 %5")
                         .arg(e.index)
                         .arg(box)
                         .arg(e.shape.backColor)
                         .arg(e.shape.shape)
                         .arg(shownRight);
            break;
        }
    }
    return state;
}

// Opens a card through the Open button as a user does.
void openThroughWindow(ScriptedPlatform& platform, MainWindow& window, const QString& path)
{
    platform.messageAnswers.enqueue(QMessageBox::Yes);
    platform.unsavedChangesAnswer = QMessageBox::Discard;
    platform.openAnswers.enqueue(path);
    QTest::mouseClick(control<SkinButton>(&window, "openButton"), Qt::LeftButton);
}

// Saves through the Save button's menu under a new name.
void saveAsThroughWindow(ScriptedPlatform& platform, MainWindow& window, const QString& path)
{
    platform.menuAnswers.enqueue("Save As..");
    platform.saveAnswers.enqueue(path);
    QTest::mouseClick(control<SkinButton>(&window, "saveButton"), Qt::LeftButton);
}

// Builds a small design with the command bar and the mouse: two texts, a picture, a shape.
void buildDesign(ScriptedPlatform& platform, MainWindow& window)
{
    CardEditor& editor = window.editor();
    QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
    QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
    platform.openAnswers.enqueue(dataPath("red.bmp"));
    QTest::mouseClick(control<SkinButton>(&window, "pictureButton"), Qt::LeftButton);
    QTest::mouseClick(control<SkinButton>(&window, "shapeButton"), Qt::LeftButton);

    // Drag the second text by (+150, +300) twips.
    sendElementMouse(editor, ElementKind::Text, 2, QEvent::MouseButtonPress, {30, 30});
    sendElementMouse(editor, ElementKind::Text, 2, QEvent::MouseButtonRelease, {180, 330});
    editor.changeItem(ElementKind::Text, 1, [](CardItem& first) {
        first.text.caption = "Jane Doe, Designer";
        first.text.fontName = "Tahoma";
        first.text.fontSize = 12;
        first.text.bold = true;
        first.text.alignment = 2;
        first.text.frwColor = 0x00336699;
        first.text.backColor = 0x00F0F0F0;
    });
    editor.changeItem(ElementKind::Shape, 1, [](CardItem& shape) {
        shape.shape.backColor = 0x000000FF;
        shape.shape.shape = 3;
    });
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
        editor.changeItem(ElementKind::Text, 2,
                          [](CardItem& item) { item.text.caption = "He said \"hello\", twice"; });
        editor.setCardWidthPixels(300);
        editor.setCardBackColor(0x00C0FFEE);
        const QString path = card->programDir.filePath("trip.qmark");
        saveAsThroughWindow(platform, window, path);
        // The font is read back as it was stored, with its suffix.
        const QStringList before =
            storedState(window).replaceInStrings(" Tahoma ", " Tahoma (Arabic) ");

        openThroughWindow(platform, window, path);
        QCOMPARE(editor.cardFileName(), path);
        QVERIFY(control<QAction>(&window, "saveAction")->isEnabled());
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
        QCOMPARE(element(editor, ElementKind::Text, 1).text.fontName, QString("Tahoma (Arabic)"));

        // "Save" writes to the current name without asking.
        editor.changeItem(ElementKind::Text, 1,
                          [](CardItem& item) { item.text.caption = "Changed"; });
        platform.menuAnswers.enqueue("Save");
        QTest::mouseClick(control<SkinButton>(&window, "saveButton"), Qt::LeftButton);
        QCOMPARE(platform.saveFilters.size(), 2);
        QVERIFY(readFileBytes(again).contains("\"Changed\""));
    }

    // QR codes come from the empty card's menu and from the keyboard, are edited in their
    // dialog at once, and are saved in creation order after their template; the file reads
    // back byte for byte, and with the codes deleted the card is written as if it never had any.
    void qrCodesMadeInTheWindowAreTheGoldenFile()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
        const QByteArray withoutCodes = editor.cardBytes();

        platform.menuAnswers.enqueue("Add QR code");
        clickTwips(editor.view(), {4500, 2700}, Qt::RightButton);
        QCOMPARE(platform.menus.size(), 1);
        QCOMPARE(platform.menus[0].items, QStringList({"Add QR code", "Paste", "", "Show back",
                                                       "Show front", "", "Arrange", "View"}));
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(editor.qrCodeCount(), qint16(2));
        QVERIFY(!element(editor, ElementKind::QrCode, 0).visible);
        QVERIFY(element(editor, ElementKind::QrCode, 2).visible);

        // Moved by the pointer's travel, then edited in its options dialog.
        sendElementMouse(editor, ElementKind::QrCode, 2, QEvent::MouseButtonPress, {30, 30});
        sendElementMouse(editor, ElementKind::QrCode, 2, QEvent::MouseButtonRelease, {2430, 60});
        const CardItem& moved = element(editor, ElementKind::QrCode, 2);
        QCOMPARE(box(moved), QRectF(2640, 270, 900, 900));
        QTest::mouseDClick(editor.view(), Qt::LeftButton, {},
                           (moved.box().center() / TwipsPerPixel).toPoint());
        auto* dialog = qobject_cast<QrOptionsDialog*>(window.qrCodeOptions.data());
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(control<QLineEdit>(dialog, "webAddressEdit")->text(), QString("https://"));
        QTest::keyClicks(control<QLineEdit>(dialog, "webAddressEdit"),
                         "example.com/${name}?q=\"50%\"");
        control<QComboBox>(dialog, "levelBox")->setCurrentIndex(int(QrLevel::H));
        QTest::mouseClick(control<QCheckBox>(dialog, "transparentBox"), Qt::LeftButton);
        const QrLook look = element(editor, ElementKind::QrCode, 2).qr;
        QCOMPARE(look.content, QString("https://example.com/${name}?q=\"50%\""));
        QCOMPARE(look.level, QrLevel::H);
        QCOMPARE(look.lightColor, QrLook::Transparent);
        QCOMPARE(element(editor, ElementKind::QrCode, 1).qr, CardDesign::qrCodeTemplate().qr);

        const QString path = card->programDir.filePath("qrcodes.qmark");
        saveAsThroughWindow(platform, window, path);
        QCOMPARE(readFileBytes(path), golden("qrcodes-saved.qmark", readFileBytes(path)));
        openThroughWindow(platform, window, path);
        QCOMPARE(element(editor, ElementKind::QrCode, 2).qr, look);
        QCOMPARE(editor.cardBytes(), readFileBytes(path));

        for (int index : {1, 2}) {
            platform.menuAnswers.enqueue("Delete");
            clickElement(editor, ElementKind::QrCode, index, {30, 30}, Qt::RightButton);
        }
        QVERIFY(!editor.item(ElementKind::QrCode, 2));
        QCOMPARE(editor.cardBytes(), withoutCodes);
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
        QCOMPARE(editor.textCount(), qint16(4));
        QVERIFY(editor.item(ElementKind::Text, 3) && !editor.item(ElementKind::Text, 4));
        QCOMPARE(element(editor, ElementKind::Text, 1).text.caption, QString("one"));
        QCOMPARE(element(editor, ElementKind::Text, 2).text.caption, QString("three"));
        QCOMPARE(editor.design().textReserve.at(2), QString("kept for three"));
        QCOMPARE(editor.design().pictureReserve.at(1), QString("picture note"));
        for (ElementKind kind : {ElementKind::Text, ElementKind::Picture, ElementKind::Shape})
            QVERIFY(!element(editor, kind, 0).visible);
        // A picture whose file is missing keeps its path.
        QCOMPARE(element(editor, ElementKind::Picture, 1).toolTipText,
                 QString("/no/such/picture.jpg"));

        const QString path = card->programDir.filePath("renumbered.qmark");
        QVERIFY(editor.write(path));
        QCOMPARE(readFileBytes(path), golden("reserved-saved.qmark", readFileBytes(path)));

        // The next text added in the editor skips the last index read.
        QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
        QVERIFY(editor.item(ElementKind::Text, 5));

        // The reserved texts last the whole run: a card opened later with fewer elements
        // leaves them at the indices its own records do not reach, and its new elements there
        // carry them into the next save.
        openThroughWindow(platform, window, dataPath("default.qmark"));
        QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
        QVERIFY(editor.item(ElementKind::Text, 2));
        QVERIFY(editor.cardBytes().contains("\"kept for three\""));
        QCOMPARE(editor.design().pictureReserve.at(1), QString("picture note"));
    }

    void openAsksFirstAndCancelChangesNothing()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
        platform.messageAnswers.enqueue(QMessageBox::No);
        QTest::mouseClick(control<SkinButton>(&window, "openButton"), Qt::LeftButton);
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes[0].text,
                 QString("Are you sure open saved card? Current design will erased?"));
        QCOMPARE(platform.messageBoxes[0].title, QString("Open"));
        QCOMPARE(platform.messageBoxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(platform.openFilters.isEmpty());

        platform.messageAnswers.enqueue(QMessageBox::Yes); // then cancel the file dialog
        QTest::mouseClick(control<SkinButton>(&window, "openButton"), Qt::LeftButton);
        QCOMPARE(platform.openFilters, QStringList({"Card (.qmark)|*.qmark"}));
        QVERIFY(editor.item(ElementKind::Text, 1));
        QCOMPARE(editor.textCount(), qint16(1));
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
        QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
        editor.setCardHeightPixels(100);
        editor.setSheetPrimed(true);

        openThroughWindow(platform, window, dataPath("default.qmark"));
        QCOMPARE(readFileBytes(counter), QByteArray(" 2 \r\n"));
        QVERIFY(!editor.item(ElementKind::Text, 1));
        QCOMPARE(editor.cardHeightPixels(), 210.f);
        QVERIFY(!editor.sheetPrimed());
        QVERIFY(window.endOnClose);
        QCOMPARE(editor.handleCount(), 8);
    }

    void commandLineCardIsRead()
    {
        ScriptedPlatform platform;
        QTemporaryDir programDir;
        MainWindow window(StartupOptions{programDir.filePath("qmark"), dataPath("reserved.qmark")});
        window.startUp();
        const CardEditor& editor = window.editor();
        QCOMPARE(editor.textCount(), qint16(4));
        QVERIFY(editor.item(ElementKind::Text, 3));
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
        QVERIFY(!element(editor, ElementKind::Text, 0).visible);
        QVERIFY(editor.cardWidthPixels() > 0);
        // The design stays usable.
        QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
        QVERIFY(element(editor, ElementKind::Text, editor.textCount()).visible);
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
        // Written back with seven digits as 1.677722E+07, it would no longer read.
        QTest::newRow("just beyond a million")
            << QByteArray("1000001") << QByteArray("16777215") << 360.f << 210.f;
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
        QCOMPARE(editor.cardWidthPixels(), expectedWidth);
        QCOMPARE(editor.cardHeightPixels(), expectedHeight);
        QCOMPARE(editor.cardBackColor(), 255);
    }

    // Tens of thousands of elements are read whole; past 32,767 of a kind, records go to the
    // last one.
    void largeFilesAreReadWhole()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start(false);
        QVERIFY(card);
        CardEditor& editor = card->editor();
        QByteArray record = "\"ActiveShape\"\r\n10\r\n10\r\n0\r\n0\r\n255\r\n1\r\n";
        for (int i = 0; i < 11; ++i)
            record += "\"none\"\r\n";
        const QString path = card->programDir.filePath("many.qmark");
        const QByteArray cardRecord =
            "TheCard\r\n360\r\n210\r\n255\r\n" + QByteArray("\"none\"\r\n").repeated(14);
        writeFileBytes(path, cardRecord + record.repeated(40'000)
                                 + QByteArray(record).replace("255", "77"));
        QVERIFY(editor.load(path));
        QCOMPARE(editor.shapeCount(), qint16(32767));
        QCOMPARE(editor.design().items().size(), 32768 + 2);
        QCOMPARE(element(editor, ElementKind::Shape, 32767).shape.backColor, 77);
        QVERIFY(platform.messageBoxes.isEmpty());

        // Only bytes beyond any file that is read can hold more records than are taken.
        editor.loadBytes((QByteArray("ActiveShape\n") + QByteArray(17, '\n'))
                             .repeated(CardEditor::MaxElements + 1));
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes[0].icon, QMessageBox::Warning);
        QVERIFY(platform.messageBoxes[0].text.contains(QString::number(CardEditor::MaxElements)));
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
