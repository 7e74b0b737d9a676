#include "shell/modfiletype.h"
namespace modFileType { void registerCardFileType(const QString&) {} }
