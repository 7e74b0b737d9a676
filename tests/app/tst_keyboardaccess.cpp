#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "controls/skinbutton.h"
#include "dialogs/cardoptionsdialog.h"
#include "dialogs/shapeoptionsdialog.h"
#include "dialogs/textoptionsdialog.h"
#include "print/cardscountdialog.h"
#include "print/printcommand.h"
#include "print/printoptionsdialog.h"
#include "scriptedplatform.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {
// What one command did, in the user's terms: the questions asked, the program started, the
// card files in the folder afterwards, the card's file name and whether printing began.
QStringList traceOf(const ScriptedPlatform& platform, const MainWindow& window, const QDir& dir)
{
    QStringList trace;
    for (const auto& box : platform.messageBoxes)
        trace << "asked: " + box.text;
    for (const auto& filter : platform.openFilters)
        trace << "open dialog: " + filter;
    for (const auto& filter : platform.saveFilters)
        trace << "save dialog: " + filter;
    for (const auto& process : platform.processes)
        trace << "started: " + QFileInfo(process.program).fileName();
    for (const QString& name : dir.entryList({"*.qmark"}, QDir::Files))
        trace << "file: " + name;
    if (!window.editor().cardFileName().isEmpty())
        trace << "card: " + dir.relativeFilePath(window.editor().cardFileName());
    if (window.printCommand->snapshotTimer.isActive())
        trace << "printing";
    return trace;
}

QAccessibleInterface* accessible(QObject* object)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    if (!face)
        QTest::qFail("no accessible interface", __FILE__, __LINE__);
    return face;
}
} // namespace

class TestKeyboardAccess : public QObject {
    Q_OBJECT
private slots:
    void keysTakeTheButtonsPaths_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("menuItem"); // the Save menu's item the button path picks
        QTest::addColumn<bool>("named");       // the card already has a file
        QTest::addColumn<QStringList>("expected");

