// Mouse events go through the window system, so that a grab of the pointer is honoured.
#define QTEST_QPA_MOUSE_HANDLING
#include "cardtest.h"
#include "dialogs/shapeoptionsdialog.h"
#include "dialogs/textoptionsdialog.h"
#include "document/twips.h"
#include "scriptedplatform.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
QRectF box(const CardElement* e) { return {e->Left(), e->Top(), e->Width(), e->Height()}; }

// Position of a canvas point in twips as a window position in pixels.
QPoint windowPoint(MainWindow& window, QPointF canvasTwips)
{
    return window.editor().canvas()->mapTo(&window, (canvasTwips / TwipsPerPixel).toPoint());
}

int stackPosition(const QWidget* widget)
{
    return int(widget->parentWidget()->children().indexOf(const_cast<QWidget*>(widget)));
}
} // namespace

class TestCardEditor : public QObject {
    Q_OBJECT
private slots:
    void textItemsAreNumberedAndStacked()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(window.textButton, Qt::LeftButton);
        QCOMPARE(editor.textCount, qint16(3));
        for (int i = 1; i <= 3; ++i) {
            TextElement* item = editor.texts[i];
            QVERIFY(item);
            QVERIFY(item->isVisible());
            QCOMPARE(item->Caption(), QString("Text"));
            QCOMPARE(item->ToolTipText(), QString("Text"));
            QCOMPARE(box(item), QRectF(3000, 720, 1380, 330));
        }
        QVERIFY(stackPosition(editor.texts[3]) > stackPosition(editor.texts[2]));
        QVERIFY(stackPosition(editor.texts[2]) > stackPosition(editor.texts[1]));
        // A new item is not selected.
        QVERIFY(editor.selection().isEmpty());
        QVERIFY(editor.handles[0]->isHidden());
    }

    void deletedIndicesAreNotReused()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        // Item 2 lies on top of item 1: a right-click there selects it and offers Delete.
        platform.menuAnswers.enqueue("Delete");
        clickTwips(editor.texts[2], {100, 100}, Qt::RightButton);
        QCOMPARE(platform.menus.size(), 1);
        QCOMPARE(platform.menus[0].items, QStringList({"Delete"}));
        QVERIFY(!editor.texts.contains(2));
        QCOMPARE(editor.selection().index, 2);
        QVERIFY(editor.handles[0]->isVisible()); // handles stay where the item was

        QTest::mouseClick(window.textButton, Qt::LeftButton);
        QVERIFY(editor.texts.contains(3));
        QVERIFY(!editor.texts.contains(2));
        QCOMPARE(editor.texts.count(), 3); // template, 1 and 3
    }

    void rightClickDeletesEachKindButNeverATemplate()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.shapeButton, Qt::LeftButton);
        const QString image = writeImage(card->programDir, "red.png", {40, 20}, Qt::red);
        platform.openAnswers.enqueue(image);
        QTest::mouseClick(window.pictureButton, Qt::LeftButton);
        QTest::mouseClick(window.textButton, Qt::LeftButton);

        // Dismissing the menu removes nothing but leaves the element selected.
        clickTwips(editor.shapes[1], {200, 200}, Qt::RightButton);
        QVERIFY(editor.shapes.contains(1));
        QCOMPARE(editor.selection().kind, ElementKind::Shape);

        for (CardElement* element : std::initializer_list<CardElement*>{
                 editor.shapes[1], editor.pictures[1], editor.texts[1]}) {
            platform.menuAnswers.enqueue("Delete");
            clickTwips(element, {200, 200}, Qt::RightButton);
        }
        QCOMPARE(editor.shapes.count(), 1);
        QCOMPARE(editor.pictures.count(), 1);
        QCOMPARE(editor.texts.count(), 1);

        for (ElementKind kind : {ElementKind::Text, ElementKind::Picture, ElementKind::Shape}) {
            editor.setSelection({kind, 0});
            editor.deleteSelected();
        }
        QVERIFY(editor.texts[0] && editor.pictures[0] && editor.shapes[0]);
        // A selection that names a removed element fails quietly.
        editor.setSelection({ElementKind::Shape, 1});
        editor.deleteSelected();
        editor.resizeSelected(7, 100, 100);
        QCOMPARE(editor.shapes.count(), 1);
    }

    void pressAndReleaseMovesByTheTravel()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.shapeButton, Qt::LeftButton);
        ShapeElement* shape = editor.shapes[1];

        clickTwips(shape, {150, 150});
        QCOMPARE(box(shape), QRectF(360, 1680, 495, 375)); // a click moves by nothing
        QVERIFY(editor.handles[0]->isVisible());

        sendMouseTwips(shape, QEvent::MouseButtonPress, {150, 150});
        QCOMPARE(editor.pressX, 150.f);
        sendMouseTwips(shape, QEvent::MouseButtonRelease, {250, 100});
        QCOMPARE(box(shape), QRectF(460, 1630, 495, 375));
        QCOMPARE(editor.handles[7]->Left(), 460.f + 495);
        QCOMPARE(editor.handles[7]->Top(), 1630.f + 375);
        QCOMPARE(editor.selection().index, 1);
        QCOMPARE(editor.selection().kind, ElementKind::Shape);
    }

    void handlesSurroundTheSelection()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        TextElement* item = editor.texts[1];
        item->setBox(1000, 500, 600, 300);
        clickTwips(item, {300, 150});
        const QPointF expected[8] = {{925, 425},    {925, 612.5}, {925, 800},    {1337.5, 425},
                                     {1337.5, 800}, {1600, 425},  {1600, 612.5}, {1600, 800}};
        for (int i = 0; i < 8; ++i) {
            QVERIFY(editor.handles[i]->isVisible());
            QCOMPARE(QPointF(editor.handles[i]->Left(), editor.handles[i]->Top()), expected[i]);
        }
        QCOMPARE(editor.handles.count(), 8);
    }

    void textComesToTheFrontOnClickButOthersKeepTheirPlace()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        window.frontShapeButton->click(); // lies below the visible area
        TextElement* item = editor.texts[1];
        ShapeElement* shape = editor.shapes[1];
        QVERIFY(stackPosition(shape) > stackPosition(item));

        clickTwips(shape, {150, 150});
        QVERIFY(stackPosition(shape) > stackPosition(item));
        clickTwips(item, {30, 30});
        QVERIFY(stackPosition(item) > stackPosition(shape));
        // The handles stay above the design.
        QVERIFY(stackPosition(editor.handles[0]) > stackPosition(item));
    }

    void clickBesideTheDrawnShapeReachesWhatLiesBehind()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        window.frontShapeButton->click();
        TextElement* item = editor.texts[1];
        ShapeElement* shape = editor.shapes[1];
        item->setBox(600, 600, 3000, 900);
        shape->setBox(600, 600, 3000, 900);
        QVERIFY(shape->setShape(3)); // a circle 700 twips wide in the middle of the box

        QTest::mouseClick(&window, Qt::LeftButton, {}, windowPoint(window, {2145, 1050}));
        QCOMPARE(editor.selection().kind, ElementKind::Shape);
        // Beside the circle but inside the shape's box: the text item behind takes the click.
        QTest::mouseClick(&window, Qt::LeftButton, {}, windowPoint(window, {900, 1050}));
        QCOMPARE(editor.selection().kind, ElementKind::Text);
    }

    // A press on a handle with any button hides the handles and starts the drag.
    void anyButtonOnAHandleStartsTheDrag_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("right") << Qt::RightButton;
        QTest::newRow("middle") << Qt::MiddleButton;
    }
    void anyButtonOnAHandleStartsTheDrag()
    {
        QFETCH(Qt::MouseButton, button);
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.shapeButton, Qt::LeftButton);
        ShapeElement* shape = editor.shapes[1];
        shape->setBox(1500, 900, 600, 300);
        clickTwips(shape, {300, 150});

        QTest::mousePress(editor.handles[7], button, {}, {2, 2});
        for (int i = 0; i < 8; ++i)
            QVERIFY(editor.handles[i]->isHidden());
        QVERIFY(window.findChild<QWidget*>("handleDragOutline")->isVisible());
        QTest::mouseMove(&window, windowPoint(window, {3000, 2400}));
        QTest::mouseRelease(&window, button, {}, windowPoint(window, {3000, 2400}));
        QCOMPARE(box(shape), QRectF(1500, 900, 1500, 1500));
        QVERIFY(platform.menus.isEmpty());
    }

    void draggingHandleSevenFollowsThePointer()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.shapeButton, Qt::LeftButton);
        ShapeElement* shape = editor.shapes[1];
        shape->setBox(1500, 900, 600, 300);
        clickTwips(shape, {300, 150});

        SizeHandle* handle = editor.handles[7];
        QTest::mouseMove(handle, {2, 2});
        QCOMPARE(editor.pointerShape(), Qt::SizeFDiagCursor);
        QTest::mousePress(handle, Qt::LeftButton, {}, {2, 2});
        for (int i = 0; i < 8; ++i)
            QVERIFY(editor.handles[i]->isHidden());
        QCOMPARE(QPointF(handle->Left(), handle->Top()), QPointF(2100, 1200)); // stays put

        // Outward over the empty canvas: the corner follows the pointer.
        QTest::mouseMove(&window, windowPoint(window, {3000, 2400}));
        QCOMPARE(box(shape), QRectF(1500, 900, 1500, 1500));
        // Back inward over the element itself.
        QTest::mouseMove(&window, windowPoint(window, {1800, 1200}));
        QCOMPARE(box(shape), QRectF(1500, 900, 300, 300));
        // Released over the empty canvas: the handles stay hidden.
        QTest::mouseMove(&window, windowPoint(window, {2400, 1500}));
        QTest::mouseRelease(&window, Qt::LeftButton, {}, windowPoint(window, {2400, 1500}));
        QCOMPARE(box(shape), QRectF(1500, 900, 900, 600));
        QVERIFY(editor.handles[7]->isHidden());

        clickTwips(shape, {30, 30});
        QCOMPARE(QPointF(editor.handles[7]->Left(), editor.handles[7]->Top()), QPointF(2400, 1500));
    }

    void handleZeroPastTheOppositeCornerMovesOnlyTheCorner()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.shapeButton, Qt::LeftButton);
        ShapeElement* shape = editor.shapes[1];
        shape->setBox(1500, 900, 600, 300);
        clickTwips(shape, {300, 150});

        QTest::mousePress(editor.handles[0], Qt::LeftButton, {}, {2, 2});
        QTest::mouseMove(&window, windowPoint(window, {3000, 2100}));
        QCOMPARE(box(shape), QRectF(3000, 2100, 600, 300));
        QTest::mouseRelease(&window, Qt::LeftButton, {}, windowPoint(window, {3000, 2100}));
    }

    void droppingOnAnotherElementShowsItsHandlesButKeepsTheSelection()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.shapeButton, Qt::LeftButton);
        QTest::mouseClick(window.shapeButton, Qt::LeftButton);
        ShapeElement* first = editor.shapes[1];
        ShapeElement* other = editor.shapes[2];
        first->setBox(300, 300, 900, 900);
        other->setBox(3000, 1500, 1200, 1200);
        clickTwips(first, {450, 450});

        QTest::mousePress(editor.handles[7], Qt::LeftButton, {}, {2, 2});
        QTest::mouseMove(&window, windowPoint(window, {3600, 2100})); // over the other shape
        QCOMPARE(box(first), QRectF(300, 300, 900, 900));
        QCOMPARE(box(other), QRectF(3000, 1500, 1200, 1200));
        QTest::mouseRelease(&window, Qt::LeftButton, {}, windowPoint(window, {3600, 2100}));
        QCOMPARE(QPointF(editor.handles[0]->Left(), editor.handles[0]->Top()), QPointF(2925, 1425));
        QVERIFY(editor.handles[0]->isVisible());
        QCOMPARE(editor.selection().index, 1);
    }

    void pointerShapesFollowTheHandles()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.shapeButton, Qt::LeftButton);
        editor.shapes[1]->setBox(1500, 900, 900, 900);
        clickTwips(editor.shapes[1], {450, 450});
        const Qt::CursorShape expected[8] = {
            Qt::SizeFDiagCursor, Qt::SizeHorCursor,   Qt::SizeBDiagCursor, Qt::SizeVerCursor,
            Qt::SizeVerCursor,   Qt::SizeBDiagCursor, Qt::SizeHorCursor,   Qt::SizeFDiagCursor};
        for (int i = 0; i < 8; ++i) {
            sendMouse(editor.handles[i], QEvent::MouseMove, {2, 2}, Qt::NoButton);
            QCOMPARE(editor.pointerShape(), expected[i]);
            QCOMPARE(window.cursor().shape(), expected[i]);
        }
        sendMouse(editor.canvas(), QEvent::MouseMove, {5, 5}, Qt::NoButton);
        QCOMPARE(editor.pointerShape(), Qt::ArrowCursor);
    }

    void picturesComeFromTheFileDialog()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();

        QTest::mouseClick(window.pictureButton, Qt::LeftButton); // cancelled
        QCOMPARE(platform.openFilters.size(), 1);
        QCOMPARE(platform.openFilters[0],
                 QString("Supported Images(*.jpg *.gif *.bmp)|*.jpg;*.gif;*.bmp|Jpeg(*.jpg)|*.jpg|"
                         "Gif(*.gif)|*.gif|All Files(*.*)|*.*"));
        QCOMPARE(editor.pictures.count(), 1);
        QCOMPARE(editor.pictureCount, qint16(1));

        const QString green = writeImage(card->programDir, "green.bmp", {64, 16}, Qt::green);
        platform.openAnswers.enqueue(green);
        QTest::mouseClick(window.pictureButton, Qt::LeftButton);
        PictureElement* picture = editor.pictures[2];
        QVERIFY(picture);
        QCOMPARE(box(picture), QRectF(1080, 240, 480, 285));
        QCOMPARE(picture->ToolTipText(), green);
        QCOMPARE(picture->toolTip(), green);
        QCOMPARE(picture->Tag(), QString("img"));
        QCOMPARE(picture->Picture().size(), QSize(64, 16));
        QCOMPARE(picture->grab().toImage().pixelColor(10, 10), QColor(Qt::green));

        // An unreadable file keeps the template's icon but still takes the path.
        const QString broken = card->programDir.filePath("broken.jpg");
        QFile(broken).open(QIODevice::WriteOnly);
        platform.openAnswers.enqueue(broken);
        QTest::mouseClick(window.pictureButton, Qt::LeftButton);
        QCOMPARE(editor.pictures[3]->Picture(), editor.pictures[0]->Picture());
        QCOMPARE(editor.pictures[3]->ToolTipText(), broken);

        // Double-click replaces the selected picture's image, keeping its box.
        picture->setBox(300, 300, 900, 600);
        const QString blue = writeImage(card->programDir, "blue.jpg", {8, 8}, Qt::blue);
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
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        window.frontShapeButton->click(); // lies below the visible area
        QTest::mouseDClick(editor.texts[1], Qt::LeftButton, {}, {3, 3});
        QVERIFY(window.textOptions && window.textOptions->isVisible());
        QCOMPARE(window.textOptions->pos(), QPoint(0, 0));
        QTest::mouseDClick(editor.shapes[1], Qt::LeftButton, {}, {15, 15});
        QVERIFY(window.shapeOptions && window.shapeOptions->isVisible());
    }

    void countersStopAtTheirTop()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        editor.textCount = 32766;
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        QTest::mouseClick(window.textButton, Qt::LeftButton);
        QCOMPARE(editor.textCount, qint16(32767));
        QCOMPARE(editor.texts.count(), 2);
        QVERIFY(editor.texts[32767]->isVisible());
    }
};

QTEST_MAIN(TestCardEditor)
#include "tst_cardeditor.moc"
