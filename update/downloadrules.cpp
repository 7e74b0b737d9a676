#include "update/downloadrules.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

double leadingNumber(QByteArrayView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i]))
        ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    // An exponent counts only when digits follow it; "5e" is 5.
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    bool ok = false;
    const double value = text.sliced(start, i - start).toByteArray().toDouble(&ok);
    // Out of range saturates rather than reading as nothing.
    if (!ok)
        return text[start] == '-' ? -std::numeric_limits<double>::infinity()
                                  : std::numeric_limits<double>::infinity();
    return value;
}

bool announcesUpdate(QByteArrayView versionFile)
{
    return leadingNumber(versionFile) > runningVersion;
}

QByteArray announcedVersion(QByteArrayView versionFile)
{
    const qsizetype end = versionFile.indexOf('\n');
    return (end < 0 ? versionFile : versionFile.first(end)).trimmed().toByteArray();
}

QByteArray updateMessage(QByteArrayView version, qint64 size, QByteArrayView sha256)
{
    return "quillmark-update-v1\n" + version.toByteArray() + '\n' + QByteArray::number(size) + '\n'
           + sha256.toByteArray().toHex() + '\n';
}

QString statusCodeOf(QByteArrayView headerText)
{
    if (headerText.size() < 10)
        return {};
    return QString::fromLatin1(headerText.sliced(9, std::min<qsizetype>(3, headerText.size() - 9)));
}

StatusDecision decideStatus(QByteArrayView headerText, const QString& url)
{
    const QString code = statusCodeOf(headerText);
    if (code == QLatin1String("200") || code == QLatin1String("206"))
        return {true, {}};
    if (code == QLatin1String("204"))
        return {false, QStringLiteral("Nothing to download!")};
    if (code == QLatin1String("401"))
        return {false, QStringLiteral("Authorization failed!")};
    if (code == QLatin1String("404"))
        return {false, QStringLiteral("The file, \"%1\" was not found!").arg(url)};
    if (code == QLatin1String("\r\n"))
        return {false, QStringLiteral("Cannot establish connection.")};
    const qsizetype cr = headerText.indexOf('\r');
    QString response = cr < 0 ? QString() : QString::fromLatin1(headerText.first(cr + 1));
    if (response.isEmpty())
        response = QStringLiteral("<nothing>");
    return {false, QStringLiteral("The server returned the following response:\r\r") + response};
}

std::optional<QByteArray> headerValue(QByteArrayView headerText, QByteArrayView name)
{
    // The first line is the status line; header lines follow until an empty one.
    qsizetype pos = headerText.indexOf('\n');
    while (pos >= 0 && pos + 1 < headerText.size()) {
        const qsizetype start = pos + 1;
        qsizetype end = headerText.indexOf('\n', start);
        if (end < 0)
            end = headerText.size();
        QByteArrayView line = headerText.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.sliced(colon + 1).trimmed().toByteArray();
        pos = end < headerText.size() ? end : -1;
    }
    return std::nullopt;
}

std::optional<qint64> announcedSize(QByteArrayView headerText)
{
    const auto value = headerValue(headerText, "Content-Length");
    if (!value)
        return std::nullopt;
    const double size = std::nearbyint(leadingNumber(*value));
    // 2^53: beyond any disk, and every integer below it is exact in a double.
    if (!(std::fabs(size) <= 9007199254740992.0))
        return std::nullopt;
    return qint64(size);
}

int percentWritten(qint64 written, qint64 announced)
{
    if (announced <= 0)
        return 0;
    // Divide first, as the old client did, so that the halves fall where its users saw them.
    const double percent = std::nearbyint(double(written) / double(announced) * 100.0);
    return int(std::clamp(percent, -1e9, 1e9));
}

QString fileNameFromUrl(const QString& url)
{
    if (url.size() < 2)
        return {};
    if (!url.startsWith(QLatin1String("http://")) || url == QLatin1String("http://"))
        return {};
    const qsizetype slash = url.lastIndexOf(QLatin1Char('/'), url.size() - 2);
    if (slash < 0)
        return {};
    const QString candidate = url.mid(slash + 1);
    if (candidate.size() < 2 || candidate.lastIndexOf(QLatin1Char('.'), candidate.size() - 2) < 0)
        return {};
    return candidate;
}

