#pragma once

#include "prompt/platform.h"

#include <QImage>
#include <QList>
#include <QQueue>
#include <QUrl>

#include <functional>

// Answers the program's prompts from queues filled by a test and records every prompt.
// An unanswered prompt gets the cancelling answer (No / Cancel / empty name / no choice).
class ScriptedPlatform final : public Platform {
public:
    struct MessageBoxCall {
        QString text;
        QString title;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        QImage picture; // null for a message without one
    };
    struct MenuCall {
        QStringList items;   // texts of the actions, in order
        QList<bool> enabled; // whether each was enabled when shown
        QPoint position;
    };
    struct ProcessCall {
        QString program;
        QStringList arguments;
        bool detached = true;
    };

    ScriptedPlatform() { install(this); }
    ~ScriptedPlatform() override { install(nullptr); }

    QQueue<QMessageBox::StandardButton> messageAnswers;
    QQueue<QString> openAnswers;
    QQueue<QString> saveAnswers;
    QQueue<ColorChoice> colorAnswers;
    // The answer to "Save changes to the card?" for tests about something else; it is still
    // recorded. NoButton leaves the question to the queue above.
    QMessageBox::StandardButton unsavedChangesAnswer = QMessageBox::NoButton;
    // The text of the menu item to choose; an empty text dismisses the menu.
    QQueue<QString> menuAnswers;

    QList<MessageBoxCall> messageBoxes;
    // Runs while a message box is up, before it is answered: what happens meanwhile.
    std::function<void(const MessageBoxCall&)> whileMessageShown;
    QList<QString> openFilters;
    QList<QString> saveFilters;
    QList<QColor> colorRequests;
    QList<MenuCall> menus;
    QList<ProcessCall> processes;
    // The desktop database tools really run, so that the shared data home stays current;
    // they are recorded here rather than among the processes above.
    QStringList realHelpers = {"update-mime-database", "update-desktop-database"};
    QList<ProcessCall> helpers;
    QList<QUrl> urls;
    QList<int> exits;
    // Exit codes and outputs for runProcess, in call order; unanswered calls get -1.
    QQueue<int> processExitCodes;
    QQueue<QByteArray> processOutputs;
    // Detached programs are recorded only, unless a test wants them really started.
    bool startProcesses = false;

    QMessageBox::StandardButton messageBox(QWidget* parent, const QString& text,
                                           const QString& title,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon icon) override;
    QMessageBox::StandardButton messageBoxWithPicture(QWidget* parent, const QString& text,
                                                      const QString& title,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::Icon icon,
                                                      const QImage& picture) override;
    QString openFileName(QWidget* parent, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& filter) override;
    ColorChoice chooseColor(QWidget* parent, const QColor& initial) override;
    QAction* popupMenu(QMenu* menu, const QPoint& globalPos) override;
    bool startDetached(const QString& program, const QStringList& arguments, qint64* pid = nullptr,
                       bool quiet = false) override;
    int runProcess(const QString& program, const QStringList& arguments, int timeoutMs = 30000,
                   QByteArray* output = nullptr) override;
    bool openUrl(const QUrl& url) override;
    void exit(int code) override;
};
