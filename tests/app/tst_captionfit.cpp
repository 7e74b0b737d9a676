#include "cardtest.h"
#include "controls/skinbutton.h"
#include "dialogs/cardoptionsdialog.h"
#include "dialogs/shapeoptionsdialog.h"
#include "dialogs/textoptionsdialog.h"
#include "print/calibrationdialog.h"
#include "print/cardscountdialog.h"
#include "print/layoutcatalog.h"
#include "print/printoptionsdialog.h"
#include "scriptedplatform.h"
#include "shell/aboutdialog.h"
#include "update/updatewindow.h"

#include <QApplication>
#include <QTest>

// Whatever font the desktop sets, no caption of ours is wider or taller than the room its
// button leaves for it.
class TestCaptionFit : public QObject {
    Q_OBJECT
private slots:
    void captionsFit_data();
    void captionsFit();
};

void TestCaptionFit::captionsFit_data()
{
    QTest::addColumn<int>("points");
    QTest::newRow("11 pt") << 11;
    QTest::newRow("13 pt") << 13;
}

void TestCaptionFit::captionsFit()
{
    QFETCH(int, points);
    const QFont desktop = QApplication::font();
    QFont large = desktop;
    large.setPointSize(points);
    QApplication::setFont(large);

    ScriptedPlatform platform;
    const auto started = StartedCard::start();
    QVERIFY(started);
    StartedCard& card = *started;
    CardOptionsDialog cardOptions(card.editor());
    TextOptionsDialog textOptions(card.editor());
    ShapeOptionsDialog shapeOptions(card.editor());
    AboutDialog about(card.window.get());
    CardsCountDialog cardsCount(card.window.get());
    PrintOptionsDialog printOptions(card.window.get());
    CalibrationDialog calibration(layoutcatalog::layouts().front(), QString());
    UpdateWindow update(card.window.get());
    QList<QWidget*> windows{card.window.get(), &cardOptions,  &textOptions, &shapeOptions, &about,
                            &cardsCount,       &printOptions, &calibration, &update};

    int checked = 0;
    for (QWidget* window : windows) {
        window->show();
        for (const SkinButton* button : window->findChildren<SkinButton*>()) {
            if (button->window() != window)
                continue; // a dialog's own, checked with the dialog
            const QRect room = button->textRect();
            const QRect needed =
                QFontMetrics(button->font())
                    .boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, button->caption());
            const QString where = window->objectName() + "/" + button->caption();
            QVERIFY2(button->rect().contains(room), qPrintable(where));
            QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
                     qPrintable(QString("%1 needs %2 × %3, has %4 × %5")
                                    .arg(where)
                                    .arg(needed.width())
                                    .arg(needed.height())
                                    .arg(room.width())
                                    .arg(room.height())));
            // The picture sits inside the button and clear of the caption.
            QVERIFY2(button->rect().contains(button->pictureRect()), qPrintable(where));
            QVERIFY2(!button->pictureRect().intersects(needed), qPrintable(where));
            ++checked;
        }
        window->hide();
    }
    // The command bar's eleven, OK and Close of Card Options, one Close each for Text and
    // Shape Options and About, OK of Cards Count, OK and Cancel of Print Options, the two page
    // buttons, OK and Cancel of the calibration, and the update window's one.
    QCOMPARE(checked, 11 + 2 + 1 + 1 + 1 + 1 + 2 + 4 + 1);
    QApplication::setFont(desktop);
}

QTEST_MAIN(TestCaptionFit)
#include "tst_captionfit.moc"
