#pragma once

#include "document/qrlevel.h"
#include "document/reservedtexts.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <limits>
#include <optional>

// Element counters are 16-bit; one at its top value is never incremented, so 32767 is the
// highest index any element gets.
inline void incrementCounter(qint16& counter)
{
    if (counter < std::numeric_limits<qint16>::max())
        ++counter;
}

// The kinds of element on the card, numbered as the card's old kind codes were; QR codes came
// later and take the next code.
enum class ElementKind { Text = 1, Picture = 2, Shape = 3, QrCode = 4 };

// The two sides of a card: one size, each its own elements and background colour.
enum class CardSide { Front, Back };

// What a text item shows besides its box. The caption is drawn twice: a back copy in bgColor
// peeks out from behind the front copy (in frwColor) by a fixed offset (font3D), which gives
// the text its 3-D edge.
struct TextLook {
    QString caption;
    qint32 backColor = 0x00FFFFFF;
    qint32 frwColor = 0;
    qint32 bgColor = 0x00FFFFFF;
    // 0 transparent, 1 the box is painted in backColor.
    qint16 backStyle = 1;
    // As stored: the family may carry the script suffix.
    QString fontName = QStringLiteral("MS Sans Serif");
    float fontSize = 9.75f;
    bool bold = false, italic = false, underline = false, strikeout = false;
    // 0 left, 1 right, 2 centre.
    qint16 alignment = 0;
    // 0 plain, 1 edge above and left, 2 edge below and right.
    qint32 font3D = 0;
    // Drawn at the largest size up to fontSize at which the caption fits its box whole.
    bool shrinkToFit = false;

    // A zero or negative size cannot be drawn, and a huge one stalls text layout: such a size
    // is refused (false) and the size stays.
    static constexpr float MaxFontSize = 2048.0f;
    bool setFontSize(float points)
    {
        if (!(points > 0 && points <= MaxFontSize))
            return false;
        fontSize = points;
        return true;
    }

    bool operator==(const TextLook&) const = default;
};

// What a shape shows: its kind drawn in an inner box inset 120 twips at the top-left.
struct ShapeLook {
    enum Kind : qint16 {
        Rectangle = 0,
        Square = 1,
        Oval = 2,
        Circle = 3,
        RoundedRectangle = 4,
        RoundedSquare = 5
    };
    qint16 shape = Rectangle;
    qint32 backColor = 0x00E0E0E0;
    // 0 only the outline, 1 filled in backColor.
    qint16 backStyle = 1;
    // 0 no outline, otherwise a one-pixel black outline.
    qint16 borderStyle = 0;
    // The inner box's size; it follows the element's size less 200 twips on each side where
    // that is not negative, and otherwise keeps its last size on that side.
    float innerWidth = 0, innerHeight = 0;

    static constexpr float Inset = 120;
    static constexpr float Shrink = 200;

    bool operator==(const ShapeLook&) const = default;
};

// What a QR code shows: its content (a contact card is kept as its vCard text), drawn at an
// error-correction level in a dark colour on a light one.
struct QrLook {
    static constexpr qint32 Transparent = -1;

    QString content;
    qint32 darkColor = 0;
    // Transparent: the light modules and the quiet zone are not painted.
    qint32 lightColor = 0x00FFFFFF;
    QrLevel level = QrLevel::M;

    bool operator==(const QrLook&) const = default;
};

// One element of the card: its kind, its index in that kind's numbering, when it was made,
// its box in twips, its markers and what it shows.
struct CardItem {
    ElementKind kind = ElementKind::Text;
    int index = 0;
    quint64 serial = 0;
    bool visible = true;
    float left = 0, top = 0, width = 0, height = 0;
    // Kind markers: "Text" and "Shape" here for those kinds; a picture keeps the path of its
    // image file here once one is chosen, and "img" in its tag; a QR code has "qr" in its tag.
    QString toolTipText;
    QString tag;
    TextLook text;
    ShapeLook shape;
    QrLook qr;

    bool isTemplate() const { return index == 0; }
    QRectF box() const { return {left, top, width, height}; }
    // A picture shows the image of the file its tooltip names; while that names no readable
    // image (the template's "Double click to change"), it shows the template's icon.
    const QString& picturePath() const { return toolTipText; }

    // Geometry from outside is bounded; NaN leaves the value as it was and a negative size is
    // refused (false, nothing changed). A shape's inner box follows its size.
    void setLeft(float value);
    void setTop(float value);
    bool setWidth(float value);
    bool setHeight(float value);

    bool operator==(const CardItem&) const = default;
};

// The whole design as a value: the card, its elements in stacking order (bottom first; the
// templates among them, hidden), the counters that number new elements, and the
// reserved texts. Copies are cheap (the element list is shared until one copy changes), so
// the print snapshot, the clipboard and undo hold copies.
class CardDesign {
public:
    static constexpr float DefaultWidthPixels = 360;
    static constexpr float DefaultHeightPixels = 210;
    static constexpr qint32 DefaultBackColor = 0x00FFFFFF;

    // The fresh card: the default size and colour and only the three hidden templates. The QR
    // code's template is made with the first QR code, so that a card without any is written
    // as cards always were.
    CardDesign();

