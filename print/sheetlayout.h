#pragma once

#include <QPoint>
#include <QSize>
#include <QSizeF>
#include <QString>

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

} // namespace sheet
