#pragma once
#include <QString>
namespace modFileType { void registerCardFileType(const QString& programFolder); }
