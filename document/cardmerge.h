#pragma once

#include "document/carddesign.h"
#include "document/csvtable.h"

#include <optional>

// One card a row: the design's placeholders filled from a row of merge data.
namespace cardmerge {

// The merge data, read and checked against the card, ready to print.
struct MergeData {
    QString path;
    csv::CsvTable table;

    qsizetype rowCount() const { return table.rows.size(); }
};

// Reads the CSV file and checks that every placeholder the card prints names one of its
// columns and that there is at least one row. Nothing, with the message for the user
// ("people.csv, line 3: ..."), when the data is bad.
std::optional<MergeData> load(const QString& path, const CardDesign& design, QString* message);

// The same for bytes already read (the path names them in messages).
std::optional<MergeData> check(const QString& path, csv::CsvRead read, const CardDesign& design,
                               QString* message);

// Why the card cannot be merged with data it was not checked against (it may have changed
// since): the message for its first placeholder that names no column; nothing when all do.
std::optional<QString> mismatch(const MergeData& data, const CardDesign& design);

// The design for one row: the caption of every text item and the content of every QR code
// with their placeholders filled. A contact card is filled field by field and written again,
// so that values are escaped and folded as vCard wants.
CardDesign fillRow(const CardDesign& design, const csv::CsvTable& table, qsizetype row);
// A QR code's content for one row, as fillRow fills it.
QString filledQrContent(const QString& content, const csv::CsvTable& table, qsizetype row);

} // namespace cardmerge
