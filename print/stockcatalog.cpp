#include "print/stockcatalog.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

namespace {
// No sheet is larger than this (a little over a metre); larger values are damage.
constexpr double MaxLength = 60000;

QString key(const QString& brand, const QString& part)
{
    return brand.toCaseFolded() + QLatin1Char('\n') + part.toCaseFolded();
}

QString attribute(const QXmlStreamReader& xml, const char* name)
{
    return xml.attributes().value(QLatin1String(name)).toString();
}

// The translatable form ("_description") where the plain one is absent.
QString textAttribute(const QXmlStreamReader& xml, const char* name)
{
    const QString plain = attribute(xml, name);
    return plain.isEmpty() ? attribute(xml, (QByteArray("_") + name).constData()) : plain;
}

std::optional<double> lengthAttribute(const QXmlStreamReader& xml, const char* name)
{
    return stockcatalog::parseLength(attribute(xml, name));
}

std::optional<StockGrid> readGrid(const QXmlStreamReader& xml)
{
    bool okX = false, okY = false;
    StockGrid grid;
    grid.columns = attribute(xml, "nx").toInt(&okX);
    grid.rows = attribute(xml, "ny").toInt(&okY);
    const auto x0 = lengthAttribute(xml, "x0");
    const auto y0 = lengthAttribute(xml, "y0");
    // A single column or row needs no pitch.
    const auto dx = grid.columns == 1 && attribute(xml, "dx").isEmpty()
                        ? std::optional(0.0)
                        : lengthAttribute(xml, "dx");
    const auto dy = grid.rows == 1 && attribute(xml, "dy").isEmpty() ? std::optional(0.0)
                                                                     : lengthAttribute(xml, "dy");
    if (!okX || !okY || grid.columns < 1 || grid.rows < 1 || !x0 || !y0 || !dx || !dy
        || qint64(grid.columns) * grid.rows > stockcatalog::MaxLabelsPerSheet)
        return std::nullopt;
    grid.origin = QPointF(*x0, *y0);
    grid.pitch = QPointF(*dx, *dy);
    return grid;
}

// One <Template> element, the reader on its start; it is left on the matching end.
std::optional<StockTemplate> readTemplate(QXmlStreamReader& xml,
                                          const QHash<QString, QSizeF>& paperSizes)
{
    StockTemplate stock;
    stock.brand = attribute(xml, "brand").trimmed();
    stock.part = attribute(xml, "part").trimmed();
    stock.description = textAttribute(xml, "description");
    stock.equivalentOf = attribute(xml, "equiv").trimmed();
    stock.paper = attribute(xml, "size");
    bool usable = !stock.brand.isEmpty() && !stock.part.isEmpty();
    if (stock.equivalentOf.isEmpty()) {
        if (stock.paper == QLatin1String("Other") || stock.paper.isEmpty()) {
            const auto w = lengthAttribute(xml, "width");
            const auto h = lengthAttribute(xml, "height");
            if (w && h && *w > 0 && *h > 0)
                stock.paperTwips = QSizeF(*w, *h);
            else
                usable = false;
        } else if (paperSizes.contains(stock.paper)) {
            stock.paperTwips = paperSizes.value(stock.paper);
        } else {
            usable = false;
        }
    }
    bool rectangular = false, otherShape = false;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("Meta")) {
            if (const QString category = attribute(xml, "category"); !category.isEmpty())
                stock.categories << category;
            xml.skipCurrentElement();
        } else if (name == QLatin1String("Label-rectangle") && !rectangular && !otherShape) {
            rectangular = true;
            const auto w = lengthAttribute(xml, "width");
            const auto h = lengthAttribute(xml, "height");
            const auto round = lengthAttribute(xml, "round");
            if (w && h && *w > 0 && *h > 0)
                stock.labelTwips = QSizeF(*w, *h);
            else
                usable = false;
            stock.cornerRadius = round.value_or(0);
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("Layout")) {
                    if (const auto grid = readGrid(xml);
                        grid && int(stock.grids.size()) < stockcatalog::MaxGridsPerTemplate)
                        stock.grids.push_back(*grid);
                    else
                        usable = false;
                }
                xml.skipCurrentElement();
            }
        } else {
            // Round, elliptical and CD labels, and a second label shape, are not card stock.
            if (name.startsWith(QLatin1String("Label-")))
                otherShape = true;
            xml.skipCurrentElement();
        }
    }
    if (!usable || otherShape)
        return std::nullopt;
    if (stock.equivalentOf.isEmpty() && (!rectangular || stock.grids.empty()))
        return std::nullopt;
    if (stock.labelCount() > stockcatalog::MaxLabelsPerSheet)
        return std::nullopt;
    return stock;
}

