#include "canvas/layoutcommands.h"

#include "canvas/arrange.h"
#include "canvas/cardeditor.h"

#include <QAction>
#include <QMenu>
#include <QSettings>

namespace {
QSettings viewSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmark"),
                     QStringLiteral("Quillmark"));
}
} // namespace

LayoutCommands::LayoutCommands(CardEditor& editor)
    : QObject(&editor)
    , m_editor(editor)
{
    setObjectName("layoutCommands");
    QWidget* host = editor.hostWindow();
    CardView* view = editor.view();
    m_arrangeMenu = new QMenu("Arrange", host);
    m_arrangeMenu->setObjectName("arrangeMenu");
    m_viewMenu = new QMenu("View", host);
    m_viewMenu->setObjectName("viewMenu");

    using arrange::Command;
    const auto keys = [](QKeyCombination key) { return QList<QKeySequence>{QKeySequence(key)}; };
    const auto ctrlShift = Qt::CTRL | Qt::SHIFT;
    // In menu order; a command with no name is a separator.
    const struct {
        const char* name;
        const char* text;
        Command command;
        QList<QKeySequence> keys;
    } arranging[] = {
        {"alignLeftAction", "Align Left", Command::AlignLeft, keys(ctrlShift | Qt::Key_Left)},
        {"alignCentresAction", "Align Centers", Command::AlignHorizontalCentres, {}},
        {"alignRightAction", "Align Right", Command::AlignRight, keys(ctrlShift | Qt::Key_Right)},
        {nullptr, nullptr, {}, {}},
        {"alignTopAction", "Align Top", Command::AlignTop, keys(ctrlShift | Qt::Key_Up)},
        {"alignMiddlesAction", "Align Middles", Command::AlignVerticalCentres, {}},
        {"alignBottomAction", "Align Bottom", Command::AlignBottom, keys(ctrlShift | Qt::Key_Down)},
        {nullptr, nullptr, {}, {}},
        {"distributeAcrossAction", "Distribute Horizontally", Command::DistributeHorizontally, {}},
        {"distributeDownAction", "Distribute Vertically", Command::DistributeVertically, {}},
        {nullptr, nullptr, {}, {}},
        {"centreAcrossAction", "Center on Card Horizontally", Command::CentreOnCardHorizontally,
         keys(ctrlShift | Qt::Key_H)},
        {"centreDownAction", "Center on Card Vertically", Command::CentreOnCardVertically,
         keys(ctrlShift | Qt::Key_V)},
    };
    for (const auto& item : arranging) {
        if (!item.name) {
            m_arrangeMenu->addSeparator();
            continue;
        }
        connect(add(m_arrangeMenu, item.name, item.text, item.keys), &QAction::triggered, this,
                [this, command = item.command] { arrange::run(m_editor, command); });
    }

    connect(add(m_viewMenu, "zoomInAction", "Zoom In",
                {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)}),
            &QAction::triggered, view, &CardView::zoomIn);
    connect(add(m_viewMenu, "zoomOutAction", "Zoom Out", keys(Qt::CTRL | Qt::Key_Minus)),
            &QAction::triggered, view, &CardView::zoomOut);
    connect(add(m_viewMenu, "actualSizeAction", "Actual Size", keys(Qt::CTRL | Qt::Key_0)),
            &QAction::triggered, view, [view] { view->setZoom(1); });
    connect(add(m_viewMenu, "zoomToFitAction", "Zoom to Fit"), &QAction::triggered, view,
            [this, view] {
                if (m_fitRoom)
                    view->zoomToFit(m_fitRoom());
            });
    m_viewMenu->addSeparator();
    QAction* grid = add(m_viewMenu, "gridAction", "Show Grid", keys(Qt::CTRL | Qt::Key_Apostrophe));
    // Where Shift and the apostrophe give a double quote, the key map still finds this.
    QAction* snap =
        add(m_viewMenu, "snapToGridAction", "Snap to Grid", keys(ctrlShift | Qt::Key_Apostrophe));
    QAction* guides =
        add(m_viewMenu, "guidesAction", "Smart Guides", keys(Qt::CTRL | Qt::Key_Semicolon));
    for (QAction* toggle : {grid, snap, guides})
        toggle->setCheckable(true);

    // As last chosen; off, at full size, the first time.
    QSettings settings = viewSettings();
    view->setZoom(settings.value("view/zoom", 1.0).toDouble());
    grid->setChecked(settings.value("view/grid", false).toBool());
    snap->setChecked(settings.value("view/snapToGrid", false).toBool());
    guides->setChecked(settings.value("view/guides", false).toBool());
    view->setGridShown(grid->isChecked());
    view->setSnapToGrid(snap->isChecked());
    view->setGuidesOn(guides->isChecked());

    connect(grid, &QAction::toggled, this, [this, view](bool on) {
        view->setGridShown(on);
        remember();
    });
    connect(snap, &QAction::toggled, this, [this, view](bool on) {
        view->setSnapToGrid(on);
        remember();
    });
    connect(guides, &QAction::toggled, this, [this, view](bool on) {
        view->setGuidesOn(on);
        remember();
    });
    connect(view, &CardView::zoomChanged, this, &LayoutCommands::remember);

    QMenu* cardMenu = editor.cardMenu();
    cardMenu->addSeparator();
    cardMenu->addMenu(m_arrangeMenu);
    cardMenu->addMenu(m_viewMenu);
}

QAction* LayoutCommands::add(QMenu* menu, const char* name, const QString& text,
                             QList<QKeySequence> keys)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcuts(keys);
    // The keys work wherever the host window has the focus, not only while the menu is open.
    action->setShortcutContext(Qt::WindowShortcut);
    m_editor.hostWindow()->addAction(action);
    return action;
}

QAction* LayoutCommands::action(const char* name) const
{
    return m_editor.hostWindow()->findChild<QAction*>(name);
}

void LayoutCommands::remember() const
{
    QSettings settings = viewSettings();
    const CardView* view = m_editor.view();
    settings.setValue("view/zoom", view->zoom());
    settings.setValue("view/grid", view->gridShown());
    settings.setValue("view/snapToGrid", view->snapsToGrid());
    settings.setValue("view/guides", view->guidesOn());
}
