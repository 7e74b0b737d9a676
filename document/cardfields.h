#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The four field formats of a card file line, written and read independently of the locale.
namespace cardfile {

// One field as it stands on its line: the characters between the quotes of a quoted field, or
// those of an unquoted field (leading and trailing blanks dropped) up to a comma.
struct Field {
    QByteArrayView text;
    bool quoted = false;
};

// Each line holds exactly one field, so a quoted field runs to the last double quote on its
// line: texts with embedded double quotes, which the writer does not escape, read back whole.
// A quoted field without a closing quote runs to the end of the line.
Field extractField(QByteArrayView line);

// Single-precision numbers: the shortest text of at most 7 significant digits that reads back
// as the same float, or the value rounded to 7 digits when no such text exists. Fixed notation
// for 1E-5 <= |value| < 1E7 ("9.75", "3000", "0.1", "0.00001"), otherwise a mantissa with an
// exponent of at least two digits ("1E+10", "1.234568E+07", "1.5E-06"). Zero, negative zero
// included, is "0"; not-a-number is "0" and infinities are the largest finite float, so that
// the file always stays readable.
QByteArray formatSingle(float value);
QByteArray formatInteger(qint64 value);
QByteArray formatBoolean(bool value);
// The text between double quotes, unchanged but for line breaks, each written as one space:
// a line break inside a field would shift every later line of the file.
QByteArray formatQuoted(const QString& text);
QString withoutLineBreaks(const QString& text);
// Text of any kind on one line of printable ASCII: its UTF-8 bytes, each byte outside 0x20 to
// 0x7E and every '"' and '%' written as %XX (upper-case hex), so that quotes and line breaks in
// the text never reach the file.
QByteArray formatPercentEncoded(const QString& text);

// Conversions give nothing when the field does not hold a value of the type, so that the
// caller can leave the property as it was. Numbers are unquoted: an optional sign and digits,
// for singles also a full stop with fraction digits and an exponent ("1E+07", ".5", "-0").
// Anything else ("12abc", "12.0" for an integer, hex, "inf") does not convert, and neither
// does a value out of the type's range (a single that underflows to zero included).
std::optional<float> parseSingle(const Field& field);
std::optional<qint32> parseInt32(const Field& field);
std::optional<qint16> parseInt16(const Field& field);
// #TRUE# or #FALSE#, unquoted; the letters in either case.
std::optional<bool> parseBoolean(const Field& field);
// The other way, quoted or not. A '%' not followed by two hex digits stays as it is; the bytes
// are UTF-8, or Windows-1252 when they are not (as for every other text of the file).
QString parsePercentEncoded(const Field& field);
// Any field converts to text, quoted or not.
QString fieldText(const Field& field);

} // namespace cardfile
