// Mouse events go through the window system, so that a grab of the pointer is honoured.
#define QTEST_QPA_MOUSE_HANDLING
#include "cardtest.h"
#include "control.h"
#include "controls/inputcodes.h"
#include "dialogs/shapeoptionsdialog.h"
#include "dialogs/textoptionsdialog.h"
#include "document/twips.h"
#include "scriptedplatform.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <optional>

namespace {
// Position of a canvas point in twips as a window position in pixels.
QPoint windowPoint(MainWindow& window, QPointF canvasTwips)
{
    return window.editor().view()->mapTo(&window, (canvasTwips / TwipsPerPixel).toPoint());
}

// Presses handle i with a button, through the window system as a user would.
void pressHandle(MainWindow& window, int handle, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mousePress(&window, button, {},
                      windowPoint(window, handleCentre(window.editor(), handle)));
}
} // namespace

class TestCardEditor : public QObject {
    Q_OBJECT
    // Each test edits a card of its own, started afresh with its prompts scripted.
    std::optional<ScriptedCard> m_card;
    ScriptedPlatform& platform() { return m_card->platform; }
    MainWindow& window() { return m_card->window(); }
    CardEditor& editor() { return m_card->editor(); }
    // A command bar button clicked as a user does, once for each element it adds.
    void clickButton(const char* name, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(control<SkinButton>(&window(), name), Qt::LeftButton);
    }

    // Element 1 of a kind added from the command bar, given a box and selected with a click in
    // its middle.
    void addSelected(ElementKind kind, QRectF box)
    {
        clickButton(kind == ElementKind::Text ? "textButton" : "shapeButton");
        setBox(editor(), kind, 1, box);
        clickElement(editor(), kind, 1, box.center() - box.topLeft());
    }

private slots:
    void init()
    {
        m_card.emplace();
        QVERIFY(m_card->start());
    }
    void cleanup() { m_card.reset(); }

    void textItemsAreNumberedAndStacked()
    {
        clickButton("textButton", 3);
        QCOMPARE(editor().textCount(), qint16(3));
        for (int i = 1; i <= 3; ++i) {
            const CardItem& item = element(editor(), ElementKind::Text, i);
            QVERIFY(item.visible);
            QCOMPARE(item.text.caption, QString("Text"));
            QCOMPARE(item.toolTipText, QString("Text"));
            QCOMPARE(box(item), QRectF(3000, 720, 1380, 330));
        }
        QVERIFY(stackPosition(editor(), ElementKind::Text, 3)
                > stackPosition(editor(), ElementKind::Text, 2));
        QVERIFY(stackPosition(editor(), ElementKind::Text, 2)
                > stackPosition(editor(), ElementKind::Text, 1));
        // The template stays hidden; a new item is not selected.
        QVERIFY(!element(editor(), ElementKind::Text, 0).visible);
        QVERIFY(editor().selection().isEmpty());
        QVERIFY(!editor().handlesShown());
    }

    // Page Down and the card's menu show the back, Page Up the front; each side keeps its own
    // elements and colour, showing a side changes nothing to save, and undo and redo show the
    // side each step changed.
    void bothSidesAreEditedAndUndone()
    {
        const auto side = [&] { return editor().design().shownSide(); };
        clickButton("textButton");
        QTest::keyClick(&window(), Qt::Key_PageDown);
        QCOMPARE(side(), CardSide::Back);
        QCOMPARE(window().windowTitle(), QStringLiteral("Quillmark"));
        QVERIFY(editor().design().items().isEmpty());
        editor().undoStack()->setClean();
        QVERIFY(!editor().isModified());
        clickButton("shapeButton");
        editor().setCardBackColor(0x00112233);
        QCOMPARE(editor().design().items().size(), 1);
        QCOMPARE(editor().design().sideColor(CardSide::Front), CardDesign::DefaultBackColor);

        platform().menuAnswers.enqueue(QStringLiteral("Show front"));
        editor().cardPressed(mousecode::Right);
        QCOMPARE(side(), CardSide::Front);
        QVERIFY(!editor().design().item(ElementKind::Shape, 1));
        QVERIFY(editor().design().item(ElementKind::Text, 1));
        QCOMPARE(editor().cardBackColor(), CardDesign::DefaultBackColor);

        // The colour, then the shape: both on the back, which undo shows.
        editor().undoStack()->undo();
        QCOMPARE(side(), CardSide::Back);
        QCOMPARE(editor().cardBackColor(), CardDesign::DefaultBackColor);
        QTest::keyClick(&window(), Qt::Key_PageUp);
        editor().undoStack()->undo();
        QCOMPARE(side(), CardSide::Back);
        QVERIFY(editor().design().items().isEmpty());
        QVERIFY(editor().design().item(ElementKind::Text, 1) == nullptr);
        // The text was made on the front.
        editor().undoStack()->undo();
        QCOMPARE(side(), CardSide::Front);
        QVERIFY(!editor().design().item(ElementKind::Text, 1));
        QCOMPARE(editor().design().sideItems(CardSide::Front).size(), 3);
        editor().undoStack()->redo();
        editor().undoStack()->redo();
        QCOMPARE(side(), CardSide::Back);
        QVERIFY(editor().design().item(ElementKind::Shape, 1));
        QVERIFY(editor().design().sideItems(CardSide::Front).size() == 4);
    }

