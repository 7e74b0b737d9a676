#pragma once

#include <QSettings>

#include <memory>

// Where printing keeps what it remembers between runs (the chosen layout, each printer's
// calibration): the user's Quillmark settings, which XDG_CONFIG_HOME relocates.
std::unique_ptr<QSettings> printSettings();
