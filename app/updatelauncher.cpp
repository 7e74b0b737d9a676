#include "app/updatelauncher.h"

#include "prompt/platform.h"
#include "update/updatemodule.h"

#include <QLibrary>
#include <QString>

QString updateModulePath(const QString& programFolder)
{
    return programFolder + QStringLiteral("/" QUILLMARK_UPDATE_MODULE);
}

QWidget* openUpdateWindowFrom(const QString& modulePath, QWidget* owner,
                              const QString& programFolder, const QString& server)
{
    QLibrary module(modulePath);
    // Once loaded, the module stays: its windows, its accessibility factory and its static
    // objects live in its code until the program ends.
    module.setLoadHints(QLibrary::PreventUnloadHint);
    using Entry = decltype(&quillmarkOpenUpdateWindow);
    Entry entry = nullptr;
    QString why;
    if (!module.load())
        why = module.errorString();
    // A library without the entry point leaves the error text as it was.
    else if (!(entry = reinterpret_cast<Entry>(module.resolve(UpdateModuleEntry))))
        why = QStringLiteral("%1 has no entry point %2.").arg(modulePath, UpdateModuleEntry);
    if (!entry) {
        Platform::instance().messageBox(
            owner, QStringLiteral("The updater could not be loaded: %1").arg(why),
            QStringLiteral("Update"), QMessageBox::Ok, QMessageBox::Warning);
        return nullptr;
    }
    return entry(owner, &Platform::instance(), programFolder, server);
}
