#include "document/carddesign.h"

#include "document/cardfile.h"
#include "document/twips.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

// ---- Elements --------------------------------------------------------------------------

void CardItem::setLeft(float value)
{
    if (!std::isnan(value))
        left = boundedTwips(value);
}

void CardItem::setTop(float value)
{
    if (!std::isnan(value))
        top = boundedTwips(value);
}

bool CardItem::setWidth(float value)
{
    if (!(value >= 0))
        return false;
    width = boundedTwips(value);
    if (kind == ElementKind::Shape && width - ShapeLook::Shrink >= 0)
        shape.innerWidth = width - ShapeLook::Shrink;
    return true;
}

bool CardItem::setHeight(float value)
{
    if (!(value >= 0))
        return false;
    height = boundedTwips(value);
    if (kind == ElementKind::Shape && height - ShapeLook::Shrink >= 0)
        shape.innerHeight = height - ShapeLook::Shrink;
    return true;
}

// ---- The design ------------------------------------------------------------------------

CardItem CardDesign::textTemplate()
{
    CardItem item;
    item.kind = ElementKind::Text;
    item.visible = false;
    item.left = 3000, item.top = 720, item.width = 1380, item.height = 330;
    item.toolTipText = QStringLiteral("Text");
    return item;
}

CardItem CardDesign::shapeTemplate()
{
    CardItem item;
    item.kind = ElementKind::Shape;
    item.visible = false;
    item.left = 360, item.top = 1680, item.width = 495, item.height = 375;
    item.shape.innerWidth = item.width - ShapeLook::Shrink;
    item.shape.innerHeight = item.height - ShapeLook::Shrink;
    item.toolTipText = QStringLiteral("Shape");
    return item;
}

CardItem CardDesign::pictureTemplate()
{
    CardItem item;
    item.kind = ElementKind::Picture;
    item.visible = false;
    item.left = 1080, item.top = 240, item.width = 480, item.height = 285;
    item.tag = QStringLiteral("img");
    item.toolTipText = QStringLiteral("Double click to change");
    return item;
}

CardItem CardDesign::qrCodeTemplate()
{
    CardItem item;
    item.kind = ElementKind::QrCode;
    item.visible = false;
    // Five eighths of an inch: a short web address scans at that size from a card.
    item.left = 240, item.top = 240, item.width = 900, item.height = 900;
    item.tag = QStringLiteral("qr");
    item.qr.content = QStringLiteral("https://");
    return item;
}

CardDesign::CardDesign()
{
    // The templates, in the order the card file lists them: text, shape, picture.
    append(textTemplate());
    append(shapeTemplate());
    append(pictureTemplate());
}

void CardDesign::keepReservedTexts(const CardDesign& earlier)
{
    textReserve.keepFrom(earlier.textReserve, textCount);
    pictureReserve.keepFrom(earlier.pictureReserve, pictureCount);
}

qsizetype CardDesign::find(ElementKind kind, int index) const
{
    // The templates lie at the bottom; any other element is searched from the top, where the
    // element just added or pressed is.
    if (index == 0) {
        for (qsizetype i = 0; i < m_items.size(); ++i)
            if (m_items.at(i).index == 0 && m_items.at(i).kind == kind)
                return i;
        return -1;
    }
    for (qsizetype i = m_items.size() - 1; i >= 0; --i) {
        const CardItem& item = m_items.at(i);
        if (item.index == index && item.kind == kind)
            return i;
    }
    return -1;
}

const CardItem* CardDesign::item(ElementKind kind, int index) const
{
    const qsizetype at = find(kind, index);
    return at < 0 ? nullptr : &m_items.at(at);
}

CardItem* CardDesign::item(ElementKind kind, int index)
{
    const qsizetype at = find(kind, index);
    return at < 0 ? nullptr : &m_items[at];
}

CardItem* CardDesign::addCopy(ElementKind kind, int index)
{
    if (find(kind, index) >= 0)
        return nullptr;
    return addNewCopy(kind, index);
}

void CardDesign::show(CardSide side)
{
    if (side == m_shown)
        return;
    std::swap(m_items, m_otherItems);
    std::swap(backColor, m_otherColor);
    m_shown = side;
}

CardDesign CardDesign::showing(CardSide side) const
{
    CardDesign design = *this;
    design.show(side);
    return design;
}

