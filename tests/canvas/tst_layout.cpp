// Laying a card out precisely: align and distribute, snapping to the grid and the guides, and
// the zoom, whose hits, drags and nudges land on the same twips as at full size.
#define QTEST_QPA_MOUSE_HANDLING
#include "canvas/arrange.h"
#include "canvas/layoutcommands.h"
#include "canvas/snapping.h"
#include "cardtest.h"
#include "control.h"
#include "document/twips.h"
#include "scriptedplatform.h"

#include <QAction>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWheelEvent>

using arrange::Command;

Q_DECLARE_METATYPE(Command)

namespace {

// Three shapes at known boxes, all selected.
void addShapes(MainWindow& window, const QList<QRectF>& boxes)
{
    CardEditor& editor = window.editor();
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        QTest::mouseClick(control<SkinButton>(&window, "shapeButton"), Qt::LeftButton);
        setBox(editor, ElementKind::Shape, int(i + 1), boxes[i]);
    }
}

QList<QRectF> shapeBoxes(const CardEditor& editor, int count)
{
    QList<QRectF> boxes;
    for (int i = 1; i <= count; ++i)
        boxes.append(box(element(editor, ElementKind::Shape, i)));
    return boxes;
}

// A mouse event on the view at a card point (twips), at the view's zoom.
void sendAt(CardView* view, QEvent::Type type, QPointF twips,
            Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    sendMouse(view, type, twips / TwipsPerPixel * view->zoom(), Qt::LeftButton, modifiers);
}

