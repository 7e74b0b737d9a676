// Mouse events go through the window system, so that a combo box's pop-up list takes them.
#define QTEST_QPA_MOUSE_HANDLING
#include "cardtest.h"
#include "dialogs/colorbox.h"
#include "dialogs/textoptionsdialog.h"
#include "dialogs/shapeoptionsdialog.h"
#include "dialogs/picturebuttons.h"
#include "scriptedplatform.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
using Outcome = Platform::ColorChoice::Outcome;

// Picks an entry from a combo box's drop-down list with the mouse, as a user does.
void pickFromList(QComboBox* combo, const QString& text)
{
    const int row = combo->findText(text, Qt::MatchExactly);
    QVERIFY2(row >= 0, qPrintable(text));
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    QVERIFY(QTest::qWaitForWindowExposed(list->window()));
    const QModelIndex index = list->model()->index(row, combo->modelColumn());
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    QTRY_VERIFY(!list->window()->isVisible());
}

void processDeletions() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

TextOptionsDialog* openTextOptions(MainWindow& window, int index)
{
    QTest::mouseDClick(window.editor().texts[index], Qt::LeftButton, {}, {3, 3});
    return qobject_cast<TextOptionsDialog*>(window.textOptions.data());
}

ShapeOptionsDialog* openShapeOptions(MainWindow& window, int index)
{
    QTest::mouseDClick(window.editor().shapes[index], Qt::LeftButton, {}, {15, 15});
    return qobject_cast<ShapeOptionsDialog*>(window.shapeOptions.data());
}

// Rejects every modal dialog that comes up while it lives, counting them; a prompt that was
// not expected shows up in the count instead of blocking the test.
class ModalRejecter : public QObject {
public:
    QStringList seen;
    ModalRejecter()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                seen.append(dialog->metaObject()->className());
                dialog->reject();
            }
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
};
} // namespace

class TestOptionDialogs : public QObject {
    Q_OBJECT
private slots:
    // ---- Text Options ----------------------------------------------------------------

    void textOptionsOpensFilledFromTheItem()
    {
        ScriptedPlatform platform;
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        TextElement* item = editor.texts[1];
        item->setFontName("Tahoma (Arabic)");
        QVERIFY(item->setFontSize(9.75f));
        item->setFontBold(true);
        item->setAlignment(TextElement::Center);
        item->setFRWColor(0x000000FF);
        item->setBackColor(0x00C0E0FF);
        item->setCaption("Hello");

        TextOptionsDialog* dialog = openTextOptions(window, 1);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QString("Text Options"));
        QCOMPARE(dialog->pos(), QPoint(0, 0));
        QCOMPARE(dialog->size(), QSize(509, 208));
        QCOMPARE(dialog->Combo1->currentText(), QString("Tahoma (Arabic)"));
        QCOMPARE(dialog->Combo2->currentText(), QString("9.75"));
        QCOMPARE(dialog->Check1->checkState(), Qt::Checked);
        QCOMPARE(dialog->Check2->checkState(), Qt::Unchecked);
        QCOMPARE(dialog->Check3->checkState(), Qt::Unchecked);
        QVERIFY(dialog->Option1[2]->isChecked());
        QVERIFY(!dialog->Option1[0]->isChecked() && !dialog->Option1[1]->isChecked());
        QCOMPARE(dialog->Picture4->BackColor(), 0x000000FF);
        QCOMPARE(dialog->Picture1->BackColor(), 0x00C0E0FF);
        QCOMPARE(dialog->Text1->text(), QString("Hello"));
        // Filling wrote nothing new into the item.
        QCOMPARE(item->FontName(), QString("Tahoma (Arabic)"));
        QCOMPARE(item->FontSize(), 9.75f);

        // The lists: every installed face in the platform's order, sizes 1 to 120.
        QStringList faces;
        for (int i = 0; i < dialog->Combo1->count(); ++i)
            faces.append(dialog->Combo1->itemText(i));
        QCOMPARE(faces, QFontDatabase::families());
        QCOMPARE(dialog->Combo2->count(), 120);
        QCOMPARE(dialog->Combo2->itemText(0), QString("1"));
        QCOMPARE(dialog->Combo2->itemText(119), QString("120"));

