#pragma once

#include <QString>
#include <QStringList>

// The script-suffix rule for font faces. Four faces are stored with " (Arabic)" after the
// name (exact, case-sensitive comparison); a stored name with the suffix is drawn with the
// family without it.
inline const QString FontScriptSuffix = QStringLiteral(" (Arabic)");

// The name stored for a face: one of the four gets the suffix; every other name, one that
// carries the suffix already included, stays as it is.
QString storedFontName(const QString& face);

// The family a stored name is drawn with.
QString renderedFontFamily(const QString& stored);

// The families as a user's list shows them: the bracketed foundry of "C059 [urw]" dropped and
// each family listed once, in the order given.
QStringList listedFontFamilies(const QStringList& families);
