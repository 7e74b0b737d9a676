#pragma once

#include <QMenu>
#include <QTimer>
#include <QWidget>

// Never shown: holds the element pop-up menu, the Save button's menu and the two one-shot
// timers that run a routine of the main window shortly after the current event.
class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);

    QMenu* xcx;         // element pop-up
    QAction* fdsfds;    // "Delete"
    QMenu* kj;          // Save button's menu
    QAction* ghjj;      // "Save"
    QAction* luyj;      // "Save As.."
    QTimer* Timer1;     // composes the print sheet
    QTimer* Timer3;     // runs the Print command again
};
