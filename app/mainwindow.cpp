#include "app/mainwindow.h"

#include "app/runcounter.h"
#include "app/updatelauncher.h"
#include "canvas/cardeditor.h"
#include "controls/programbutton.h"
#include "dialogs/cardoptionsdialog.h"
#include "dialogs/qroptionsdialog.h"
#include "dialogs/shapeoptionsdialog.h"
#include "dialogs/textoptionsdialog.h"
#include "platform/filefilter.h"
#include "platform/platform.h"
#include "platform/resources.h"
#include "print/printcommand.h"
#include "shell/aboutdialog.h"
#include "shell/fileassociation.h"
#include "shell/webpage.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
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

MainWindow::MainWindow(StartupOptions options, QWidget* parent)
    : QWidget(parent)
    , m_options(std::move(options))
{
    initResources();
    setObjectName("mainWindow");
    setWindowTitle("Quillmark");
    setWindowIcon(programIcon(":/quillmark.svg"));
    setFixedSize(ClientWidth, ClientHeight);
    createCommandBar();
    m_editor = new CardEditor(this);
    createSaveMenu();
    createDecorations();

    connect(m_editor, &CardEditor::textOptionsRequested, this, &MainWindow::openTextOptions);
    connect(m_editor, &CardEditor::shapeOptionsRequested, this, &MainWindow::openShapeOptions);
    connect(m_editor, &CardEditor::qrCodeOptionsRequested, this, &MainWindow::openQrCodeOptions);

    // Printing is wired here and nowhere else.
    m_printCommand = new PrintCommand(*m_editor, this);
    connect(printButton, &SkinButton::clicked, m_printCommand, &PrintCommand::run);
    createShortcuts();
    createEditKeys();
}

MainWindow::~MainWindow()
{
    // The option dialogs act on the editor: they go first, so that no late signal (a focus
    // change while the window is torn down) reaches an editor that is already gone.
    delete textOptions.data();
    delete shapeOptions.data();
    delete qrCodeOptions.data();
}

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

bool MainWindow::settleUnsavedChanges()
{
    if (!m_editor->isModified())
        return true;
    const auto answer = Platform::instance().messageBox(
        this, "Save changes to the card?", "Quillmark",
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Question);
    if (answer == QMessageBox::Discard)
        return true;
    if (answer != QMessageBox::Save)
        return false;
    // Save's path, and Save As's while the card has no file.
    return m_editor->cardFileName().isEmpty() ? m_editor->saveAs() : m_editor->save();
}

QString MainWindow::programFolder() const { return QFileInfo(m_options.executable).absolutePath(); }

// Every step stands on its own: a failure in one never keeps the others from running.
void MainWindow::startUp(bool withCommandLine)
{
    m_editor->createHandles();
    registerFileType();
    if (withCommandLine)
        readCommandLineCard();
    endOnClose = true;
    updateRunCounter();
}

void MainWindow::registerFileType() { fileassociation::registerCardFileType(programFolder()); }

void MainWindow::readCommandLineCard()
{
    const QString& path = m_options.commandLine;
    if (path.isEmpty())
        return;
    m_editor->load(path);
    m_editor->setCardFileName(path);
}

void MainWindow::updateRunCounter()
{
    const QString path = runcounter::location(programFolder());
    QDir().mkpath(QFileInfo(path).absolutePath());
    const runcounter::Step step = runcounter::next(runcounter::readFirstLine(path));
    if (step.askForUpdate) {
        const auto answer = Platform::instance().messageBox(this, "Check for Update?", "Update",
                                                            QMessageBox::Yes | QMessageBox::No,
                                                            QMessageBox::Question);
        if (answer == QMessageBox::Yes) {
            openProductPage();
            showUpdateWindow();
        }
    }
    runcounter::write(path, step.newContent);
}