bool CardDesign::hasBack() const
{
    return !sideItems(CardSide::Back).isEmpty() || sideColor(CardSide::Back) != DefaultBackColor;
}

CardItem* CardDesign::addNewCopy(ElementKind kind, int index)
{
    // The templates are the front's; on the back, a new element still copies them.
    QList<CardItem>& front = frontItems();
    const auto isTemplate = [kind](const CardItem& item) {
        return item.index == 0 && item.kind == kind;
    };
    auto found = std::find_if(front.begin(), front.end(), isTemplate);
    if (found == front.end() && kind == ElementKind::QrCode) {
        CardItem made = qrCodeTemplate();
        made.serial = ++m_lastSerial;
        front.append(made);
        if (index == 0)
            return &front.last();
        found = front.end() - 1;
    }
    if (found == front.end())
        return nullptr;
    CardItem copy = *found;
    copy.index = index;
    copy.visible = true;
    return &append(copy);
}

CardItem& CardDesign::append(const CardItem& item)
{
    m_items.append(item);
    CardItem& added = m_items.last();
    added.serial = ++m_lastSerial;
    return added;
}

CardItem& CardDesign::appendAsMade(const CardItem& item)
{
    m_items.append(item);
    m_lastSerial = std::max(m_lastSerial, item.serial);
    return m_items.last();
}

void CardDesign::clearItems()
{
    m_items.clear();
    m_otherItems.clear();
    m_lastSerial = 0;
}

bool CardDesign::remove(ElementKind kind, int index)
{
    const qsizetype at = find(kind, index);
    if (at < 0)
        return false;
    m_items.removeAt(at);
    return true;
}

void CardDesign::bringToFront(qsizetype position)
{
    if (position < 0 || position >= m_items.size() - 1)
        return;
    CardItem item = std::move(m_items[position]);
    m_items.removeAt(position);
    m_items.append(std::move(item));
}

// ---- The card file ---------------------------------------------------------------------

namespace carddesignfile {
namespace {
// A field that did not convert leaves its property as it was.
template <class V, class Setter>
void apply(const std::optional<V>& value, Setter&& set)
{
    if (value)
        set(*value);
}

// A card must stay on screen and within what a window can measure; any other size in a file
// leaves that dimension as it was.
bool isCardSize(float pixels)
{
    // A million pixels, far beyond any card, is also written exactly: a size just under it
    // that the file's seven digits round up still reads back.
    return std::isfinite(pixels) && pixels > 0 && pixels <= MaxPixels;
}

template <class Fields>
void applyBox(CardItem& item, const Fields& f)
{
    apply(f.width, [&](float v) { item.setWidth(v); });
    apply(f.height, [&](float v) { item.setHeight(v); });
    apply(f.left, [&](float v) { item.setLeft(v); });
    apply(f.top, [&](float v) { item.setTop(v); });
}

// Where each element read so far lies, so that reading stays linear however many records
// come; reading only appends, so positions hold.
class ReadTargets {
public:
    // Member `index` of a kind for the next record: a new copy of the template, or the member
    // itself when it exists (the template for the first record, or a counter held at its top).
    CardItem& at(CardDesign& design, ElementKind kind, qint16 index)
    {
        std::vector<qsizetype>& positions = m_positions[size_t(kind) - 1];
        if (positions.empty())
            positions.assign(size_t(std::numeric_limits<qint16>::max()) + 1, -1);
        qsizetype& position = positions[size_t(index)];
        if (position < 0) {
            // Only the template is there before its first record; any other index is new.
            position = index == 0 ? design.find(kind, 0) : -1;
            if (position < 0) {
                design.addNewCopy(kind, index);
                position = design.items().size() - 1;
            }
        }
        m_last = position;
        return design.items()[position];
    }

