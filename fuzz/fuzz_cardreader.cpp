// Reads any bytes as a card file and converts every field of every record; then writes what
// was read and checks that reading it again gives the same values, so that every text the
// reader can produce survives the writer; the same for the whole design.
#include "document/carddesign.h"
#include "document/cardfile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <variant>
#include <vector>

using namespace cardfile;

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// Singles are written with at most 7 significant digits.
void requireClose(float written, std::optional<float> read)
{
    require(read.has_value());
    require(std::fabs(*read - written)
            <= std::fabs(written) * 6e-7f + std::numeric_limits<float>::denorm_min());
}

void requireText(const QString& written, const std::optional<QString>& read)
{
    require(read && *read == withoutLineBreaks(written));
}

template <class T>
void take(T& target, const std::optional<T>& value)
{
    if (value)
        target = *value;
}

struct ExtraRecord {
    QString subject;
    QList<ExtraPair> pairs;
};

using Record =
    std::variant<CardRecord, LabelRecord, ImageRecord, ShapeRecord, QrCodeRecord, ExtraRecord>;

std::optional<Record> typed(const RawRecord& raw)
{
    switch (raw.kind()) {
    case RecordKind::Card: {
        const CardFields f = cardFields(raw);
        CardRecord r;
        take(r.width, f.width), take(r.height, f.height), take(r.backColor, f.backColor);
        return r;
    }
    case RecordKind::Label: {
        const LabelFields f = labelFields(raw);
        LabelRecord r;
        take(r.caption, f.caption), take(r.width, f.width), take(r.height, f.height);
        take(r.left, f.left), take(r.top, f.top), take(r.backColor, f.backColor);
        take(r.frwColor, f.frwColor), take(r.backStyle, f.backStyle);
        take(r.fontName, f.fontName), take(r.fontSize, f.fontSize), take(r.bold, f.bold);
        take(r.underline, f.underline), take(r.italic, f.italic);
        take(r.alignment, f.alignment), take(r.reserved, f.reserved), take(r.tag, f.tag);
        take(r.toolTip, f.toolTip);
        return r;
    }
    case RecordKind::Image: {
        const ImageFields f = imageFields(raw);
        ImageRecord r;
        take(r.width, f.width), take(r.height, f.height), take(r.left, f.left);
        take(r.top, f.top), take(r.path, f.path), take(r.reserved, f.reserved);
        take(r.tag, f.tag);
        return r;
    }
    case RecordKind::Shape: {
        const ShapeFields f = shapeFields(raw);
        ShapeRecord r;
        take(r.width, f.width), take(r.height, f.height), take(r.left, f.left);
        take(r.top, f.top), take(r.backColor, f.backColor), take(r.shape, f.shape);
        return r;
    }
    case RecordKind::QrCode: {
        const QrCodeFields f = qrCodeFields(raw);
        QrCodeRecord r;
        take(r.width, f.width), take(r.height, f.height), take(r.left, f.left);
        take(r.top, f.top), take(r.content, f.content), take(r.darkColor, f.darkColor);
        take(r.lightColor, f.lightColor), take(r.level, f.level);
        return r;
    }
    case RecordKind::Extra: {
        // An "Extra" without pairs writes nothing.
        ExtraFields f = extraFields(raw);
        if (f.pairs.isEmpty())
            break;
        return ExtraRecord{f.subject.value_or(QString()), std::move(f.pairs)};
    }
    case RecordKind::Other: break;
    }
    return std::nullopt;
}

void write(CardWriter& writer, const Record& record)
{
    if (auto r = std::get_if<CardRecord>(&record))
        writer.writeCard(*r);
    else if (auto r = std::get_if<LabelRecord>(&record))
        writer.writeLabel(*r);
    else if (auto r = std::get_if<ImageRecord>(&record))
        writer.writeImage(*r);
    else if (auto r = std::get_if<ShapeRecord>(&record))
        writer.writeShape(*r);
    else if (auto r = std::get_if<ExtraRecord>(&record))
        writer.writeExtras(r->subject, r->pairs);
    else
        writer.writeQrCode(std::get<QrCodeRecord>(record));
}

