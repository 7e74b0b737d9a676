#include "canvas/cardsides.h"

#include "canvas/cardeditor.h"

#include <QAction>
#include <QMenu>

namespace cardsides {

void show(CardEditor& editor, CardSide side)
{
    if (editor.design().shownSide() == side)
        return;
    editor.clearSelection();
    editor.restoreDesign(editor.design().showing(side));
}

void addActions(CardEditor& editor)
{
    QMenu* menu = editor.cardMenu();
    const auto add = [&](const char* text, const char* name, Qt::Key key, CardSide side) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WindowShortcut);
        editor.hostWindow()->addAction(action);
        QObject::connect(action, &QAction::triggered, &editor,
                         [&editor, side] { show(editor, side); });
        // Only the other side can be shown.
        const auto update = [&editor, action, side] {
            action->setEnabled(editor.design().shownSide() != side);
        };
        QObject::connect(&editor, &CardEditor::designChanged, action, update);
        update();
    };
    menu->addSeparator();
    add("Show back", "showBackAction", Qt::Key_PageDown, CardSide::Back);
    add("Show front", "showFrontAction", Qt::Key_PageUp, CardSide::Front);
}

} // namespace cardsides
