#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The freedesktop default-application lists and installed desktop entries, as far as a program
// that associates its own document types needs them. Paths follow the XDG base directories.
namespace mimeapps {

// $XDG_CONFIG_HOME when absolute, else ~/.config: where a per-user default belongs.
QString configHome();
// $XDG_DATA_DIRS (absolute entries), else /usr/local/share and /usr/share.
QStringList dataDirs();

// Every default-application list a desktop consults, the user's first. The deprecated list in
// the data home is included: a default found there is still the user's choice.
QStringList defaultListFiles();

// True when some list names a default application for the type (type names ignore case).
bool defaultIsSet(const QString& mimeType);

// The list text with "mimeType=desktopId;" added to its [Default Applications] group (created
// at the end when missing); every other line stays as it was.
QByteArray withDefaultApplication(const QByteArray& text, const QByteArray& mimeType,
                                  const QByteArray& desktopId);

// True when a desktop entry of this file name installed under dataDirs() opens every type.
bool installedEntryCovers(const QString& desktopFileName, const QStringList& mimeTypes);

} // namespace mimeapps