    void deletedIndicesAreNotReused()
    {
        clickButton("textButton", 2);
        // Item 2 lies on top of item 1: a right-click there selects it and offers Delete.
        platform().menuAnswers.enqueue("Delete");
        clickElement(editor(), ElementKind::Text, 2, {100, 100}, Qt::RightButton);
        QCOMPARE(platform().menus.size(), 1);
        QCOMPARE(platform().menus[0].items, QStringList({"Delete"}));
        QVERIFY(!editor().item(ElementKind::Text, 2));
        QCOMPARE(editor().selection().index, 2);
        QVERIFY(editor().handlesShown()); // handles stay where the item was

        clickButton("textButton");
        QVERIFY(editor().item(ElementKind::Text, 3));
        QVERIFY(!editor().item(ElementKind::Text, 2));
        QCOMPARE(editor().design().items().size(), 5); // three templates, 1 and 3
    }

    void rightClickDeletesEachKindButNeverATemplate()
    {
        clickButton("shapeButton");
        const QString image = writeImage(m_card->programDir(), "red.png", {40, 20}, Qt::red);
        platform().openAnswers.enqueue(image);
        clickButton("pictureButton");
        clickButton("textButton");

        // Dismissing the menu removes nothing but leaves the element selected.
        clickElement(editor(), ElementKind::Shape, 1, {200, 200}, Qt::RightButton);
        QVERIFY(editor().item(ElementKind::Shape, 1));
        QCOMPARE(editor().selection().kind, ElementKind::Shape);

        // Picture and text lie on top of each other: the text, added last, is deleted first.
        for (ElementKind kind : {ElementKind::Shape, ElementKind::Text, ElementKind::Picture}) {
            platform().menuAnswers.enqueue("Delete");
            clickElement(editor(), kind, 1, {200, 200}, Qt::RightButton);
            QVERIFY(!editor().item(kind, 1));
        }
        QCOMPARE(editor().design().items().size(), 3);

        for (ElementKind kind : {ElementKind::Text, ElementKind::Picture, ElementKind::Shape}) {
            editor().setSelection({kind, 0});
            editor().deleteSelected();
        }
        QVERIFY(editor().item(ElementKind::Text, 0) && editor().item(ElementKind::Picture, 0)
                && editor().item(ElementKind::Shape, 0));
        // A selection that names a removed element fails quietly.
        editor().setSelection({ElementKind::Shape, 1});
        editor().deleteSelected();
        editor().resizeSelected(7, 100, 100);
        QCOMPARE(editor().design().items().size(), 3);
    }

    void pressAndReleaseMovesByTheTravel()
    {
        clickButton("shapeButton");
        const auto shape = [&] { return box(element(editor(), ElementKind::Shape, 1)); };

        clickElement(editor(), ElementKind::Shape, 1, {150, 150});
        QCOMPARE(shape(), QRectF(360, 1680, 495, 375)); // a click moves by nothing
        QVERIFY(editor().handlesShown());

        sendElementMouse(editor(), ElementKind::Shape, 1, QEvent::MouseButtonPress, {150, 150});
        QCOMPARE(editor().pressTwips(), QPointF(150, 150));
        sendElementMouse(editor(), ElementKind::Shape, 1, QEvent::MouseButtonRelease, {250, 100});
        QCOMPARE(shape(), QRectF(460, 1630, 495, 375));
        QCOMPARE(editor().handlePosition(7), QPointF(460 + 495, 1630 + 375));
        QCOMPARE(editor().selection().index, 1);
        QCOMPARE(editor().selection().kind, ElementKind::Shape);
    }

