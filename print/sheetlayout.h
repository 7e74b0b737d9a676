#pragma once

#include <QLineF>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

// The pure rules of the printed sheet: page orientation, where the cards go, and how the
// counts typed into the print dialogs are read. Page geometry is in twips.
namespace sheet {

inline constexpr int PageShortSide = 12240; // 8.5 in
inline constexpr int PageLongSide = 15840;  // 11 in
inline constexpr int NarrowLimit = 10800;   // 7.5 in
inline constexpr int WideLimit = 14400;     // 10 in
inline constexpr int MaxCount = 4;          // rows and columns a sheet holds at most
inline constexpr int MaxCopies = 999;

enum class Orientation { Portrait, Landscape };

// The page for a card of W by H twips; the rules are tried in order.
Orientation pageOrientation(double cardWidth, double cardHeight);
QSize pageSize(Orientation orientation);

// Top-left corners of the cards, columns outer and rows inner, each card w by h twips
// touching the next from the page's top-left corner.
std::vector<QPoint> tileCards(int columns, int rows, int cardWidth, int cardHeight);
// A card's size on the sheet: whole twips, rounded down.
QSize tileSize(QSizeF cardTwips);

// The value of the number a text starts with (0 when it starts with none), as a program
// reads a typed count: leading blanks skipped, a sign and a fraction allowed.
double leadingNumber(const QString& text);
// A count typed into the hidden columns box, or picked as rows: whole, within 1..4. An empty
// or unreadable text counts as 1.
int sheetCount(const QString& text);

// The copies box after a change: the text to show instead (empty when it stands) and the
// value the spinner takes.
struct CopiesClamp {
    QString correctedText;
    int spinnerValue = 1;
};
CopiesClamp clampCopies(const QString& text);

inline constexpr double TwipsPerInch = 1440;
inline constexpr double TwipsPerMm = 1440 / 25.4;
inline constexpr double TwipsPerPoint = 20;

// A length as card stock is described: "3.5in", "85mm", "9pt" or a bare 0; in twips.
std::optional<double> parseLength(const QString& text);

} // namespace sheet

// How cards are laid out on a page, as read from the layouts file. Lengths are twips. The
// values a default one holds are the original sheet: cards tiled from the page's top-left
// corner, as many as Cards Count says, on a Letter page turned to suit the card.
struct SheetLayout {
    enum class Count { Chosen, Fixed, Fit };

    QString name = QStringLiteral("top-left");
    QString caption = QStringLiteral("Top left, no margins");
    QSizeF paperTwips{sheet::PageShortSide, sheet::PageLongSide}; // portrait
    bool isA4 = false;
    bool turnsWithCard = true;   // the orientation rule; otherwise always portrait
    std::optional<QSizeF> cell;  // none: the card's own size
    Count count = Count::Chosen; // columns and rows from Cards Count, fixed, or as many as fit
    int columns = 0;
    int rows = 0;
    std::optional<double> left; // none: the grid is centred across the page
    std::optional<double> top;  // none: centred down the page
    double margin = 0;          // the least room left at the paper's edges when fitting
    double gap = 0;
    bool cropMarks = false;
    // Stock sheets: each cell's top-left corner, taking the place of the grid above.
    std::vector<QPointF> cellCorners;

    bool operator==(const SheetLayout&) const = default;
};

// Where each card of a sheet goes, in twips. Cards come columns outer, rows inner.
struct SheetPlacement {
    QSizeF page;
    std::vector<QRectF> cards;
    double scale = 1; // of the card to fit its cell
    bool landscape() const { return page.width() > page.height(); }
};

namespace sheet {
// Scales a card that differs from its cell uniformly to fit and centres it there. The
// original layout keeps the card at its whole-twip size from the page's corner.
SheetPlacement placeCards(const SheetLayout& layout, QSizeF cardTwips, int columns, int rows);

// Thin cutting lines continuing each card's edges beyond its corners. They stop short of the
// neighbouring card and of the page's edge, so none ever reaches into a card.
std::vector<QLineF> cropMarks(const SheetPlacement& placement);
inline constexpr double CropMarkOffset = 45;  // 1/32 in clear of the card
inline constexpr double CropMarkLength = 270; // 3/16 in at most
inline constexpr double CropMarkWidth = 5;    // a quarter point
// Many printers cannot print the outer few millimetres: no mark comes nearer the paper's edge.
inline constexpr double CropMarkEdgeClearance = 5 * TwipsPerMm;
// Room a sheet with crop marks leaves at the paper's edges, so that the outer marks show at
// least 1/16 in outside that clearance; fewer cards fit rather than the marks go missing.
inline constexpr double CropMarkMargin = CropMarkEdgeClearance + CropMarkOffset + 90;

// "Preview", or with a scaled card "Preview — scaled to 93 %".
QString previewTitle(double scale);
} // namespace sheet
