#include "document/cardfields.h"

#include "document/cardencoding.h"

#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace cardfile {

namespace {

constexpr int SignificantDigits = 7;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

struct Decimal {
    bool negative = false;
    std::string digits; // no leading or trailing zeros
    int exponent = 0;   // of the first digit
};

// Splits to_chars' scientific output ("-1.25e+07") into digits and exponent.
Decimal scientific(float value, std::optional<int> precision)
{
    char buffer[64];
    const auto result = precision ? std::to_chars(buffer, buffer + sizeof buffer, value,
                                                  std::chars_format::scientific, *precision)
                                  : std::to_chars(buffer, buffer + sizeof buffer, value,
                                                  std::chars_format::scientific);
    const std::string_view text(buffer, size_t(result.ptr - buffer));
    Decimal decimal;
    const size_t e = text.find('e');
    for (char c : text.substr(0, e)) {
        if (c == '-')
            decimal.negative = true;
        else if (isDigit(c))
            decimal.digits += c;
    }
    const std::string_view exponent = text.substr(e + 1);
    std::from_chars(exponent.data() + (exponent.front() == '+' ? 1 : 0),
                    exponent.data() + exponent.size(), decimal.exponent);
    while (decimal.digits.size() > 1 && decimal.digits.back() == '0')
        decimal.digits.pop_back();
    return decimal;
}

// Optional sign followed by the rest; the view is cut after the sign.
bool takeSign(QByteArrayView& text)
{
    if (!text.isEmpty() && (text.front() == '+' || text.front() == '-')) {
        const bool negative = text.front() == '-';
        text = text.sliced(1);
        return negative;
    }
    return false;
}

qsizetype skipDigits(QByteArrayView text, qsizetype at)
{
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at;
}

template <class T>
std::optional<T> parseInteger(const Field& field)
{
    if (field.quoted)
        return std::nullopt;
    QByteArrayView text = field.text;
    const bool negative = takeSign(text);
    if (text.isEmpty() || skipDigits(text, 0) != text.size())
        return std::nullopt;
    // The magnitude of the most negative value is one more than the largest positive one.
    const qint64 limit =
        negative ? -qint64(std::numeric_limits<T>::min()) : qint64(std::numeric_limits<T>::max());
    qint64 magnitude = 0;
    for (char c : text) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return std::nullopt;
    }
    return T(negative ? -magnitude : magnitude);
}

} // namespace

Field extractField(QByteArrayView line)
{
    qsizetype begin = 0;
    while (begin < line.size() && isBlank(line[begin]))
        ++begin;
    if (begin < line.size() && line[begin] == '"') {
        const qsizetype last = line.lastIndexOf('"');
        if (last > begin)
            return {line.sliced(begin + 1, last - begin - 1), true};
        return {line.sliced(begin + 1), true};
    }
    qsizetype end = line.indexOf(',', begin);
    if (end < 0)
        end = line.size();
    while (end > begin && isBlank(line[end - 1]))
        --end;
    return {line.sliced(begin, end - begin), false};
}

QByteArray formatSingle(float value)
{
    if (std::isnan(value) || value == 0)
        return "0";
    if (std::isinf(value))
        value = std::copysign(std::numeric_limits<float>::max(), value);

    Decimal decimal = scientific(value, std::nullopt);
    if (decimal.digits.size() > size_t(SignificantDigits))
        decimal = scientific(value, SignificantDigits - 1);

    const std::string& digits = decimal.digits;
    const int count = int(digits.size());
    const int exponent = decimal.exponent;
    std::string text = decimal.negative ? "-" : "";
    if (exponent >= -5 && exponent < SignificantDigits) {
        if (exponent >= 0) {
            for (int i = 0; i <= exponent; ++i)
                text += i < count ? digits[size_t(i)] : '0';
            if (count > exponent + 1)
                text += '.' + digits.substr(size_t(exponent + 1));
        } else {
            text += "0." + std::string(size_t(-exponent - 1), '0') + digits;
        }
    } else {
        text += digits[0];
        if (count > 1)
            text += '.' + digits.substr(1);
        text += exponent < 0 ? "E-" : "E+";
        const int magnitude = std::abs(exponent);
        if (magnitude < 10)
            text += '0';
        text += std::to_string(magnitude);
    }
    return QByteArray::fromStdString(text);
}

QByteArray formatInteger(qint64 value) { return QByteArray::number(value); }

QByteArray formatBoolean(bool value) { return value ? "#TRUE#" : "#FALSE#"; }

QString withoutLineBreaks(const QString& text)
{
    QString flat = text;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return flat;
}

QByteArray formatQuoted(const QString& text)
{
    return '"' + encodeText(withoutLineBreaks(text)) + '"';
}

std::optional<float> parseSingle(const Field& field)
{
    if (field.quoted)
        return std::nullopt;
    QByteArrayView text = field.text;
    const bool negative = takeSign(text);
    // Checked here rather than left to from_chars, which would also take "inf", "nan" and a
    // second sign.
    qsizetype at = skipDigits(text, 0);
    qsizetype mantissaDigits = at;
    if (at < text.size() && text[at] == '.') {
        const qsizetype fraction = at + 1;
        at = skipDigits(text, fraction);
        mantissaDigits += at - fraction;
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (at < text.size() && (text[at] == 'E' || text[at] == 'e')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
        const qsizetype exponent = at;
        at = skipDigits(text, exponent);
        if (at == exponent)
            return std::nullopt;
    }
    if (at != text.size())
        return std::nullopt;

    float value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<qint32> parseInt32(const Field& field) { return parseInteger<qint32>(field); }

std::optional<qint16> parseInt16(const Field& field) { return parseInteger<qint16>(field); }

std::optional<bool> parseBoolean(const Field& field)
{
    if (field.quoted)
        return std::nullopt;
    if (field.text.compare("#TRUE#", Qt::CaseInsensitive) == 0)
        return true;
    if (field.text.compare("#FALSE#", Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

QString fieldText(const Field& field) { return decodeText(field.text); }

QByteArray formatPercentEncoded(const QString& text)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char c : text.toUtf8()) {
        const uchar byte = uchar(c);
        if (byte < 0x20 || byte > 0x7E || c == '"' || c == '%') {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

QString parsePercentEncoded(const Field& field)
{
    auto hexValue = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    const QByteArrayView in = field.text;
    QByteArray bytes;
    bytes.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '%' && i + 2 < in.size() && hexValue(in[i + 1]) >= 0
            && hexValue(in[i + 2]) >= 0) {
            bytes += char(hexValue(in[i + 1]) << 4 | hexValue(in[i + 2]));
            i += 2;
        } else {
            bytes += in[i];
        }
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless
                                                    | QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? decodeWindows1252(bytes) : text;
}

} // namespace cardfile
