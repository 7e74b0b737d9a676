#include "document/filename.h"

#include <QFile>
#include <QStringDecoder>

namespace {
constexpr char16_t EscapeBase = 0xDC00;

bool isEscape(QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; }

// Length of the valid UTF-8 sequence at `at`, or 0 when the byte there does not start one.
qsizetype validSequence(const QByteArray& bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return quint8(bytes.at(i)); };
    const quint8 lead = byte(at);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    quint32 minimum = 0;
    quint32 code = 0;
    if ((lead & 0xE0) == 0xC0)
        length = 2, minimum = 0x80, code = lead & 0x1F;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, minimum = 0x800, code = lead & 0x0F;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, minimum = 0x10000, code = lead & 0x07;
    else
        return 0;
    if (at + length > bytes.size())
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode would not come back as the same bytes.
    if (code < minimum || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}
} // namespace

QString decodeFileName(const QByteArray& name)
{
    QString result;
    qsizetype runStart = 0;
    qsizetype at = 0;
    while (at < name.size()) {
        const qsizetype length = validSequence(name, at);
        if (length > 0) {
            at += length;
            continue;
        }
        result += QFile::decodeName(name.mid(runStart, at - runStart));
        result += QChar(char16_t(EscapeBase + quint8(name.at(at))));
        runStart = ++at;
    }
    result += QFile::decodeName(name.mid(runStart));
    return result;
}

QByteArray encodeFileName(const QString& name)
{
    QByteArray result;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isEscape(name.at(i)))
            continue;
        result += QFile::encodeName(name.mid(runStart, i - runStart));
        result += char(name.at(i).unicode() - EscapeBase);
        runStart = i + 1;
    }
    result += QFile::encodeName(name.mid(runStart));
    return result;
}

bool needsByteAccess(const QString& name)
{
    for (QChar c : name)
        if (isEscape(c))
            return true;
    return false;
}