void dragOnView(CardView* view, QPointF from, QPointF to,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    sendAt(view, QEvent::MouseButtonPress, from);
    sendAt(view, QEvent::MouseMove, (from + to) / 2, modifiers);
    sendAt(view, QEvent::MouseMove, to, modifiers);
    sendAt(view, QEvent::MouseButtonRelease, to, modifiers);
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;

private slots:
    void initTestCase()
    {
        // The view's choices are remembered: never in the user's own settings.
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        // A grid of 1/16 inch, 90 twips.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // Each test starts as a new user does: at full size, nothing shown, nothing snapping.
    void init()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmark", "Quillmark")
            .remove("view");
    }

    void arranging_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QList<QRectF>>("boxes");
        QTest::addColumn<QList<QPointF>>("corners");
        // Unordered on both axes, so that outermost edges and sorting both matter.
        const QList<QRectF> three{{600, 300, 300, 150}, {150, 900, 600, 300}, {1200, 60, 150, 600}};
        QTest::newRow("left") << Command::AlignLeft << three
                              << QList<QPointF>{{150, 300}, {150, 900}, {150, 60}};
        QTest::newRow("right") << Command::AlignRight << three
                               << QList<QPointF>{{1050, 300}, {750, 900}, {1200, 60}};
        QTest::newRow("centres") << Command::AlignHorizontalCentres << three
                                 << QList<QPointF>{{600, 300}, {450, 900}, {675, 60}};
        QTest::newRow("top") << Command::AlignTop << three
                             << QList<QPointF>{{600, 60}, {150, 60}, {1200, 60}};
        QTest::newRow("bottom") << Command::AlignBottom << three
                                << QList<QPointF>{{600, 1050}, {150, 900}, {1200, 600}};
        QTest::newRow("middles") << Command::AlignVerticalCentres << three
                                 << QList<QPointF>{{600, 555}, {150, 480}, {1200, 330}};
        // Across: 150..750, 600..900, 1200..1350: 1050 of boxes in 1200, two gaps of 75.
        QTest::newRow("distribute across") << Command::DistributeHorizontally << three
                                           << QList<QPointF>{{825, 300}, {150, 900}, {1200, 60}};
        // Down: 60..660, 300..450, 900..1200: 1050 in 1140, two gaps of 45.
        QTest::newRow("distribute down") << Command::DistributeVertically << three
                                         << QList<QPointF>{{600, 705}, {150, 900}, {1200, 60}};
        QTest::newRow("two are not distributed")
            << Command::DistributeHorizontally << three.mid(0, 2)
            << QList<QPointF>{{600, 300}, {150, 900}};
        // The card is 5400 by 3150 twips; the three together span 150..1350 and 60..1200.
        QTest::newRow("centre across the card")
            << Command::CentreOnCardHorizontally << three
            << QList<QPointF>{{2550, 300}, {2100, 900}, {3150, 60}};
        QTest::newRow("centre down the card")
            << Command::CentreOnCardVertically << three
            << QList<QPointF>{{600, 1245}, {150, 1845}, {1200, 1005}};
    }

    void arranging()
    {
        QFETCH(Command, command);
        QFETCH(QList<QRectF>, boxes);
        QFETCH(QList<QPointF>, corners);
        QCOMPARE(arrange::arranged(command, boxes, {5400, 3150}), corners);
    }

    // Through the window: the keys reach the selection, each command is one undo step, and
    // the empty card's menu names the commands with their keys.
    void arrangingIsOneUndoStepAndInTheCardMenu()
    {
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        const QList<QRectF> three{{600, 300, 300, 150}, {150, 900, 600, 300}, {1200, 60, 150, 600}};
        addShapes(window, three);
        QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
        const int steps = editor.undoStack()->count();

        QTest::keyClick(&window, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(shapeBoxes(editor, 3),
                 (QList<QRectF>{{150, 300, 300, 150}, {150, 900, 600, 300}, {150, 60, 150, 600}}));
        QTest::keyClick(&window, Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(shapeBoxes(editor, 3)[1].left(), (5400 - 600) / 2.0);
        // The handles follow the primary element.
        QVERIFY(editor.handlesShown());
        const QRectF primary =
            box(element(editor, editor.selection().kind, editor.selection().index));
        QCOMPARE(editor.handlePosition(7), primary.bottomRight());
        QCOMPARE(editor.undoStack()->count(), steps + 2);
        editor.undoStack()->undo();
        editor.undoStack()->undo();
        QCOMPARE(shapeBoxes(editor, 3), three);

        const QMenu* menu = editor.cardMenu();
        QStringList submenus;
        for (const QAction* action : menu->actions())
            if (action->menu())
                submenus << action->text();
        QCOMPARE(submenus, QStringList({"Arrange", "View"}));
        const LayoutCommands& commands = window.layoutCommands();
        QCOMPARE(commands.action("alignBottomAction")->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down));
        QCOMPARE(commands.action("centreDownAction")->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
        QCOMPARE(commands.action("zoomInAction")->shortcuts().size(), 2);
    }

    // Moves and resizes snap to the card's edges and centre lines, to other elements' edges
    // and centres, and to the grid; Meta held suspends it all.
    void snapping_data()
    {
        QTest::addColumn<bool>("guides");
        QTest::addColumn<bool>("grid");
        QTest::addColumn<bool>("resize");
        QTest::addColumn<QPointF>("travel");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QRectF>("moved");
        QTest::addColumn<qreal>("guideAcross");
        QTest::addColumn<qreal>("guideDown");
        const qreal none = -1;
        // The moving shape stands at 1500, 1500, 600 by 300; the other at 3000, 300, 600 by 600.
        QTest::newRow("no snapping") << false << false << false << QPointF(-1455, 0) << 0
                                     << QRectF(45, 1500, 600, 300) << none << none;
        QTest::newRow("card's left edge") << true << false << false << QPointF(-1455, 0) << 0
                                          << QRectF(0, 1500, 600, 300) << 0.0 << none;
        QTest::newRow("beyond the reach") << true << false << false << QPointF(-1425, 0) << 0
                                          << QRectF(75, 1500, 600, 300) << none << none;
        QTest::newRow("card's centre line by its centre")
            << true << false << false << QPointF(930, 0) << 0 << QRectF(2400, 1500, 600, 300)
            << 2700.0 << none;
        QTest::newRow("other's right by its left, other's top by its top")
            << true << false << false << QPointF(2145, -1170) << 0 << QRectF(3600, 300, 600, 300)
            << 3600.0 << 300.0;
        QTest::newRow("Meta suspends it")
            << true << true << false << QPointF(-1455, 0) << int(Qt::MetaModifier)
            << QRectF(45, 1500, 600, 300) << none << none;
        QTest::newRow("grid") << false << true << false << QPointF(-1370, 40) << 0
                              << QRectF(90, 1530, 600, 300) << none << none;
        QTest::newRow("a guide before the grid") << true << true << false << QPointF(-1455, -400)
                                                 << 0 << QRectF(0, 1080, 600, 300) << 0.0 << none;
        // Handle 7 dragged towards the other's left edge and the card's middle line.
        QTest::newRow("resize to an edge") << true << false << true << QPointF(855, -225) << 0
                                           << QRectF(1500, 1500, 1500, 75) << 3000.0 << 1575.0;
        QTest::newRow("resize to the grid") << false << true << true << QPointF(310, 20) << 0
                                            << QRectF(1500, 1500, 930, 390) << none << none;
    }

    void snapping()
    {
        QFETCH(bool, guides);
        QFETCH(bool, grid);
        QFETCH(bool, resize);
        QFETCH(QPointF, travel);
        QFETCH(int, modifiers);
        QFETCH(QRectF, moved);
        QFETCH(qreal, guideAcross);
        QFETCH(qreal, guideDown);
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        CardEditor& editor = card->editor();
        CardView* view = editor.view();
        addShapes(*card->window, {{1500, 1500, 600, 300}, {3000, 300, 600, 600}});
        view->setGuidesOn(guides);
        view->setSnapToGrid(grid);
        // Shapes take the mouse inside their outline, inset from the box.
        clickElement(editor, ElementKind::Shape, 1, {300, 150});

        const QPointF from = resize ? handleCentre(editor, 7) : QPointF(1800, 1650);
        const auto keys = Qt::KeyboardModifiers::fromInt(modifiers);
        sendAt(view, QEvent::MouseButtonPress, from);
        sendAt(view, QEvent::MouseMove, from + travel, keys);
        // The guide shows while the button is down, and goes with it.
        QCOMPARE(view->guideAcross().value_or(-1), guideAcross);
        QCOMPARE(view->guideDown().value_or(-1), guideDown);
        sendAt(view, QEvent::MouseButtonRelease, from + travel, keys);
        QVERIFY(!view->guideAcross() && !view->guideDown());
        QCOMPARE(box(element(editor, ElementKind::Shape, 1)), moved);
    }

    void snapping_rules()
    {
        QCOMPARE(snapping::toGrid(130, 90), 90.0);
        QCOMPARE(snapping::toGrid(-50, 90), -90.0);
        // The nearest of several moving positions wins; a tie keeps the first found.
        const auto snap = snapping::nearest({100, 400, 700}, {0, 390, 760}, 60);
        QVERIFY(snap);
        QCOMPARE(snap->offset, -10.0);
        QCOMPARE(snap->line, 390.0);
        QVERIFY(!snapping::nearest({100}, {0, 200}, 60));
    }

    // At every zoom a click, a handle drag and a nudge land where they land at full size:
    // the same card points, reached through more screen pixels.
    void zoomedEditingLandsOnTheSameTwips_data()
    {
        QTest::addColumn<qreal>("zoom");
        for (const qreal zoom : CardView::Zooms)
            QTest::addRow("%d %%", int(zoom * 100)) << zoom;
    }

    void zoomedEditingLandsOnTheSameTwips()
    {
        QFETCH(qreal, zoom);
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        CardEditor& editor = card->editor();
        CardView* view = editor.view();
        addShapes(*card->window, {{1500, 900, 600, 300}});
        view->setZoom(zoom);
        QCOMPARE(view->zoom(), zoom);
        QCOMPARE(view->size(), (QSizeF(360, 210) * zoom).toSize());

        sendAt(view, QEvent::MouseButtonPress, {1800, 1050});
        sendAt(view, QEvent::MouseButtonRelease, {1800, 1050});
        QVERIFY(editor.handlesShown());
        // The handles keep their screen size: five pixels, whatever the zoom.
        const QPointF handle = handleCentre(editor, 7) / TwipsPerPixel * zoom;
        QCOMPARE(view->handleAt((handle + QPointF(1.5, 1.5)) * TwipsPerPixel / zoom), 7);
        QCOMPARE(view->handleAt((handle + QPointF(6, 0)) * TwipsPerPixel / zoom), -1);
        dragOnView(view, {1800, 1050}, {2100, 1350});
        QCOMPARE(box(element(editor, ElementKind::Shape, 1)), QRectF(1800, 1200, 600, 300));

        // Handle 7 is grabbed at its centre whatever the zoom, and the corner follows the
        // pointer to the same card point.
        dragOnView(view, handleCentre(editor, 7), {2700, 1800});
        sendAt(view, QEvent::MouseButtonPress, {2100, 1350});
        sendAt(view, QEvent::MouseButtonRelease, {2100, 1350});
        QCOMPARE(box(element(editor, ElementKind::Shape, 1)), QRectF(1800, 1200, 900, 600));

        // A nudge is one card pixel, however large that pixel shows.
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(box(element(editor, ElementKind::Shape, 1)).topLeft(), QPointF(1815, 1350));
    }

    // The keys step the zoom; Ctrl+wheel keeps the card point under the pointer in place;
    // the zoom is remembered for the next window.
    void zoomKeysWheelAndMemory()
    {
        ScriptedPlatform platform;
        {
            const auto card = StartedCard::start();
            QVERIFY(card);
            MainWindow& window = *card->window;
            CardView* view = card->editor().view();
            QCOMPARE(view->zoom(), 1.0);
            QCOMPARE(window.size(), QSize(MainWindow::ClientWidth, MainWindow::ClientHeight));
            QTest::keyClick(&window, Qt::Key_Equal, Qt::ControlModifier);
            QCOMPARE(view->zoom(), 1.5);
            QTest::keyClick(&window, Qt::Key_Plus, Qt::ControlModifier);
            QCOMPARE(view->zoom(), 2.0);
            QTest::keyClick(&window, Qt::Key_Minus, Qt::ControlModifier);
            QCOMPARE(view->zoom(), 1.5);
            QTest::keyClick(&window, Qt::Key_0, Qt::ControlModifier);
            QCOMPARE(view->zoom(), 1.0);
            QCOMPARE(window.size(), QSize(MainWindow::ClientWidth, MainWindow::ClientHeight));

            // To fit: as large as the screen holds the whole window, card and buttons.
            window.layoutCommands().action("zoomToFitAction")->trigger();
            const QSize screen = window.screen()->availableGeometry().size();
            QVERIFY2(view->zoom() > 2, qPrintable(QString::number(view->zoom())));
            const QSize framed = window.frameGeometry().size();
            QVERIFY(framed.width() <= screen.width() && framed.height() <= screen.height());
            QVERIFY(framed.width() >= screen.width() - 1 || framed.height() >= screen.height() - 1);
            QCOMPARE(view->visibleRegion().boundingRect(), view->rect());

            // Zoomed in past the screen the card scrolls; the wheel keeps its point put.
            view->setZoom(3);
            const QPointF pointer(500, 300);
            const QPoint onWindow = view->mapTo(&window, pointer.toPoint());
            const QPointF under = view->toTwips(pointer);
            QWheelEvent wheel(pointer, view->mapToGlobal(pointer), {}, {0, 120}, Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &wheel);
            QCOMPARE(view->zoom(), 4.0);
            const QPointF now = view->toTwips(view->mapFrom(&window, onWindow));
            QVERIFY2(QLineF(now, under).length() <= TwipsPerPixel / 4 + 1,
                     qPrintable(QString("%1,%2").arg(now.x()).arg(now.y())));
            QTest::keyClick(&window, Qt::Key_Equal, Qt::ControlModifier);
            QCOMPARE(view->zoom(), 4.0); // the largest
            window.layoutCommands().action("gridAction")->trigger();
        }
        const auto again = StartedCard::start();
        QVERIFY(again);
        QCOMPARE(again->editor().view()->zoom(), 4.0);
        QVERIFY(again->editor().view()->gridShown());
        QTest::keyClick(again->window.get(), Qt::Key_0, Qt::ControlModifier);
        again->window->layoutCommands().action("gridAction")->trigger();
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
