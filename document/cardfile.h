#pragma once

#include "document/cardfields.h"
#include "document/fontfaces.h"
#include "document/qrlevel.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// The card file: records of 18 lines, one field a line, CRLF after every line. Only bytes and
// values here; the window maps them to and from its elements.
namespace cardfile {

inline constexpr int RecordLines = 18;

// What each kind of record stores, in line order.
struct CardRecord {
    float width = 360;
    float height = 210;
    qint32 backColor = 0x00FFFFFF;
};

struct LabelRecord {
    QString caption;
    float width = 0, height = 0, left = 0, top = 0;
    qint32 backColor = 0, frwColor = 0;
    qint16 backStyle = 0;
    QString fontName; // as stored: see storedFontName()
    float fontSize = 0;
    bool bold = false, underline = false, italic = false;
    qint16 alignment = 0;
    QString reserved;
    QString tag;
    QString toolTip = QStringLiteral("Text");
};

struct ImageRecord {
    float width = 0, height = 0, left = 0, top = 0;
    QString path; // the picture's ToolTipText
    QString reserved;
    QString tag = QStringLiteral("img");
};

struct ShapeRecord {
    float width = 0, height = 0, left = 0, top = 0;
    qint32 backColor = 0;
    qint16 shape = 0;
};

// The light colour a QR code stores when its light modules are not painted.
inline constexpr qint32 TransparentColor = -1;

struct QrCodeRecord {
    float width = 0, height = 0, left = 0, top = 0;
    QString content; // a contact card is kept as its vCard text
    qint32 darkColor = 0;
    qint32 lightColor = 0x00FFFFFF; // or TransparentColor
    QrLevel level = QrLevel::M;
};

// Properties that came after the records above ride in "Extra" records, which a reader of the
// older records skips as it skips every kind it does not know:
//   line 1      "Extra"
//   line 2      the subject: "Element" for the element record just before, "Card" for the card
//               (written right after the card record)
//   lines 3-18  up to eight pairs, a quoted name then a quoted value; "none" "none" is unused
// Values are quoted text even when numeric: numbers as this format writes them, "1" and "0"
// for yes and no. More than eight pairs take several "Extra" records in a row with the same
// subject. A reader ignores names and subjects it does not know, and an "Extra" that follows
// no record of its subject. Only what differs from its default is written, so a card that
// uses none of these properties is written byte for byte as before; a property no pair names
// has its default.
// Names so far, element: "ShrinkToFit" "1" (a text drawn at the largest size that fits its box);
// card: "BackColor" (the back side's background colour, an integer like line 4 of the card).
//
// The back of the card: its elements are the usual records with "Back" before the word on
// line 1 ("BackLabel", "BackImage", "BackActiveShape", "BackQRCode"), written after all the
// front's records; an "Extra" after one speaks of it. A reader of the front alone skips them.
struct ExtraPair {
    QString name;
    QString value;
    bool operator==(const ExtraPair&) const = default;
};

inline constexpr int PairsPerExtra = 8;
inline constexpr QLatin1StringView ElementSubject("Element");
inline constexpr QLatin1StringView CardSubject("Card");

// Appends records to a byte array.
class CardWriter {
public:
    void writeCard(const CardRecord& record);
    void writeLabel(const LabelRecord& record);
    void writeImage(const ImageRecord& record);
    void writeShape(const ShapeRecord& record);
    void writeQrCode(const QrCodeRecord& record);
    // As many "Extra" records as the pairs need; none for no pairs.
    void writeExtras(const QString& subject, const QList<ExtraPair>& pairs);
    // Element records written from now on are the back side's.
    void setBackSide(bool back) { m_back = back; }

    const QByteArray& bytes() const { return m_bytes; }

private:
    void line(QByteArrayView field);
    void text(const QString& text) { line(formatQuoted(text)); }
    void single(float value) { line(formatSingle(value)); }
    void integer(qint64 value) { line(formatInteger(value)); }
    void boolean(bool value) { line(formatBoolean(value)); }
    void fillers(int count);
    void kindWord(QLatin1StringView word);

