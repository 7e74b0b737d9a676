#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Merge placeholders in a card's texts: "${column}" stands for that column's value of the row
// being printed, and "$${" writes a literal "${". A "${" without a closing brace is plain text.
namespace placeholders {

// The column names the text's placeholders use, each once, in order of first use.
QStringList placeholderNames(const QString& text);

// The text with every placeholder replaced by the row's value (values are not searched for
// placeholders again). `row` holds the values in the order of `columns`; a missing value is
// empty. Nothing when a placeholder names no column; its name then goes to `unknown`.
std::optional<QString> fill(const QString& text, const QStringList& columns, const QStringList& row,
                            QString* unknown = nullptr);

// The first placeholder name in any of the texts that names no column, so that a whole card
// can be checked against the data before anything is printed.
std::optional<QString> unknownPlaceholder(const QStringList& texts, const QStringList& columns);

} // namespace placeholders
