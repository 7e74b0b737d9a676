// Mouse events go through the window system, so that a combo box's pop-up list takes them.
#define QTEST_QPA_MOUSE_HANDLING
#include "cardtest.h"
#include "control.h"
#include "dialogs/colorbox.h"
#include "dialogs/picturebuttons.h"
#include "dialogs/qroptionsdialog.h"
#include "dialogs/shapeoptionsdialog.h"
#include "dialogs/textoptionsdialog.h"
#include "document/fontfaces.h"
#include "document/twips.h"
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
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include <initializer_list>
#include <optional>

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

// A double click on an element, at a point in its own pixels.
void doubleClick(MainWindow& window, ElementKind kind, int index, QPoint pixels)
{
    const CardItem& item = element(window.editor(), kind, index);
    const QPoint at = (QPointF(item.left, item.top) / TwipsPerPixel).toPoint() + pixels;
    QTest::mouseDClick(window.editor().view(), Qt::LeftButton, {}, at);
}

TextOptionsDialog* openTextOptions(MainWindow& window, int index)
{
    doubleClick(window, ElementKind::Text, index, {3, 3});
    return qobject_cast<TextOptionsDialog*>(window.textOptions.data());
}

ShapeOptionsDialog* openShapeOptions(MainWindow& window, int index)
{
    doubleClick(window, ElementKind::Shape, index, {15, 15});
    return qobject_cast<ShapeOptionsDialog*>(window.shapeOptions.data());
}

TextLook textOf(const CardEditor& editor, int index)
{
    return element(editor, ElementKind::Text, index).text;
}

ShapeLook shapeOf(const CardEditor& editor, int index)
{
    return element(editor, ElementKind::Shape, index).shape;
}

void editText(CardEditor& editor, int index, const std::function<void(TextLook&)>& change)
{
    editor.changeItem(ElementKind::Text, index, [&](CardItem& item) { change(item.text); });
}

