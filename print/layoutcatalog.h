#pragma once

#include "print/sheetlayout.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The sheet layouts the program offers, read from the layouts file among its resources.
namespace layoutcatalog {

// Every layout, in the file's order; the original sheet ("top-left") comes first.
const std::vector<SheetLayout>& layouts();
// The layout of that name; null when there is none.
const SheetLayout* find(const QString& name);
// The names, for messages and menus.
QStringList names();

// Reads a layouts file; entries that cannot be read are left out, with the reasons in `errors`.
std::vector<SheetLayout> parse(const QByteArray& json, QStringList* errors = nullptr);

// The layout the preview's Sheet menu was last left at; "top-left" before any choice.
QString remembered();
void remember(const QString& name);

} // namespace layoutcatalog
