#include "update/updatemodule.h"

#include "prompt/platform.h"
#include "update/updatewindow.h"

// Built into the update module only, never into the static layer.

QWidget* quillmarkOpenUpdateWindow(QWidget* owner, Platform* platform, const QString& programFolder,
                                   const QString& server)
{
    Platform::install(platform);
    return UpdateWindow::open(owner, programFolder, server);
}