BodyFraming bodyFramingOf(QByteArrayView headerText)
{
    // A transfer coding decides over any length given beside it; codings other than chunked
    // alone (compression, say) would change the bytes and leave the end unknown.
    if (const auto coding = headerValue(headerText, "Transfer-Encoding"))
        return coding->compare("chunked", Qt::CaseInsensitive) == 0 ? BodyFraming::Chunked
                                                                    : BodyFraming::Unknown;
    return headerValue(headerText, "Content-Length") ? BodyFraming::Length : BodyFraming::Unknown;
}

std::optional<qint64> chunkSizeOf(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && line[i] == '0')
        ++i;
    qint64 size = 0;
    qsizetype significant = 0;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        if (++significant > 15)
            return std::nullopt;
        size = size * 16 + digit;
    }
    if (i == 0)
        return std::nullopt; // no digit at all, not even a zero
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i < line.size() && line[i] != ';')
        return std::nullopt;
    return size;
}

bool ChunkDecoder::takeLine(QByteArrayView coded, qsizetype& at)
{
    const qsizetype feed = coded.indexOf('\n', at);
    const qsizetype end = feed < 0 ? coded.size() : feed + 1;
    m_line += coded.sliced(at, end - at);
    at = end;
    if (m_line.size() > lineLimit + 2)
        m_state = State::Failed;
    return feed >= 0 && m_state != State::Failed;
}

void ChunkDecoder::feed(QByteArrayView coded, QByteArray& body)
{
    qsizetype at = 0;
    while (at < coded.size() && m_state != State::Done && m_state != State::Failed) {
        switch (m_state) {
        case State::SizeLine: {
            if (!takeLine(coded, at))
                break;
            const QByteArrayView line(m_line);
            const auto size =
                line.endsWith("\r\n") ? chunkSizeOf(line.chopped(2)) : std::optional<qint64>();
            m_line.clear();
            if (!size)
                m_state = State::Failed;
            else if (*size == 0)
                m_state = State::Trailer;
            else {
                m_chunkLeft = *size;
                m_state = State::Data;
            }
            break;
        }
        case State::Data: {
            const qsizetype take = qsizetype(std::min<qint64>(m_chunkLeft, coded.size() - at));
            body += coded.sliced(at, take);
            at += take;
            m_chunkLeft -= take;
            if (m_chunkLeft == 0)
                m_state = State::DataEnd;
            break;
        }
        case State::DataEnd:
            // Exactly CR LF after the data, which may arrive one byte at a time.
            m_line += coded[at++];
            if (!QByteArrayView("\r\n").startsWith(m_line))
                m_state = State::Failed;
            else if (m_line.size() == 2) {
                m_line.clear();
                m_state = State::SizeLine;
            }
            break;
        case State::Trailer: {
            if (!takeLine(coded, at))
                break;
            m_trailerSize += m_line.size();
            if (!m_line.endsWith("\r\n") || m_trailerSize > trailerLimit)
                m_state = State::Failed;
            else if (m_line == "\r\n")
                m_state = State::Done;
            m_line.clear();
            break;
        }
        case State::Done:
        case State::Failed: break;
        }
    }
}

QByteArray requestText(const QUrl& url, const QString& userName, const QString& password)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() >= 0)
        host += ':' + QByteArray::number(url.port());
    QByteArray text = "GET " + target + " HTTP/1.1\r\nHost: " + host
                      + "\r\nRange: bytes=0-\r\nConnection: close\r\n";
    if (!userName.isEmpty() || !password.isEmpty())
        text += "Authorization: Basic " + (userName + ':' + password).toUtf8().toBase64() + "\r\n";
    return text + "\r\n";
}

std::optional<QByteArray> signatureFromLine(QByteArrayView text)
{
    const QByteArrayView line = text.trimmed();
    if (line.isEmpty() || line.contains(' ') || line.contains('\t') || line.contains('\n')
        || line.contains('\r'))
        return std::nullopt;
    const auto decoded =
        QByteArray::fromBase64Encoding(line.toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != signatureSize)
        return std::nullopt;
    return decoded.decoded;
}
