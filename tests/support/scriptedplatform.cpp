#include "scriptedplatform.h"

#include <QFileInfo>

#include <QAction>
#include <QMenu>
#include <QProcess>

QMessageBox::StandardButton ScriptedPlatform::messageBox(QWidget* parent, const QString& text,
                                                         const QString& title,
                                                         QMessageBox::StandardButtons buttons,
                                                         QMessageBox::Icon icon)
{
    return messageBoxWithPicture(parent, text, title, buttons, icon, QImage());
}

QMessageBox::StandardButton
ScriptedPlatform::messageBoxWithPicture(QWidget*, const QString& text, const QString& title,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::Icon icon, const QImage& picture)
{
    messageBoxes.append({text, title, buttons, icon, picture});
    if (whileMessageShown)
        whileMessageShown(messageBoxes.last());
    if (unsavedChangesAnswer != QMessageBox::NoButton && text == "Save changes to the card?")
        return unsavedChangesAnswer;
    if (!messageAnswers.isEmpty())
        return messageAnswers.dequeue();
    for (auto fallback : {QMessageBox::No, QMessageBox::Cancel, QMessageBox::Ok})
        if (buttons & fallback)
            return fallback;
    return QMessageBox::NoButton;
}

QString ScriptedPlatform::openFileName(QWidget*, const QString& filter)
{
    openFilters.append(filter);
    return openAnswers.isEmpty() ? QString() : openAnswers.dequeue();
}

QString ScriptedPlatform::saveFileName(QWidget*, const QString& filter)
{
    saveFilters.append(filter);
    return saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue();
}

Platform::ColorChoice ScriptedPlatform::chooseColor(QWidget*, const QColor& initial)
{
    colorRequests.append(initial);
    return colorAnswers.isEmpty() ? ColorChoice{} : colorAnswers.dequeue();
}

QAction* ScriptedPlatform::popupMenu(QMenu* menu, const QPoint& globalPos)
{
    MenuCall call;
    call.position = globalPos;
    for (QAction* action : menu->actions()) {
        call.items.append(action->text());
        call.enabled.append(action->isEnabled());
    }
    menus.append(call);

    const QString wanted = menuAnswers.isEmpty() ? QString() : menuAnswers.dequeue();
    for (QAction* action : menu->actions()) {
        // A disabled item cannot be chosen, as with a real menu.
        if (!wanted.isEmpty() && action->text() == wanted && action->isEnabled()) {
            action->trigger();
            return action;
        }
    }
    return nullptr;
}

bool ScriptedPlatform::startDetached(const QString& program, const QStringList& arguments,
                                     qint64* pid, bool quiet)
{
    if (realHelpers.contains(QFileInfo(program).fileName())) {
        helpers.append({program, arguments, true});
        QtPlatform real;
        return real.startDetached(program, arguments, pid, quiet);
    }
    processes.append({program, arguments, true});
    if (pid)
        *pid = 0;
    return !startProcesses || QProcess::startDetached(program, arguments);
}

int ScriptedPlatform::runProcess(const QString& program, const QStringList& arguments, int,
                                 QByteArray* output)
{
    processes.append({program, arguments, false});
    const QByteArray answer = processOutputs.isEmpty() ? QByteArray() : processOutputs.dequeue();
    if (output)
        *output = answer;
    return processExitCodes.isEmpty() ? -1 : processExitCodes.dequeue();
}

bool ScriptedPlatform::openUrl(const QUrl& url)
{
    urls.append(url);
    return true;
}

void ScriptedPlatform::exit(int code) { exits.append(code); }
