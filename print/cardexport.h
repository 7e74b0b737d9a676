#pragma once

#include "print/cardsnapshot.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

// The card alone, to a file: a PDF for a print shop (one card per page at its trim size plus
// bleed, crop marks outside the bleed, TrimBox and BleedBox set), a PNG at a resolution, or an
// SVG with text as text. The format follows the file name's suffix.
namespace cardexport {

enum class Format { PrintShopPdf, Png, Svg };

inline constexpr double DefaultBleedMm = 3;
inline constexpr double MaxBleedMm = 5;
inline constexpr int DefaultDpi = 300;
inline constexpr int MaxDpi = 1200;
// Room beyond the bleed for the crop marks, and the marks' clearance from the bleed.
inline constexpr double SlugMm = 9;
inline constexpr double MarkClearanceMm = 2;

struct Options {
    double bleedMm = DefaultBleedMm;
    int dpi = DefaultDpi;
    // A print shop's PDF of a card with a back holds the back on a page of its own after the
    // front, unless one side is asked for. A picture is always the side given.
    bool bothSides = true;
};

// The format a file name asks for; nothing for any other suffix.
std::optional<Format> formatOf(const QString& path);

// The design with its card grown by `bleed` twips on every side: elements keep their place on
// the card, the background fills the margin, rectangles that reach a trim edge reach on to the
// new edge, and whatever already lay past an edge shows there.
CardDesign withBleed(const CardDesign& design, double bleedTwips);

// The page of a print-shop PDF, in points: the media box and, within it, the bleed and trim
// boxes, all from the page's top-left corner.
struct PrintShopBoxes {
    QSizeF media;
    QRectF bleed;
    QRectF trim;
};
PrintShopBoxes printShopBoxes(QSizeF cardTwips, double bleedMm);

// Writes the file; false with the reason, for the user, in `error`.
bool exportCard(const CardSnapshot& card, const QString& path, const Options& options,
                QString* error);

// The picture a PNG holds: the card at `dpi`, transparent outside it.
QImage cardImage(const CardSnapshot& card, int dpi);

} // namespace cardexport
