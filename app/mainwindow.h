#pragma once

#include "app/startupoptions.h"

#include <QPointer>
#include <QWidget>

class CardEditor;
class LayoutCommands;
class PrintCommand;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class SkinButton;

// The main window: the command bar around the card editor, start-up and shutdown.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 390;
    static constexpr int ClientHeight = 315;

    explicit MainWindow(StartupOptions options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence; opening a card runs it again without the command-line card.
    void startUp(bool withCommandLine = true);

    CardEditor& editor() const { return *m_editor; }
    LayoutCommands& layoutCommands() const { return *m_layoutCommands; }
    // The Print button's chain, whose sheet and preview the callers wait for.
    PrintCommand& printCommand() const { return *m_printCommand; }
    QString programFolder() const;
    // False while the window is being rebuilt, so that closing it then does not end the program.
    bool endOnClose = false;

    // Windows owned by the main window, while open.
    QPointer<QWidget> aboutBox;
    QPointer<QWidget> updateWindow;
    QPointer<QWidget> textOptions;
    QPointer<QWidget> shapeOptions;
    QPointer<QWidget> qrCodeOptions;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createCommandBar();
    void createSaveMenu();
    void createShortcuts();
    void saveByKey();
    void createEditKeys();
    // Asks whether to save unsaved changes; false when the user cancels or saving fails.
    bool settleUnsavedChanges();
    void createDecorations();
    void confirmExit();
    void openCardOptions();
    void showUpdateWindow();
    void showAbout();
    void showSaveMenu();
    void open();
    void startNewCopy();
    void openTextOptions(int index);
    void openShapeOptions(int index);
    void openQrCodeOptions(int index);
    void registerFileType();
    void readCommandLineCard();
    void updateRunCounter();
    void createCardArea();
    // The card's room on this screen, and the window laid out around the card at its zoom:
    // at full size the card fits the window as designed; a larger card grows the window, and
    // past the room it scrolls.
    QSize cardRoom() const;
    void layOutCard();
    void followZoom(QPointF anchorBefore, QPointF anchorAfter);

    // Command bar.
    SkinButton* newButton;
    SkinButton* openButton;
    SkinButton* saveButton;
    SkinButton* textButton;
    SkinButton* shapeButton;
    SkinButton* pictureButton;
    SkinButton* settingsButton;
    SkinButton* printButton;
    SkinButton* aboutButton;
    SkinButton* helpButton;
    SkinButton* updateButton;
    // Below the visible area.
    QPushButton* exitButton;
    QPushButton* frontShapeButton;
    // The print snapshot's surface, below the visible area, and the follow-us picture.
    QWidget* snapshotSurface;
    QLabel* followPicture;

    // The Save button's menu.
    QMenu* saveMenu;
    QAction* saveAction;
    QAction* saveAsAction;

    // The Print button's chain.
    PrintCommand* m_printCommand;

    // The card view's scroll area, and where the widgets below the card stand at full size.
    QScrollArea* cardArea;
    QList<std::pair<QWidget*, QRect>> m_belowCard;
    LayoutCommands* m_layoutCommands;

    StartupOptions m_options;
    CardEditor* m_editor;
    int m_qrCodeIndex = 0;
    bool m_checkingForUpdate = false;
};
