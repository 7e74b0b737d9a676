#pragma once

#include <QWidget>

// The update check window (its checks and download come with the updater).
class UpdateWindow : public QWidget {
    Q_OBJECT
public:
    explicit UpdateWindow(QWidget* owner);
};