    QByteArray m_bytes;
    bool m_back = false;
};

// "Label" counts only when its line 18 is the text marker "Text", "QRCode" only when its line 18
// is "qr"; any other record is Other.
enum class RecordKind { Card, Label, Image, Shape, QrCode, Extra, Other };

// One record as it stands in the file. The last record of a file may be cut short: its
// missing lines convert to nothing, like fields that do not convert.
class RawRecord {
public:
    RecordKind kind() const;
    // The kind of a back side's element record (Label, Image, Shape or QrCode, with the same
    // markers); Other for any other record.
    RecordKind backKind() const;
    int lineCount() const { return m_count; }
    bool isComplete() const { return m_count == RecordLines; }
    // Every line empty or spaces only, as line ends an editor added after the last record are.
    bool isBlank() const;

    // Line 1 to 18 without its line end; nothing when the file ended before it.
    std::optional<QByteArrayView> line(int number) const;
    std::optional<Field> field(int number) const;

    std::optional<QString> text(int number) const;
    std::optional<float> single(int number) const;
    std::optional<qint32> int32(int number) const;
    std::optional<qint16> int16(int number) const;
    std::optional<bool> boolean(int number) const;

private:
    friend class CardReader;
    // The kind line 1's word names, with the markers of line 18.
    RecordKind kindOf(QByteArrayView word) const;
    std::array<QByteArrayView, RecordLines> m_lines{};
    int m_count = 0;
};

// Splits the bytes of a card file into lines (CRLF or LF) and groups them into records. It
// copies nothing: records point into the bytes, which must outlive the reader and its records,
// so memory stays what the file itself takes however long a line or however many records.
// A UTF-8 byte order mark at the start, which some editors add, is skipped.
class CardReader {
public:
    explicit CardReader(QByteArrayView bytes);

    // The next record, or nothing at the end of the bytes.
    std::optional<RawRecord> next();

private:
    std::optional<QByteArrayView> nextLine();

    QByteArrayView m_bytes;
    qsizetype m_position = 0;
};

// True when the bytes hold the card's own record, as every card file does; text that merely
// happens to be read as records (a picture, a document) holds none.
bool holdsCardRecord(QByteArrayView bytes);

// The typed fields of each kind; a member is empty when its line is missing or does not
// convert, and the property it feeds then stays as it was.
struct CardFields {
    std::optional<float> width, height;
    std::optional<qint32> backColor;
};

struct LabelFields {
    std::optional<QString> caption;
    std::optional<float> width, height, left, top;
    std::optional<qint32> backColor, frwColor;
    std::optional<qint16> backStyle;
    std::optional<QString> fontName;
    std::optional<float> fontSize;
    std::optional<bool> bold, underline, italic;
    std::optional<qint16> alignment;
    std::optional<QString> reserved, tag, toolTip;
};

struct ImageFields {
    std::optional<float> width, height, left, top;
    std::optional<QString> path;
    std::optional<QString> reserved, tag;
};

struct ShapeFields {
    std::optional<float> width, height, left, top;
    std::optional<qint32> backColor;
    std::optional<qint16> shape;
};

struct QrCodeFields {
    std::optional<float> width, height, left, top;
    std::optional<QString> content;
    std::optional<qint32> darkColor, lightColor;
    std::optional<QrLevel> level;
};

// An "Extra" record's subject and the pairs it holds, unused ones left out.
struct ExtraFields {
    std::optional<QString> subject;
    QList<ExtraPair> pairs;
};

CardFields cardFields(const RawRecord& record);
LabelFields labelFields(const RawRecord& record);
ImageFields imageFields(const RawRecord& record);
ShapeFields shapeFields(const RawRecord& record);
QrCodeFields qrCodeFields(const RawRecord& record);
ExtraFields extraFields(const RawRecord& record);

} // namespace cardfile
