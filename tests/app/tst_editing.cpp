// Editing as people expect it, through the window: undo and redo of every kind of change, the
// canvas keys, several elements at once, the clipboard, and the question before unsaved work
// is lost.
#include "cardtest.h"
#include "control.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include "dialogs/picturebuttons.h"
#include "dialogs/textoptionsdialog.h"
#include "document/twips.h"
#include "platform/filefilter.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUndoStack>

namespace {
constexpr ElementKind Text = ElementKind::Text;
constexpr ElementKind Shape = ElementKind::Shape;
constexpr ElementKind Picture = ElementKind::Picture;

// A card with a text item, a shape and a picture apart from one another, the text selected.
std::unique_ptr<StartedCard> startCard(ScriptedPlatform& platform)
{
    auto card = StartedCard::start();
    if (!card)
        return nullptr;
    MainWindow& window = *card->window;
    QApplication::setActiveWindow(&window);
    if (!QTest::qWaitForWindowActive(&window))
        return nullptr;
    CardEditor& editor = card->editor();
    QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
    QTest::mouseClick(control<SkinButton>(&window, "shapeButton"), Qt::LeftButton);
    platform.openAnswers.enqueue(QUILLMARK_TEST_DATA "/red.bmp");
    QTest::mouseClick(control<SkinButton>(&window, "pictureButton"), Qt::LeftButton);
    setBox(editor, Text, 1, {300, 300, 1500, 450});
    setBox(editor, Shape, 1, {2400, 1500, 900, 600});
    setBox(editor, Picture, 1, {3600, 300, 480, 240});
    clickElement(editor, Text, 1, {60, 60});
    editor.view()->setFocus();
    return card;
}

void key(QWidget* widget, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
         bool repeat = false)
{
    QKeyEvent press(QEvent::KeyPress, code, modifiers, QString(), repeat);
    QApplication::sendEvent(widget, &press);
}

void dragHandle(CardEditor& editor, int handle, const QList<QPointF>& path,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* view = editor.view();
    sendMouseTwips(view, QEvent::MouseButtonPress, handleCentre(editor, handle));
    for (const QPointF& at : path)
        sendMouseTwips(view, QEvent::MouseMove, at, Qt::LeftButton, modifiers);
    sendMouseTwips(view, QEvent::MouseButtonRelease, path.last(), Qt::LeftButton, modifiers);
}

void doubleClick(CardEditor& editor, ElementKind kind, int index)
{
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
        sendElementMouse(editor, kind, index, type, {60, 60});
}

enum class Edit {
    AddText,
    AddShape,
    AddPicture,
    Move,
    MoveFromBehind,
    MoveSeveral,
    Resize,
    MenuDelete,
    DeleteKey,
    Bold,
    Typing,
    ReplacePicture,
    CardColor,
    CardWidth,
    Paste,
    Cut,
    Duplicate,
    HeldNudge
};

void perform(Edit edit, ScriptedPlatform& platform, StartedCard& card)
{
    MainWindow& window = *card.window;
    CardEditor& editor = card.editor();
    QWidget* view = editor.view();
    switch (edit) {
    case Edit::AddText:
        QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
        break;
    case Edit::AddShape:
        QTest::mouseClick(control<SkinButton>(&window, "shapeButton"), Qt::LeftButton);
        break;
    case Edit::AddPicture:
        platform.openAnswers.enqueue(QUILLMARK_TEST_DATA "/red.bmp");
        QTest::mouseClick(control<SkinButton>(&window, "pictureButton"), Qt::LeftButton);
        break;
    case Edit::MoveSeveral:
        clickElement(editor, Shape, 1, {300, 300}, Qt::LeftButton);
        sendElementMouse(editor, Text, 1, QEvent::MouseButtonPress, {60, 60}, Qt::LeftButton,
                         Qt::ShiftModifier);
        sendElementMouse(editor, Text, 1, QEvent::MouseButtonRelease, {60, 60}, Qt::LeftButton,
                         Qt::ShiftModifier);
        [[fallthrough]];
    case Edit::Move:
    case Edit::MoveFromBehind:
        sendElementMouse(editor, Text, 1, QEvent::MouseButtonPress, {60, 60});
        sendElementMouse(editor, Text, 1, QEvent::MouseButtonRelease, {360, 210});
        break;
    case Edit::Resize: dragHandle(editor, 7, {{2000, 900}, {2200, 1000}, {2400, 1100}}); break;
    case Edit::MenuDelete:
        platform.menuAnswers.enqueue("Delete");
        clickElement(editor, Text, 1, {60, 60}, Qt::RightButton);
        break;
    case Edit::DeleteKey: key(view, Qt::Key_Delete); break;
    case Edit::Bold:
    case Edit::Typing: {
        doubleClick(editor, Text, 1);
        auto* dialog = qobject_cast<TextOptionsDialog*>(window.textOptions.data());
        QVERIFY(dialog);
        if (edit == Edit::Bold)
            QTest::mouseClick(control<PictureCheckBox>(dialog, "boldBox"), Qt::LeftButton);
        else
            QTest::keyClicks(control<QLineEdit>(dialog, "textEdit"), "Jane");
        break;
    }
    case Edit::ReplacePicture:
        platform.openAnswers.enqueue(writeImage(card.programDir, "blue.png", {8, 8}, Qt::blue));
        doubleClick(editor, Picture, 1);
        break;
    case Edit::CardColor: editor.setCardBackColor(0x00C0FFEE); break;
    case Edit::CardWidth: // typed digit by digit
        editor.setCardWidthPixels(30);
        editor.setCardWidthPixels(300);
        break;
    case Edit::Paste:
        QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier);
        break;
    case Edit::Cut: QTest::keyClick(&window, Qt::Key_X, Qt::ControlModifier); break;
    case Edit::Duplicate: QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier); break;
    case Edit::HeldNudge:
        key(view, Qt::Key_Right);
        for (int i = 0; i < 3; ++i)
            key(view, Qt::Key_Right, Qt::NoModifier, true);
        break;
    }
}
} // namespace

