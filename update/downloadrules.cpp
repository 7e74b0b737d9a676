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
