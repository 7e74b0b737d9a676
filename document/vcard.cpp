#include "document/vcard.h"

#include <QList>
#include <QStringList>

#include <algorithm>

namespace vcard {

namespace {

constexpr qsizetype FoldOctets = 75;

// Appends one content line, folded: continuation lines start with a space, which counts
// towards their 75 octets. A cut never falls inside a UTF-8 sequence.
void appendFolded(QByteArray& out, const QByteArray& line)
{
    qsizetype at = 0;
    qsizetype room = FoldOctets;
    for (;;) {
        qsizetype cut = std::min(line.size(), at + room);
        if (cut < line.size())
            while (cut > at + 1 && (uchar(line[cut]) & 0xC0) == 0x80)
                --cut;
        out += line.mid(at, cut - at);
        out += "\r\n";
        at = cut;
        if (at >= line.size())
            return;
        out += ' ';
        room = FoldOctets - 1;
    }
}

void property(QByteArray& out, const char* name, const QString& value)
{
    if (!value.isEmpty())
        appendFolded(out, QByteArray(name) + ':' + escapeValue(value).toUtf8());
}

// Splits a value at the semicolons that separate its parts, unescaping each part.
QStringList parts(const QString& value)
{
    QStringList result;
    QString part;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            part += next == u'n' || next == u'N' ? QChar(u'\n') : next;
        } else if (c == u';') {
            result << part;
            part.clear();
        } else {
            part += c;
        }
    }
    result << part;
    return result;
}

QString joinedParts(const QString& value)
{
    QStringList kept = parts(value);
    kept.removeAll(QString());
    return kept.join(QStringLiteral(", "));
}

} // namespace

QString escapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' || c == u',' || c == u';') {
            out += u'\\';
            out += c;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n')
                ++i;
            out += QStringLiteral("\\n");
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray writeVCard(const VCardFields& fields)
{
    QByteArray out;
    appendFolded(out, "BEGIN:VCARD");
    appendFolded(out, "VERSION:3.0");
    // vCard 3.0 requires a structured name; the last word is taken as the family name.
    const QString name = fields.fullName.trimmed();
    const qsizetype space = name.lastIndexOf(u' ');
    const QString family = space < 0 ? name : name.mid(space + 1);
    const QString given = space < 0 ? QString() : name.left(space).trimmed();
    appendFolded(out,
                 "N:" + escapeValue(family).toUtf8() + ';' + escapeValue(given).toUtf8() + ";;;");
    appendFolded(out, "FN:" + escapeValue(fields.fullName).toUtf8());
    property(out, "ORG", fields.organisation);
    property(out, "TITLE", fields.title);
    property(out, "TEL;TYPE=WORK,VOICE", fields.workPhone);
    property(out, "TEL;TYPE=CELL", fields.mobilePhone);
    property(out, "EMAIL;TYPE=INTERNET", fields.email);
    property(out, "URL", fields.webAddress);
    if (!fields.streetAddress.isEmpty())
        appendFolded(out, "ADR;TYPE=WORK:;;" + escapeValue(fields.streetAddress).toUtf8() + ";;;;");
    appendFolded(out, "END:VCARD");
    return out;
}

std::optional<VCardFields> parseVCard(QByteArrayView text)
{
    // Unfold first, on bytes: a foreign writer may have cut inside a character.
    QList<QByteArray> lines;
    for (QByteArrayView rest = text; !rest.isEmpty();) {
        qsizetype end = rest.indexOf('\n');
        QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!lines.isEmpty() && (line.startsWith(' ') || line.startsWith('\t')))
            lines.last() += line.sliced(1);
        else
            lines << line.toByteArray();
    }

    std::optional<VCardFields> fields;
    bool seen[8] = {};
    auto keep = [&](int slot, QString& field, const QString& value) {
        if (!seen[slot]) {
            seen[slot] = true;
            field = value;
        }
    };
    for (const QByteArray& bytes : lines) {
        const QString line = QString::fromUtf8(bytes);
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            continue;
        QString name = line.left(colon).toUpper();
        const QString value = line.mid(colon + 1);
        if (!fields) {
            if (name == u"BEGIN" && value.trimmed().compare(u"VCARD", Qt::CaseInsensitive) == 0)
                fields.emplace();
            continue;
        }
        if (name == u"END")
            break;
        QString parameters;
        if (const qsizetype semicolon = name.indexOf(u';'); semicolon >= 0) {
            parameters = name.mid(semicolon);
            name.truncate(semicolon);
        }
        name = name.mid(name.lastIndexOf(u'.') + 1); // a group prefix ("item1.TEL")
        VCardFields& f = *fields;
        if (name == u"FN")
            keep(0, f.fullName, parts(value).join(u';'));
        else if (name == u"ORG")
            keep(1, f.organisation, joinedParts(value));
        else if (name == u"TITLE")
            keep(2, f.title, parts(value).join(u';'));
        else if (name == u"TEL" && parameters.contains(QStringLiteral("CELL")))
            keep(4, f.mobilePhone, parts(value).join(u';'));
        else if (name == u"TEL")
            keep(3, f.workPhone, parts(value).join(u';'));
        else if (name == u"EMAIL")
            keep(5, f.email, parts(value).join(u';'));
        else if (name == u"URL")
            keep(6, f.webAddress, parts(value).join(u';'));
        else if (name == u"ADR")
            keep(7, f.streetAddress, joinedParts(value));
    }
    return fields;
}

} // namespace vcard
