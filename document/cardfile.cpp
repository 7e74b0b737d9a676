#include "document/cardfile.h"

namespace cardfile {

namespace {
constexpr QByteArrayView LineEnd("\r\n");
const QString Filler = QStringLiteral("none");
} // namespace

void CardWriter::line(QByteArrayView field)
{
    m_bytes += field;
    m_bytes += LineEnd;
}

void CardWriter::fillers(int count)
{
    for (int i = 0; i < count; ++i)
        text(Filler);
}

void CardWriter::kindWord(QLatin1StringView word)
{
    text(m_back ? QStringLiteral("Back") + word : QString(word));
}

void CardWriter::writeCard(const CardRecord& record)
{
    line("TheCard");
    single(record.width);
    single(record.height);
    integer(record.backColor);
    fillers(14);
}

void CardWriter::writeLabel(const LabelRecord& record)
{
    kindWord(QLatin1StringView("Label"));
    text(record.caption);
    single(record.width);
    single(record.height);
    single(record.left);
    single(record.top);
    integer(record.backColor);
    integer(record.frwColor);
    integer(record.backStyle);
    text(record.fontName);
    single(record.fontSize);
    boolean(record.bold);
    boolean(record.underline);
    boolean(record.italic);
    integer(record.alignment);
    text(record.reserved);
    text(record.tag);
    text(record.toolTip);
}

void CardWriter::writeImage(const ImageRecord& record)
{
    kindWord(QLatin1StringView("Image"));
    single(record.width);
    single(record.height);
    single(record.left);
    single(record.top);
    text(record.path);
    fillers(10);
    text(record.reserved);
    text(record.tag);
}

void CardWriter::writeShape(const ShapeRecord& record)
{
    kindWord(QLatin1StringView("ActiveShape"));
    single(record.width);
    single(record.height);
    single(record.left);
    single(record.top);
    integer(record.backColor);
    integer(record.shape);
    fillers(11);
}

void CardWriter::writeQrCode(const QrCodeRecord& record)
{
    kindWord(QLatin1StringView("QRCode"));
    single(record.width);
    single(record.height);
    single(record.left);
    single(record.top);
    line('"' + formatPercentEncoded(record.content) + '"');
    integer(record.darkColor);
    integer(record.lightColor);
    text(QString(qrLevelLetter(record.level)));
    fillers(8);
    text(QStringLiteral("qr"));
}

void CardWriter::writeExtras(const QString& subject, const QList<ExtraPair>& pairs)
{
    for (qsizetype first = 0; first < pairs.size(); first += PairsPerExtra) {
        text(QStringLiteral("Extra"));
        text(subject);
        for (qsizetype i = first; i < first + PairsPerExtra; ++i) {
            if (i < pairs.size()) {
                text(pairs[i].name);
                text(pairs[i].value);
            } else {
                fillers(2);
            }
        }
    }
}

RecordKind RawRecord::kind() const
{
    const auto first = field(1);
    if (!first)
        return RecordKind::Other;
    return kindOf(first->text);
}

RecordKind RawRecord::backKind() const
{
    const auto first = field(1);
    if (!first || !first->text.startsWith("Back"))
        return RecordKind::Other;
    switch (const RecordKind kind = kindOf(first->text.sliced(4))) {
    case RecordKind::Label:
    case RecordKind::Image:
    case RecordKind::Shape:
    case RecordKind::QrCode: return kind;
    default: return RecordKind::Other;
    }
}

RecordKind RawRecord::kindOf(QByteArrayView word) const
{
    if (word == "TheCard")
        return RecordKind::Card;
    if (word == "Label") {
        const auto marker = field(18);
        return marker && marker->text == "Text" ? RecordKind::Label : RecordKind::Other;
    }
    if (word == "Image")
        return RecordKind::Image;
    if (word == "ActiveShape")
        return RecordKind::Shape;
    if (word == "QRCode") {
        const auto marker = field(18);
        return marker && marker->text == "qr" ? RecordKind::QrCode : RecordKind::Other;
    }
    if (word == "Extra")
        return RecordKind::Extra;
    return RecordKind::Other;
}

bool RawRecord::isBlank() const
{
    for (int i = 0; i < m_count; ++i)
        if (!m_lines[size_t(i)].trimmed().isEmpty())
            return false;
    return true;
}

std::optional<QByteArrayView> RawRecord::line(int number) const
{
    if (number < 1 || number > m_count)
        return std::nullopt;
    return m_lines[size_t(number - 1)];
}

std::optional<Field> RawRecord::field(int number) const
{
    const auto text = line(number);
    if (!text)
        return std::nullopt;
    return extractField(*text);
}

std::optional<QString> RawRecord::text(int number) const
{
    const auto f = field(number);
    return f ? std::optional(fieldText(*f)) : std::nullopt;
}

std::optional<float> RawRecord::single(int number) const
{
    const auto f = field(number);
    return f ? parseSingle(*f) : std::nullopt;
}

std::optional<qint32> RawRecord::int32(int number) const
{
    const auto f = field(number);
    return f ? parseInt32(*f) : std::nullopt;
}

std::optional<qint16> RawRecord::int16(int number) const
{
    const auto f = field(number);
    return f ? parseInt16(*f) : std::nullopt;
}

std::optional<bool> RawRecord::boolean(int number) const
{
    const auto f = field(number);
    return f ? parseBoolean(*f) : std::nullopt;
}

CardReader::CardReader(QByteArrayView bytes)
    : m_bytes(bytes)
{
    if (m_bytes.startsWith("\xEF\xBB\xBF"))
        m_position = 3;
}

std::optional<QByteArrayView> CardReader::nextLine()
{
    if (m_position >= m_bytes.size())
        return std::nullopt;
    qsizetype end = m_bytes.indexOf('\n', m_position);
    const qsizetype next = end < 0 ? m_bytes.size() : end + 1;
    if (end < 0)
        end = m_bytes.size();
    else if (end > m_position && m_bytes[end - 1] == '\r')
        --end;
    const QByteArrayView result = m_bytes.sliced(m_position, end - m_position);
    m_position = next;
    return result;
}

std::optional<RawRecord> CardReader::next()
{
    RawRecord record;
    while (record.m_count < RecordLines) {
        const auto line = nextLine();
        if (!line)
            break;
        record.m_lines[size_t(record.m_count++)] = *line;
    }
    if (record.m_count == 0)
        return std::nullopt;
    return record;
}

bool holdsCardRecord(QByteArrayView bytes)
{
    CardReader reader(bytes);
    while (const auto record = reader.next())
        if (record->kind() == RecordKind::Card)
            return true;
    return false;
}

CardFields cardFields(const RawRecord& record)
{
    return {record.single(2), record.single(3), record.int32(4)};
}

LabelFields labelFields(const RawRecord& record)
{
    LabelFields f;
    f.caption = record.text(2);
    f.width = record.single(3);
    f.height = record.single(4);
    f.left = record.single(5);
    f.top = record.single(6);
    f.backColor = record.int32(7);
    f.frwColor = record.int32(8);
    f.backStyle = record.int16(9);
    f.fontName = record.text(10);
    f.fontSize = record.single(11);
    f.bold = record.boolean(12);
    f.underline = record.boolean(13);
    f.italic = record.boolean(14);
    f.alignment = record.int16(15);
    f.reserved = record.text(16);
    f.tag = record.text(17);
    f.toolTip = record.text(18);
    return f;
}

ImageFields imageFields(const RawRecord& record)
{
    ImageFields f;
    f.width = record.single(2);
    f.height = record.single(3);
    f.left = record.single(4);
    f.top = record.single(5);
    f.path = record.text(6);
    f.reserved = record.text(17);
    f.tag = record.text(18);
    return f;
}

ShapeFields shapeFields(const RawRecord& record)
{
    ShapeFields f;
    f.width = record.single(2);
    f.height = record.single(3);
    f.left = record.single(4);
    f.top = record.single(5);
    f.backColor = record.int32(6);
    f.shape = record.int16(7);
    return f;
}

QrCodeFields qrCodeFields(const RawRecord& record)
{
    QrCodeFields f;
    f.width = record.single(2);
    f.height = record.single(3);
    f.left = record.single(4);
    f.top = record.single(5);
    if (const auto content = record.field(6))
        f.content = parsePercentEncoded(*content);
    f.darkColor = record.int32(7);
    f.lightColor = record.int32(8);
    if (const auto level = record.field(9); level && level->quoted && level->text.size() == 1)
        f.level = qrLevelFromLetter(QChar::fromLatin1(level->text.front()));
    return f;
}

ExtraFields extraFields(const RawRecord& record)
{
    ExtraFields f;
    f.subject = record.text(2);
    for (int line = 3; line < RecordLines; line += 2) {
        auto name = record.text(line);
        auto value = record.text(line + 1);
        if (name && value && !(*name == Filler && *value == Filler))
            f.pairs.append({std::move(*name), std::move(*value)});
    }
    return f;
}

} // namespace cardfile
