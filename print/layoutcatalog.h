#pragma once

#include "print/sheetlayout.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The sheet layouts the program offers, read from the layouts file among its resources.
namespace layoutcatalog {

// Every layout, in the file's order; the original sheet ("top-left") comes first.
const std::vector<SheetLayout>& layouts();
// The layout of that name, built in or a stock sheet ("Avery 5371", any case); null when there
// is none.
const SheetLayout* find(const QString& name);
// Why `name` is no layout, with the stock sheets nearest to it, as one line.
QString unknownLayoutMessage(const QString& name);
// The names, for messages and menus.
QStringList names();

// Reads a layouts file; entries that cannot be read are left out, with the reasons in `errors`.
std::vector<SheetLayout> parse(const QByteArray& json, QStringList* errors = nullptr);

// The layout the preview's Sheet menu was last left at; "top-left" before any choice.
QString remembered();
void remember(const QString& name);
// The layout last chosen for one card file (by its absolute path); empty when none was.
QString rememberedForCard(const QString& cardFile);
void rememberForCard(const QString& cardFile, const QString& name);

} // namespace layoutcatalog
