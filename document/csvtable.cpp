#include "document/csvtable.h"

#include "document/regularfile.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace csv {

namespace {

// The offset of the first byte that does not belong to well-formed UTF-8 (overlong forms,
// surrogates and values past U+10FFFF included), or of a NUL, or -1.
qsizetype firstNonUtf8(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const uchar b = uchar(bytes[i]);
        if (b == 0)
            return i;
        if (b < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        uchar low = 0x80, high = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            if (b == 0xE0)
                low = 0xA0;
            else if (b == 0xED)
                high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            if (b == 0xF0)
                low = 0x90;
            else if (b == 0xF4)
                high = 0x8F;
        } else {
            return i;
        }
        if (i + more >= n)
            return i;
        for (int k = 1; k <= more; ++k) {
            const uchar c = uchar(bytes[i + k]);
            const bool fits = k == 1 ? c >= low && c <= high : c >= 0x80 && c <= 0xBF;
            if (!fits)
                return i;
        }
        i += more + 1;
    }
    return -1;
}

class Parser {
public:
    explicit Parser(const QString& text)
        : m_text(text)
    {
    }

    CsvRead run()
    {
        CsvRead result;
        bool haveHeader = false;
        while (m_pos < m_text.size()) {
            const qsizetype recordLine = m_line;
            QStringList fields;
            if (!record(fields))
                return failure();
            // Spreadsheets end their exports with rows of separators, or of blanks.
            if (std::all_of(fields.cbegin(), fields.cend(),
                            [](const QString& f) { return f.trimmed().isEmpty(); }))
                continue;
            if (!haveHeader) {
                haveHeader = true;
                result.table.headerLine = recordLine;
                for (QString& name : fields) {
                    name = name.trimmed();
                    if (!name.isEmpty() && result.table.columns.contains(name))
                        return failure(
                            recordLine,
                            QStringLiteral("the column name \"%1\" is given twice").arg(name));
                    result.table.columns << name;
                }
                continue;
            }
            const qsizetype columns = result.table.columns.size();
            if (fields.size() > columns)
                return failure(recordLine,
                               QStringLiteral("this row has %1 fields, but the header names %2 "
                                              "columns")
                                   .arg(fields.size())
                                   .arg(columns));
            if (result.table.rows.size() == MaxRows)
                return failure(recordLine, QStringLiteral("more than %1 rows").arg(MaxRows));
            while (fields.size() < columns)
                fields << QString();
            result.table.rows << fields;
            result.table.rowLines << recordLine;
        }
        if (!haveHeader)
            return failure(0, QStringLiteral("there is no header row naming the columns"));
        return result;
    }

private:
    // The length of the line break at `at` (CRLF, LF or a lone CR), or 0.
    int lineBreak(qsizetype at) const
    {
        if (at >= m_text.size())
            return 0;
        if (m_text[at] == u'\n')
            return 1;
        if (m_text[at] == u'\r')
            return at + 1 < m_text.size() && m_text[at + 1] == u'\n' ? 2 : 1;
        return 0;
    }

    // The header decides: the candidate it holds most often outside quotes. On a tie the rarer
    // one in names wins: a header with a tab in it is tab-separated, one with a semicolon
    // semicolon-separated ("Name;City, State").
    void chooseSeparator()
    {
        int counts[3] = {0, 0, 0};
        const QChar candidates[3] = {u'\t', u';', u','};
        bool quoted = false;
        for (qsizetype at = m_pos; at < m_text.size(); ++at) {
            const QChar c = m_text[at];
            if (c == u'"')
                quoted = !quoted;
            else if (!quoted && lineBreak(at) && at > m_pos)
                break;
            // A run of one separator counts once: a header padded with separators does not
            // outvote the one that parts its names.
            const bool runs = at > m_pos && m_text[at - 1] == c;
            for (int k = 0; k < 3; ++k)
                if (!quoted && !runs && c == candidates[k])
                    ++counts[k];
        }
        int best = 0;
        for (int k = 1; k < 3; ++k)
            if (counts[k] > counts[best])
                best = k;
        m_separator = counts[best] > 0 ? candidates[best] : QChar(u',');
    }

