#include "app/mainwindow.h"

#include "app/runcounter.h"
#include "app/updatelauncher.h"
#include "canvas/cardeditor.h"
#include "canvas/layoutcommands.h"
#include "controls/skinbutton.h"
#include "dialogs/cardoptionsdialog.h"
#include "dialogs/qroptionsdialog.h"
#include "dialogs/shapeoptionsdialog.h"
#include "dialogs/textoptionsdialog.h"
#include "platform/filefilter.h"
#include "platform/resources.h"
#include "print/printcommand.h"
#include "prompt/platform.h"
#include "shell/aboutdialog.h"
#include "shell/fileassociation.h"
#include "shell/webpage.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

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
    createCardArea();
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

    for (QWidget* below :
         std::initializer_list<QWidget*>{aboutButton, helpButton, updateButton, exitButton,
                                         frontShapeButton, snapshotSurface, followPicture})
        m_belowCard.append({below, below->geometry()});
    m_layoutCommands = new LayoutCommands(*m_editor);
    m_layoutCommands->setFitRoom([this] { return cardRoom(); });
    connect(m_editor->view(), &CardView::zoomChanged, this,
            [this](qreal, QPointF before, QPointF after) { followZoom(before, after); });
    layOutCard();
}

void MainWindow::createCardArea()
{
    // Frameless and exactly the card's size at full size: the window looks as it always has.
    cardArea = new QScrollArea(this);
    cardArea->setObjectName("cardArea");
    cardArea->setFrameShape(QFrame::NoFrame);
    cardArea->setFocusPolicy(Qt::NoFocus);
    cardArea->setWidget(m_editor->view());
    m_editor->view()->installEventFilter(this);
}

QSize MainWindow::cardRoom() const
{
    const QScreen* shown = screen();
    if (!shown)
        return {ClientWidth, int(CardDesign::DefaultHeightPixels)};
    const QSize frame = frameGeometry().size() - geometry().size();
    return shown->availableGeometry().size() - frame
           - QSize(0, ClientHeight - int(CardDesign::DefaultHeightPixels));
}

void MainWindow::layOutCard()
{
    const QSize card = m_editor->view()->size();
    QSize area = card;
    if (m_editor->view()->zoom() != 1) {
        // Scroll bars where the room ends, each taking its width from the room.
        const QSize room = cardRoom().expandedTo({ClientWidth, 1});
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        area = card.boundedTo(room);
        if (area.width() < card.width())
            area.setHeight(qMin(room.height(), card.height() + bar));
        if (area.height() < card.height())
            area.setWidth(qMin(room.width(), card.width() + bar));
    }
    cardArea->setGeometry(QRect(QPoint(0, 48), area));
    // Its viewport follows now, not at the next showing: a hidden window measures true too.
    QResizeEvent resized(area, area);
    QCoreApplication::sendEvent(cardArea, &resized);
    const int grownBy = qMax(0, area.height() - int(CardDesign::DefaultHeightPixels));
    for (const auto& [below, atFullSize] : std::as_const(m_belowCard))
        below->setGeometry(atFullSize.translated(0, grownBy));
    setFixedSize(qMax(ClientWidth, area.width()), ClientHeight + grownBy);
}

// The card point under the pointer stays under it.
void MainWindow::followZoom(QPointF anchorBefore, QPointF anchorAfter)
{
    layOutCard();
    const QPointF by = anchorAfter - anchorBefore;
    cardArea->horizontalScrollBar()->setValue(cardArea->horizontalScrollBar()->value()
                                              + qRound(by.x()));
    cardArea->verticalScrollBar()->setValue(cardArea->verticalScrollBar()->value()
                                            + qRound(by.y()));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor->view() && event->type() == QEvent::Resize)
        layOutCard();
    return QWidget::eventFilter(watched, event);
}

MainWindow::~MainWindow()
{
    // The option dialogs act on the editor: they go first, so that no late signal (a focus
    // change while the window is torn down) reaches an editor that is already gone.
    delete textOptions.data();
    delete shapeOptions.data();
    delete qrCodeOptions.data();
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
    // A missing file is a new card of that name. A file that could not be read, or that is no
    // card, is not adopted: a plain Save would write over it.
    bool missing = false;
    if (m_editor->load(path, &missing) || missing)
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
    // The design is erased only once the new one is known to be a readable card.
    const std::optional<QByteArray> card = m_editor->openCardFile(path);
    if (!card)
        return;
    // Asked last, just before the design is erased, so that nothing is saved for an open
    // that does not happen.
    if (!settleUnsavedChanges())
        return;

    endOnClose = false;
    m_editor->reset();
    startUp(false);
    show();
    m_editor->loadBytes(*card, path);
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