// Levenshtein distance, two rows.
int editDistance(const QString& a, const QString& b)
{
    std::vector<int> previous(size_t(b.size()) + 1), current(previous.size());
    for (size_t j = 0; j < previous.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j)
            current[size_t(j)] = std::min({previous[size_t(j)] + 1, current[size_t(j - 1)] + 1,
                                           previous[size_t(j - 1)] + (a[i - 1] != b[j - 1])});
        std::swap(previous, current);
    }
    return previous.back();
}
} // namespace

bool StockTemplate::isBusinessCard() const
{
    return categories.contains(QLatin1String("business-card"))
           || description.contains(QLatin1String("business card"), Qt::CaseInsensitive);
}

int StockTemplate::labelCount() const
{
    qint64 count = 0;
    for (const StockGrid& grid : grids)
        count += qint64(grid.columns) * grid.rows;
    return int(std::min<qint64>(count, INT_MAX));
}

std::vector<QPointF> StockTemplate::corners() const
{
    std::vector<QPointF> all;
    for (const StockGrid& grid : grids)
        for (int i = 0; i < grid.columns; ++i)
            for (int j = 0; j < grid.rows; ++j)
                all.push_back(grid.origin + QPointF(i * grid.pitch.x(), j * grid.pitch.y()));
    return all;
}

SheetLayout StockTemplate::layout() const
{
    SheetLayout layout;
    layout.name = name();
    layout.caption = description.isEmpty() ? name() : name() + QStringLiteral(" — ") + description;
    layout.paperTwips = paperTwips;
    layout.isA4 = paper == QLatin1String("A4");
    layout.turnsWithCard = false;
    layout.cell = labelTwips;
    layout.count = SheetLayout::Count::Fixed;
    layout.columns = grids.empty() ? 1 : grids.front().columns;
    layout.rows = grids.empty() ? 1 : grids.front().rows;
    layout.cellCorners = corners();
    return layout;
}

