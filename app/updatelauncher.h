#pragma once

#include <QtGlobal>

#include <optional>

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

// The module a build made: its size in bytes and its SHA-256 in lower-case hexadecimal.
struct UpdateModuleIdentity {
    qint64 size;
    const char* sha256;
};
// The program's own module, recorded by the build that linked both.
extern const UpdateModuleIdentity BuiltUpdateModule;

// The same through the update module at modulePath. The module is read once and, when
// `expected` is given, loaded only if it is that very module: a copy cut short or changed is
// never mapped. When it cannot be loaded the user is told why, and there is no window.
QWidget* openUpdateWindowFrom(const QString& modulePath,
                              const std::optional<UpdateModuleIdentity>& expected, QWidget* owner,
                              const QString& programFolder, const QString& server);