    // Where the element of the last call lies.
    qsizetype lastPosition() const { return m_last; }

private:
    std::array<std::vector<qsizetype>, 4> m_positions;
    qsizetype m_last = -1;
};

// The properties that ride in "Extra" records, a line each: the name in the file, its default
// (what a record without it means), the value written (nothing while the property keeps its
// default), and what a read value changes (a value that does not convert changes nothing).
template <class Subject>
struct ExtraProperty {
    QLatin1StringView name;
    QLatin1StringView byDefault;
    std::optional<QString> (*value)(const Subject&);
    void (*apply)(Subject&, const QString&);
};

std::optional<QString> flag(bool on)
{
    return on ? std::optional(QStringLiteral("1")) : std::nullopt;
}

std::optional<bool> readFlag(const QString& value)
{
    if (value == QLatin1String("1"))
        return true;
    if (value == QLatin1String("0"))
        return false;
    return std::nullopt;
}

const ExtraProperty<CardItem> ElementProperties[] = {
    {QLatin1StringView("ShrinkToFit"), QLatin1StringView("0"),
     [](const CardItem& item) {
         return flag(item.kind == ElementKind::Text && item.text.shrinkToFit);
     },
     [](CardItem& item, const QString& value) {
         if (const auto on = readFlag(value); on && item.kind == ElementKind::Text)
             item.text.shrinkToFit = *on;
     }},
};

const ExtraProperty<CardDesign> CardProperties[] = {
    {QLatin1StringView("BackColor"), QLatin1StringView("16777215"),
     [](const CardDesign& design) {
         const qint32 color = design.sideColor(CardSide::Back);
         return color == CardDesign::DefaultBackColor
                    ? std::nullopt
                    : std::optional(QString::fromLatin1(cardfile::formatInteger(color)));
     },
     [](CardDesign& design, const QString& value) {
         if (const auto color = cardfile::parseInt32(cardfile::Field{value.toLatin1(), false}))
             design.setSideColor(CardSide::Back, *color);
     }},
};

template <class Subject, class Table>
QList<cardfile::ExtraPair> extraPairs(const Subject& subject, const Table& table)
{
    QList<cardfile::ExtraPair> pairs;
    for (const ExtraProperty<Subject>& property : table)
        if (const auto value = property.value(subject))
            pairs.append({property.name, *value});
    return pairs;
}

// A record stands for all of its subject: what its "Extra" records do not set is the default,
// not what the template it is copied from may hold.
template <class Subject, class Table>
void applyDefaults(Subject& subject, const Table& table)
{
    for (const ExtraProperty<Subject>& property : table)
        property.apply(subject, property.byDefault);
}

template <class Subject, class Table>
void applyExtras(Subject& subject, const QList<cardfile::ExtraPair>& pairs, const Table& table)
{
    for (const cardfile::ExtraPair& pair : pairs)
        for (const ExtraProperty<Subject>& property : table)
            if (pair.name == property.name)
                property.apply(subject, pair.value);
}

// One element's record, from an element carrying its kind's marker; others write nothing.
void writeRecord(cardfile::CardWriter& writer, const CardDesign& design, const CardItem& element)
{
    const CardItem* item = &element;
    switch (item->kind) {
    case ElementKind::Text: {
        if (item->toolTipText != QLatin1String("Text"))
            break;
        const TextLook& t = item->text;
        writer.writeLabel({t.caption, item->width, item->height, item->left, item->top, t.backColor,
                           t.frwColor, t.backStyle, storedFontName(t.fontName), t.fontSize, t.bold,
                           t.underline, t.italic, t.alignment, design.textReserve.at(item->index),
                           item->tag, item->toolTipText});
        break;
    }
    case ElementKind::Picture:
        if (item->tag == QLatin1String("img"))
            writer.writeImage({item->width, item->height, item->left, item->top, item->toolTipText,
                               design.pictureReserve.at(item->index), item->tag});
        break;
    case ElementKind::Shape:
        if (item->toolTipText == QLatin1String("Shape"))
            writer.writeShape({item->width, item->height, item->left, item->top,
                               item->shape.backColor, item->shape.shape});
        break;
    case ElementKind::QrCode:
        if (item->tag == QLatin1String("qr"))
            writer.writeQrCode({item->width, item->height, item->left, item->top, item->qr.content,
                                item->qr.darkColor, item->qr.lightColor, item->qr.level});
        break;
    }
}

void writeItem(cardfile::CardWriter& writer, const CardDesign& design, const CardItem& item)
{
    const qsizetype before = writer.bytes().size();
    writeRecord(writer, design, item);
    if (writer.bytes().size() != before)
        writer.writeExtras(cardfile::ElementSubject, extraPairs(item, ElementProperties));
}

} // namespace

ReadResult read(QByteArrayView bytes, int maxElements)
{
    ReadResult result;
    CardDesign& design = result.design;
    // Each side's elements are found apart; the templates are the front's.
    std::array<ReadTargets, 2> targets;
    int elements = 0;
    // What an "Extra" record may speak of: the card once read, and the element of the record
    // just before (none after a record that made no element).
    bool cardRead = false;
    qsizetype lastElement = -1;
    CardSide lastSide = CardSide::Front;
    cardfile::CardReader reader(bytes);
    while (const auto record = reader.next()) {
        if (!record->isComplete())
            result.endsInsideRecord = !record->isBlank();
        cardfile::RecordKind kind = record->kind();
        CardSide side = CardSide::Front;
        if (kind == cardfile::RecordKind::Other) {
            if (const auto backKind = record->backKind(); backKind != cardfile::RecordKind::Other)
                kind = backKind, side = CardSide::Back;
        }
        if (kind == cardfile::RecordKind::Extra) {
            const auto f = cardfile::extraFields(*record);
            if (f.subject == cardfile::ElementSubject && lastElement >= 0) {
                design.show(lastSide);
                applyExtras(design.items()[lastElement], f.pairs, ElementProperties);
            } else if (f.subject == cardfile::CardSubject && cardRead) {
                applyExtras(design, f.pairs, CardProperties);
            }
            continue;
        }
        lastElement = -1;
        if (kind != cardfile::RecordKind::Card && kind != cardfile::RecordKind::Other
            && elements++ >= maxElements) {
            result.leftOut = true;
            continue;
        }
        design.show(side);
        // The back has no templates: its first element of a kind is a member, never index 0.
        const auto counted = [&](qint16& counter, ElementKind elementKind) -> CardItem& {
            if (side == CardSide::Back && counter == 0)
                incrementCounter(counter);
            result.applied.append({elementKind, counter});
            return targets[size_t(side)].at(design, elementKind, counter);
        };
        switch (kind) {
        case cardfile::RecordKind::Card: {
            cardRead = true;
            const auto f = cardfile::cardFields(*record);
            apply(f.width, [&](float v) {
                if (isCardSize(v))
                    design.widthPixels = v;
            });
            apply(f.height, [&](float v) {
                if (isCardSize(v))
                    design.heightPixels = v;
            });
            apply(f.backColor, [&](qint32 v) { design.backColor = v; });
            break;
        }
        case cardfile::RecordKind::Label: {
            CardItem& item = counted(design.textCount, ElementKind::Text);
            const auto f = cardfile::labelFields(*record);
            TextLook& look = item.text;
            apply(f.caption, [&](const QString& v) { look.caption = v; });
            applyBox(item, f);
            apply(f.backColor, [&](qint32 v) { look.backColor = v; });
            apply(f.frwColor, [&](qint32 v) { look.frwColor = v; });
            apply(f.fontName, [&](const QString& v) { look.fontName = v; });
            apply(f.fontSize, [&](float v) { look.setFontSize(v); });
            apply(f.bold, [&](bool v) { look.bold = v; });
            apply(f.underline, [&](bool v) { look.underline = v; });
            apply(f.italic, [&](bool v) { look.italic = v; });
            apply(f.alignment, [&](qint16 v) { look.alignment = v; });
            apply(f.tag, [&](const QString& v) { item.tag = v; });
            apply(f.toolTip, [&](const QString& v) { item.toolTipText = v; });
            design.textReserve.store(design.textCount, f.reserved.value_or(QString()));
            incrementCounter(design.textCount);
            break;
        }
        case cardfile::RecordKind::Image: {
            CardItem& item = counted(design.pictureCount, ElementKind::Picture);
            const auto f = cardfile::imageFields(*record);
            applyBox(item, f);
            apply(f.path, [&](const QString& v) { item.toolTipText = v; });
            design.pictureReserve.store(design.pictureCount, f.reserved.value_or(QString()));
            incrementCounter(design.pictureCount);
            break;
        }
        case cardfile::RecordKind::Shape: {
            CardItem& item = counted(design.shapeCount, ElementKind::Shape);
            const auto f = cardfile::shapeFields(*record);
            applyBox(item, f);
            apply(f.backColor, [&](qint32 v) { item.shape.backColor = v; });
            apply(f.shape, [&](qint16 v) {
                if (v >= ShapeLook::Rectangle && v <= ShapeLook::RoundedSquare)
                    item.shape.shape = v;
            });
            incrementCounter(design.shapeCount);
            break;
        }
        case cardfile::RecordKind::QrCode: {
            CardItem& item = counted(design.qrCodeCount, ElementKind::QrCode);
            const auto f = cardfile::qrCodeFields(*record);
            applyBox(item, f);
            QrLook& look = item.qr;
            apply(f.content, [&](const QString& v) { look.content = v; });
            apply(f.darkColor, [&](qint32 v) { look.darkColor = v; });
            apply(f.lightColor, [&](qint32 v) { look.lightColor = v; });
            apply(f.level, [&](QrLevel v) { look.level = v; });
            incrementCounter(design.qrCodeCount);
            break;
        }
        case cardfile::RecordKind::Extra:
        case cardfile::RecordKind::Other: break;
        }
        if (kind != cardfile::RecordKind::Card && kind != cardfile::RecordKind::Other) {
            lastElement = targets[size_t(side)].lastPosition();
            lastSide = side;
            applyDefaults(design.items()[lastElement], ElementProperties);
        }
    }
    result.elementRecords = elements;
    design.show(CardSide::Front);
    return result;
}

QByteArray write(const CardDesign& design)
{
    cardfile::CardWriter writer;
    writer.writeCard({design.widthPixels, design.heightPixels, design.sideColor(CardSide::Front)});
    writer.writeExtras(cardfile::CardSubject, extraPairs(design, CardProperties));

    // Each side's elements in the order they were made, the front's first; the templates, made
    // first, lead each kind. The QR code's template alone is not written, so that a card whose
    // QR codes were all deleted is written as one that never had any.
    const auto isQrCode = [](const CardItem& item) {
        return item.kind == ElementKind::QrCode && item.index != 0;
    };
    const QList<CardItem>& front = design.sideItems(CardSide::Front);
    const QList<CardItem>& back = design.sideItems(CardSide::Back);
    const bool anyQrCode = std::any_of(front.begin(), front.end(), isQrCode)
                           || std::any_of(back.begin(), back.end(), isQrCode);
    for (const CardSide side : {CardSide::Front, CardSide::Back}) {
        std::vector<const CardItem*> visits;
        visits.reserve(size_t(design.sideItems(side).size()));
        for (const CardItem& item : design.sideItems(side))
            if (item.kind != ElementKind::QrCode || anyQrCode)
                visits.push_back(&item);
        std::sort(visits.begin(), visits.end(),
                  [](const CardItem* a, const CardItem* b) { return a->serial < b->serial; });
        writer.setBackSide(side == CardSide::Back);
        for (const CardItem* item : visits)
            writeItem(writer, design, *item);
    }
    return writer.bytes();
}

QByteArray writeRecords(const CardDesign& design, const QList<CardItem>& items)
{
    cardfile::CardWriter writer;
    for (const CardItem& item : items)
        writeItem(writer, design, item);
    return writer.bytes();
}

QList<CardItem> readRecords(QByteArrayView bytes, int maxElements, int* offered)
{
    // Reading gives each kind's first record to its template and the rest to members 1, 2 ...;
    // reading tells which element each record became.
    const ReadResult read = carddesignfile::read(bytes, maxElements);
    if (offered)
        *offered = read.elementRecords;
    // Records past a kind's top index were applied to the last member again: it is taken once.
    std::array<int, 4> last{-1, -1, -1, -1};
    QList<CardItem> items;
    for (const auto& [kind, index] : read.applied) {
        int& lastOfKind = last[size_t(kind) - 1];
        if (index <= lastOfKind)
            continue;
        lastOfKind = index;
        if (const CardItem* item = read.design.item(kind, index)) {
            CardItem copy = *item;
            copy.visible = true;
            items.append(copy);
        }
    }
    return items;
}

QStringList readWarnings(const ReadResult& read, const QString& path, int maxElements)
{
    QStringList warnings;
    if (read.leftOut)
        warnings << QStringLiteral("The card has more elements than can be shown. Only the first "
                                   "%1 were read.")
                        .arg(maxElements);
    if (read.endsInsideRecord) {
        const auto& items = read.design.items();
        const auto shown = std::count_if(items.begin(), items.end(),
                                         [](const CardItem& item) { return item.visible; });
        const QString card = path.isEmpty() ? QStringLiteral("The card")
                                            : QStringLiteral("The card \"%1\"").arg(path);
        warnings << QStringLiteral("%1 ends in the middle of an element: the file was probably "
                                   "cut short. %2")
                        .arg(card, shown == 1
                                       ? QStringLiteral("1 element was read.")
                                       : QStringLiteral("%1 elements were read.").arg(shown));
    }
    return warnings;
}

} // namespace carddesignfile