void compare(const Record& written, const RawRecord& raw)
{
    require(raw.isComplete());
    if (auto w = std::get_if<CardRecord>(&written)) {
        require(raw.kind() == RecordKind::Card);
        const CardFields f = cardFields(raw);
        requireClose(w->width, f.width), requireClose(w->height, f.height);
        require(f.backColor == w->backColor);
    } else if (auto w = std::get_if<LabelRecord>(&written)) {
        require(raw.kind() == RecordKind::Label);
        const LabelFields f = labelFields(raw);
        requireText(w->caption, f.caption);
        requireClose(w->width, f.width), requireClose(w->height, f.height);
        requireClose(w->left, f.left), requireClose(w->top, f.top);
        require(f.backColor == w->backColor && f.frwColor == w->frwColor);
        require(f.backStyle == w->backStyle);
        requireText(w->fontName, f.fontName), requireClose(w->fontSize, f.fontSize);
        require(f.bold == w->bold && f.underline == w->underline && f.italic == w->italic);
        require(f.alignment == w->alignment);
        requireText(w->reserved, f.reserved), requireText(w->tag, f.tag);
        requireText(w->toolTip, f.toolTip);
    } else if (auto w = std::get_if<ImageRecord>(&written)) {
        require(raw.kind() == RecordKind::Image);
        const ImageFields f = imageFields(raw);
        requireClose(w->width, f.width), requireClose(w->height, f.height);
        requireClose(w->left, f.left), requireClose(w->top, f.top);
        requireText(w->path, f.path), requireText(w->reserved, f.reserved);
        requireText(w->tag, f.tag);
    } else if (auto w = std::get_if<QrCodeRecord>(&written)) {
        // Percent-encoded content keeps every character, line breaks and quotes included.
        require(raw.kind() == RecordKind::QrCode);
        const QrCodeFields f = qrCodeFields(raw);
        requireClose(w->width, f.width), requireClose(w->height, f.height);
        requireClose(w->left, f.left), requireClose(w->top, f.top);
        require(f.content == w->content && f.darkColor == w->darkColor);
        require(f.lightColor == w->lightColor && f.level == w->level);
    } else if (auto w = std::get_if<ExtraRecord>(&written)) {
        require(raw.kind() == RecordKind::Extra);
        const ExtraFields f = extraFields(raw);
        requireText(w->subject, f.subject);
        require(f.pairs.size() == w->pairs.size());
        for (qsizetype i = 0; i < f.pairs.size(); ++i) {
            requireText(w->pairs[i].name, f.pairs[i].name);
            requireText(w->pairs[i].value, f.pairs[i].value);
        }
    } else {
        const auto& s = std::get<ShapeRecord>(written);
        require(raw.kind() == RecordKind::Shape);
        const ShapeFields f = shapeFields(raw);
        requireClose(s.width, f.width), requireClose(s.height, f.height);
        requireClose(s.left, f.left), requireClose(s.top, f.top);
        require(f.backColor == s.backColor && f.shape == s.shape);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CardReader reader(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    std::vector<Record> written;
    CardWriter writer;
    while (const auto raw = reader.next()) {
        for (int n = 0; n <= RecordLines + 1; ++n) {
            raw->text(n), raw->single(n), raw->int32(n), raw->int16(n), raw->boolean(n);
        }
        if (auto record = typed(*raw)) {
            write(writer, *record);
            written.push_back(std::move(*record));
        }
    }

    CardReader again(writer.bytes());
    for (const Record& record : written) {
        const auto raw = again.next();
        require(raw.has_value());
        compare(record, *raw);
    }
    require(!again.next());

    // The design read from any bytes, written and read again, is written the same.
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray once = carddesignfile::write(carddesignfile::read(bytes).design);
    require(carddesignfile::write(carddesignfile::read(once).design) == once);
    return 0;
}
