#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "control.h"
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
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
// What one command did, in the user's terms: the questions asked, the program started, the
// card files written, the card's file name and whether printing began.
QStringList traceOf(const ScriptedPlatform& platform, const MainWindow& window, const QDir& dir)
{
    QStringList trace;
    for (const auto& box : platform.messageBoxes)
        trace << "asked: " + box.text;
    for (const auto& filter : platform.openFilters + platform.saveFilters)
        trace << "file dialog: " + filter;
    for (const auto& process : platform.processes)
        trace << "started: " + QFileInfo(process.program).fileName();
    for (const QString& name : dir.entryList({"*.qmark"}, QDir::Files))
        trace << "written: " + name;
    trace << "card: " + QFileInfo(window.editor().cardFileName()).fileName();
    if (window.printCommand().snapshotTimer.isActive())
        trace << "printing";
    return trace;
}
} // namespace

class TestKeyboardAccess : public QObject {
    Q_OBJECT
private slots:
    // Each command is run once by its button (and the Save menu's item) and once by its keys,
    // on a fresh window with the same answers: both must leave the same trace.
    void keysTakeTheButtonsPaths()
    {
        const QString asked = "asked: Are you sure open saved card? Current design will erased?";
        const QString dialog = "file dialog: Card (.qmark)|*.qmark";
        const struct {
            const char* keys;
            const char* button;
            const char* menuItem;
            bool named; // the card has a file already
            QStringList trace;
        } commands[] = {
            {"Ctrl+N", "newButton", "", false, {"started: qmark", "card: "}},
            {"Ctrl+O", "openButton", "", false, {asked, dialog, "card: design.qmark"}},
            {"Ctrl+S",
             "saveButton",
             "Save As..",
             false,
             {dialog, "written: chosen.qmark", "card: chosen.qmark"}},
            {"Ctrl+S", "saveButton", "Save", true, {"written: named.qmark", "card: named.qmark"}},
            {"Ctrl+Shift+S",
             "saveButton",
             "Save As..",
             true,
             {dialog, "written: chosen.qmark", "card: chosen.qmark"}},
            {"Ctrl+P", "printButton", "", false, {"card: ", "printing"}},
        };
        for (const auto& command : commands) {
            for (const bool byKeys : {false, true}) {
                QTemporaryDir folder;
                const QDir dir(folder.path());
                ScriptedPlatform platform;
                platform.messageAnswers.enqueue(QMessageBox::Yes);
                platform.openAnswers.enqueue(QUILLMARK_TEST_DATA "/design.qmark");
                platform.saveAnswers.enqueue(dir.filePath("chosen.qmark"));
                platform.menuAnswers.enqueue(command.menuItem);
                MainWindow window(StartupOptions{dir.filePath("qmark"),
                                                 command.named ? dir.filePath("named.qmark") : ""});
                window.startUp();
                window.show();
                QApplication::setActiveWindow(&window);
                QVERIFY(QTest::qWaitForWindowActive(&window));

                const QKeyCombination key = QKeySequence(command.keys)[0];
                if (byKeys)
                    QTest::keyClick(&window, key.key(), key.keyboardModifiers());
                else
                    QTest::mouseClick(window.findChild<SkinButton*>(command.button),
                                      Qt::LeftButton);
                QVERIFY2(!byKeys || platform.menus.isEmpty(), command.keys);
                QCOMPARE(traceOf(platform, window, dir), command.trace);
            }
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
        const std::pair<SkinButton*, const char*> buttons[] = {
            {control<SkinButton>(&window, "newButton"), "Ctrl+N"},
            {control<SkinButton>(&window, "openButton"), "Ctrl+O"},
            {control<SkinButton>(&window, "saveButton"), "Ctrl+S"},
            {control<SkinButton>(&window, "saveButton"), "Ctrl+Shift+S"},
            {control<SkinButton>(&window, "textButton"), ""},
            {control<SkinButton>(&window, "shapeButton"), ""},
            {control<SkinButton>(&window, "pictureButton"), ""},
            {control<SkinButton>(&window, "settingsButton"), ""},
            {control<SkinButton>(&window, "printButton"), "Ctrl+P"},
            {control<SkinButton>(&window, "aboutButton"), ""},
            {control<SkinButton>(&window, "helpButton"), ""},
            {control<SkinButton>(&window, "updateButton"), ""},
        };
        const QString press = QAccessibleActionInterface::pressAction();
        for (const auto& [button, keys] : buttons) {
            const QByteArray caption = button->caption().toUtf8();
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
            QCOMPARE(face->role(), QAccessible::Button);
            QCOMPARE(face->text(QAccessible::Name), button->caption());
            QCOMPARE(face->text(QAccessible::Description), button->toolTip());
            QVERIFY2(!button->toolTip().isEmpty() && button->toolTip().contains(keys), caption);
            QVERIFY2(face->actionInterface(), caption);
            QVERIFY2(face->actionInterface()->actionNames().contains(press), caption);
        }

        // Pressing through the accessibility layer is a click.
        QAccessible::queryAccessibleInterface(control<SkinButton>(&window, "newButton"))
            ->actionInterface()
            ->doAction(press);
        QCOMPARE(platform.processes.size(), 1);
    }

    // Escape is "Close" in the option windows; Enter presses the default button where no
    // control takes it, and a focused button itself.
    void dialogKeysActAsTheirButtons_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("Text Options, Escape") << "TextOptions"
                                              << "textEdit" << int(Qt::Key_Escape) << "hidden";
        QTest::newRow("Shape Options, Escape") << "ShapeOptions"
                                               << "shapeBox" << int(Qt::Key_Escape) << "gone";
        QTest::newRow("Card Options, Escape") << "CardOptions"
                                              << "heightEdit" << int(Qt::Key_Escape) << "rejected";
        QTest::newRow("Cards Count, Enter in a box")
            << "CardsCount"
            << "rowsBox" << int(Qt::Key_Return) << "accepted";
        QTest::newRow("Cards Count, Enter on OK") << "CardsCount"
                                                  << "okButton" << int(Qt::Key_Enter) << "accepted";
        QTest::newRow("Print Options, Enter in a box")
            << "PrintOptions"
            << "printerBox" << int(Qt::Key_Return) << "accepted";
        QTest::newRow("Print Options, Enter on Cancel")
            << "PrintOptions"
            << "cancelButton" << int(Qt::Key_Return) << "gone";
    }
    void dialogKeysActAsTheirButtons()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, focused);
        QFETCH(int, key);
        QFETCH(QString, outcome);
        ScriptedPlatform platform;
        QTemporaryDir folder;
        MainWindow window(StartupOptions{folder.filePath("qmark"), {}});
        window.startUp();
        PrintOptionsDialog::resetChoices();
        QPointer<QWidget> shown;
        if (dialog == "TextOptions")
            shown = new TextOptionsDialog(window.editor());
        else if (dialog == "ShapeOptions")
            shown = new ShapeOptionsDialog(window.editor());
        else if (dialog == "CardOptions")
            shown = new CardOptionsDialog(window.editor());
        else if (dialog == "CardsCount")
            shown = new CardsCountDialog;
        else
            shown = new PrintOptionsDialog;
        std::unique_ptr<QWidget> owned(shown.data());
        shown->show();
        QTest::keyClick(shown->findChild<QWidget*>(focused), Qt::Key(key));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (dialog == "PrintOptions")
            QCOMPARE(PrintOptionsDialog::accepted(), outcome == "accepted");
        if (outcome == "gone") {
            QVERIFY(!shown);
            (void)owned.release();
            return;
        }
        QVERIFY(shown && shown->isHidden());
        if (dialog == "CardOptions" || dialog == "CardsCount")
            QCOMPARE(qobject_cast<QDialog*>(shown.data())->result(),
                     outcome == "accepted" ? int(QDialog::Accepted) : int(QDialog::Rejected));
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
                const auto* field = QAccessible::queryAccessibleInterface(label->buddy());
                for (const auto& [other, relation] : field->relations(QAccessible::Label))
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
