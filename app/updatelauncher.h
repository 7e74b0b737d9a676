#pragma once

class QString;
class QWidget;

// Opens the update window for owner: the window when there is an update (shown, downloading),
// null when there is none or the server could not be asked. The main window reaches the update
// layer only through here.
QWidget* openUpdateWindow(QWidget* owner, const QString& programFolder, const QString& server);