    // A press on a text is reported from the corner of the copy under it, the front copy
    // first; the release is reported from the same corner wherever it lands, so the text
    // moves by the pointer's travel.
    void textPressesAreRelativeToTheCopyHit_data()
    {
        QTest::addColumn<int>("font3D");
        QTest::addColumn<QPointF>("press"); // the element's twips
        QTest::addColumn<QPointF>("reported");
        QTest::addColumn<QPointF>("release");
        QTest::newRow("plain") << 0 << QPointF(45, 45) << QPointF(45, 45) << QPointF(145, 75);
        QTest::newRow("on the offset front copy")
            << 1 << QPointF(45, 45) << QPointF(25, 25) << QPointF(145, 75);
        QTest::newRow("beside the front copy: the back copy, released over the front")
            << 1 << QPointF(10, 45) << QPointF(10, 45) << QPointF(110, 75);
        QTest::newRow("back copy offset: the front copy takes it")
            << 2 << QPointF(45, 45) << QPointF(45, 45) << QPointF(10, 10);
    }
    void textPressesAreRelativeToTheCopyHit()
    {
        QFETCH(int, font3D);
        QFETCH(QPointF, press);
        QFETCH(QPointF, reported);
        QFETCH(QPointF, release);
        clickButton("textButton");
        setBox(editor(), ElementKind::Text, 1, {1000, 500, 1500, 600});
        editor().changeItem(ElementKind::Text, 1,
                            [&](CardItem& item) { item.text.font3D = font3D; });

        sendElementMouse(editor(), ElementKind::Text, 1, QEvent::MouseButtonPress, press);
        QCOMPARE(editor().pressTwips(), reported);
        sendElementMouse(editor(), ElementKind::Text, 1, QEvent::MouseButtonRelease, release);
        const QPointF travel = release - press;
        QCOMPARE(box(element(editor(), ElementKind::Text, 1)),
                 QRectF(1000 + travel.x(), 500 + travel.y(), 1500, 600));
    }

    void handlesSurroundTheSelection()
    {
        addSelected(ElementKind::Text, {1000, 500, 600, 300});
        const QPointF expected[8] = {{925, 425},    {925, 612.5}, {925, 800},    {1337.5, 425},
                                     {1337.5, 800}, {1600, 425},  {1600, 612.5}, {1600, 800}};
        QVERIFY(editor().handlesShown());
        for (int i = 0; i < 8; ++i)
            QCOMPARE(editor().handlePosition(i), expected[i]);
        QCOMPARE(editor().handleCount(), 8);
        // Drawn black on top, each in its own place.
        const QImage shown = editor().view()->grab().toImage();
        QCOMPARE(shown.pixelColor((handleCentre(editor(), 3) / TwipsPerPixel).toPoint()),
                 QColor(Qt::black));
    }

    void textComesToTheFrontOnClickButOthersKeepTheirPlace()
    {
        clickButton("textButton");
        control<QPushButton>(&window(), "frontShapeButton")->click(); // lies below the visible area
        const auto textAboveShape = [&] {
            return stackPosition(editor(), ElementKind::Text, 1)
                   > stackPosition(editor(), ElementKind::Shape, 1);
        };
        QVERIFY(!textAboveShape());

        clickElement(editor(), ElementKind::Shape, 1, {150, 150});
        QVERIFY(!textAboveShape());
        clickElement(editor(), ElementKind::Text, 1, {30, 30});
        QVERIFY(textAboveShape());
    }

    void clickBesideTheDrawnShapeReachesWhatLiesBehind()
    {
        clickButton("textButton");
        control<QPushButton>(&window(), "frontShapeButton")->click();
        setBox(editor(), ElementKind::Text, 1, {600, 600, 3000, 900});
        setBox(editor(), ElementKind::Shape, 1, {600, 600, 3000, 900});
        // A circle 700 twips wide in the middle of the box.
        editor().changeItem(ElementKind::Shape, 1, [](CardItem& shape) { shape.shape.shape = 3; });

        QTest::mouseClick(&window(), Qt::LeftButton, {}, windowPoint(window(), {2145, 1050}));
        QCOMPARE(editor().selection().kind, ElementKind::Shape);
        // Beside the circle but inside the shape's box: the text item behind takes the click.
        QTest::mouseClick(&window(), Qt::LeftButton, {}, windowPoint(window(), {900, 1050}));
        QCOMPARE(editor().selection().kind, ElementKind::Text);
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
        addSelected(ElementKind::Shape, {1500, 900, 600, 300});

        pressHandle(window(), 7, button);
        QVERIFY(!editor().handlesShown());
        QVERIFY(editor().view()->dragging());
        QTest::mouseMove(&window(), windowPoint(window(), {3000, 2400}));
        QTest::mouseRelease(&window(), button, {}, windowPoint(window(), {3000, 2400}));
        QCOMPARE(box(element(editor(), ElementKind::Shape, 1)), QRectF(1500, 900, 1500, 1500));
        QVERIFY(platform().menus.isEmpty());
    }

