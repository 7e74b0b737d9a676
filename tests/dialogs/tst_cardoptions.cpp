#include "cardtest.h"
#include "dialogs/colorbox.h"
#include "dialogs/form4.h"
#include "scriptedplatform.h"

#include <QApplication>
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
        StartedCard card;
        Form1& form = *card.form;
        form.Picture1->setBackColor(0x00336699);
        form.Text4->setText("1");
        Form4 dialog(&form);
        QCOMPARE(dialog.windowTitle(), QString("Card Options"));
        QCOMPARE(dialog.Text1->text(), QString("210"));
        QCOMPARE(dialog.Text2->text(), QString("360"));
        QCOMPARE(dialog.Picture4->BackColor(), 0x00336699);
        QVERIFY(form.Text4->text().isEmpty());
        QCOMPARE(form.Picture1->Height(), 210.f);
        QCOMPARE(form.Picture1->Width(), 360.f);
        QVERIFY(platform.messageBoxes.isEmpty());
    }

    void heightAppliesOnEveryKeystrokeUpToItsLimit()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        Form4 dialog(&form);
        dialog.show();
        clearByKeys(dialog.Text1);
        QList<float> heights;
        for (QChar key : QString("300")) {
            QTest::keyClicks(dialog.Text1, key);
            heights.append(form.Picture1->Height());
        }
        QCOMPARE(heights, QList<float>({3, 30, 210}));
        QCOMPARE(messageTexts(platform), QStringList({"Maximum Height=210"}));
        QCOMPARE(platform.messageBoxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(dialog.Text1->text(), QString("210"));

        clearByKeys(dialog.Text1);
        QTest::keyClicks(dialog.Text1, "211");
        QCOMPARE(messageTexts(platform).size(), 2);
        QCOMPARE(dialog.Text1->text(), QString("210"));
        QCOMPARE(form.Picture1->Height(), 210.f);

        clearByKeys(dialog.Text1);
        QTest::keyClicks(dialog.Text1, "200.5");
        QCOMPARE(form.Picture1->Height(), 200.5f);
        QCOMPARE(messageTexts(platform).size(), 2);
    }

    void widthLimitSetsTheBoxTo345()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        Form4 dialog(&form);
        dialog.show();
        clearByKeys(dialog.Text2);
        QTest::keyClicks(dialog.Text2, "386");
        QCOMPARE(messageTexts(platform), QStringList({"Maximum Width=385"}));
        QCOMPARE(dialog.Text2->text(), QString("345"));
        QCOMPARE(form.Picture1->Width(), 345.f);

        clearByKeys(dialog.Text2);
        QTest::keyClicks(dialog.Text2, "385");
        QCOMPARE(dialog.Text2->text(), QString("385"));
        QCOMPARE(form.Picture1->Width(), 385.f);
        QCOMPARE(messageTexts(platform).size(), 1);
    }

    void textThatIsNoSizeIsIgnoredButStillUnprimes()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        Form4 dialog(&form);
        dialog.show();
        for (QLineEdit* box : {dialog.Text1, dialog.Text2}) {
            for (const char* entry : {"", "abc", "-", "0", "-5", "0.0", "nan", "inf"}) {
                form.Text4->setText("1");
                clearByKeys(box);
                QTest::keyClicks(box, entry);
                QCOMPARE(form.Picture1->Height(), 210.f);
                QCOMPARE(form.Picture1->Width(), 360.f);
                QVERIFY(form.Text4->text().isEmpty());
            }
        }
        QVERIFY(platform.messageBoxes.isEmpty());
        // Retyping a size after a slip applies it.
        clearByKeys(dialog.Text1);
        QTest::keyClicks(dialog.Text1, "x");
        QTest::keyClick(dialog.Text1, Qt::Key_Backspace);
        QTest::keyClicks(dialog.Text1, "150");
        QCOMPARE(form.Picture1->Height(), 150.f);
    }

    void colourReachesTheCardOnlyThroughOk()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        const qint32 before = form.Picture1->BackColor();
        {
            Form4 dialog(&form);
            dialog.show();
            platform.colorAnswers.enqueue({Platform::ColorChoice::Outcome::Chosen, Qt::red});
            QTest::mouseClick(dialog.Picture4, Qt::LeftButton);
            QCOMPARE(dialog.Picture4->BackColor(), 0x000000FF);
            QCOMPARE(form.Picture1->BackColor(), before);
            QTest::mouseClick(dialog.Command2, Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(form.Picture1->BackColor(), before);
        }
        {
            Form4 dialog(&form);
            dialog.show();
            platform.colorAnswers.enqueue({Platform::ColorChoice::Outcome::Cancelled, {}});
            platform.colorAnswers.enqueue({Platform::ColorChoice::Outcome::Failed, {}});
            QTest::mouseClick(dialog.Picture4, Qt::LeftButton);
            QVERIFY(platform.messageBoxes.isEmpty());
            QTest::mouseClick(dialog.Picture4, Qt::LeftButton);
            QCOMPARE(messageTexts(platform), QStringList({"Error"}));
            QCOMPARE(dialog.Picture4->BackColor(), before);

            platform.colorAnswers.enqueue({Platform::ColorChoice::Outcome::Chosen, Qt::green});
            QTest::mouseClick(dialog.Picture4, Qt::LeftButton);
            QTest::mouseClick(dialog.Command5, Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(form.Picture1->BackColor(), 0x0000FF00);
        }
    }

    void settingsButtonShowsItModally()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        form.Text4->setText("1");
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<Form4*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            QVERIFY(dialog->isModal());
            QCOMPARE(dialog->windowTitle(), QString("Card Options"));
            // Opening alone unprimes the sheet, even if nothing is changed.
            QVERIFY(form.Text4->text().isEmpty());
            platform.colorAnswers.enqueue({Platform::ColorChoice::Outcome::Chosen, Qt::blue});
            QTest::mouseClick(dialog->Picture4, Qt::LeftButton);
            QTest::mouseClick(dialog->Command2, Qt::LeftButton);
        });
        QTest::mouseClick(form.Command3, Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(form.Picture1->BackColor(), CardCanvas::DefaultBackColor);
        // Each showing starts afresh: nothing is left behind.
        QVERIFY(form.findChildren<Form4*>().isEmpty());
    }
};

QTEST_MAIN(TestCardOptions)
#include "tst_cardoptions.moc"
