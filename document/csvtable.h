#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Merge data: a CSV file (RFC 4180) whose header row names the columns, one card a row.
namespace csv {

// More rows than any sheet run is meant for; a larger file is a mistake, not a job.
inline constexpr qsizetype MaxRows = 100'000;
// What readCsvFile takes from disk at most.
inline constexpr qint64 MaxFileBytes = 64 << 20;
// Wider rows and longer values than any card shows: a file past them is not merge data.
inline constexpr qsizetype MaxColumns = 1'000;
inline constexpr qsizetype MaxFieldChars = 1 << 20;

struct CsvError {
    qsizetype line = 0; // 1-based line of the file where the fault lies
    QString fault;
};

struct CsvTable {
    QStringList columns;       // the header's names, blanks around them dropped
    qsizetype headerLine = 1;  // the line the header starts on
    QList<QStringList> rows;   // each as long as columns: short rows are padded with empty values
    QList<qsizetype> rowLines; // the line each row starts on, for messages about it

    // The column's position, or -1; names compare exactly.
    qsizetype columnIndex(const QString& name) const { return columns.indexOf(name); }
};

struct CsvRead {
    CsvTable table;
    std::optional<CsvError> error; // when set, the table is empty

    bool ok() const { return !error; }
};

// Reads UTF-8 bytes, with or without a byte order mark. The separator is whichever of comma,
// semicolon and tab the header row uses most, a run of one counting once (tab, then semicolon,
// on a tie). Rows whose fields are all empty or blank are skipped. Faults: UTF-16 text (named as
// such), bytes that are not UTF-8 (or hold NUL), a quote that is never closed, text after a
// closing quote, a row with more fields than the header has columns, a row of more than
// MaxColumns fields, a field of more than MaxFieldChars, a column name given twice, no header
// row, more than MaxRows rows.
CsvRead parseCsv(QByteArrayView bytes);

// Reads a regular file of at most MaxFileBytes; a file that cannot be read is a fault on line 0.
CsvRead readCsvFile(const QString& path);

// "people.csv, line 12: the quote opened here is never closed", or without the line when the
// fault concerns the whole file.
QString csvErrorMessage(const QString& path, const CsvError& error);

} // namespace csv
