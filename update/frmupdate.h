#pragma once

#include <QWidget>

// The update check window (its checks and download come with the updater).
class FrmUpdate : public QWidget {
    Q_OBJECT
public:
    explicit FrmUpdate(QWidget* owner);
};
