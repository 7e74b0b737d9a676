#pragma once

#include "document/carddesign.h"
#include "document/qrlevel.h"

#include <QByteArrayView>
#include <QColor>
#include <QRectF>
#include <QStringList>

#include <optional>
#include <vector>

class QPainter;
namespace cardmerge {
struct MergeData;
}

// The most bytes a code holds: a run of bytes at level L in the largest code.
inline constexpr int MaxQrBytes = 2953;
// The least contrast between dark and light that readers are sure to tell apart.
inline constexpr qreal MinQrContrast = 3.0;

// A QR code's modules, row by row from the top left; true is dark.
struct QrMatrix {
    int size = 0; // modules along each side
    std::vector<bool> modules;
    QrLevel level = QrLevel::M; // the level it was encoded at

    bool dark(int x, int y) const { return modules[size_t(y) * size_t(size) + size_t(x)]; }
};

// Encodes the bytes (UTF-8 text, say) in the smallest code that holds them at `level`. When
// they do not fit at that level, the next lower one is tried, down to L; nothing when they do
// not fit even there.
std::optional<QrMatrix> encodeQr(QByteArrayView bytes, QrLevel level);

// WCAG's contrast ratio (1 to 21) between a code's dark colour and its light one, or the card
// behind a transparent light; negative when the dark colour is the lighter.
qreal qrContrast(const QrLook& look, qint32 cardColor);
// Why readers may fail to scan a code for its colours, or nothing.
std::optional<QString> qrColourProblem(const QrLook& look, qint32 cardColor);
// One sentence for each printed code of the design whose colours readers may not scan.
QStringList qrColourWarnings(const CardDesign& design);
// Why the design cannot be printed: the first code whose content (filled from each row of the
// merge data, when given) fits no level. Nothing when every code fits.
std::optional<QString> unprintableQrCode(const CardDesign& design,
                                         const cardmerge::MergeData* merge = nullptr);

// Paints the code as vector squares: the largest square that fits the box, centred, with a
// quiet zone of 4 modules inside it, filled with `light` unless that is nothing (transparent).
// Without a matrix, the box is drawn crossed, so that content that cannot be encoded shows.
void paintQrCode(QPainter& painter, const QRectF& box, const std::optional<QrMatrix>& matrix,
                 const QColor& dark, const std::optional<QColor>& light);

// A QR code element drawn in `box` (twips), cut at it only when it cannot be encoded. Codes are
// kept for a while by content and level: a canvas repaints the same code often.
void paintQrElement(QPainter& painter, const CardItem& item, const QRectF& box);