    float widthPixels = DefaultWidthPixels;
    float heightPixels = DefaultHeightPixels;
    // The background colour of the side shown.
    qint32 backColor = DefaultBackColor;

    qint16 textCount = 0;
    qint16 pictureCount = 0;
    qint16 shapeCount = 0;
    qint16 qrCodeCount = 0;
    ReservedTexts textReserve;
    ReservedTexts pictureReserve;
    // The reserved texts last the whole run, across Opens: the indices this design's records
    // did not fill (from its counters on) keep what `earlier` held there.
    void keepReservedTexts(const CardDesign& earlier);

    // The side shown, which items(), backColor and every change of elements act on; the other
    // side waits unchanged. The templates belong to the front, whichever side is shown, and
    // the counters and serials are shared, so an element is named alike on either side.
    CardSide shownSide() const { return m_shown; }
    void show(CardSide side);
    // This design with `side` shown: a cheap copy, for drawing or printing one side.
    CardDesign showing(CardSide side) const;
    const QList<CardItem>& sideItems(CardSide side) const
    {
        return side == m_shown ? m_items : m_otherItems;
    }
    qint32 sideColor(CardSide side) const { return side == m_shown ? backColor : m_otherColor; }
    void setSideColor(CardSide side, qint32 color)
    {
        (side == m_shown ? backColor : m_otherColor) = color;
    }
    // Whether the back has anything of its own to print: an element or a colour.
    bool hasBack() const;

    // Elements of the side shown, bottom first.
    const QList<CardItem>& items() const { return m_items; }
    QList<CardItem>& items() { return m_items; }

    // The position in stacking order of an element, or -1.
    qsizetype find(ElementKind kind, int index) const;
    const CardItem* item(ElementKind kind, int index) const;
    CardItem* item(ElementKind kind, int index);

    // Creates element `index` of a kind as a visible copy of its template, on top; null when
    // it exists already or the template is gone. A QR code's template is made first when there
    // is none; asked for index 0, that template itself is the result.
    CardItem* addCopy(ElementKind kind, int index);
    // The same for a caller that knows the element does not exist yet.
    CardItem* addNewCopy(ElementKind kind, int index);
    // Appends an element as it is, on top, with the next serial.
    CardItem& append(const CardItem& item);
    // Appends an element on top keeping its serial, for a design put together from elsewhere.
    CardItem& appendAsMade(const CardItem& item);
    // No elements at all on either side, not even the templates.
    void clearItems();
    bool remove(ElementKind kind, int index);
    void bringToFront(qsizetype position);

    // The templates as designed: the defaults that new elements copy.
    static CardItem textTemplate();
    static CardItem shapeTemplate();
    static CardItem pictureTemplate();
    static CardItem qrCodeTemplate();

    quint64 lastSerial() const { return m_lastSerial; }

private:
    QList<CardItem>& frontItems() { return m_shown == CardSide::Front ? m_items : m_otherItems; }

    QList<CardItem> m_items;
    // The side not shown.
    QList<CardItem> m_otherItems;
    qint32 m_otherColor = DefaultBackColor;
    CardSide m_shown = CardSide::Front;
    quint64 m_lastSerial = 0;
};

// The card file as the design: reading, writing, and what reading left out.
namespace carddesignfile {

// The largest card file read: far above any real card, and a bound for /dev/zero.
inline constexpr qint64 MaxFileBytes = 64 << 20;
// The most element records a card file can hold within MaxFileBytes: a record of one word and
// seventeen empty lines takes 29 bytes. Past 32,767 of a kind, records overwrite the last one.
inline constexpr int MaxElements = int(MaxFileBytes / 29);

struct ReadResult {
    CardDesign design;
    // Element records past MaxElements, which were skipped.
    bool leftOut = false;
    // The file ends part way through a record (blank lines aside): it was probably cut short.
    bool endsInsideRecord = false;
    // The element each element record was applied to, in record order, and how many element
    // records there were.
    QList<std::pair<ElementKind, int>> applied;
    int elementRecords = 0;
};

// Applies the records of a card file to a fresh design, as reading has always done: the
// first record of each kind goes to that kind's template, fields that do not convert leave
// their property as it was, unknown records are skipped.
ReadResult read(QByteArrayView bytes, int maxElements = MaxElements);
// What a user is told of a read: elements left out past `maxElements`, and a file cut short
// inside a record (`path` names it; empty: "The card"). One message each, in that order.
QStringList readWarnings(const ReadResult& read, const QString& path, int maxElements);
// The design as the bytes of a card file: the card, then every element with its kind's
// marker in the order the elements were made.
QByteArray write(const CardDesign& design);

// Element records alone, as the clipboard carries them: the records of the given elements in
// the given order, and those records read back as visible elements (their indices are the
// order of their kind among the records, starting at 0). `offered`, when given, is set to how
// many element records there were, read or not.
QByteArray writeRecords(const CardDesign& design, const QList<CardItem>& items);
QList<CardItem> readRecords(QByteArrayView bytes, int maxElements = MaxElements,
                            int* offered = nullptr);

} // namespace carddesignfile
