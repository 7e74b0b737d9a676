#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Card files hold text in the locale's 8-bit encoding (UTF-8 on Linux). Files made on other
// systems are usually Windows-1252, so text that is not valid in the locale's encoding is read
// as Windows-1252 instead: every byte means something there, and such files always open.
namespace cardfile {

QByteArray encodeText(const QString& text);

// Decodes one line. The fallback applies to the whole line, not to single bytes: a line comes
// from one writer, and a Windows-1252 line may hold byte pairs that happen to be valid UTF-8
// ("Ã©" is C3 A9), which a per-byte fallback would silently turn into other letters.
QString decodeText(QByteArrayView bytes);

// The five bytes that the code page leaves unassigned decode to the C1 controls of the same
// value, as the desktop's own converters do, so no byte is ever lost.
QString decodeWindows1252(QByteArrayView bytes);

} // namespace cardfile