namespace stockcatalog {

QString installedFolder() { return QStringLiteral("/usr/share/libglabels-3.0/templates"); }

std::optional<double> parseLength(const QString& text)
{
    static const std::pair<QLatin1String, double> units[] = {
        {QLatin1String("in"), sheet::TwipsPerInch},
        {QLatin1String("mm"), sheet::TwipsPerMm},
        {QLatin1String("cm"), 10 * sheet::TwipsPerMm},
        {QLatin1String("pt"), sheet::TwipsPerPoint},
    };
    const QString trimmed = text.trimmed();
    QStringView number = trimmed;
    double factor = sheet::TwipsPerPoint; // a bare number is in points
    for (const auto& [suffix, twips] : units)
        if (trimmed.endsWith(suffix, Qt::CaseInsensitive)) {
            number = QStringView(trimmed).chopped(suffix.size()).trimmed();
            factor = twips;
            break;
        }
    bool ok = false;
    const double value = number.toDouble(&ok) * factor;
    if (!ok || !std::isfinite(value) || value < 0 || value > MaxLength)
        return std::nullopt;
    return value;
}

std::optional<QHash<QString, QSizeF>> parsePaperSizes(const QByteArray& xml, QString* error)
{
    QXmlStreamReader reader(xml);
    QHash<QString, QSizeF> sizes;
    if (reader.readNextStartElement() && reader.name() == QLatin1String("Glabels-paper-sizes")) {
        while (reader.readNextStartElement()) {
            if (reader.name() == QLatin1String("Paper-size")) {
                const auto w = lengthAttribute(reader, "width");
                const auto h = lengthAttribute(reader, "height");
                if (w && h && *w > 0 && *h > 0 && sizes.size() < MaxTemplates)
                    sizes.insert(attribute(reader, "id"), QSizeF(*w, *h));
            }
            reader.skipCurrentElement();
        }
    } else if (!reader.hasError()) {
        reader.raiseError(QStringLiteral("not a paper sizes file"));
    }
    if (reader.hasError() || sizes.isEmpty()) {
        *error = reader.hasError() ? reader.errorString() : QStringLiteral("no paper sizes");
        return std::nullopt;
    }
    return sizes;
}

std::vector<StockTemplate> parseTemplates(const QByteArray& xml,
                                          const QHash<QString, QSizeF>& paperSizes, QString* error)
{
    QXmlStreamReader reader(xml);
    std::vector<StockTemplate> found;
    if (reader.readNextStartElement() && reader.name() == QLatin1String("Glabels-templates")) {
        while (reader.readNextStartElement()) {
            if (reader.name() != QLatin1String("Template")) {
                reader.skipCurrentElement();
                continue;
            }
            if (auto stock = readTemplate(reader, paperSizes); stock && found.size() < MaxTemplates)
                found.push_back(std::move(*stock));
        }
    } else if (!reader.hasError()) {
        reader.raiseError(QStringLiteral("not a templates file"));
    }
    if (reader.hasError()) {
        *error = QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
        return {};
    }
    return found;
}

void resolveEquivalents(std::vector<StockTemplate>& templates)
{
    QHash<QString, size_t> byName;
    QHash<QString, QString> equivalents;
    for (size_t i = 0; i < templates.size(); ++i) {
        const StockTemplate& stock = templates[i];
        if (stock.equivalentOf.isEmpty())
            byName.insert(key(stock.brand, stock.part), i);
        else
            equivalents.insert(key(stock.brand, stock.part), stock.equivalentOf);
    }
    // Bases are copied before anything moves.
    std::vector<StockTemplate> resolved;
    resolved.reserve(templates.size());
    for (const StockTemplate& stock : templates) {
        if (stock.equivalentOf.isEmpty()) {
            resolved.push_back(stock);
            continue;
        }
        // Equivalents name a base of the same brand; a chain is followed a few steps at most.
        const StockTemplate* base = nullptr;
        QString part = stock.equivalentOf;
        for (int depth = 0; depth < MaxEquivalentDepth && !base; ++depth) {
            const QString k = key(stock.brand, part);
            if (const auto at = byName.constFind(k); at != byName.cend())
                base = &templates[*at];
            else if (equivalents.contains(k))
                part = equivalents.value(k);
            else
                break;
        }
        if (!base)
            continue;
        StockTemplate copy = *base;
        copy.part = stock.part;
        copy.equivalentOf = base->part;
        if (!stock.description.isEmpty())
            copy.description = stock.description;
        copy.categories += stock.categories;
        resolved.push_back(std::move(copy));
    }
    templates = std::move(resolved);
}

Catalogue load(const QString& folder)
{
    Catalogue catalogue;
    const QDir dir(folder);
    const auto readFile = [](const QString& path, QByteArray* bytes) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileBytes)
            return false;
        *bytes = file.read(MaxFileBytes + 1);
        return bytes->size() <= MaxFileBytes;
    };
    const auto missing = [&](const QString& why) {
        catalogue.templates.clear();
        catalogue.problem =
            QStringLiteral("The stock catalogue in %1 %2; only the built-in sheet layouts "
                           "are offered (install the glabels-data package for more).")
                .arg(QDir::toNativeSeparators(folder), why);
        return catalogue;
    };
    QByteArray bytes;
    if (!readFile(dir.filePath(QStringLiteral("paper-sizes.xml")), &bytes))
        return missing(QStringLiteral("cannot be read"));
    QString error;
    const auto paperSizes = parsePaperSizes(bytes, &error);
    if (!paperSizes)
        return missing(QStringLiteral("is damaged (paper-sizes.xml: %1)").arg(error));
    QStringList damaged;
    const QStringList files =
        dir.entryList({QStringLiteral("*-templates.xml")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        if (!readFile(dir.filePath(name), &bytes)) {
            damaged << name;
            continue;
        }
        std::vector<StockTemplate> found = parseTemplates(bytes, *paperSizes, &error);
        if (!error.isEmpty()) {
            damaged << QStringLiteral("%1 (%2)").arg(name, error);
            error.clear();
            continue;
        }
        ++catalogue.filesRead;
        for (StockTemplate& stock : found)
            if (int(catalogue.templates.size()) < MaxTemplates)
                catalogue.templates.push_back(std::move(stock));
    }
    resolveEquivalents(catalogue.templates);
    if (catalogue.templates.empty())
        return missing(
            damaged.isEmpty()
                ? QStringLiteral("holds no templates")
                : QStringLiteral("is damaged (%1)").arg(damaged.join(QStringLiteral(", "))));
    // One entry per name: the first file's wins.
    QSet<QString> seen;
    std::erase_if(catalogue.templates, [&](const StockTemplate& stock) {
        const QString k = key(stock.brand, stock.part);
        if (seen.contains(k))
            return true;
        seen.insert(k);
        return false;
    });
    std::stable_sort(catalogue.templates.begin(), catalogue.templates.end(),
                     [](const StockTemplate& a, const StockTemplate& b) {
                         if (a.isBusinessCard() != b.isBusinessCard())
                             return a.isBusinessCard();
                         return a.name().compare(b.name(), Qt::CaseInsensitive) < 0;
                     });
    if (!damaged.isEmpty())
        catalogue.problem = QStringLiteral("Some of the stock catalogue could not be read and is "
                                           "left out: %1")
                                .arg(damaged.join(QStringLiteral(", ")));
    return catalogue;
}