    bool record(QStringList& fields)
    {
        if (!m_separatorChosen) {
            // Blank lines before the header do not decide anything.
            while (const int length = lineBreak(m_pos)) {
                m_pos += length;
                ++m_line;
            }
            chooseSeparator();
            m_separatorChosen = true;
        }
        for (;;) {
            QString field;
            if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                if (!quotedField(field))
                    return false;
            } else {
                const qsizetype start = m_pos;
                while (m_pos < m_text.size() && m_text[m_pos] != m_separator && !lineBreak(m_pos))
                    ++m_pos;
                if (m_pos - start > MaxFieldChars)
                    return tooLong(m_line);
                field = m_text.mid(start, m_pos - start);
            }
            if (fields.size() == MaxColumns) {
                m_error = {m_line,
                           QStringLiteral("this row has more than %1 fields")
                               .arg(QLocale(QLocale::English).toString(qlonglong(MaxColumns)))};
                return false;
            }
            fields << field;
            if (m_pos < m_text.size() && m_text[m_pos] == m_separator) {
                ++m_pos;
                continue;
            }
            if (const int length = lineBreak(m_pos)) {
                m_pos += length;
                ++m_line;
            }
            return true;
        }
    }

    bool quotedField(QString& field)
    {
        const qsizetype openLine = m_line;
        ++m_pos;
        for (;;) {
            if (field.size() > MaxFieldChars)
                return tooLong(openLine);
            if (m_pos >= m_text.size()) {
                m_error = {openLine, QStringLiteral("the quote opened here is never closed")};
                return false;
            }
            const QChar c = m_text[m_pos];
            if (c == u'"') {
                if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'"') {
                    field += u'"';
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                break;
            }
            if (const int length = lineBreak(m_pos)) {
                field += u'\n';
                m_pos += length;
                ++m_line;
                continue;
            }
            field += c;
            ++m_pos;
        }
        // Blanks after the closing quote are forgiven; anything else means the quotes are off.
        while (m_pos < m_text.size() && m_text[m_pos] != m_separator
               && (m_text[m_pos] == u' ' || m_text[m_pos] == u'\t'))
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] != m_separator && !lineBreak(m_pos)) {
            m_error = {m_line, QStringLiteral("text follows a closing quote; a quote inside a "
                                              "quoted field is written twice")};
            return false;
        }
        return true;
    }

    bool tooLong(qsizetype line)
    {
        m_error = {line, QStringLiteral("a field is longer than %1 MB").arg(MaxFieldChars >> 20)};
        return false;
    }

    CsvRead failure(qsizetype line, const QString& fault)
    {
        m_error = {line, fault};
        return failure();
    }

    CsvRead failure() const
    {
        CsvRead result;
        result.error = m_error;
        return result;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    qsizetype m_line = 1;
    QChar m_separator;
    bool m_separatorChosen = false;
    CsvError m_error;
};

// UTF-16 text: its byte order mark, or the NULs of ASCII text written two bytes a letter.
bool looksUtf16(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    const QByteArrayView head = bytes.first(std::min<qsizetype>(bytes.size(), 4096));
    return head.size() >= 4 && head.count('\0') * 4 >= head.size();
}

} // namespace

CsvRead parseCsv(QByteArrayView bytes)
{
    if (looksUtf16(bytes)) {
        CsvRead result;
        result.error = CsvError{0, QStringLiteral("the file is UTF-16 text; save it as UTF-8")};
        return result;
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    if (const qsizetype bad = firstNonUtf8(bytes); bad >= 0) {
        CsvRead result;
        // Lines counted as the reader counts them: CRLF, LF or a lone CR.
        const QByteArrayView before = bytes.first(bad);
        const qsizetype line = before.count('\n') + before.count('\r') - before.count("\r\n") + 1;
        result.error = CsvError{line, QStringLiteral("the file is not UTF-8 text")};
        return result;
    }
    const QString text = QString::fromUtf8(bytes);
    return Parser(text).run();
}

CsvRead readCsvFile(const QString& path)
{
    const RegularFileRead file = readRegularFile(path, MaxFileBytes);
    if (!file.ok()) {
        CsvRead result;
        result.error = CsvError{0, file.error};
        return result;
    }
    return parseCsv(file.bytes);
}

QString csvErrorMessage(const QString& path, const CsvError& error)
{
    const QString name = QFileInfo(path).fileName();
    if (error.line <= 0)
        return QStringLiteral("%1: %2").arg(name, error.fault);
    return QStringLiteral("%1, line %2: %3").arg(name).arg(error.line).arg(error.fault);
}

} // namespace csv