    void draggingHandleSevenFollowsThePointer()
    {
        addSelected(ElementKind::Shape, {1500, 900, 600, 300});
        const auto shape = [&] { return box(element(editor(), ElementKind::Shape, 1)); };

        QTest::mouseMove(&window(), windowPoint(window(), handleCentre(editor(), 7)));
        QCOMPARE(editor().pointerShape(), Qt::SizeFDiagCursor);
        pressHandle(window(), 7);
        QVERIFY(!editor().handlesShown());
        QCOMPARE(editor().handlePosition(7), QPointF(2100, 1200)); // stays put

        // Outward over the empty canvas: the corner follows the pointer.
        QTest::mouseMove(&window(), windowPoint(window(), {3000, 2400}));
        QCOMPARE(shape(), QRectF(1500, 900, 1500, 1500));
        // Back inward over the element itself.
        QTest::mouseMove(&window(), windowPoint(window(), {1800, 1200}));
        QCOMPARE(shape(), QRectF(1500, 900, 300, 300));
        // Released over the empty canvas: the handles stay hidden.
        QTest::mouseMove(&window(), windowPoint(window(), {2400, 1500}));
        QTest::mouseRelease(&window(), Qt::LeftButton, {}, windowPoint(window(), {2400, 1500}));
        QCOMPARE(shape(), QRectF(1500, 900, 900, 600));
        QVERIFY(!editor().handlesShown());

        clickElement(editor(), ElementKind::Shape, 1, {450, 300});
        QCOMPARE(editor().handlePosition(7), QPointF(2400, 1500));

        // Dropped where the pointer made the new corner: that is beside the element, not on it
        // (a text's box takes the pointer up to its edges, a shape's only within its outline).
        clickButton("textButton");
        setBox(editor(), ElementKind::Text, 1, {300, 300, 600, 300});
        clickElement(editor(), ElementKind::Text, 1, {30, 30});
        pressHandle(window(), 7);
        QTest::mouseMove(&window(), windowPoint(window(), {1200, 900}));
        QTest::mouseRelease(&window(), Qt::LeftButton, {}, windowPoint(window(), {1200, 900}));
        QCOMPARE(box(element(editor(), ElementKind::Text, 1)), QRectF(300, 300, 900, 600));
        QVERIFY(!editor().handlesShown());
    }

    void handleZeroPastTheOppositeCornerMovesOnlyTheCorner()
    {
        addSelected(ElementKind::Shape, {1500, 900, 600, 300});

        pressHandle(window(), 0);
        QTest::mouseMove(&window(), windowPoint(window(), {3000, 2100}));
        QCOMPARE(box(element(editor(), ElementKind::Shape, 1)), QRectF(3000, 2100, 600, 300));
        QTest::mouseRelease(&window(), Qt::LeftButton, {}, windowPoint(window(), {3000, 2100}));
    }

    void droppingOnAnotherElementShowsItsHandlesButKeepsTheSelection()
    {
        clickButton("shapeButton", 2);
        setBox(editor(), ElementKind::Shape, 1, {300, 300, 900, 900});
        setBox(editor(), ElementKind::Shape, 2, {3000, 1500, 1200, 1200});
        clickElement(editor(), ElementKind::Shape, 1, {450, 450});

        pressHandle(window(), 7);
        QTest::mouseMove(&window(), windowPoint(window(), {3600, 2100})); // over the other shape
        QCOMPARE(box(element(editor(), ElementKind::Shape, 1)), QRectF(300, 300, 900, 900));
        QCOMPARE(box(element(editor(), ElementKind::Shape, 2)), QRectF(3000, 1500, 1200, 1200));
        QTest::mouseRelease(&window(), Qt::LeftButton, {}, windowPoint(window(), {3600, 2100}));
        QCOMPARE(editor().handlePosition(0), QPointF(2925, 1425));
        QVERIFY(editor().handlesShown());
        QCOMPARE(editor().selection().index, 1);
    }

