#pragma once

#include "print/sheetlayout.h"

#include <QByteArray>
#include <QHash>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

// The label and card stock people buy, as described by the catalogue of stock sheets that
// Debian ships (glabels-data): one XML file of paper sizes and many of templates, each a brand,
// a part number, a paper and one or more grids of labels. Only rectangular labels are kept; a
// part sold as the same sheet as another ("equiv") is an entry of its own with the other's
// geometry. Lengths are twips.
struct StockGrid {
    int columns = 0;
    int rows = 0;
    QPointF origin; // the first label's top-left corner on the page
    QPointF pitch;  // from one label's corner to the next
};

struct StockTemplate {
    QString brand;
    QString part;
    QString description;
    QString equivalentOf; // the part whose sheet this is, or empty
    QString paper;        // the paper's name, as the catalogue gives it
    QSizeF paperTwips;
    QSizeF labelTwips;
    double cornerRadius = 0;
    std::vector<StockGrid> grids;
    QStringList categories;

    QString name() const { return brand + QLatin1Char(' ') + part; }
    bool isBusinessCard() const;
    int labelCount() const;
    // Every label's top-left corner, grid by grid, columns outer and rows inner.
    std::vector<QPointF> corners() const;
    // The sheet layout that prints one card in each label.
    SheetLayout layout() const;
};

namespace stockcatalog {

// The folder the Debian package installs.
QString installedFolder();

// Bounds that keep a damaged or hostile file from costing much.
inline constexpr qint64 MaxFileBytes = 8 << 20;
inline constexpr int MaxTemplates = 20000;
inline constexpr int MaxGridsPerTemplate = 64;
inline constexpr int MaxLabelsPerSheet = 2000;
inline constexpr int MaxEquivalentDepth = 8;

// A length as the catalogue writes it: "3.5in", "85mm", "1cm", "9pt", or a bare number of
// points; in twips. Nothing for anything else, negative, or absurdly large.
std::optional<double> parseLength(const QString& text);

// The paper sizes file: name to portrait size. Nothing with `error` set when it is not one.
std::optional<QHash<QString, QSizeF>> parsePaperSizes(const QByteArray& xml, QString* error);

// One templates file. Equivalents are kept unresolved (no geometry) until `resolve`. A file that
// is not well-formed yields nothing, with the reason in `error`; templates that are not
// rectangular or not complete are skipped silently.
std::vector<StockTemplate> parseTemplates(const QByteArray& xml,
                                          const QHash<QString, QSizeF>& paperSizes, QString* error);

// Gives each equivalent its base's geometry; equivalents whose base is missing are dropped.
void resolveEquivalents(std::vector<StockTemplate>& templates);

struct Catalogue {
    std::vector<StockTemplate> templates; // business cards first, then by name
    QString problem;                      // one message when the catalogue is missing or damaged
    int filesRead = 0;
};

// Reads the paper sizes and every *-templates.xml in `folder`.
Catalogue load(const QString& folder);

// The installed catalogue, read once.
const Catalogue& installed();

// The template of that name ("Avery 5371"), case-insensitively; null when there is none.
const StockTemplate* find(const Catalogue& catalogue, const QString& name);
// The `count` names nearest to `name` by edit distance, nearest first.
QStringList nearest(const Catalogue& catalogue, const QString& name, int count = 3);

// Whether the search text matches the template: every word in its brand, part or description.
bool matches(const StockTemplate& stock, const QString& search);

} // namespace stockcatalog
