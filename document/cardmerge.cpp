#include "document/cardmerge.h"

#include "document/placeholders.h"
#include "document/vcard.h"

#include <array>

namespace cardmerge {

namespace {

std::array<QString*, 8> contactFields(vcard::VCardFields& c)
{
    return {&c.fullName,    &c.organisation, &c.title,      &c.workPhone,
            &c.mobilePhone, &c.email,        &c.webAddress, &c.streetAddress};
}

// A vCard's fields when the content is one that holds placeholders. Its stored text is folded
// at 75 octets, which may cut a placeholder in two: only the unfolded fields show them whole.
std::optional<vcard::VCardFields> contactWithPlaceholders(const QString& content)
{
    if (!content.startsWith(QLatin1String("BEGIN:VCARD"), Qt::CaseInsensitive))
        return std::nullopt;
    auto contact = vcard::parseVCard(content.toUtf8());
    if (!contact)
        return std::nullopt;
    for (QString* field : contactFields(*contact))
        if (!placeholders::placeholderNames(*field).isEmpty())
            return contact;
    return std::nullopt;
}

// The texts a printed card fills, on both its sides: visible text items' captions and QR
// codes' contents.
QStringList printedTexts(const CardDesign& design)
{
    QStringList texts;
    const QList<CardItem> items =
        design.sideItems(CardSide::Front) + design.sideItems(CardSide::Back);
    for (const CardItem& item : items) {
        if (!item.visible)
            continue;
        if (item.kind == ElementKind::Text) {
            texts << item.text.caption;
        } else if (item.kind == ElementKind::QrCode) {
            if (auto contact = contactWithPlaceholders(item.qr.content)) {
                for (QString* field : contactFields(*contact))
                    texts << *field;
            } else {
                texts << item.qr.content;
            }
        }
    }
    return texts;
}

QString filled(const QString& text, const csv::CsvTable& table, qsizetype row)
{
    // Checked before printing; a name that slipped through prints as it stands.
    return placeholders::fill(text, table.columns, table.rows.value(row)).value_or(text);
}

void fillItem(CardItem& item, const csv::CsvTable& table, qsizetype row)
{
    if (!item.visible)
        return;
    if (item.kind == ElementKind::Text) {
        item.text.caption = filled(item.text.caption, table, row);
    } else if (item.kind == ElementKind::QrCode) {
        item.qr.content = filledQrContent(item.qr.content, table, row);
    }
}

} // namespace

std::optional<QString> mismatch(const MergeData& data, const CardDesign& design)
{
    const auto unknown = placeholders::unknownPlaceholder(printedTexts(design), data.table.columns);
    if (!unknown)
        return std::nullopt;
    return csv::csvErrorMessage(
        data.path,
        {data.table.headerLine,
         QStringLiteral("no column is named \"%1\", which the card's ${%1} needs").arg(*unknown)});
}

std::optional<MergeData> check(const QString& path, csv::CsvRead read, const CardDesign& design,
                               QString* message)
{
    if (!read.ok()) {
        *message = csv::csvErrorMessage(path, *read.error);
        return std::nullopt;
    }
    MergeData data{path, std::move(read.table)};
    if (auto fault = mismatch(data, design)) {
        *message = *fault;
        return std::nullopt;
    }
    if (data.table.rows.isEmpty()) {
        *message = csv::csvErrorMessage(path, {0, QStringLiteral("there are no rows to merge")});
        return std::nullopt;
    }
    return data;
}

std::optional<MergeData> load(const QString& path, const CardDesign& design, QString* message)
{
    return check(path, csv::readCsvFile(path), design, message);
}

CardDesign fillRow(const CardDesign& design, const csv::CsvTable& table, qsizetype row)
{
    // Both sides: row N's back is the back of row N's card.
    CardDesign merged = design;
    const CardSide shown = merged.shownSide();
    for (const CardSide side : {CardSide::Front, CardSide::Back}) {
        merged.show(side);
        for (CardItem& item : merged.items())
            fillItem(item, table, row);
    }
    merged.show(shown);
    return merged;
}

QString filledQrContent(const QString& content, const csv::CsvTable& table, qsizetype row)
{
    if (auto contact = contactWithPlaceholders(content)) {
        for (QString* field : contactFields(*contact))
            *field = filled(*field, table, row);
        return QString::fromUtf8(vcard::writeVCard(*contact));
    }
    return filled(content, table, row);
}

} // namespace cardmerge
