// Reads any bytes as merge data and checks the table's shape; writes a table that was read as
// CSV again and checks that it reads back the same; fills the input as a placeholder text, and
// a card's caption and contact card from the rows.
#include "document/cardmerge.h"
#include "document/csvtable.h"
#include "document/placeholders.h"
#include "document/vcard.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

QByteArray written(const csv::CsvTable& table)
{
    auto line = [](const QStringList& fields) {
        QStringList quoted;
        for (QString field : fields)
            quoted << '"' + field.replace('"', QStringLiteral("\"\"")) + '"';
        return quoted.join(',').toUtf8() + "\r\n";
    };
    QByteArray bytes = line(table.columns);
    for (const QStringList& row : table.rows)
        bytes += line(row);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const csv::CsvRead read = csv::parseCsv(bytes);
    if (read.error) {
        require(read.table.columns.isEmpty() && read.table.rows.isEmpty());
        require(read.error->line >= 0 && !read.error->fault.isEmpty());
    } else {
        const csv::CsvTable& table = read.table;
        require(table.rows.size() == table.rowLines.size() && table.rows.size() <= csv::MaxRows);
        qsizetype lastLine = 1;
        for (qsizetype i = 0; i < table.rows.size(); ++i) {
            require(table.rows[i].size() == table.columns.size());
            require(table.rowLines[i] > lastLine);
            lastLine = table.rowLines[i];
        }
        const csv::CsvRead again = csv::parseCsv(written(table));
        require(again.ok() && again.table.columns == table.columns
                && again.table.rows == table.rows);

        const QString text = QString::fromUtf8(bytes);
        const QStringList row = table.rows.value(0);
        QString unknown;
        const auto filled = placeholders::fill(text, table.columns, row, &unknown);
        const auto firstUnknown = placeholders::unknownPlaceholder({text}, table.columns);
        require(filled.has_value() != firstUnknown.has_value());
        require(filled || unknown == *firstUnknown);

        // A contact card filled from a row stays a contact card, with the row's value escaped
        // and folded so that it reads back as it was (line breaks as vCard keeps them).
        CardDesign design;
        design.addCopy(ElementKind::Text, 1)->text.caption = text;
        vcard::VCardFields contact;
        contact.fullName = text.left(300);
        contact.title = QStringLiteral("${") + table.columns.value(0) + u'}';
        design.addCopy(ElementKind::QrCode, 1)->qr.content =
            QString::fromUtf8(vcard::writeVCard(contact));
        QString message;
        if (const auto merge =
                cardmerge::check(QStringLiteral("fuzz.csv"), read, design, &message)) {
            for (qsizetype r = 0; r < std::min<qsizetype>(merge->rowCount(), 3); ++r) {
                const CardDesign one = cardmerge::fillRow(design, merge->table, r);
                require(one.item(ElementKind::Text, 1)->text.caption
                        == placeholders::fill(text, table.columns, table.rows[r]));
                const auto card =
                    vcard::parseVCard(one.item(ElementKind::QrCode, 1)->qr.content.toUtf8());
                require(card.has_value());
                QString value = table.rows[r].value(0);
                value.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
                require(table.columns.value(0).contains(u'}') || card->title == value);
            }
        } else {
            require(!message.isEmpty());
        }
    }
    return 0;
}