        const QString opening = "asked: Are you sure open saved card? Current design will erased?";
        const QString saving = "save dialog: Card (.qmark)|*.qmark";
        QTest::newRow("new") << QKeySequence("Ctrl+N") << "newButton"
                             << "" << false << QStringList{"started: qmark", "file: old.qmark"};
        QTest::newRow("open asks first")
            << QKeySequence("Ctrl+O") << "openButton"
            << "" << false
            << QStringList{opening, "open dialog: Card (.qmark)|*.qmark", "file: old.qmark",
                           "card: old.qmark"};
        QTest::newRow("save without a file is save as")
            << QKeySequence("Ctrl+S") << "saveButton"
            << "Save As.." << false
            << QStringList{saving, "file: chosen.qmark", "file: old.qmark", "card: chosen.qmark"};
        QTest::newRow("save with a file asks nothing")
            << QKeySequence("Ctrl+S") << "saveButton"
            << "Save" << true
            << QStringList{"file: named.qmark", "file: old.qmark", "card: named.qmark"};
        QTest::newRow("save as with a file")
            << QKeySequence("Ctrl+Shift+S") << "saveButton"
            << "Save As.." << true
            << QStringList{saving, "file: chosen.qmark", "file: old.qmark", "card: chosen.qmark"};
        QTest::newRow("print") << QKeySequence("Ctrl+P") << "printButton"
                               << "" << false << QStringList{"file: old.qmark", "printing"};
    }

    // The same command run once by its button (and the Save menu) and once by its keys on a
    // fresh window, with the same answers, must leave the same trace.
    void keysTakeTheButtonsPaths()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, button);
        QFETCH(QString, menuItem);
        QFETCH(bool, named);
        QFETCH(QStringList, expected);

        for (const bool byKeys : {false, true}) {
            QTemporaryDir folder;
            QVERIFY(folder.isValid());
            const QDir dir(folder.path());
            QVERIFY(QFile::copy(QUILLMARK_TEST_DATA "/design.qmark", dir.filePath("old.qmark")));
            ScriptedPlatform platform;
            platform.messageAnswers.enqueue(QMessageBox::Yes);
            platform.openAnswers.enqueue(dir.filePath("old.qmark"));
            platform.saveAnswers.enqueue(dir.filePath("chosen.qmark"));
            platform.menuAnswers.enqueue(menuItem);
            MainWindow window(StartupOptions{dir.filePath("qmark"),
                                             named ? dir.filePath("named.qmark") : QString()});
            window.startUp();
            window.show();
            QApplication::setActiveWindow(&window);
            QVERIFY(QTest::qWaitForWindowActive(&window));

            if (byKeys) {
                const QKeyCombination key = keys[0];
                QTest::keyClick(&window, key.key(), key.keyboardModifiers());
                QVERIFY(platform.menus.isEmpty());
            } else {
                QTest::mouseClick(window.findChild<SkinButton*>(button), Qt::LeftButton);
            }
            QCOMPARE(traceOf(platform, window, dir), expected);
        }
    }

    // Every button of the command bar is a push button that can be pressed, named by its
    // caption and described by its tooltip, which names its keys where it has some.
    void commandBarButtonsAreAccessiblePushButtons()
    {
        ScriptedPlatform platform;
        QTemporaryDir folder;
        MainWindow window(StartupOptions{folder.filePath("qmark"), {}});
        window.startUp();
        const struct {
            SkinButton* button;
            const char* keys;
        } buttons[] = {
            {window.newButton, "Ctrl+N"},    {window.openButton, "Ctrl+O"},
            {window.saveButton, "Ctrl+S"},   {window.saveButton, "Ctrl+Shift+S"},
            {window.textButton, nullptr},    {window.shapeButton, nullptr},
            {window.pictureButton, nullptr}, {window.settingsButton, nullptr},
            {window.printButton, "Ctrl+P"},  {window.aboutButton, nullptr},
            {window.helpButton, nullptr},    {window.updateButton, nullptr},
        };
        for (const auto& row : buttons) {
            const QString caption = row.button->caption();
            QAccessibleInterface* face = accessible(row.button);
            QVERIFY(face);
            QCOMPARE(face->role(), QAccessible::Button);
            QCOMPARE(face->text(QAccessible::Name), caption);
            QVERIFY2(!row.button->toolTip().isEmpty(), qPrintable(caption));
            QCOMPARE(face->text(QAccessible::Description), row.button->toolTip());
            if (row.keys)
                QVERIFY2(row.button->toolTip().contains(row.keys), qPrintable(caption));
            QAccessibleActionInterface* actions = face->actionInterface();
            QVERIFY2(actions, qPrintable(caption));
            QVERIFY2(actions->actionNames().contains(QAccessibleActionInterface::pressAction()),
                     qPrintable(caption));
        }

        // Pressing through the accessibility layer is a click.
        accessible(window.newButton)
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(platform.processes.size(), 1);
    }

    // Every visible label of the dialogs names a field: assistive technology reads the label
    // as the field's label.
    void dialogLabelsNameTheirFields()
    {
        ScriptedPlatform platform;
        QTemporaryDir folder;
        MainWindow window(StartupOptions{folder.filePath("qmark"), {}});
        window.startUp();
        CardOptionsDialog cardOptions(window.editor());
        TextOptionsDialog textOptions(window.editor());
        ShapeOptionsDialog shapeOptions(window.editor());
        CardsCountDialog cardsCount;
        PrintOptionsDialog printOptions;
        for (QWidget* dialog : std::initializer_list<QWidget*>{
                 &cardOptions, &textOptions, &shapeOptions, &cardsCount, &printOptions}) {
            int labelled = 0;
            for (QLabel* label : dialog->findChildren<QLabel*>()) {
                if (label->text().isEmpty() || !label->isVisibleTo(dialog))
                    continue;
                const QString where = dialog->objectName() + ": " + label->text();
                QVERIFY2(label->buddy(), qPrintable(where));
                bool found = false;
                for (const auto& [other, relation] :
                     accessible(label->buddy())->relations(QAccessible::Label))
                    found = found || other->object() == label;
                QVERIFY2(found, qPrintable(where));
                ++labelled;
            }
            QVERIFY2(labelled >= 2, qPrintable(dialog->objectName()));
        }
    }
};

QTEST_MAIN(TestKeyboardAccess)
#include "tst_keyboardaccess.moc"
