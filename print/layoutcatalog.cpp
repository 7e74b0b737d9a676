#include "print/layoutcatalog.h"

#include "platform/resources.h"
#include "print/printsettings.h"
#include "print/stockcatalog.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <map>

namespace layoutcatalog {

namespace {
const QSizeF LetterTwips(sheet::PageShortSide, sheet::PageLongSide);
const QSizeF A4Twips(210 * sheet::TwipsPerMm, 297 * sheet::TwipsPerMm);
const QString LayoutKey = QStringLiteral("sheet/layout");

std::optional<SheetLayout> parseEntry(const QJsonObject& entry, QString* error)
{
    SheetLayout layout;
    const auto fail = [&](const QString& what) {
        *error = QStringLiteral("%1: %2").arg(entry.value("name").toString("?"), what);
        return std::nullopt;
    };
    const auto length = [&](const char* key, const char* fallback) {
        return sheet::parseLength(entry.value(key).toString(fallback));
    };
    layout.name = entry.value("name").toString();
    if (layout.name.isEmpty())
        return fail("no name");
    layout.caption = entry.value("caption").toString(layout.name);

    const QString paper = entry.value("paper").toString();
    if (paper == "Letter")
        layout.paperTwips = LetterTwips;
    else if (paper == "A4")
        layout.paperTwips = A4Twips, layout.isA4 = true;
    else
        return fail("unknown paper");
    layout.turnsWithCard = entry.value("orientation").toString() == "card";

    const QJsonValue cell = entry.value("cell");
    if (cell.isArray()) {
        const auto w = sheet::parseLength(cell.toArray().at(0).toString());
        const auto h = sheet::parseLength(cell.toArray().at(1).toString());
        if (!w || !h || *w <= 0 || *h <= 0)
            return fail("bad cell");
        layout.cell = QSizeF(*w, *h);
    } else if (cell.toString() != "card") {
        return fail("bad cell");
    }

    const QJsonValue columns = entry.value("columns");
    const QJsonValue rows = entry.value("rows");
    if (columns.isDouble() && rows.isDouble()) {
        layout.count = SheetLayout::Count::Fixed;
        layout.columns = columns.toInt();
        layout.rows = rows.toInt();
        if (layout.columns < 1 || layout.rows < 1 || layout.columns > 50 || layout.rows > 50)
            return fail("bad count");
    } else if (columns.toString() == "fit" && rows.toString() == "fit") {
        layout.count = SheetLayout::Count::Fit;
    } else if (columns.toString() == "chosen" && rows.toString() == "chosen") {
        layout.count = SheetLayout::Count::Chosen;
    } else {
        return fail("bad count");
    }

    for (auto [key, target] : {std::pair{"left", &layout.left}, std::pair{"top", &layout.top}}) {
        const QString text = entry.value(key).toString("centre");
        if (text == "centre") {
            target->reset();
        } else if (const auto v = sheet::parseLength(text)) {
            *target = *v;
        } else {
            return fail(QStringLiteral("bad %1").arg(key));
        }
    }
    const auto margin = length("margin", "0");
    const auto gap = length("gap", "0");
    if (!margin || !gap)
        return fail("bad margin or gap");
    layout.margin = *margin;
    layout.gap = *gap;
    layout.cropMarks = entry.value("cropMarks").toBool(false);
    return layout;
}

std::vector<SheetLayout> load()
{
    initResources();
    QFile file(QStringLiteral(":/sheetlayouts.json"));
    std::vector<SheetLayout> found;
    if (file.open(QIODevice::ReadOnly))
        found = parse(file.readAll());
    // The original sheet is there whatever the file says.
    if (found.empty() || found.front().name != SheetLayout().name)
        found.insert(found.begin(), SheetLayout());
    return found;
}
} // namespace

std::vector<SheetLayout> parse(const QByteArray& json, QStringList* errors)
{
    std::vector<SheetLayout> found;
    const QJsonArray entries = QJsonDocument::fromJson(json).object().value("layouts").toArray();
    for (const QJsonValue& value : entries) {
        QString error;
        if (const auto layout = parseEntry(value.toObject(), &error)) {
            const bool taken = std::any_of(found.begin(), found.end(), [&](const SheetLayout& l) {
                return l.name == layout->name;
            });
            if (!taken)
                found.push_back(*layout);
        } else if (errors) {
            *errors << error;
        }
    }
    return found;
}

const std::vector<SheetLayout>& layouts()
{
    static const std::vector<SheetLayout> all = load();
    return all;
}

const SheetLayout* find(const QString& name)
{
    for (const SheetLayout& layout : layouts())
        if (layout.name == name)
            return &layout;
    // No name at all is no stock sheet either: the catalogue is not read for it, at start-up.
    if (name.isEmpty())
        return nullptr;
    // A stock sheet, made into a layout the first time it is asked for and kept, so that the
    // pointer stays good like the built-in ones.
    const StockTemplate* stock = stockcatalog::find(stockcatalog::installed(), name);
    if (!stock)
        return nullptr;
    static std::map<QString, SheetLayout> made;
    auto at = made.find(stock->name());
    if (at == made.end())
        at = made.emplace(stock->name(), stock->layout()).first;
    return &at->second;
}

QString unknownLayoutMessage(const QString& name)
{
    QString message = QStringLiteral("unknown layout \"%1\"; the layouts are %2")
                          .arg(name, names().join(QStringLiteral(", ")));
    const stockcatalog::Catalogue& stock = stockcatalog::installed();
    if (const QStringList near = stockcatalog::nearest(stock, name); !near.isEmpty())
        message += QStringLiteral(", and of the stock sheets the nearest are %1")
                       .arg(near.join(QStringLiteral(", ")));
    if (!stock.problem.isEmpty())
        message += QStringLiteral(". ") + stock.problem;
    return message;
}

QStringList names()
{
    QStringList all;
    for (const SheetLayout& layout : layouts())
        all << layout.name;
    return all;
}

QString remembered()
{
    const QString name = printSettings()->value(LayoutKey).toString();
    return find(name) ? name : SheetLayout().name;
}

void remember(const QString& name) { printSettings()->setValue(LayoutKey, name); }

namespace {
// Paths hold the settings' group separator; a digest of the path keys it instead.
QString cardKey(const QString& cardFile)
{
    const QByteArray path = QFileInfo(cardFile).absoluteFilePath().toUtf8();
    return QStringLiteral("sheet/cards/")
           + QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex());
}
} // namespace

QString rememberedForCard(const QString& cardFile)
{
    return printSettings()->value(cardKey(cardFile)).toString();
}

void rememberForCard(const QString& cardFile, const QString& name)
{
    printSettings()->setValue(cardKey(cardFile), name);
}

} // namespace layoutcatalog