const Catalogue& installed()
{
    static const Catalogue catalogue = [] {
        const QString folder = qEnvironmentVariable("QUILLMARK_STOCK_FOLDER", installedFolder());
        return load(folder);
    }();
    return catalogue;
}

const StockTemplate* find(const Catalogue& catalogue, const QString& name)
{
    const QString wanted = name.simplified().toCaseFolded();
    for (const StockTemplate& stock : catalogue.templates)
        if (stock.name().toCaseFolded() == wanted)
            return &stock;
    return nullptr;
}

QStringList nearest(const Catalogue& catalogue, const QString& name, int count)
{
    // Names are short; a long argument is cut rather than compared at length.
    const QString wanted = name.simplified().toCaseFolded().left(64);
    std::vector<std::pair<int, const StockTemplate*>> scored;
    for (const StockTemplate& stock : catalogue.templates)
        scored.emplace_back(editDistance(wanted, stock.name().toCaseFolded().left(64)), &stock);
    const size_t n = std::min(scored.size(), size_t(std::max(count, 0)));
    std::partial_sort(scored.begin(), scored.begin() + qsizetype(n), scored.end(),
                      [](const auto& a, const auto& b) {
                          return a.first != b.first ? a.first < b.first
                                                    : a.second->name() < b.second->name();
                      });
    QStringList names;
    for (size_t i = 0; i < n; ++i)
        names << scored[i].second->name();
    return names;
}

bool matches(const StockTemplate& stock, const QString& search)
{
    const QString haystack = stock.brand + QLatin1Char(' ') + stock.part + QLatin1Char(' ')
                             + stock.description + QLatin1Char(' ') + stock.equivalentOf;
    const QStringList words = search.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return std::all_of(words.begin(), words.end(), [&](const QString& word) {
        return haystack.contains(word, Qt::CaseInsensitive);
    });
}

} // namespace stockcatalog
