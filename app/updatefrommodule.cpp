#include "app/updatelauncher.h"

#include <QString>

// The program's own definition; the tests and tools link the update layer in instead.
QWidget* openUpdateWindow(QWidget* owner, const QString& programFolder, const QString& server)
{
    return openUpdateWindowFrom(updateModulePath(programFolder), BuiltUpdateModule, owner,
                                programFolder, server);
}
