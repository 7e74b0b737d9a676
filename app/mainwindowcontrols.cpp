// The main window's controls and keys, made once when the window is: the command bar, the
// Save menu, the corner picture, the shortcuts and the editing keys.
#include "app/mainwindow.h"

#include "canvas/cardeditor.h"
#include "controls/programbutton.h"
#include "platform/resources.h"
#include "print/printcommand.h"
#include "shell/webpage.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QUndoStack>

namespace {
// The off-window buttons are plain buttons.
QPushButton* commandButton(QWidget* parent, const char* name, const QString& caption,
                           QRect geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

SkinButton* skinnedButton(QWidget* parent, const char* name, const QString& caption,
                          const char* icon, QRect geometry,
                          SkinButton::PicturePosition position = SkinButton::PictureLeft)
{
    SkinButton* button =
        makeProgramButton(parent, caption, QStringLiteral(":/icon-%1.svg").arg(icon), position);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}
} // namespace

void MainWindow::createCommandBar()
{
    const auto bar = SkinButton::PictureAbove;
    newButton = skinnedButton(this, "newButton", "New", "new", {0, 0, 41, 41}, bar);
    openButton = skinnedButton(this, "openButton", "Open", "open", {48, 0, 41, 41}, bar);
    saveButton = skinnedButton(this, "saveButton", "Save", "save", {96, 0, 41, 41}, bar);
    textButton = skinnedButton(this, "textButton", "Text", "text", {144, 0, 41, 41}, bar);
    shapeButton = skinnedButton(this, "shapeButton", "Shape", "shape", {192, 0, 41, 41}, bar);
    pictureButton = skinnedButton(this, "pictureButton", "Image", "image", {240, 0, 41, 41}, bar);
    settingsButton =
        skinnedButton(this, "settingsButton", "Settings", "settings", {288, 0, 41, 41}, bar);
    printButton = skinnedButton(this, "printButton", "Print", "print", {344, 0, 41, 41}, bar);
    aboutButton = skinnedButton(this, "aboutButton", "About", "about", {8, 272, 81, 33});
    helpButton = skinnedButton(this, "helpButton", "Help", "help", {96, 272, 105, 33});
    updateButton =
        skinnedButton(this, "updateButton", "Check for Update", "update", {208, 272, 145, 33});
    exitButton = commandButton(this, "exitButton", QString::fromUtf8("خروج"), {152, 496, 49, 25});
    frontShapeButton =
        commandButton(this, "frontShapeButton", QString::fromUtf8("شكل"), {40, 496, 41, 17});
    // Out of sight, so out of the keyboard's reach: Tab must never land on "Exit".
    exitButton->setFocusPolicy(Qt::NoFocus);
    frontShapeButton->setFocusPolicy(Qt::NoFocus);

    connect(newButton, &SkinButton::clicked, this, &MainWindow::startNewCopy);
    connect(openButton, &SkinButton::clicked, this, &MainWindow::open);
    connect(saveButton, &SkinButton::clicked, this, &MainWindow::showSaveMenu);
    connect(settingsButton, &SkinButton::clicked, this, &MainWindow::openCardOptions);
    connect(aboutButton, &SkinButton::clicked, this, &MainWindow::showAbout);
    connect(helpButton, &SkinButton::clicked, this, [] { openProductPage(); });
    connect(updateButton, &SkinButton::clicked, this, &MainWindow::showUpdateWindow);
    connect(exitButton, &QPushButton::clicked, this, &MainWindow::confirmExit);
    connect(textButton, &SkinButton::clicked, this, [this] { m_editor->addText(); });
    connect(shapeButton, &SkinButton::clicked, this, [this] { m_editor->addShape(); });
    connect(pictureButton, &SkinButton::clicked, this, [this] { m_editor->addPicture(); });
    connect(frontShapeButton, &QPushButton::clicked, this, [this] { m_editor->addShapeInFront(); });
}

void MainWindow::createSaveMenu()
{
    saveMenu = new QMenu("popp", this);
    saveMenu->setObjectName("saveMenu");
    saveAction = saveMenu->addAction("Save");
    saveAction->setObjectName("saveAction");
    saveAsAction = saveMenu->addAction("Save As..");
    saveAsAction->setObjectName("saveAsAction");
    connect(saveAction, &QAction::triggered, m_editor, &CardEditor::save);
    connect(saveAsAction, &QAction::triggered, m_editor, &CardEditor::saveAs);
    // Only a file name chosen or given enables "Save"; the Save button only ever disables it.
    connect(m_editor, &CardEditor::cardFileNameChanged, saveAction,
            [this] { saveAction->setEnabled(true); });
}

void MainWindow::createDecorations()
{
    snapshotSurface = new QWidget(this);
    snapshotSurface->setObjectName("snapshotSurface");
    snapshotSurface->setGeometry(0, 560, 360, 210);

    followPicture = new QLabel(this);
    followPicture->setObjectName("followPicture");
    followPicture->setGeometry(362, 278, 24, 24);
    followPicture->setPixmap(windowIcon().pixmap(24, 24));
    followPicture->setToolTip(QString::fromUtf8("تابعونا على صفحتنا في الشبكة الاجتماعية"));
}

// The keys run the very slots of the buttons and of the Save menu's items, questions included.
// Each button's tooltip names its action and, where it has one, its key.
void MainWindow::createShortcuts()
{
    const auto keyText = [](const QKeySequence& keys) {
        return keys.toString(QKeySequence::NativeText);
    };
    const auto addKey = [this](const char* name, const QKeySequence& keys, auto slot) {
        auto* action = new QAction(this);
        action->setObjectName(name);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    const QKeySequence newKeys(Qt::CTRL | Qt::Key_N);
    const QKeySequence openKeys(Qt::CTRL | Qt::Key_O);
    const QKeySequence saveKeys(Qt::CTRL | Qt::Key_S);
    const QKeySequence saveAsKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    const QKeySequence printKeys(Qt::CTRL | Qt::Key_P);
    addKey("newKeys", newKeys, &MainWindow::startNewCopy);
    addKey("openKeys", openKeys, &MainWindow::open);
    addKey("saveKeys", saveKeys, &MainWindow::saveByKey);
    addKey("saveAsKeys", saveAsKeys, [this] { saveAsAction->trigger(); });
    addKey("printKeys", printKeys, [this] { m_printCommand->run(); });

    newButton->setToolTip(QString("New card, in a window of its own (%1)").arg(keyText(newKeys)));
    openButton->setToolTip(QString("Open a card file (%1)").arg(keyText(openKeys)));
    saveButton->setToolTip(
        QString("Save (%1) or Save As (%2)").arg(keyText(saveKeys), keyText(saveAsKeys)));
    textButton->setToolTip("Add a text item");
    shapeButton->setToolTip("Add a shape");
    pictureButton->setToolTip("Add a picture from an image file");
    settingsButton->setToolTip("Card Options: size and background color");
    printButton->setToolTip(QString("Print sheets of the card (%1)").arg(keyText(printKeys)));
    aboutButton->setToolTip("About Quillmark");
    helpButton->setToolTip("Open the Quillmark web page");
    updateButton->setToolTip("Check for a newer version of Quillmark");
}

// The Save menu's "Save" once the card has a file, its "Save As.." until then.
void MainWindow::saveByKey()
{
    (m_editor->cardFileName().isEmpty() ? saveAsAction : saveAction)->trigger();
}

// The editing keys reach the editor wherever the focus is in the window.
void MainWindow::createEditKeys()
{
    const auto addKeys = [this](const char* name, QList<QKeySequence> keys, auto slot) {
        auto* action = new QAction(this);
        action->setObjectName(name);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, m_editor, slot);
        addAction(action);
    };
    QUndoStack* history = m_editor->undoStack();
    addKeys("undoKeys", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, [history] { history->undo(); });
    addKeys("redoKeys",
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
            [history] { history->redo(); });
    addKeys("copyKeys", {QKeySequence(Qt::CTRL | Qt::Key_C)}, &CardEditor::copySelected);
    addKeys("cutKeys", {QKeySequence(Qt::CTRL | Qt::Key_X)}, &CardEditor::cutSelected);
    addKeys("pasteKeys", {QKeySequence(Qt::CTRL | Qt::Key_V)}, &CardEditor::paste);
    addKeys("duplicateKeys", {QKeySequence(Qt::CTRL | Qt::Key_D)}, &CardEditor::duplicateSelected);
    addKeys("selectAllKeys", {QKeySequence(Qt::CTRL | Qt::Key_A)}, &CardEditor::selectAll);
}
