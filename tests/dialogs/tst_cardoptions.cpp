#include "cardtest.h"
#include "control.h"
#include "dialogs/cardoptionsdialog.h"
#include "dialogs/colorbox.h"
#include "modalwatchdog.h"
#include "scriptedplatform.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
// Empties a box the way a user does, so that the emptied text is an edit too.
void clearByKeys(QLineEdit* box)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
}

QStringList messageTexts(const ScriptedPlatform& platform)
{
    QStringList texts;
    for (const auto& call : platform.messageBoxes)
        texts.append(call.text);
    return texts;
}
} // namespace

class TestCardOptions : public QObject {
    Q_OBJECT
private slots:
    void openingFillsTheBoxesAndClearsThePrimedFlag()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        editor.setCardBackColor(0x00336699);
        editor.setSheetPrimed(true);
        CardOptionsDialog dialog(editor);
        QCOMPARE(dialog.windowTitle(), QString("Card Options"));
        QCOMPARE(control<QLineEdit>(&dialog, "heightEdit")->text(), QString("210"));
        QCOMPARE(control<QLineEdit>(&dialog, "widthEdit")->text(), QString("360"));
        QCOMPARE(control<ColorBox>(&dialog, "backColorBox")->backColor(), 0x00336699);
        QVERIFY(!editor.sheetPrimed());
        QCOMPARE(editor.cardHeightPixels(), 210.f);
        QCOMPARE(editor.cardWidthPixels(), 360.f);
        QVERIFY(platform.messageBoxes.isEmpty());
    }

    void heightAppliesOnEveryKeystrokeUpToItsLimit()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        CardOptionsDialog dialog(editor);
        dialog.show();
        clearByKeys(control<QLineEdit>(&dialog, "heightEdit"));
        QList<float> heights;
        for (QChar key : QString("300")) {
            QTest::keyClicks(control<QLineEdit>(&dialog, "heightEdit"), key);
            heights.append(editor.cardHeightPixels());
        }
        QCOMPARE(heights, QList<float>({3, 30, 210}));
        QCOMPARE(messageTexts(platform), QStringList({"Maximum Height=210"}));
        QCOMPARE(platform.messageBoxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(control<QLineEdit>(&dialog, "heightEdit")->text(), QString("210"));

        clearByKeys(control<QLineEdit>(&dialog, "heightEdit"));
        QTest::keyClicks(control<QLineEdit>(&dialog, "heightEdit"), "211");
        QCOMPARE(messageTexts(platform).size(), 2);
        QCOMPARE(control<QLineEdit>(&dialog, "heightEdit")->text(), QString("210"));
        QCOMPARE(editor.cardHeightPixels(), 210.f);

        clearByKeys(control<QLineEdit>(&dialog, "heightEdit"));
        QTest::keyClicks(control<QLineEdit>(&dialog, "heightEdit"), "200.5");
        QCOMPARE(editor.cardHeightPixels(), 200.5f);
        QCOMPARE(messageTexts(platform).size(), 2);
    }

    void widthLimitSetsTheBoxTo345()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        CardOptionsDialog dialog(editor);
        dialog.show();
        clearByKeys(control<QLineEdit>(&dialog, "widthEdit"));
        QTest::keyClicks(control<QLineEdit>(&dialog, "widthEdit"), "386");
        QCOMPARE(messageTexts(platform), QStringList({"Maximum Width=385"}));
        QCOMPARE(control<QLineEdit>(&dialog, "widthEdit")->text(), QString("345"));
        QCOMPARE(editor.cardWidthPixels(), 345.f);

        clearByKeys(control<QLineEdit>(&dialog, "widthEdit"));
        QTest::keyClicks(control<QLineEdit>(&dialog, "widthEdit"), "385");
        QCOMPARE(control<QLineEdit>(&dialog, "widthEdit")->text(), QString("385"));
        QCOMPARE(editor.cardWidthPixels(), 385.f);
        QCOMPARE(messageTexts(platform).size(), 1);
    }

    // Each size people buy fills both boxes in pixels at 96 per inch, within the limits, and the
    // measures show it as they know it; typing another size shows "Custom".
    void sizeListFillsTheBoxes_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("measures");
        QTest::newRow("US") << 0 << "192"
                            << "336"
                            << "88.9 × 50.8 mm, 3.50 × 2.00 in";
        QTest::newRow("Europe") << 1 << "207.87"
                                << "321.26"
                                << "85.0 × 55.0 mm, 3.35 × 2.17 in";
        QTest::newRow("Japan") << 2 << "207.87"
                               << "343.94"
                               << "91.0 × 55.0 mm, 3.58 × 2.17 in";
        QTest::newRow("ISO ID-1") << 3 << "204.02"
                                  << "323.53"
                                  << "85.6 × 54.0 mm, 3.37 × 2.13 in";
    }
    void sizeListFillsTheBoxes()
    {
        QFETCH(int, index);
        QFETCH(QString, height);
        QFETCH(QString, width);
        QFETCH(QString, measures);
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        CardEditor& editor = card->editor();
        CardOptionsDialog dialog(editor);
        dialog.show();
        auto* sizes = control<QComboBox>(&dialog, "sizeBox");
        QCOMPARE(sizes->currentText(), QString("Custom")); // the new card is 360 x 210
        QCOMPARE(sizes->count(), 5);
        sizes->activated(index);
        QCOMPARE(control<QLineEdit>(&dialog, "heightEdit")->text(), height);
        QCOMPARE(control<QLineEdit>(&dialog, "widthEdit")->text(), width);
        QCOMPARE(editor.cardHeightPixels(), height.toFloat());
        QCOMPARE(editor.cardWidthPixels(), width.toFloat());
        QCOMPARE(sizes->currentIndex(), index);
        QCOMPARE(control<QLabel>(&dialog, "measuresLabel")->text(), measures);
        QVERIFY(platform.messageBoxes.isEmpty());

        clearByKeys(control<QLineEdit>(&dialog, "widthEdit"));
        QTest::keyClicks(control<QLineEdit>(&dialog, "widthEdit"), "300");
        QCOMPARE(sizes->currentText(), QString("Custom"));
        sizes->activated(sizes->count() - 1); // "Custom" changes nothing
        QCOMPARE(editor.cardWidthPixels(), 300.f);
    }

    void textThatIsNoSizeIsIgnoredButStillUnprimes()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        CardOptionsDialog dialog(editor);
        dialog.show();
        for (QLineEdit* box : {control<QLineEdit>(&dialog, "heightEdit"),
                               control<QLineEdit>(&dialog, "widthEdit")}) {
            for (const char* entry : {"", "abc", "-", "0", "-5", "0.0", "nan", "inf"}) {
                editor.setSheetPrimed(true);
                clearByKeys(box);
                QTest::keyClicks(box, entry);
                QCOMPARE(editor.cardHeightPixels(), 210.f);
                QCOMPARE(editor.cardWidthPixels(), 360.f);
                QVERIFY(!editor.sheetPrimed());
            }
        }
        QVERIFY(platform.messageBoxes.isEmpty());
        // Retyping a size after a slip applies it.
        clearByKeys(control<QLineEdit>(&dialog, "heightEdit"));
        QTest::keyClicks(control<QLineEdit>(&dialog, "heightEdit"), "x");
        QTest::keyClick(control<QLineEdit>(&dialog, "heightEdit"), Qt::Key_Backspace);
        QTest::keyClicks(control<QLineEdit>(&dialog, "heightEdit"), "150");
        QCOMPARE(editor.cardHeightPixels(), 150.f);
    }

    void colourReachesTheCardOnlyThroughOk()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        const qint32 before = editor.cardBackColor();
        {
            CardOptionsDialog dialog(editor);
            dialog.show();
            platform.colorAnswers.enqueue({Platform::ColorChoice::Outcome::Chosen, Qt::red});
            QTest::mouseClick(control<ColorBox>(&dialog, "backColorBox"), Qt::LeftButton);
            QCOMPARE(control<ColorBox>(&dialog, "backColorBox")->backColor(), 0x000000FF);
            QCOMPARE(editor.cardBackColor(), before);
            QTest::mouseClick(control<SkinButton>(&dialog, "closeButton"), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(editor.cardBackColor(), before);
        }
        {
            CardOptionsDialog dialog(editor);
            dialog.show();
            platform.colorAnswers.enqueue({Platform::ColorChoice::Outcome::Cancelled, {}});
            platform.colorAnswers.enqueue({Platform::ColorChoice::Outcome::Failed, {}});
            QTest::mouseClick(control<ColorBox>(&dialog, "backColorBox"), Qt::LeftButton);
            QVERIFY(platform.messageBoxes.isEmpty());
            QTest::mouseClick(control<ColorBox>(&dialog, "backColorBox"), Qt::LeftButton);
            QCOMPARE(messageTexts(platform), QStringList({"Error"}));
            QCOMPARE(control<ColorBox>(&dialog, "backColorBox")->backColor(), before);

            platform.colorAnswers.enqueue({Platform::ColorChoice::Outcome::Chosen, Qt::green});
            QTest::mouseClick(control<ColorBox>(&dialog, "backColorBox"), Qt::LeftButton);
            QTest::mouseClick(control<SkinButton>(&dialog, "okButton"), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(editor.cardBackColor(), 0x0000FF00);
        }
    }

    void settingsButtonShowsItModally()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        editor.setSheetPrimed(true);
        ModalWatchdog watchdog;
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<CardOptionsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            QVERIFY(dialog->isModal());
            QCOMPARE(dialog->windowTitle(), QString("Card Options"));
            // Opening alone unprimes the sheet, even if nothing is changed.
            QVERIFY(!editor.sheetPrimed());
            platform.colorAnswers.enqueue({Platform::ColorChoice::Outcome::Chosen, Qt::blue});
            QTest::mouseClick(control<ColorBox>(dialog, "backColorBox"), Qt::LeftButton);
            QTest::mouseClick(control<SkinButton>(dialog, "closeButton"), Qt::LeftButton);
        });
        QTest::mouseClick(control<SkinButton>(&window, "settingsButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(editor.cardBackColor(), CardDesign::DefaultBackColor);
        // Each showing starts afresh: nothing is left behind.
        QVERIFY(window.findChildren<CardOptionsDialog*>().isEmpty());
    }
};

QTEST_MAIN(TestCardOptions)
#include "tst_cardoptions.moc"