class TestEditing : public QObject {
    Q_OBJECT
private slots:
    // Each kind of change is one step with its own name; undo gives back the card file byte for
    // byte, and both redo keys bring the change back.
    void undoAndRedoRestoreTheCardFile_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("name");
        QTest::newRow("add text") << Edit::AddText << "Add text";
        QTest::newRow("add shape") << Edit::AddShape << "Add shape";
        QTest::newRow("add picture") << Edit::AddPicture << "Add picture";
        QTest::newRow("move") << Edit::Move << "Move";
        QTest::newRow("move to the front") << Edit::MoveFromBehind << "Move";
        QTest::newRow("move several") << Edit::MoveSeveral << "Move";
        QTest::newRow("resize, one drag") << Edit::Resize << "Resize";
        QTest::newRow("delete from the menu") << Edit::MenuDelete << "Delete";
        QTest::newRow("delete key") << Edit::DeleteKey << "Delete";
        QTest::newRow("bold in Text Options") << Edit::Bold << "Bold";
        QTest::newRow("a burst of typing") << Edit::Typing << "Caption";
        QTest::newRow("replace picture") << Edit::ReplacePicture << "Replace picture";
        QTest::newRow("card color") << Edit::CardColor << "Card color";
        QTest::newRow("card width, typed") << Edit::CardWidth << "Card width";
        QTest::newRow("copy and paste") << Edit::Paste << "Paste";
        QTest::newRow("cut") << Edit::Cut << "Cut";
        QTest::newRow("duplicate") << Edit::Duplicate << "Duplicate";
        QTest::newRow("held arrow key") << Edit::HeldNudge << "Nudge";
    }
    void undoAndRedoRestoreTheCardFile()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, name);
        ScriptedPlatform platform;
        const auto card = startCard(platform);
        QVERIFY(card);
        CardEditor& editor = card->editor();
        QUndoStack* history = editor.undoStack();
        if (edit == Edit::MoveFromBehind) // a second text item over the first
            QTest::mouseClick(control<SkinButton>(card->window.get(), "textButton"),
                              Qt::LeftButton);
        const int steps = history->count();
        const QByteArray before = editor.cardBytes();

        perform(edit, platform, *card);
        const QByteArray after = editor.cardBytes();
        const qint16 texts = editor.textCount();
        QVERIFY(after != before);
        QCOMPARE(history->count(), steps + 1);
        QCOMPARE(history->undoText(), name);
        QVERIFY(editor.isModified());

        QTest::keyClick(card->window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(editor.cardBytes(), before);
        // Handles stay only around an element that is still there.
        QVERIFY(!editor.handlesShown() || editor.selectedItem());
        QTest::keyClick(card->window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(editor.cardBytes(), after);
        history->undo();
        QTest::keyClick(card->window.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(editor.cardBytes(), after);

        // Undo never gives an index back: a new item after it is numbered on.
        history->undo();
        QTest::mouseClick(control<SkinButton>(card->window.get(), "textButton"), Qt::LeftButton);
        QCOMPARE(editor.textCount(), qint16(texts + 1));
    }

    // Arrows move the selection a pixel, ten with Shift; a new press is a new step. Tab walks
    // the elements in stacking order, Escape lets go, and Enter opens the options.
    void keysOnTheCanvas()
    {
        ScriptedPlatform platform;
        const auto card = startCard(platform);
        QVERIFY(card);
        CardEditor& editor = card->editor();
        QWidget* view = editor.view();
        const int steps = editor.undoStack()->count();
        const QRectF start = box(element(editor, Text, 1));
        key(view, Qt::Key_Right);
        key(view, Qt::Key_Down, Qt::ShiftModifier);
        key(view, Qt::Key_Left, Qt::NoModifier, true);
        QCOMPARE(box(element(editor, Text, 1)), start.translated(15 - 15, 150));
        QCOMPARE(editor.undoStack()->count(), steps + 2);
        QCOMPARE(editor.handlePosition(7), box(element(editor, Text, 1)).bottomRight());

        // Stacking order now: shape, picture, text (clicked to the front). Past either end, and
        // with Ctrl, Tab moves the focus on.
        key(view, Qt::Key_Backtab);
        key(view, Qt::Key_Backtab);
        QCOMPARE(editor.selection(), (Selection{Shape, 1}));
        key(view, Qt::Key_Tab);
        QCOMPARE(editor.selection(), (Selection{Picture, 1}));
        QCOMPARE(editor.handlePosition(7), box(element(editor, Picture, 1)).bottomRight());
        key(view, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(!view->hasFocus());
        view->setFocus();
        key(view, Qt::Key_Tab);
        QCOMPARE(editor.selection(), (Selection{Text, 1}));
        QVERIFY(view->hasFocus());
        key(view, Qt::Key_Tab);
        QVERIFY(!view->hasFocus());
        view->setFocus();

        key(view, Qt::Key_Escape);
        QVERIFY(editor.selection().isEmpty());
        QVERIFY(!editor.handlesShown());
        key(view, Qt::Key_Delete);
        QCOMPARE(editor.design().items().size(), 6);

        key(view, Qt::Key_Backtab);
        key(view, Qt::Key_Return);
        QVERIFY(card->window->textOptions);
    }

    // Shift and Ctrl add and take away; a rubber band selects what it touches; the set moves
    // as one while the handles stay on the primary element.
    void severalElementsAtOnce()
    {
        ScriptedPlatform platform;
        const auto card = startCard(platform);
        QVERIFY(card);
        CardEditor& editor = card->editor();
        QWidget* view = editor.view();
        const QRectF text = box(element(editor, Text, 1));
        const QRectF shape = box(element(editor, Shape, 1));
        const QRectF picture = box(element(editor, Picture, 1));

        // A band from the empty top-left corner over the text and the shape only.
        sendMouseTwips(view, QEvent::MouseButtonPress, {60, 60});
        sendMouseTwips(view, QEvent::MouseMove, {2500, 1600});
        sendMouseTwips(view, QEvent::MouseButtonRelease, {2500, 1600});
        QCOMPARE(editor.selectedElements(), (QList<Selection>{{Shape, 1}, {Text, 1}}));

        // A plain click outside the set selects just that element; Shift adds, Ctrl takes away.
        clickElement(editor, Picture, 1, {30, 30});
        QCOMPARE(editor.selectedElements(), (QList<Selection>{{Picture, 1}}));
        const auto modifiedClick = [&](ElementKind kind, QPointF at, Qt::KeyboardModifier with) {
            sendElementMouse(editor, kind, 1, QEvent::MouseButtonPress, at, Qt::LeftButton, with);
            sendElementMouse(editor, kind, 1, QEvent::MouseButtonRelease, at, Qt::LeftButton, with);
        };
        modifiedClick(Text, {60, 60}, Qt::ShiftModifier);
        modifiedClick(Shape, {300, 300}, Qt::ControlModifier);
        modifiedClick(Shape, {300, 300}, Qt::ShiftModifier);
        QCOMPARE(editor.selectedElements(), (QList<Selection>{{Picture, 1}, {Text, 1}}));
        QCOMPARE(editor.selection(), (Selection{Text, 1}));

        // A plain drag of a member moves the set and makes it the primary; a nudge moves the set
        // too; the shape stays.
        sendElementMouse(editor, Picture, 1, QEvent::MouseButtonPress, {30, 30});
        sendElementMouse(editor, Picture, 1, QEvent::MouseButtonRelease, {330, -270});
        key(view, Qt::Key_Left);
        const QPointF by(300 - 15, -300);
        QCOMPARE(box(element(editor, Text, 1)), text.translated(by));
        QCOMPARE(box(element(editor, Picture, 1)), picture.translated(by));
        QCOMPARE(box(element(editor, Shape, 1)), shape);
        QCOMPARE(editor.handlePosition(7), picture.translated(by).bottomRight());

        // A plain click on an element outside the set selects just that one, as always.
        clickElement(editor, Shape, 1, {300, 300});
        QCOMPARE(editor.selectedElements(), (QList<Selection>{{Shape, 1}}));

        // A set moved only sideways still brings its texts to the front, past a newer text.
        QTest::mouseClick(control<SkinButton>(card->window.get(), "textButton"), Qt::LeftButton);
        modifiedClick(Text, {60, 60}, Qt::ShiftModifier);
        sendElementMouse(editor, Shape, 1, QEvent::MouseButtonPress, {300, 300});
        sendElementMouse(editor, Shape, 1, QEvent::MouseButtonRelease, {600, 300});
        QCOMPARE(box(element(editor, Shape, 1)), shape.translated(300, 0));
        const CardItem& top = editor.design().items().constLast();
        QCOMPARE((Selection{top.kind, top.index}), (Selection{Text, 1}));
    }

    // Shift on a corner keeps the proportions from the drag's start, the opposite corner fixed.
    void shiftKeepsTheAspectRatio()
    {
        ScriptedPlatform platform;
        const auto card = startCard(platform);
        QVERIFY(card);
        CardEditor& editor = card->editor();
        clickElement(editor, Shape, 1, {300, 300});
        dragHandle(editor, 0, {{2000, 1300}, {1500, 1400}}, Qt::ShiftModifier);
        // 900 × 600 at (2400, 1500): the pointer asks 1800 × 700; the larger scale, 2, wins.
        QCOMPARE(box(element(editor, Shape, 1)), QRectF(1500, 900, 1800, 1200));
    }

    // Records come back as new elements; an image from elsewhere is written beside the card as
    // a PNG and stretched to the picture template's box; plain text becomes a text item.
    void pasteFromTheClipboard()
    {
        ScriptedPlatform platform;
        const auto card = startCard(platform);
        QVERIFY(card);
        CardEditor& editor = card->editor();
        MainWindow& window = *card->window;
        QClipboard* clipboard = QGuiApplication::clipboard();

        QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier);
        const QMimeData* copied = clipboard->mimeData();
        QCOMPARE(copied->data(CardEditor::ElementsMimeType).count("\r\n"), 3 * 18);
        QCOMPARE(copied->text(), QString("Text"));
        QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier);
        for (const ElementKind kind : {Text, Shape, Picture})
            QCOMPARE(element(editor, kind, 2), [&] {
                CardItem copy = element(editor, kind, 1);
                copy.index = 2;
                copy.serial = element(editor, kind, 2).serial;
                return copy;
            }());
        QCOMPARE(editor.selectedElements().size(), 3);

        const QString cardPath = card->programDir.filePath("card.qmark");
        editor.setCardFileName(cardPath);
        QImage image(40, 10, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        clipboard->setImage(image);
        QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier);
        const CardItem& pasted = element(editor, Picture, 3);
        QCOMPARE(QFileInfo(pasted.picturePath()).absolutePath(), card->programDir.path());
        QCOMPARE(QImage(pasted.picturePath()).pixelColor(0, 0), QColor(Qt::magenta));
        QCOMPARE(box(pasted), QRectF(1080, 240, 480, 285));

        clipboard->setText("Jane Doe");
        QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(element(editor, Text, 3).text.caption, QString("Jane Doe"));
    }

    // QR codes copy, cut, paste and duplicate like the rest, numbered from their own counter and
    // kept as codes in the card file; a paste past a kind's top index says how many came.
    void everyKindGoesThroughTheClipboard()
    {
        ScriptedPlatform platform;
        const auto card = startCard(platform);
        QVERIFY(card);
        CardEditor& editor = card->editor();
        MainWindow& window = *card->window;
        constexpr ElementKind Qr = ElementKind::QrCode;
        editor.addQrCode();
        setBox(editor, Qr, 1, {300, 1500, 900, 900});
        editor.changeItem(Qr, 1, [](CardItem& code) { code.qr.content = "https://example.com"; });
        const CardItem code = element(editor, Qr, 1);

        clickElement(editor, Qr, 1, {60, 60});
        QTest::keyClick(&window, Qt::Key_X, Qt::ControlModifier);
        QVERIFY(!editor.item(Qr, 1));
        QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(element(editor, Qr, 2).qr, code.qr);
        QCOMPARE(box(element(editor, Qr, 2)), box(code));
        QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(box(element(editor, Qr, 3)), box(code).translated(150, 150));

        // Everything at once: every kind comes back, each from its own counter.
        QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor.selectedElements().size(), 5);
        QCOMPARE(editor.design().qrCodeCount, 5);
        QCOMPARE(editor.design().shapeCount, 2);
        for (const ElementKind kind : {Text, Shape, Picture})
            QVERIFY(editor.item(kind, 2));
        QCOMPARE(element(editor, Qr, 5).qr, code.qr);
        const CardDesign saved =
            carddesignfile::read(carddesignfile::write(editor.design())).design;
        QCOMPARE(std::count_if(saved.items().begin(), saved.items().end(),
                               [](const CardItem& item) {
                                   return item.kind == ElementKind::QrCode && item.visible;
                               }),
                 4);
        QVERIFY(platform.messageBoxes.isEmpty());

        // A kind at its top index takes one more; the user hears how many came.
        CardDesign full = editor.design();
        full.textCount = 32766;
        editor.setDesign(full);
        QGuiApplication::clipboard()->clear();
        auto* data = new QMimeData;
        data->setData(
            CardEditor::ElementsMimeType,
            carddesignfile::writeRecords(full, {element(editor, Text, 1), element(editor, Text, 1),
                                                element(editor, Qr, 2)}));
        QGuiApplication::clipboard()->setMimeData(data);
        QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(editor.item(Text, 32767));
        QVERIFY(editor.item(Qr, 6));
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes.front().text,
                 QString("2 of the 3 elements were added: a card holds at most 32767 elements of "
                         "each kind."));
    }

    // Pictures offered in any encoding (SVG included) are decoded away from the window within
    // the picture budget; one beyond it, or a page offered only as HTML, is said or pasted as
    // its text.
    void clipboardPicturesAndPages_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("caption"); // of the text pasted; empty: a picture or a message
        QTest::addColumn<QString>("message"); // a part of it; empty: the picture is pasted
        QTest::addColumn<QSize>("pixels");
        const auto png = [](QSize size, QImage::Format format) {
            QImage image(size, format);
            image.fill(0);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return bytes;
        };
        const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'>"
                               "<rect width='40' height='20' fill='#ff00ff'/></svg>";
        QTest::newRow("SVG only") << "image/svg+xml" << svg << QString() << QString()
                                  << QSize(40, 20);
        QTest::newRow("PNG over the toolkit's 128 MB")
            << "image/png" << png({6000, 6000}, QImage::Format_RGB32) << QString() << QString()
            << QSize(6000, 6000);
        QTest::newRow("PNG over 64 million pixels")
            << "image/png" << png({9000, 8000}, QImage::Format_Mono) << QString()
            << "9000 × 8000 pixels" << QSize();
        QTest::newRow("not a picture") << "image/png" << QByteArray("not a PNG") << QString()
                                       << "cannot be read as a picture" << QSize();
        QTest::newRow("HTML only")
            << "text/html" << QByteArray("<p>Jane <b>Doe</b></p><p>Sales</p>") << "Jane Doe\nSales"
            << QString() << QSize();
    }

    void clipboardPicturesAndPages()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, caption);
        QFETCH(QString, message);
        QFETCH(QSize, pixels);
        ScriptedPlatform platform;
        const auto card = startCard(platform);
        QVERIFY(card);
        CardEditor& editor = card->editor();
        editor.setCardFileName(card->programDir.filePath("card.qmark"));
        auto* data = new QMimeData;
        data->setData(type, bytes);
        QGuiApplication::clipboard()->setMimeData(data);
        QSignalSpy decoded(&editor, &CardEditor::picturePasted);
        editor.paste();
        if (!caption.isEmpty()) {
            QCOMPARE(element(editor, Text, 2).text.caption, caption);
            return;
        }
        QVERIFY(decoded.wait(60000));
        if (!message.isEmpty()) {
            QVERIFY(!editor.item(Picture, 2));
            QCOMPARE(platform.messageBoxes.size(), 1);
            QVERIFY2(platform.messageBoxes.front().text.contains(message),
                     qPrintable(platform.messageBoxes.front().text));
            return;
        }
        QVERIFY(platform.messageBoxes.isEmpty());
        const QString path = element(editor, Picture, 2).picturePath();
        QVERIFY(path.endsWith(".png"));
        QCOMPARE(QImageReader(path).size(), pixels);
    }

    // A picture refused for its size is told once in the window, however often it is drawn.
    void refusedPicturesAreToldOnce()
    {
        ScriptedPlatform platform;
        const auto card = startCard(platform);
        QVERIFY(card);
        CardEditor& editor = card->editor();
        const QString path = card->programDir.filePath("large.xpm");
        QFile xpm(path);
        QVERIFY(xpm.open(QIODevice::WriteOnly));
        xpm.write("/* XPM */\nstatic char *large[] = {\n\"1 1 1 1\",\n\"a c #ff0000\",\n");
        QVERIFY(xpm.resize(20 << 20));
        xpm.close();
        editor.addPictureFrom(path);
        editor.addPictureFrom(path);
        QTRY_COMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes.front().text,
                 QString("The picture \"%1\" is not shown: the file is larger than 16 MB, the most "
                         "a XPM picture may take.")
                     .arg(path));
        editor.view()->repaint();
        QTest::qWait(50);
        QCOMPARE(platform.messageBoxes.size(), 1);
    }

    // Closing, Exit and Open ask about unsaved work: Save writes the card (choosing a name when
    // it has none), Discard goes on, Cancel stays with the card.
    void unsavedWorkIsNeverLostSilently_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("named");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("goesOn");
        for (const char* way : {"close", "exit", "open"}) {
            QTest::addRow("%s, save", way) << way << true << QMessageBox::Save << true;
            QTest::addRow("%s, save as", way) << way << false << QMessageBox::Save << true;
            QTest::addRow("%s, discard", way) << way << true << QMessageBox::Discard << true;
            QTest::addRow("%s, cancel", way) << way << true << QMessageBox::Cancel << false;
        }
    }
    void unsavedWorkIsNeverLostSilently()
    {
        QFETCH(QString, way);
        QFETCH(bool, named);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, goesOn);
        ScriptedPlatform platform;
        const auto card = StartedCard::start();
        QVERIFY(card);
        MainWindow& window = *card->window;
        CardEditor& editor = card->editor();
        const QString path = card->programDir.filePath("card.qmark");
        if (named) {
            editor.setCardFileName(path);
        }
        QTest::mouseClick(control<SkinButton>(&window, "textButton"), Qt::LeftButton);
        const QByteArray design = editor.cardBytes();

        if (way != "close")
            platform.messageAnswers.enqueue(QMessageBox::Yes); // "Exit?" or Open's own question
        platform.messageAnswers.enqueue(answer);
        platform.saveAnswers.enqueue(path);
        platform.openAnswers.enqueue(QUILLMARK_TEST_DATA "/reserved.qmark");
        if (way == "close")
            window.close();
        else if (way == "exit")
            QTest::mouseClick(control<QPushButton>(&window, "exitButton"), Qt::LeftButton);
        else
            QTest::mouseClick(control<SkinButton>(&window, "openButton"), Qt::LeftButton);

        const auto asked = platform.messageBoxes.constLast();
        QCOMPARE(asked.text, QString("Save changes to the card?"));
        QCOMPARE(asked.buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        QCOMPARE(platform.saveFilters.size(), answer == QMessageBox::Save && !named ? 1 : 0);
        QCOMPARE(QFile::exists(path), answer == QMessageBox::Save);
        if (answer == QMessageBox::Save)
            QCOMPARE(readFileBytes(path), design);
        if (way == "open")
            QCOMPARE(editor.cardBytes() != design, goesOn);
        else
            QCOMPARE(platform.exits, goesOn ? QList<int>{0} : QList<int>{});
        QCOMPARE(window.windowTitle(), QString("Quillmark"));

        // Saved or opened, the card is clean: nothing is asked again.
        if (goesOn && answer != QMessageBox::Discard) {
            platform.messageBoxes.clear();
            platform.exits.clear();
            window.close();
            QVERIFY(platform.messageBoxes.isEmpty());
        }
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
