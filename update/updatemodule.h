#pragma once

#include <QtGlobal>

class Platform;
class QString;
class QWidget;

// The one entry point of the update module, the shared library that the program loads only when
// the user asks for an update (app/updatelauncher.h). It opens the update window as
// UpdateWindow::open does. The module links its own copy of the layers below; platform is the
// program's seam, installed into that copy so that the window's prompts go where the program's
// go. Host and module come from one build: nothing here is meant to be stable across versions.
extern "C" Q_DECL_EXPORT QWidget* quillmarkOpenUpdateWindow(QWidget* owner, Platform* platform,
                                                            const QString& programFolder,
                                                            const QString& server);

inline constexpr char UpdateModuleEntry[] = "quillmarkOpenUpdateWindow";
