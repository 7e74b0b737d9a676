#pragma once

class QString;
class QWidget;

// Opens the update window for owner: the window when there is an update (shown, downloading),
// null when there is none or the server could not be asked. The program loads the update code
// only here, from a module beside it, so that a start does not load the network and signature
// libraries; the tests and tools link it in and call it directly.
QWidget* openUpdateWindow(QWidget* owner, const QString& programFolder, const QString& server);

// Where the program finds its update module: beside the executable, in the build tree as in the
// installed program folder.
QString updateModulePath(const QString& programFolder);

// The same through the update module at modulePath. When it cannot be loaded the user is told
// why, and there is no window.
QWidget* openUpdateWindowFrom(const QString& modulePath, QWidget* owner,
                              const QString& programFolder, const QString& server);