void editShape(CardEditor& editor, int index, const std::function<void(ShapeLook&)>& change)
{
    editor.changeItem(ElementKind::Shape, index, [&](CardItem& item) { change(item.shape); });
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
    // The card a test edits, from startCard until the test ends.
    std::optional<ScriptedCard> m_card;
    ScriptedPlatform& platform() { return m_card->platform; }
    MainWindow& window() { return m_card->window(); }
    CardEditor& editor() { return m_card->editor(); }
    TextLook text(int index = 1) { return textOf(editor(), index); }
    ShapeLook shape(int index = 1) { return shapeOf(editor(), index); }

    // Starts a card with its prompts scripted and adds an element with each command bar button
    // named, as a user clicks them; false when the window did not start.
    [[nodiscard]] bool startCard(std::initializer_list<const char*> buttons = {})
    {
        m_card.emplace();
        if (!m_card->start())
            return false;
        for (const char* button : buttons)
            QTest::mouseClick(control<SkinButton>(&window(), button), Qt::LeftButton);
        return true;
    }

private slots:
    void cleanup() { m_card.reset(); }

    // ---- QR Code Options -------------------------------------------------------------

    void qrOptionsEditTheValue()
    {
        ScriptedPlatform platform;
        QWidget owner;
        QPointer dialog = new QrOptionsDialog(&owner);
        vcard::VCardFields contact;
        contact.fullName = "Zoë Müller";
        contact.streetAddress = "Königstraße 12a\n10117 Berlin";
        QrCodeOptions stored =
            QrCodeOptions::fromContent(QString::fromUtf8(vcard::writeVCard(contact)));
        stored.lightColor = 0x00C0FFEE;
        QSignalSpy changed(dialog.data(), &QrOptionsDialog::changed);
        dialog->setOptions(stored);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(changed.size(), 0);
        QCOMPARE(control<QComboBox>(dialog, "kindBox")->currentText(), QString("Contact card"));
        QCOMPARE(control<QLineEdit>(dialog, "contactEdit0")->text(), contact.fullName);
        QCOMPARE(control<QPlainTextEdit>(dialog, "streetAddressEdit")->toPlainText(),
                 contact.streetAddress);
        QCOMPARE(control<QComboBox>(dialog, "levelBox")->currentIndex(), int(QrLevel::M));
        QVERIFY(control<QLabel>(dialog, "fitLabel")->text().isEmpty());

        auto last = [&] { return changed.last().at(0).value<QrCodeOptions>(); };
        QTest::keyClicks(control<QLineEdit>(dialog, "contactEdit1"), "Smith, Jones");
        contact.organisation = "Smith, Jones";
        QCOMPARE(*vcard::parseVCard(last().content().toUtf8()), contact);

        platform.colorAnswers.enqueue({Outcome::Chosen, Qt::red});
        QTest::mouseClick(control<ColorBox>(dialog, "darkColorBox"), Qt::LeftButton);
        QCOMPARE(last().darkColor, 0x000000FF);
        QTest::mouseClick(control<QCheckBox>(dialog, "transparentBox"), Qt::LeftButton);
        QVERIFY(!last().lightColor && !control<ColorBox>(dialog, "lightColorBox")->isEnabled());
        // Disabled: asks nothing.
        QTest::mouseClick(control<ColorBox>(dialog, "lightColorBox"), Qt::LeftButton);
        QCOMPARE(platform.colorRequests.size(), 1);
        QTest::mouseClick(control<QCheckBox>(dialog, "transparentBox"), Qt::LeftButton);
        QCOMPARE(last().lightColor, std::optional<qint32>(0x00C0FFEE));

        // Web address to free text carries the text over; the fit is said as it changes.
        control<QComboBox>(dialog, "kindBox")->setCurrentIndex(0);
        QTest::keyClicks(control<QLineEdit>(dialog, "webAddressEdit"), "www.example.com");
        control<QComboBox>(dialog, "kindBox")->setCurrentIndex(1);
        QCOMPARE(control<QStackedWidget>(dialog, "contentPages")->currentWidget(),
                 control<QPlainTextEdit>(dialog, "freeTextEdit"));
        QCOMPARE(last().content(), QString("www.example.com"));
        control<QComboBox>(dialog, "levelBox")->setCurrentIndex(int(QrLevel::H));
        QCOMPARE(last().level, QrLevel::H);
        control<QPlainTextEdit>(dialog, "freeTextEdit")->setPlainText(QString(2000, 'x'));
        QCOMPARE(control<QLabel>(dialog, "fitLabel")->text(),
                 QString("Too long for level H: the code uses level M."));
        control<QPlainTextEdit>(dialog, "freeTextEdit")->setPlainText(QString(3000, 'x'));
        QCOMPARE(control<QLabel>(dialog, "fitLabel")->text(),
                 QString("The content does not fit in a QR code, even at level L."));
        QCOMPARE(last().content().size(), 3000);
        // Colours readers may not tell apart are said: red through a transparent light colour
        // on a red card.
        QTest::mouseClick(control<QCheckBox>(dialog, "transparentBox"), Qt::LeftButton);
        dialog->setCardColor(0x000000FF);
        QCOMPARE(control<QLabel>(dialog, "fitLabel")->text(),
                 QString("The content does not fit in a QR code, even at level L.\nThe code may "
                         "not scan: its colours differ too little for readers (contrast 1.0:1, "
                         "at least 3:1 is needed)."));
        dialog->setCardColor(0x00FFFFFF);
        QVERIFY(!control<QLabel>(dialog, "fitLabel")->text().contains("may not scan"));

        QCOMPARE(QrCodeOptions::fromContent("mailto:a@example.com").kind,
                 QrCodeOptions::ContentKind::WebAddress);
        QCOMPARE(QrCodeOptions::fromContent("Call me: 555").kind,
                 QrCodeOptions::ContentKind::FreeText);

        QTest::mouseClick(control<SkinButton>(dialog, "closeButton"), Qt::LeftButton);
        processDeletions();
        QVERIFY(!dialog);
    }

    // ---- Text Options ----------------------------------------------------------------

    void textOptionsOpensFilledFromTheItem()
    {
        QVERIFY(startCard({"textButton"}));
        editText(editor(), 1, [](TextLook& t) { t.fontName = "Tahoma (Arabic)"; });
        editText(editor(), 1, [](TextLook& t) { QVERIFY(t.setFontSize(9.75f)); });
        editText(editor(), 1, [](TextLook& t) { t.bold = true; });
        editText(editor(), 1, [](TextLook& t) { t.alignment = 2; });
        editText(editor(), 1, [](TextLook& t) { t.frwColor = 0x000000FF; });
        editText(editor(), 1, [](TextLook& t) { t.backColor = 0x00C0E0FF; });
        editText(editor(), 1, [](TextLook& t) { t.caption = "Hello"; });

        TextOptionsDialog* dialog = openTextOptions(window(), 1);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QString("Text Options"));
        QCOMPARE(dialog->pos(), QPoint(0, 0));
        QCOMPARE(dialog->size(), QSize(509, 208));
        QCOMPARE(control<QComboBox>(dialog, "fontBox")->currentText(), QString("Tahoma (Arabic)"));
        QCOMPARE(control<QComboBox>(dialog, "sizeBox")->currentText(), QString("9.75"));
        QCOMPARE(control<PictureCheckBox>(dialog, "boldBox")->checkState(), Qt::Checked);
        QCOMPARE(control<PictureCheckBox>(dialog, "italicBox")->checkState(), Qt::Unchecked);
        QCOMPARE(control<PictureCheckBox>(dialog, "underlineBox")->checkState(), Qt::Unchecked);
        QVERIFY(control<PictureOptionButton>(dialog, "alignmentButton2")->isChecked());
        QVERIFY(!control<PictureOptionButton>(dialog, "alignmentButton0")->isChecked()
                && !control<PictureOptionButton>(dialog, "alignmentButton1")->isChecked());
        QCOMPARE(control<ColorBox>(dialog, "textColorBox")->backColor(), 0x000000FF);
        QCOMPARE(control<ColorBox>(dialog, "backColorBox")->backColor(), 0x00C0E0FF);
        QCOMPARE(control<QLineEdit>(dialog, "textEdit")->text(), QString("Hello"));
        // Filling wrote nothing new into the item.
        QCOMPARE(text().fontName, QString("Tahoma (Arabic)"));
        QCOMPARE(text().fontSize, 9.75f);

        // The lists: every installed face in the platform's order, sizes 1 to 120.
        QStringList faces;
        for (int i = 0; i < control<QComboBox>(dialog, "fontBox")->count(); ++i)
            faces.append(control<QComboBox>(dialog, "fontBox")->itemText(i));
        // Each family once, without its foundry, in the platform's order.
        QCOMPARE(faces, listedFontFamilies(QFontDatabase::families()));
        QVERIFY(!faces.filter(QRegularExpression(R"(\[.*\]$)")).size());
        QCOMPARE(listedFontFamilies({"C059 [urw]", "Sans", "C059 [UKWN]", "A [b] c"}),
                 QStringList({"C059", "Sans", "A [b] c"}));
        QCOMPARE(control<QComboBox>(dialog, "sizeBox")->count(), 120);
        QCOMPARE(control<QComboBox>(dialog, "sizeBox")->itemText(0), QString("1"));
        QCOMPARE(control<QComboBox>(dialog, "sizeBox")->itemText(119), QString("120"));

        // Underlined but not italic reads as exactly that.
        editText(editor(), 1, [](TextLook& t) { t.bold = false; });
        editText(editor(), 1, [](TextLook& t) { t.underline = true; });
        QCOMPARE(openTextOptions(window(), 1), dialog);
        QCOMPARE(control<PictureCheckBox>(dialog, "boldBox")->checkState(), Qt::Unchecked);
        QCOMPARE(control<PictureCheckBox>(dialog, "italicBox")->checkState(), Qt::Unchecked);
        QCOMPARE(control<PictureCheckBox>(dialog, "underlineBox")->checkState(), Qt::Checked);
        QVERIFY(text().underline && !text().italic);

        // Alignment stands left, centre, right on screen; the indices are 0, 2, 1.
        QVERIFY(control<PictureOptionButton>(dialog, "alignmentButton0")->x()
                < control<PictureOptionButton>(dialog, "alignmentButton2")->x());
        QVERIFY(control<PictureOptionButton>(dialog, "alignmentButton2")->x()
                < control<PictureOptionButton>(dialog, "alignmentButton1")->x());
        QCOMPARE(control<PictureOptionButton>(dialog, "alignmentButton2")->geometry(),
                 QRect(280, 48, 25, 25));
        QCOMPARE(control<SkinButton>(dialog, "closeButton")->geometry(), QRect(208, 168, 97, 33));
    }

    void textOptionsControlsWriteIntoTheItem()
    {
        QVERIFY(startCard({"textButton"}));
        TextOptionsDialog* dialog = openTextOptions(window(), 1);
        QVERIFY(dialog);

        QTest::mouseClick(control<PictureCheckBox>(dialog, "boldBox"), Qt::LeftButton);
        QTest::mouseClick(control<PictureCheckBox>(dialog, "italicBox"), Qt::LeftButton);
        QTest::mouseClick(control<PictureCheckBox>(dialog, "underlineBox"), Qt::LeftButton);
        QVERIFY(text().bold && text().italic && text().underline);
        QTest::mouseClick(control<PictureCheckBox>(dialog, "italicBox"), Qt::LeftButton);
        QVERIFY(!text().italic);
        // A grey box counts as on.
        control<PictureCheckBox>(dialog, "italicBox")->setCheckState(Qt::PartiallyChecked);
        QVERIFY(text().italic);

        QTest::mouseClick(control<PictureOptionButton>(dialog, "alignmentButton1"), Qt::LeftButton);
        QCOMPARE(text().alignment, qint16(1));
        QTest::mouseClick(control<PictureOptionButton>(dialog, "alignmentButton2"), Qt::LeftButton);
        QCOMPARE(text().alignment, qint16(2));
        QTest::mouseClick(control<PictureOptionButton>(dialog, "alignmentButton0"), Qt::LeftButton);
        QCOMPARE(text().alignment, qint16(0));

        pickFromList(control<QComboBox>(dialog, "sizeBox"), "24");
        QCOMPARE(text().fontSize, 24.f);

        // Every keystroke reaches the card.
        control<QLineEdit>(dialog, "textEdit")->clear();
        QStringList captions;
        for (QChar key : QString("Ink")) {
            QTest::keyClicks(control<QLineEdit>(dialog, "textEdit"), key);
            captions.append(text().caption);
        }
        QCOMPARE(captions, QStringList({"I", "In", "Ink"}));
    }

    void pickedFacesGetTheScriptSuffix()
    {
        QVERIFY(startCard({"textButton"}));
        TextOptionsDialog* dialog = openTextOptions(window(), 1);
        QVERIFY(dialog);
        // This machine may lack these faces; list them as a machine that has them would.
        const QStringList wanted = {"Arial", "Courier New", "Times New Roman", "Tahoma", "Verdana"};
        for (const QString& face : wanted)
            if (control<QComboBox>(dialog, "fontBox")->findText(face, Qt::MatchExactly) < 0)
                control<QComboBox>(dialog, "fontBox")->addItem(face);

        for (const QString& face : wanted.mid(0, 4)) {
            pickFromList(control<QComboBox>(dialog, "fontBox"), face);
            QCOMPARE(text().fontName, face + " (Arabic)");
        }
        pickFromList(control<QComboBox>(dialog, "fontBox"), "Verdana");
        QCOMPARE(text().fontName, QString("Verdana"));
        // The rule is exact: an installed face that merely resembles one is stored as listed.
        const QString installed = listedFontFamilies(QFontDatabase::families()).value(0);
        pickFromList(control<QComboBox>(dialog, "fontBox"), installed);
        QCOMPARE(text().fontName, installed);
    }

    // Text typed into a list box that matches an entry (in any case) is not a pick: neither
    // Enter nor the focus leaving the box writes it. A keyboard pick inside the list does.
    void onlyAPickFromTheListWrites_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("leave");
        for (const char* box : {"font", "size", "shape"})
            for (const char* leave : {"enter", "click", "window"})
                QTest::addRow("%s, %s", box, leave) << box << leave;
    }

    void onlyAPickFromTheListWrites()
    {
        QFETCH(QString, box);
        QFETCH(QString, leave);
        QVERIFY(startCard({"textButton", "shapeButton"}));
        editShape(editor(), 1, [](ShapeLook& s) { s.shape = ShapeLook::RoundedRectangle; });
        const auto written = [&] {
            return box == "font"   ? text().fontName
                   : box == "size" ? QString::number(text().fontSize)
                                   : QString::number(shape().shape);
        };
        const QString before = written();

        QWidget* dialog = nullptr;
        QPointer<QComboBox> combo;
        QWidget* elsewhere = nullptr;
        QString typed;
        if (box == "shape") {
            auto* shapeDialog = openShapeOptions(window(), 1);
            QVERIFY(shapeDialog);
            dialog = shapeDialog;
            combo = control<QComboBox>(shapeDialog, "shapeBox");
            elsewhere = control<SkinButton>(shapeDialog, "closeButton");
            typed = "oval";
        } else {
            auto* textDialog = openTextOptions(window(), 1);
            QVERIFY(textDialog);
            dialog = textDialog;
            combo = box == "font" ? control<QComboBox>(textDialog, "fontBox")
                                  : control<QComboBox>(textDialog, "sizeBox");
            elsewhere = control<QLineEdit>(textDialog, "textEdit");
            typed = box == "font" ? combo->itemText(combo->count() - 1).toLower() : "30";
        }
        QVERIFY(combo->findText(typed, Qt::MatchFixedString) >= 0);
        QApplication::setActiveWindow(dialog);
        combo->setFocus();
        QTRY_VERIFY(combo->hasFocus());
        const int entries = combo->count();
        combo->lineEdit()->clear();
        QTest::keyClicks(combo, typed);
        if (leave == "enter")
            QTest::keyClick(combo, Qt::Key_Return);
        else if (leave == "click")
            QTest::mouseClick(elsewhere, Qt::LeftButton);
        else
            QApplication::setActiveWindow(&window());
        // "Close" of Shape Options closes it for good.
        QTRY_VERIFY(!combo || !combo->hasFocus() || leave == "enter");
        QCOMPARE(written(), before);
        if (combo)
            QCOMPARE(combo->count(), entries); // typed text is not added either

        // Choosing with the keyboard inside the open list is a pick.
        if (leave == "enter") {
            combo->setCurrentIndex(0);
            combo->showPopup();
            QAbstractItemView* list = combo->view();
            QVERIFY(QTest::qWaitForWindowExposed(list->window()));
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
            QTRY_VERIFY(!list->window()->isVisible());
            const QString expected = box == "font"   ? storedFontName(combo->itemText(1))
                                     : box == "size" ? QString("2")
                                                     : QString("1");
            QCOMPARE(written(), expected);
        }
    }

    void colourBoxesGoThroughTheChooser()
    {
        QVERIFY(startCard({"textButton"}));
        editText(editor(), 1, [](TextLook& t) { t.frwColor = 0x00102030; });
        editText(editor(), 1, [](TextLook& t) { t.backColor = 0x00405060; });
        TextOptionsDialog* dialog = openTextOptions(window(), 1);
        QVERIFY(dialog);

        platform().colorAnswers.enqueue({Outcome::Chosen, QColor(0x0A, 0x14, 0x1E)});
        QTest::mouseClick(control<ColorBox>(dialog, "textColorBox"), Qt::LeftButton);
        QCOMPARE(platform().colorRequests.value(0), QColor(0x30, 0x20, 0x10)); // starts at its own
        QCOMPARE(text().frwColor, 0x001E140A);
        QCOMPARE(control<ColorBox>(dialog, "textColorBox")->backColor(), 0x001E140A);

        platform().colorAnswers.enqueue({Outcome::Cancelled, {}});
        platform().colorAnswers.enqueue({Outcome::Failed, {}});
        QTest::mouseClick(control<ColorBox>(dialog, "backColorBox"), Qt::LeftButton);
        QVERIFY(platform().messageBoxes.isEmpty());
        QTest::mouseClick(control<ColorBox>(dialog, "backColorBox"), Qt::LeftButton);
        QCOMPARE(platform().messageBoxes.size(), 1);
        QCOMPARE(platform().messageBoxes[0].text, QString("Error"));
        QCOMPARE(platform().messageBoxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(text().backColor, 0x00405060);
        QCOMPARE(control<ColorBox>(dialog, "backColorBox")->backColor(), 0x00405060);

        platform().colorAnswers.enqueue({Outcome::Chosen, Qt::yellow});
        QTest::mouseClick(control<ColorBox>(dialog, "backColorBox"), Qt::LeftButton);
        QCOMPARE(text().backColor, 0x0000FFFF);
    }

    void sameCardBackgroundTakesTheCardColourWhenTicked()
    {
        QVERIFY(startCard({"textButton"}));
        editText(editor(), 1, [](TextLook& t) { t.backColor = 0x00405060; });
        TextOptionsDialog* dialog = openTextOptions(window(), 1);
        QVERIFY(dialog);
        // The card changes after the dialog opened: the current colour counts.
        editor().setCardBackColor(0x00ABCDEF);
        QTest::mouseClick(control<QCheckBox>(dialog, "sameAsCardBox"), Qt::LeftButton);
        QCOMPARE(text().backColor, 0x00ABCDEF);
        QCOMPARE(control<ColorBox>(dialog, "backColorBox")->backColor(), 0x00ABCDEF);

        platform().colorAnswers.enqueue({Outcome::Chosen, Qt::black});
        QTest::mouseClick(control<ColorBox>(dialog, "backColorBox"), Qt::LeftButton);
        QTest::mouseClick(control<QCheckBox>(dialog, "sameAsCardBox"), Qt::LeftButton);
        QCOMPARE(control<QCheckBox>(dialog, "sameAsCardBox")->checkState(), Qt::Unchecked);
        QCOMPARE(text().backColor, 0);
    }

    // "Shrink to Fit" shows the item's choice when the dialog opens and writes each click
    // into the item as one undo step.
    void shrinkToFitFollowsTheBox()
    {
        QVERIFY(startCard({"textButton"}));
        editText(editor(), 1, [](TextLook& t) { t.shrinkToFit = true; });
        TextOptionsDialog* dialog = openTextOptions(window(), 1);
        QVERIFY(dialog);
        auto* box = control<QCheckBox>(dialog, "shrinkToFitBox");
        QCOMPARE(box->checkState(), Qt::Checked);
        const int steps = editor().undoStack()->count();
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!text(1).shrinkToFit);
        QCOMPARE(editor().undoStack()->count(), steps + 1);
        editor().undoStack()->undo();
        QVERIFY(text(1).shrinkToFit);
    }

    void laterChangesFollowTheSelectionIndex()
    {
        QVERIFY(startCard({"textButton", "textButton"}));
        setBox(editor(), ElementKind::Text, 2, {3000, 1500, 1380, 330});
        for (int i = 0; i < 3; ++i)
            control<QPushButton>(&window(), "frontShapeButton")->click();
        setBox(editor(), ElementKind::Shape, 3, {2000, 2000, 495, 375});
        setBox(editor(), ElementKind::Shape, 2, {4000, 300, 495, 375});
        TextOptionsDialog* dialog = openTextOptions(window(), 1);
        QVERIFY(dialog);

        clickElement(editor(), ElementKind::Text, 2, {30, 30});
        QTest::keyClicks(control<QLineEdit>(dialog, "textEdit"), "2");
        QCOMPARE(text(2).caption, QString("Text2"));
        QCOMPARE(text(1).caption, QString("Text"));

        // A shape with index 1 redirects the changes to text item 1.
        clickElement(editor(), ElementKind::Shape, 1, {200, 200});
        QCOMPARE(editor().selection().kind, ElementKind::Shape);
        QTest::mouseClick(control<PictureCheckBox>(dialog, "boldBox"), Qt::LeftButton);
        QVERIFY(text(1).bold);
        QVERIFY(!text(2).bold);

        // No text item 3: the changes are dropped.
        clickElement(editor(), ElementKind::Shape, 3, {200, 200});
        QCOMPARE(editor().selection().index, 3);
        QTest::mouseClick(control<PictureCheckBox>(dialog, "italicBox"), Qt::LeftButton);
        QTest::keyClicks(control<QLineEdit>(dialog, "textEdit"), "x");
        QVERIFY(!text(1).italic && !text(2).italic);
        QCOMPARE(text(2).caption, QString("Text2"));
    }

    void closeKeepsTheValuesAndTheCloseBoxDestroys()
    {
        QVERIFY(startCard({"textButton"}));
        TextOptionsDialog* dialog = openTextOptions(window(), 1);
        QVERIFY(dialog);
        QTest::mouseClick(control<QCheckBox>(dialog, "sameAsCardBox"), Qt::LeftButton);
        QTest::mouseClick(control<SkinButton>(dialog, "closeButton"), Qt::LeftButton);
        QVERIFY(dialog->isHidden());
        processDeletions();
        QCOMPARE(window().textOptions.data(), dialog);
        QCOMPARE(openTextOptions(window(), 1), dialog);
        QCOMPARE(control<QCheckBox>(dialog, "sameAsCardBox")->checkState(), Qt::Checked);

        dialog->close();
        processDeletions();
        QVERIFY(!window().textOptions);
        TextOptionsDialog* again = openTextOptions(window(), 1);
        QVERIFY(again && again->isVisible());
        QCOMPARE(control<QCheckBox>(again, "sameAsCardBox")->checkState(), Qt::Unchecked);
        QCOMPARE(control<QComboBox>(again, "sizeBox")->count(), 120);
    }

    // ---- Shape Options ---------------------------------------------------------------

    void shapeOptionsOpensOnTheShape()
    {
        QVERIFY(startCard());
        control<QPushButton>(&window(), "frontShapeButton")->click();
        editShape(editor(), 1, [](ShapeLook& s) { s.shape = ShapeLook::RoundedRectangle; });
        editShape(editor(), 1, [](ShapeLook& s) { s.backColor = 0x0000C000; });
        ShapeOptionsDialog* dialog = openShapeOptions(window(), 1);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QString("Shape Options"));
        QStringList kinds;
        for (int i = 0; i < control<QComboBox>(dialog, "shapeBox")->count(); ++i)
            kinds.append(control<QComboBox>(dialog, "shapeBox")->itemText(i));
        QCOMPARE(kinds, QStringList({"Rectangle", "Square", "Oval", "Circular", "Rounded Rectangle",
                                     "Rounded Square"}));
        QCOMPARE(control<QComboBox>(dialog, "shapeBox")->currentText(),
                 QString("Rounded Rectangle"));
        QCOMPARE(control<QLabel>(dialog, "pickedKindLabel")->text(), QString("4"));
        QVERIFY(control<QLabel>(dialog, "pickedKindLabel")->isHidden());
        QCOMPARE(control<ColorBox>(dialog, "backColorBox")->backColor(), 0x0000C000);
        QCOMPARE(int(shape().shape), ShapeLook::RoundedRectangle);
    }

    void shapeKindsAndColourAreWritten()
    {
        QVERIFY(startCard());
        control<QPushButton>(&window(), "frontShapeButton")->click();
        ShapeOptionsDialog* dialog = openShapeOptions(window(), 1);
        QVERIFY(dialog);

        pickFromList(control<QComboBox>(dialog, "shapeBox"), "Circular");
        QCOMPARE(int(shape().shape), 3);
        QCOMPARE(control<QLabel>(dialog, "pickedKindLabel")->text(), QString("3"));
        pickFromList(control<QComboBox>(dialog, "shapeBox"), "Rounded Square");
        QCOMPARE(int(shape().shape), 5);

        control<QComboBox>(dialog, "shapeBox")->lineEdit()->clear();
        QTest::keyClicks(control<QComboBox>(dialog, "shapeBox"), "Oval");
        QCOMPARE(int(shape().shape), 5);

        const qint32 before = shape().backColor;
        platform().colorAnswers.enqueue({Outcome::Cancelled, {}});
        platform().colorAnswers.enqueue({Outcome::Failed, {}});
        QTest::mouseClick(control<ColorBox>(dialog, "backColorBox"), Qt::LeftButton);
        QTest::mouseClick(control<ColorBox>(dialog, "backColorBox"), Qt::LeftButton);
        QCOMPARE(shape().backColor, before);
        QCOMPARE(control<ColorBox>(dialog, "backColorBox")->backColor(), before);
        QCOMPARE(platform().messageBoxes.size(), 1);
        QCOMPARE(platform().messageBoxes[0].text, QString("Error"));

        platform().colorAnswers.enqueue({Outcome::Chosen, Qt::magenta});
        QTest::mouseClick(control<ColorBox>(dialog, "backColorBox"), Qt::LeftButton);
        QCOMPARE(shape().backColor, 0x00FF00FF);

        // Another selection redirects the changes to the shape with its index.
        control<QPushButton>(&window(), "frontShapeButton")->click();
        setBox(editor(), ElementKind::Shape, 2, {2500, 1000, 495, 375});
        clickElement(editor(), ElementKind::Shape, 2, {200, 200});
        pickFromList(control<QComboBox>(dialog, "shapeBox"), "Oval");
        QCOMPARE(int(shape(2).shape), 2);
        QCOMPARE(int(shape().shape), 5);

        QTest::mouseClick(control<SkinButton>(dialog, "closeButton"), Qt::LeftButton);
        processDeletions();
        QVERIFY(!window().shapeOptions);
    }

    void cancelledColourAfterAFileDialogChangesNothing()
    {
        // The real dialogs this time: the file and colour choosers share nothing that a
        // cancelled file choice could leave behind.
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        control<QPushButton>(&window, "frontShapeButton")->click();
        editShape(editor, 1, [](ShapeLook& s) { s.backColor = 0x00123456; });
        ShapeOptionsDialog* dialog = openShapeOptions(window, 1);
        QVERIFY(dialog);

        ModalRejecter rejecter;
        QTest::mouseClick(control<SkinButton>(&window, "pictureButton"),
                          Qt::LeftButton); // Image: the file dialog, cancelled
        QVERIFY(!editor.item(ElementKind::Picture, 1));
        QTest::mouseClick(control<ColorBox>(dialog, "backColorBox"), Qt::LeftButton);
        QCOMPARE(rejecter.seen, QStringList({"QFileDialog", "QColorDialog"}));
        QCOMPARE(shapeOf(editor, 1).backColor, 0x00123456);
        QCOMPARE(control<ColorBox>(dialog, "backColorBox")->backColor(), 0x00123456);
    }
};

QTEST_MAIN(TestOptionDialogs)
#include "tst_optiondialogs.moc"