    void pointerShapesFollowTheHandles()
    {
        addSelected(ElementKind::Shape, {1500, 900, 900, 900});
        const Qt::CursorShape expected[8] = {
            Qt::SizeFDiagCursor, Qt::SizeHorCursor,   Qt::SizeBDiagCursor, Qt::SizeVerCursor,
            Qt::SizeVerCursor,   Qt::SizeBDiagCursor, Qt::SizeHorCursor,   Qt::SizeFDiagCursor};
        for (int i = 0; i < 8; ++i) {
            sendMouseTwips(editor().view(), QEvent::MouseMove, handleCentre(editor(), i),
                           Qt::NoButton);
            QCOMPARE(editor().pointerShape(), expected[i]);
            QCOMPARE(window().cursor().shape(), expected[i]);
        }
        // Elements leave the pointer as it was; the empty card sets it back.
        sendElementMouse(editor(), ElementKind::Shape, 1, QEvent::MouseMove, {450, 450},
                         Qt::NoButton);
        QCOMPARE(editor().pointerShape(), expected[7]);
        sendMouse(editor().view(), QEvent::MouseMove, {5, 5}, Qt::NoButton);
        QCOMPARE(editor().pointerShape(), Qt::ArrowCursor);
    }

    void picturesComeFromTheFileDialog()
    {

        clickButton("pictureButton"); // cancelled
        QCOMPARE(platform().openFilters.size(), 1);
        QCOMPARE(platform().openFilters[0],
                 QString("Supported Images(*.jpg *.gif *.bmp)|*.jpg;*.gif;*.bmp|Jpeg(*.jpg)|*.jpg|"
                         "Gif(*.gif)|*.gif|All Files(*.*)|*.*"));
        QCOMPARE(editor().design().items().size(), 3);
        QCOMPARE(editor().pictureCount(), qint16(1));

        const QString green = writeImage(m_card->programDir(), "green.bmp", {64, 16}, Qt::green);
        platform().openAnswers.enqueue(green);
        clickButton("pictureButton");
        const auto picture = [&] { return element(editor(), ElementKind::Picture, 2); };
        // The template's box, the 64 × 16 image stretched to it.
        QCOMPARE(box(picture()), QRectF(1080, 240, 480, 285));
        QCOMPARE(picture().toolTipText, green);
        QCOMPARE(picture().tag, QString("img"));
        const auto shownAt = [&](QPointF twips) {
            return editor().view()->grab().toImage().pixelColor((twips / TwipsPerPixel).toPoint());
        };
        QCOMPARE(shownAt({1200, 300}), QColor(Qt::green));

        // An unreadable file shows the template's icon but still takes the path.
        const QString broken = m_card->programDir().filePath("broken.jpg");
        QFile(broken).open(QIODevice::WriteOnly);
        platform().openAnswers.enqueue(broken);
        clickButton("pictureButton");
        QCOMPARE(element(editor(), ElementKind::Picture, 3).toolTipText, broken);
        QVERIFY(shownAt({1200, 300}) != QColor(Qt::green));

        // Double-click replaces the selected picture's image, keeping its box.
        setBox(editor(), ElementKind::Picture, 2, {300, 2100, 900, 600});
        const QString blue = writeImage(m_card->programDir(), "blue.jpg", {8, 8}, Qt::blue);
        platform().openAnswers.enqueue(blue);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
            sendElementMouse(editor(), ElementKind::Picture, 2, type, {60, 60});
        QCOMPARE(box(picture()), QRectF(300, 2100, 900, 600));
        QCOMPARE(picture().toolTipText, blue);
        const QColor replaced = shownAt({600, 2400}); // a JPEG: blue within its loss
        QVERIFY(replaced.blue() > 240 && replaced.red() < 16 && replaced.green() < 16);

        // Cancelling the replacement changes nothing.
        sendElementMouse(editor(), ElementKind::Picture, 2, QEvent::MouseButtonDblClick, {60, 60});
        QCOMPARE(picture().toolTipText, blue);
    }

    void doubleClicksOpenTheOptionWindows()
    {
        clickButton("textButton");
        control<QPushButton>(&window(), "frontShapeButton")->click(); // lies below the visible area
        QTest::mouseDClick(&window(), Qt::LeftButton, {}, windowPoint(window(), {3045, 765}));
        QVERIFY(window().textOptions && window().textOptions->isVisible());
        QCOMPARE(window().textOptions->pos(), QPoint(0, 0));
        QTest::mouseDClick(&window(), Qt::LeftButton, {}, windowPoint(window(), {585, 1905}));
        QVERIFY(window().shapeOptions && window().shapeOptions->isVisible());
    }

    void countersStopAtTheirTop()
    {
        CardDesign design = editor().design();
        design.textCount = 32766;
        editor().setDesign(design);
        clickButton("textButton", 3);
        QCOMPARE(editor().textCount(), qint16(32767));
        QCOMPARE(editor().design().items().size(), 4);
        QVERIFY(element(editor(), ElementKind::Text, 32767).visible);
    }
};

QTEST_MAIN(TestCardEditor)
#include "tst_cardeditor.moc"
