#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The contact card a QR code can carry: a vCard 3.0 made from a few fields, and read back into
// them for editing.
namespace vcard {

struct VCardFields {
    QString fullName;
    QString organisation;
    QString title;
    QString workPhone;
    QString mobilePhone;
    QString email;
    QString webAddress;
    QString streetAddress; // may span lines

    bool operator==(const VCardFields&) const = default;
};

// UTF-8 text with CRLF line ends, every line folded to at most 75 octets without splitting a
// character. Empty fields are left out, but for the name lines vCard 3.0 requires.
QByteArray writeVCard(const VCardFields& fields);

// The fields of the first BEGIN:VCARD ... END:VCARD block; nothing when there is none. Lines
// may end in CRLF or LF; properties we do not keep are skipped. A phone typed CELL is the
// mobile phone, any other the work phone; the parts of a structured address are joined by
// ", " (ours has only the street part, so it comes back unchanged).
std::optional<VCardFields> parseVCard(QByteArrayView text);

// Backslash, comma, semicolon and line breaks (each CRLF, LF or CR becomes "\n").
QString escapeValue(const QString& value);

} // namespace vcard
