#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes on Linux and need not be valid UTF-8. Qt decodes such a name with
// replacement characters, which then name a different file. These two keep every byte: a byte
// that is not part of valid UTF-8 is held as a lone surrogate U+DC80..U+DCFF and turned back
// into that byte on the way out. Valid names decode exactly as QFile::decodeName does.
QString decodeFileName(const QByteArray& name);
QByteArray encodeFileName(const QString& name);
// True when the name holds bytes that Qt's own file classes cannot reach.
bool needsByteAccess(const QString& name);
