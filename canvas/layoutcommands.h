#pragma once

#include <QObject>
#include <QSize>

#include <functional>

class CardEditor;
class QAction;
class QMenu;

// The commands that lay a card out precisely: zoom, grid, snapping and guides (the view's),
// and align and distribute (the selection's). Their keys work anywhere in the host window;
// the empty card's pop-up menu holds them in "Arrange" and "View", keys named. The view's
// choices are remembered from one run to the next.
class LayoutCommands : public QObject {
    Q_OBJECT
public:
    explicit LayoutCommands(CardEditor& editor);

    // The room the card may take on screen when zoomed to fit, in pixels.
    void setFitRoom(std::function<QSize()> room) { m_fitRoom = std::move(room); }

    QMenu* arrangeMenu() const { return m_arrangeMenu; }
    QMenu* viewMenu() const { return m_viewMenu; }
    // By object name: "zoomInAction", "gridAction", "alignLeftAction" ...
    QAction* action(const char* name) const;

private:
    QAction* add(QMenu* menu, const char* name, const QString& text, QList<QKeySequence> keys = {});
    void remember() const;

    CardEditor& m_editor;
    QMenu* m_arrangeMenu;
    QMenu* m_viewMenu;
    std::function<QSize()> m_fitRoom;
};
