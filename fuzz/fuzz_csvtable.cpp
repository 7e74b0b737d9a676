// Reads any bytes as merge data and checks the table's shape; writes a table that was read as
// CSV again and checks that it reads back the same; fills the input as a placeholder text.
#include "document/csvtable.h"
#include "document/placeholders.h"

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
    }
    return 0;
}
