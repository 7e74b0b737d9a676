// Mouse events go through the window system, so that a grab of the pointer is honoured.
#define QTEST_QPA_MOUSE_HANDLING
#include "canvas/form2.h"
#include "cardtest.h"
#include "dialogs/form3.h"
#include "dialogs/form6.h"
#include "document/twips.h"
#include "scriptedplatform.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
QRectF box(const CardElement* e) { return {e->Left(), e->Top(), e->Width(), e->Height()}; }

// Position of a canvas point in twips as a window position in pixels.
QPoint windowPoint(Form1& form, QPointF canvasTwips)
{
    return form.Picture1->mapTo(&form, (canvasTwips / TwipsPerPixel).toPoint());
}

int stackPosition(const QWidget* widget)
{
    return int(widget->parentWidget()->children().indexOf(const_cast<QWidget*>(widget)));
}
} // namespace

class TestEditing : public QObject {
    Q_OBJECT
private slots:
    void textItemsAreNumberedAndStacked()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(form.Command11, Qt::LeftButton);
        QCOMPARE(form.textCount, qint16(3));
        for (int i = 1; i <= 3; ++i) {
            SuperLabel* item = form.Label1[i];
            QVERIFY(item);
            QVERIFY(item->isVisible());
            QCOMPARE(item->Caption(), QString("Text"));
            QCOMPARE(item->ToolTipText(), QString("Text"));
            QCOMPARE(box(item), QRectF(3000, 720, 1380, 330));
        }
        QVERIFY(stackPosition(form.Label1[3]) > stackPosition(form.Label1[2]));
        QVERIFY(stackPosition(form.Label1[2]) > stackPosition(form.Label1[1]));
        // A new item is not selected.
        QVERIFY(form.Text1->text().isEmpty());
        QVERIFY(form.node[0]->isHidden());
    }

    void deletedIndicesAreNotReused()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command11, Qt::LeftButton);
        QTest::mouseClick(form.Command11, Qt::LeftButton);
        // Item 2 lies on top of item 1: a right-click there selects it and offers Delete.
        platform.menuAnswers.enqueue("Delete");
        clickTwips(form.Label1[2], {100, 100}, Qt::RightButton);
        QCOMPARE(platform.menus.size(), 1);
        QCOMPARE(platform.menus[0].items, QStringList({"Delete"}));
        QVERIFY(!form.Label1.contains(2));
        QCOMPARE(form.Text1->text(), QString("2"));
        QVERIFY(form.node[0]->isVisible()); // handles stay where the item was

        QTest::mouseClick(form.Command11, Qt::LeftButton);
        QVERIFY(form.Label1.contains(3));
        QVERIFY(!form.Label1.contains(2));
        QCOMPARE(form.Label1.count(), 3); // template, 1 and 3
    }

    void rightClickDeletesEachKindButNeverATemplate()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command9, Qt::LeftButton);
        const QString image = writeImage(card.programDir, "red.png", {40, 20}, Qt::red);
        platform.openAnswers.enqueue(image);
        QTest::mouseClick(form.Command10, Qt::LeftButton);
        QTest::mouseClick(form.Command11, Qt::LeftButton);

        // Dismissing the menu removes nothing but leaves the element selected.
        clickTwips(form.ActiveShape1[1], {200, 200}, Qt::RightButton);
        QVERIFY(form.ActiveShape1.contains(1));
        QCOMPARE(form.Text2->text(), QString("3"));

        for (CardElement* element : std::initializer_list<CardElement*>{
                 form.ActiveShape1[1], form.Image1[1], form.Label1[1]}) {
            platform.menuAnswers.enqueue("Delete");
            clickTwips(element, {200, 200}, Qt::RightButton);
        }
        QCOMPARE(form.ActiveShape1.count(), 1);
        QCOMPARE(form.Image1.count(), 1);
        QCOMPARE(form.Label1.count(), 1);

        form.Text1->setText("0");
        for (const char* kind : {"1", "2", "3"}) {
            form.Text2->setText(kind);
            form.deleteSelected();
        }
        QVERIFY(form.Label1[0] && form.Image1[0] && form.ActiveShape1[0]);
        // A selection that names a removed element fails quietly.
        form.Text1->setText("1");
        form.deleteSelected();
        form.ResizeSelected(7, 100, 100);
        QCOMPARE(form.ActiveShape1.count(), 1);
    }

    void pressAndReleaseMovesByTheTravel()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command9, Qt::LeftButton);
        ActiveShape* shape = form.ActiveShape1[1];

        clickTwips(shape, {150, 150});
        QCOMPARE(box(shape), QRectF(360, 1680, 495, 375)); // a click moves by nothing
        QVERIFY(form.node[0]->isVisible());

        sendMouseTwips(shape, QEvent::MouseButtonPress, {150, 150});
        QCOMPARE(form.downX, 150.f);
        sendMouseTwips(shape, QEvent::MouseButtonRelease, {250, 100});
        QCOMPARE(box(shape), QRectF(460, 1630, 495, 375));
        QCOMPARE(form.node[7]->Left(), 460.f + 495);
        QCOMPARE(form.node[7]->Top(), 1630.f + 375);
        QCOMPARE(form.Text1->text(), QString("1"));
        QCOMPARE(form.Text2->text(), QString("3"));
    }

    void handlesSurroundTheSelection()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command11, Qt::LeftButton);
        SuperLabel* item = form.Label1[1];
        item->setBox(1000, 500, 600, 300);
        clickTwips(item, {300, 150});
        const QPointF expected[8] = {{925, 425},  {925, 612.5}, {925, 800},  {1337.5, 425},
                                     {1337.5, 800}, {1600, 425},  {1600, 612.5}, {1600, 800}};
        for (int i = 0; i < 8; ++i) {
            QVERIFY(form.node[i]->isVisible());
            QCOMPARE(QPointF(form.node[i]->Left(), form.node[i]->Top()), expected[i]);
        }
        QCOMPARE(form.node.count(), 8);
    }

    void textComesToTheFrontOnClickButOthersKeepTheirPlace()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command11, Qt::LeftButton);
        form.Command2->click(); // lies below the visible area
        SuperLabel* item = form.Label1[1];
        ActiveShape* shape = form.ActiveShape1[1];
        QVERIFY(stackPosition(shape) > stackPosition(item));

        clickTwips(shape, {150, 150});
        QVERIFY(stackPosition(shape) > stackPosition(item));
        clickTwips(item, {30, 30});
        QVERIFY(stackPosition(item) > stackPosition(shape));
        // The handles stay above the design.
        QVERIFY(stackPosition(form.node[0]) > stackPosition(item));
    }

    void clickBesideTheDrawnShapeReachesWhatLiesBehind()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command11, Qt::LeftButton);
        form.Command2->click();
        SuperLabel* item = form.Label1[1];
        ActiveShape* shape = form.ActiveShape1[1];
        item->setBox(600, 600, 3000, 900);
        shape->setBox(600, 600, 3000, 900);
        QVERIFY(shape->setShape(3)); // a circle 700 twips wide in the middle of the box

        QTest::mouseClick(&form, Qt::LeftButton, {}, windowPoint(form, {2145, 1050}));
        QCOMPARE(form.Text2->text(), QString("3"));
        // Beside the circle but inside the shape's box: the text item behind takes the click.
        QTest::mouseClick(&form, Qt::LeftButton, {}, windowPoint(form, {900, 1050}));
        QCOMPARE(form.Text2->text(), QString("1"));
    }

    void draggingHandleSevenFollowsThePointer()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command9, Qt::LeftButton);
        ActiveShape* shape = form.ActiveShape1[1];
        shape->setBox(1500, 900, 600, 300);
        clickTwips(shape, {300, 150});

        HandleBox* handle = form.node[7];
        QTest::mouseMove(handle, {2, 2});
        QCOMPARE(form.MousePointer(), 8);
        QTest::mousePress(handle, Qt::LeftButton, {}, {2, 2});
        for (int i = 0; i < 8; ++i)
            QVERIFY(form.node[i]->isHidden());
        QCOMPARE(QPointF(handle->Left(), handle->Top()), QPointF(2100, 1200)); // stays put

        // Outward over the empty canvas: the corner follows the pointer.
        QTest::mouseMove(&form, windowPoint(form, {3000, 2400}));
        QCOMPARE(box(shape), QRectF(1500, 900, 1500, 1500));
        // Back inward over the element itself.
        QTest::mouseMove(&form, windowPoint(form, {1800, 1200}));
        QCOMPARE(box(shape), QRectF(1500, 900, 300, 300));
        // Released over the empty canvas: the handles stay hidden.
        QTest::mouseMove(&form, windowPoint(form, {2400, 1500}));
        QTest::mouseRelease(&form, Qt::LeftButton, {}, windowPoint(form, {2400, 1500}));
        QCOMPARE(box(shape), QRectF(1500, 900, 900, 600));
        QVERIFY(form.node[7]->isHidden());

        clickTwips(shape, {30, 30});
        QCOMPARE(QPointF(form.node[7]->Left(), form.node[7]->Top()), QPointF(2400, 1500));
    }

    void handleZeroPastTheOppositeCornerMovesOnlyTheCorner()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command9, Qt::LeftButton);
        ActiveShape* shape = form.ActiveShape1[1];
        shape->setBox(1500, 900, 600, 300);
        clickTwips(shape, {300, 150});

        QTest::mousePress(form.node[0], Qt::LeftButton, {}, {2, 2});
        QTest::mouseMove(&form, windowPoint(form, {3000, 2100}));
        QCOMPARE(box(shape), QRectF(3000, 2100, 600, 300));
        QTest::mouseRelease(&form, Qt::LeftButton, {}, windowPoint(form, {3000, 2100}));
    }

    void droppingOnAnotherElementShowsItsHandlesButKeepsTheSelection()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command9, Qt::LeftButton);
        QTest::mouseClick(form.Command9, Qt::LeftButton);
        ActiveShape* first = form.ActiveShape1[1];
        ActiveShape* other = form.ActiveShape1[2];
        first->setBox(300, 300, 900, 900);
        other->setBox(3000, 1500, 1200, 1200);
        clickTwips(first, {450, 450});

        QTest::mousePress(form.node[7], Qt::LeftButton, {}, {2, 2});
        QTest::mouseMove(&form, windowPoint(form, {3600, 2100})); // over the other shape
        QCOMPARE(box(first), QRectF(300, 300, 900, 900));
        QCOMPARE(box(other), QRectF(3000, 1500, 1200, 1200));
        QTest::mouseRelease(&form, Qt::LeftButton, {}, windowPoint(form, {3600, 2100}));
        QCOMPARE(QPointF(form.node[0]->Left(), form.node[0]->Top()), QPointF(2925, 1425));
        QVERIFY(form.node[0]->isVisible());
        QCOMPARE(form.Text1->text(), QString("1"));
    }

    void pointerShapesFollowTheHandles()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command9, Qt::LeftButton);
        form.ActiveShape1[1]->setBox(1500, 900, 900, 900);
        clickTwips(form.ActiveShape1[1], {450, 450});
        const int expected[8] = {8, 9, 6, 7, 7, 6, 9, 8};
        for (int i = 0; i < 8; ++i) {
            sendMouse(form.node[i], QEvent::MouseMove, {2, 2}, Qt::NoButton);
            QCOMPARE(form.MousePointer(), expected[i]);
            QCOMPARE(form.cursor().shape(), i == 1 || i == 6 ? Qt::SizeHorCursor
                                             : i == 3 || i == 4 ? Qt::SizeVerCursor
                                             : i == 0 || i == 7 ? Qt::SizeFDiagCursor
                                                                : Qt::SizeBDiagCursor);
        }
        sendMouse(form.Picture1, QEvent::MouseMove, {5, 5}, Qt::NoButton);
        QCOMPARE(form.MousePointer(), 0);
    }

    void picturesComeFromTheFileDialog()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;

        QTest::mouseClick(form.Command10, Qt::LeftButton); // cancelled
        QCOMPARE(platform.openFilters.size(), 1);
        QCOMPARE(platform.openFilters[0],
                 QString("Supported Images(*.jpg *.gif *.bmp)|*.jpg;*.gif;*.bmp|Jpeg(*.jpg)|*.jpg|"
                         "Gif(*.gif)|*.gif|All Files(*.*)|*.*"));
        QCOMPARE(form.Image1.count(), 1);
        QCOMPARE(form.pictureCount, qint16(1));

        const QString green = writeImage(card.programDir, "green.bmp", {64, 16}, Qt::green);
        platform.openAnswers.enqueue(green);
        QTest::mouseClick(form.Command10, Qt::LeftButton);
        ImageBox* picture = form.Image1[2];
        QVERIFY(picture);
        QCOMPARE(box(picture), QRectF(1080, 240, 480, 285));
        QCOMPARE(picture->ToolTipText(), green);
        QCOMPARE(picture->toolTip(), green);
        QCOMPARE(picture->Tag(), QString("img"));
        QCOMPARE(picture->Picture().size(), QSize(64, 16));
        QCOMPARE(picture->grab().toImage().pixelColor(10, 10), QColor(Qt::green));

        // An unreadable file keeps the template's icon but still takes the path.
        const QString broken = card.programDir.filePath("broken.jpg");
        QFile(broken).open(QIODevice::WriteOnly);
        platform.openAnswers.enqueue(broken);
        QTest::mouseClick(form.Command10, Qt::LeftButton);
        QCOMPARE(form.Image1[3]->Picture(), form.Image1[0]->Picture());
        QCOMPARE(form.Image1[3]->ToolTipText(), broken);

        // Double-click replaces the selected picture's image, keeping its box.
        picture->setBox(300, 300, 900, 600);
        const QString blue = writeImage(card.programDir, "blue.jpg", {8, 8}, Qt::blue);
        platform.openAnswers.enqueue(blue);
        sendMouseTwips(picture, QEvent::MouseButtonPress, {60, 60});
        sendMouseTwips(picture, QEvent::MouseButtonRelease, {60, 60});
        sendMouseTwips(picture, QEvent::MouseButtonDblClick, {60, 60});
        sendMouseTwips(picture, QEvent::MouseButtonRelease, {60, 60});
        QCOMPARE(box(picture), QRectF(300, 300, 900, 600));
        QCOMPARE(picture->ToolTipText(), blue);
        QCOMPARE(picture->Picture().size(), QSize(8, 8));

        // Cancelling the replacement changes nothing.
        sendMouseTwips(picture, QEvent::MouseButtonDblClick, {60, 60});
        QCOMPARE(picture->ToolTipText(), blue);
    }

    void doubleClicksOpenTheOptionWindows()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        QTest::mouseClick(form.Command11, Qt::LeftButton);
        form.Command2->click(); // lies below the visible area
        QTest::mouseDClick(form.Label1[1], Qt::LeftButton, {}, {3, 3});
        QVERIFY(form.textOptions && form.textOptions->isVisible());
        QCOMPARE(form.textOptions->pos(), QPoint(0, 0));
        QTest::mouseDClick(form.ActiveShape1[1], Qt::LeftButton, {}, {15, 15});
        QVERIFY(form.shapeOptions && form.shapeOptions->isVisible());
    }

    void countersStopAtTheirTop()
    {
        ScriptedPlatform platform;
        StartedCard card;
        Form1& form = *card.form;
        form.textCount = 32766;
        QTest::mouseClick(form.Command11, Qt::LeftButton);
        QTest::mouseClick(form.Command11, Qt::LeftButton);
        QTest::mouseClick(form.Command11, Qt::LeftButton);
        QCOMPARE(form.textCount, qint16(32767));
        QCOMPARE(form.Label1.count(), 2);
        QVERIFY(form.Label1[32767]->isVisible());
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
