#include "app/updatelauncher.h"

#include "update/updatewindow.h"

QWidget* openUpdateWindow(QWidget* owner, const QString& programFolder, const QString& server)
{
    return UpdateWindow::open(owner, programFolder, server);
}