void MainWindow::showUpdateWindow()
{
    if (updateWindow) {
        updateWindow->raise();
        return;
    }
    // The check waits for the server in an event loop of its own, where the button can be
    // pressed again: one check at a time.
    if (m_checkingForUpdate)
        return;
    const QScopedValueRollback checking(m_checkingForUpdate, true);
    updateWindow = openUpdateWindow(this, programFolder(), makerServer());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (endOnClose) {
        // Unsaved work is never lost without a question.
        if (!settleUnsavedChanges()) {
            event->ignore();
            return;
        }
        Platform::instance().exit(0);
        return;
    }
    event->accept();
}

void MainWindow::confirmExit()
{
    const auto answer = Platform::instance().messageBox(
        this, "Exit?", QString(), QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon);
    if (answer == QMessageBox::Yes && settleUnsavedChanges())
        Platform::instance().exit(0);
}

void MainWindow::openCardOptions()
{
    // Card Options is made afresh for each showing; the pointer guards against the window
    // going away while the dialog runs.
    QPointer<CardOptionsDialog> dialog = new CardOptionsDialog(*m_editor);
    dialog->exec();
    delete dialog.data();
}

void MainWindow::showAbout() { aboutBox = AboutDialog::showFor(this); }

void MainWindow::showSaveMenu()
{
    if (m_editor->cardFileName().isEmpty())
        saveAction->setEnabled(false);
    Platform::instance().popupMenu(saveMenu, QCursor::pos());
}

void MainWindow::startNewCopy() { Platform::instance().startDetached(m_options.executable, {}); }

void MainWindow::open()
{
    Platform& platform = Platform::instance();
    if (platform.messageBox(this, "Are you sure open saved card? Current design will erased?",
                            "Open", QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon)
        != QMessageBox::Yes)
        return;
    const QString path = platform.openFileName(this, CardFilter);
    if (path.isEmpty())
        return;
    // The design is erased only once the new one is known to be readable.
    const RegularFileRead read = m_editor->readCardFile(path);
    if (!read.ok()) {
        m_editor->reportUnreadable(path, read.error);
        return;
    }
    // Asked last, just before the design is erased, so that nothing is saved for an open
    // that does not happen.
    if (!settleUnsavedChanges())
        return;

    endOnClose = false;
    m_editor->reset();
    startUp(false);
    show();
    m_editor->loadBytes(read.bytes);
    m_editor->setCardFileName(path);
    endOnClose = true;
}

void MainWindow::openTextOptions(int index)
{
    auto* dialog = qobject_cast<TextOptionsDialog*>(textOptions.data());
    if (!dialog)
        textOptions = dialog = new TextOptionsDialog(*m_editor);
    dialog->move(0, 0);
    dialog->show();
    dialog->raise();
    if (const CardItem* item = m_editor->item(ElementKind::Text, index))
        dialog->fillFrom(*item);
}

void MainWindow::openShapeOptions(int index)
{
    auto* dialog = qobject_cast<ShapeOptionsDialog*>(shapeOptions.data());
    if (!dialog)
        shapeOptions = dialog = new ShapeOptionsDialog(*m_editor);
    dialog->show();
    dialog->raise();
    if (const CardItem* shape = m_editor->item(ElementKind::Shape, index))
        dialog->fillFrom(*shape);
}

void MainWindow::openQrCodeOptions(int index)
{
    const CardItem* item = m_editor->item(ElementKind::QrCode, index);
    if (!item)
        return;
    auto* dialog = qobject_cast<QrOptionsDialog*>(qrCodeOptions.data());
    if (!dialog) {
        qrCodeOptions = dialog = new QrOptionsDialog(this);
        // Each edit is written into the code the dialog was last opened for, at once.
        connect(dialog, &QrOptionsDialog::changed, this, [this](const QrCodeOptions& options) {
            m_editor->changeItem(ElementKind::QrCode, m_qrCodeIndex,
                                 [&](CardItem& code) { options.applyTo(code.qr); });
        });
    }
    m_qrCodeIndex = index;
    dialog->setCardColor(m_editor->design().backColor);
    dialog->setOptions(QrCodeOptions::fromLook(item->qr));
    dialog->show();
    dialog->raise();
}