        // Alignment stands left, centre, right on screen; the indices are 0, 2, 1.
        QVERIFY(dialog->Option1[0]->x() < dialog->Option1[2]->x());
        QVERIFY(dialog->Option1[2]->x() < dialog->Option1[1]->x());
        QCOMPARE(dialog->Option1[2]->geometry(), QRect(280, 48, 25, 25));
        QCOMPARE(dialog->Command1->geometry(), QRect(208, 168, 97, 33));
    }

    void textOptionsControlsWriteIntoTheItem()
    {
        ScriptedPlatform platform;
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        TextElement* item = editor.texts[1];
        TextOptionsDialog* dialog = openTextOptions(window, 1);
        QVERIFY(dialog);

        QTest::mouseClick(dialog->Check1, Qt::LeftButton);
        QTest::mouseClick(dialog->Check2, Qt::LeftButton);
        QTest::mouseClick(dialog->Check3, Qt::LeftButton);
        QVERIFY(item->FontBold() && item->FontItalic() && item->FontUnderline());
        QTest::mouseClick(dialog->Check2, Qt::LeftButton);
        QVERIFY(!item->FontItalic());
        // A grey box counts as on.
        dialog->Check2->setCheckState(Qt::PartiallyChecked);
        QVERIFY(item->FontItalic());

        QTest::mouseClick(dialog->Option1[1], Qt::LeftButton);
        QCOMPARE(item->Alignment(), qint16(TextElement::RightJustify));
        QTest::mouseClick(dialog->Option1[2], Qt::LeftButton);
        QCOMPARE(item->Alignment(), qint16(TextElement::Center));
        QTest::mouseClick(dialog->Option1[0], Qt::LeftButton);
        QCOMPARE(item->Alignment(), qint16(TextElement::LeftJustify));

        pickFromList(dialog->Combo2, "24");
        QCOMPARE(item->FontSize(), 24.f);

        // Every keystroke reaches the card.
        dialog->Text1->clear();
        QStringList captions;
        for (QChar key : QString("Ink")) {
            QTest::keyClicks(dialog->Text1, key);
            captions.append(item->Caption());
        }
        QCOMPARE(captions, QStringList({"I", "In", "Ink"}));
    }

    void pickedFacesGetTheScriptSuffix()
    {
        ScriptedPlatform platform;
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        TextElement* item = editor.texts[1];
        TextOptionsDialog* dialog = openTextOptions(window, 1);
        QVERIFY(dialog);
        // This machine may lack these faces; list them as a machine that has them would.
        const QStringList wanted = {"Arial", "Courier New", "Times New Roman", "Tahoma",
                                    "Verdana"};
        for (const QString& face : wanted)
            if (dialog->Combo1->findText(face, Qt::MatchExactly) < 0)
                dialog->Combo1->addItem(face);

        for (const QString& face : wanted.mid(0, 4)) {
            pickFromList(dialog->Combo1, face);
            QCOMPARE(item->FontName(), face + " (Arabic)");
        }
        pickFromList(dialog->Combo1, "Verdana");
        QCOMPARE(item->FontName(), QString("Verdana"));
        // The rule is exact: an installed face that merely resembles one is stored as listed.
        const QString installed = QFontDatabase::families().value(0);
        pickFromList(dialog->Combo1, installed);
        QCOMPARE(item->FontName(), installed);
    }

    void typingIntoTheListsChangesNothing()
    {
        ScriptedPlatform platform;
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        TextElement* item = editor.texts[1];
        const QString face = item->FontName();
        const float size = item->FontSize();
        TextOptionsDialog* dialog = openTextOptions(window, 1);
        QVERIFY(dialog);
        dialog->Combo1->lineEdit()->clear();
        QTest::keyClicks(dialog->Combo1, "Liberation Serif");
        dialog->Combo2->lineEdit()->clear();
        QTest::keyClicks(dialog->Combo2, "48");
        QCOMPARE(item->FontName(), face);
        QCOMPARE(item->FontSize(), size);
        QCOMPARE(dialog->Combo2->count(), 120); // typed text is not added either
    }

    void colourBoxesGoThroughTheChooser()
    {
        ScriptedPlatform platform;
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        TextElement* item = editor.texts[1];
        item->setFRWColor(0x00102030);
        item->setBackColor(0x00405060);
        TextOptionsDialog* dialog = openTextOptions(window, 1);
        QVERIFY(dialog);

        platform.colorAnswers.enqueue({Outcome::Chosen, QColor(0x0A, 0x14, 0x1E)});
        QTest::mouseClick(dialog->Picture4, Qt::LeftButton);
        QCOMPARE(platform.colorRequests.value(0), QColor(0x30, 0x20, 0x10)); // starts at its own
        QCOMPARE(item->FRWColor(), 0x001E140A);
        QCOMPARE(dialog->Picture4->BackColor(), 0x001E140A);

        platform.colorAnswers.enqueue({Outcome::Cancelled, {}});
        platform.colorAnswers.enqueue({Outcome::Failed, {}});
        QTest::mouseClick(dialog->Picture1, Qt::LeftButton);
        QVERIFY(platform.messageBoxes.isEmpty());
        QTest::mouseClick(dialog->Picture1, Qt::LeftButton);
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes[0].text, QString("Error"));
        QCOMPARE(platform.messageBoxes[0].buttons,
                 QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(item->BackColor(), 0x00405060);
        QCOMPARE(dialog->Picture1->BackColor(), 0x00405060);

        platform.colorAnswers.enqueue({Outcome::Chosen, Qt::yellow});
        QTest::mouseClick(dialog->Picture1, Qt::LeftButton);
        QCOMPARE(item->BackColor(), 0x0000FFFF);
    }

    void sameCardBackgroundTakesTheCardColourWhenTicked()
    {
        ScriptedPlatform platform;
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        TextElement* item = editor.texts[1];
        item->setBackColor(0x00405060);
        TextOptionsDialog* dialog = openTextOptions(window, 1);
        QVERIFY(dialog);
        // The card changes after the dialog opened: the current colour counts.
        editor.canvas()->setBackColor(0x00ABCDEF);
        QTest::mouseClick(dialog->Check4, Qt::LeftButton);
        QCOMPARE(item->BackColor(), 0x00ABCDEF);
        QCOMPARE(dialog->Picture1->BackColor(), 0x00ABCDEF);

        platform.colorAnswers.enqueue({Outcome::Chosen, Qt::black});
        QTest::mouseClick(dialog->Picture1, Qt::LeftButton);
        QTest::mouseClick(dialog->Check4, Qt::LeftButton);
        QCOMPARE(dialog->Check4->checkState(), Qt::Unchecked);
        QCOMPARE(item->BackColor(), 0);
    }

    void laterChangesFollowTheSelectionIndex()
    {
        ScriptedPlatform platform;
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        editor.texts[2]->moveTwips(3000, 1500);
        for (int i = 0; i < 3; ++i)
            window.frontShapeButton->click();
        editor.shapes[3]->moveTwips(2000, 2000);
        TextOptionsDialog* dialog = openTextOptions(window, 1);
        QVERIFY(dialog);

        clickTwips(editor.texts[2], {30, 30});
        QTest::keyClicks(dialog->Text1, "2");
        QCOMPARE(editor.texts[2]->Caption(), QString("Text2"));
        QCOMPARE(editor.texts[1]->Caption(), QString("Text"));

        // A shape with index 1 redirects the changes to text item 1.
        clickTwips(editor.shapes[1], {200, 200});
        QCOMPARE(editor.selection().kind, ElementKind::Shape);
        QTest::mouseClick(dialog->Check1, Qt::LeftButton);
        QVERIFY(editor.texts[1]->FontBold());
        QVERIFY(!editor.texts[2]->FontBold());

        // No text item 3: the changes are dropped.
        clickTwips(editor.shapes[3], {200, 200});
        QCOMPARE(editor.selection().index, 3);
        QTest::mouseClick(dialog->Check2, Qt::LeftButton);
        QTest::keyClicks(dialog->Text1, "x");
        QVERIFY(!editor.texts[1]->FontItalic() && !editor.texts[2]->FontItalic());
        QCOMPARE(editor.texts[2]->Caption(), QString("Text2"));
    }

    void closeKeepsTheValuesAndTheCloseBoxDestroys()
    {
        ScriptedPlatform platform;
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        TextOptionsDialog* dialog = openTextOptions(window, 1);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->Check4, Qt::LeftButton);
        QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        QVERIFY(dialog->isHidden());
        processDeletions();
        QCOMPARE(window.textOptions.data(), dialog);
        QCOMPARE(openTextOptions(window, 1), dialog);
        QCOMPARE(dialog->Check4->checkState(), Qt::Checked);

        dialog->close();
        processDeletions();
        QVERIFY(!window.textOptions);
        TextOptionsDialog* again = openTextOptions(window, 1);
        QVERIFY(again && again->isVisible());
        QCOMPARE(again->Check4->checkState(), Qt::Unchecked);
        QCOMPARE(again->Combo2->count(), 120);
    }

    // ---- Shape Options ---------------------------------------------------------------

    void shapeOptionsOpensOnTheShape()
    {
        ScriptedPlatform platform;
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        window.frontShapeButton->click();
        ShapeElement* shape = editor.shapes[1];
        QVERIFY(shape->setShape(ShapeElement::RoundedRectangle));
        shape->setBackColor(0x0000C000);
        ShapeOptionsDialog* dialog = openShapeOptions(window, 1);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QString("Shape Options"));
        QStringList kinds;
        for (int i = 0; i < dialog->List1->count(); ++i)
            kinds.append(dialog->List1->itemText(i));
        QCOMPARE(kinds, QStringList({"Rectangle", "Square", "Oval", "Circular",
                                     "Rounded Rectangle", "Rounded Square"}));
        QCOMPARE(dialog->List1->currentText(), QString("Rounded Rectangle"));
        QCOMPARE(dialog->Label3->text(), QString("4"));
        QVERIFY(dialog->Label3->isHidden());
        QCOMPARE(dialog->Picture5->BackColor(), 0x0000C000);
        QCOMPARE(shape->Shape(), int(ShapeElement::RoundedRectangle));
    }

    void shapeKindsAndColourAreWritten()
    {
        ScriptedPlatform platform;
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        window.frontShapeButton->click();
        ShapeElement* shape = editor.shapes[1];
        ShapeOptionsDialog* dialog = openShapeOptions(window, 1);
        QVERIFY(dialog);

        pickFromList(dialog->List1, "Circular");
        QCOMPARE(shape->Shape(), 3);
        QCOMPARE(dialog->Label3->text(), QString("3"));
        pickFromList(dialog->List1, "Rounded Square");
        QCOMPARE(shape->Shape(), 5);

        dialog->List1->lineEdit()->clear();
        QTest::keyClicks(dialog->List1, "Oval");
        QCOMPARE(shape->Shape(), 5);

        const qint32 before = shape->BackColor();
        platform.colorAnswers.enqueue({Outcome::Cancelled, {}});
        platform.colorAnswers.enqueue({Outcome::Failed, {}});
        QTest::mouseClick(dialog->Picture5, Qt::LeftButton);
        QTest::mouseClick(dialog->Picture5, Qt::LeftButton);
        QCOMPARE(shape->BackColor(), before);
        QCOMPARE(dialog->Picture5->BackColor(), before);
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes[0].text, QString("Error"));

        platform.colorAnswers.enqueue({Outcome::Chosen, Qt::magenta});
        QTest::mouseClick(dialog->Picture5, Qt::LeftButton);
        QCOMPARE(shape->BackColor(), 0x00FF00FF);

        // Another selection redirects the changes to the shape with its index.
        window.frontShapeButton->click();
        editor.shapes[2]->moveTwips(2500, 1000);
        clickTwips(editor.shapes[2], {200, 200});
        pickFromList(dialog->List1, "Oval");
        QCOMPARE(editor.shapes[2]->Shape(), 2);
        QCOMPARE(shape->Shape(), 5);

        QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        processDeletions();
        QVERIFY(!window.shapeOptions);
    }

    void cancelledColourAfterAFileDialogChangesNothing()
    {
        // The real dialogs this time: the file and colour choosers share nothing that a
        // cancelled file choice could leave behind.
        StartedCard card;
        MainWindow& window = *card.window;
        CardEditor& editor = card.editor();
        window.frontShapeButton->click();
        ShapeElement* shape = editor.shapes[1];
        shape->setBackColor(0x00123456);
        ShapeOptionsDialog* dialog = openShapeOptions(window, 1);
        QVERIFY(dialog);

        ModalRejecter rejecter;
        QTest::mouseClick(window.pictureButton, Qt::LeftButton); // Image: the file dialog, cancelled
        QVERIFY(!editor.pictures.contains(1));
        QTest::mouseClick(dialog->Picture5, Qt::LeftButton);
        QCOMPARE(rejecter.seen, QStringList({"QFileDialog", "QColorDialog"}));
        QCOMPARE(shape->BackColor(), 0x00123456);
        QCOMPARE(dialog->Picture5->BackColor(), 0x00123456);
    }
};

QTEST_MAIN(TestOptionDialogs)
#include "tst_optiondialogs.moc"
