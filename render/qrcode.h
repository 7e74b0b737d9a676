#pragma once

#include "document/carddesign.h"
#include "document/qrlevel.h"

#include <QByteArrayView>
#include <QColor>
#include <QRectF>

#include <optional>
#include <vector>

class QPainter;

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

// Paints the code as vector squares: the largest square that fits the box, centred, with a
// quiet zone of 4 modules inside it, filled with `light` unless that is nothing (transparent).
// Without a matrix, the box is drawn crossed, so that content that cannot be encoded shows.
void paintQrCode(QPainter& painter, const QRectF& box, const std::optional<QrMatrix>& matrix,
                 const QColor& dark, const std::optional<QColor>& light);

// A QR code element drawn in `box` (twips), cut at it only when it cannot be encoded. Codes are
// kept for a while by content and level: a canvas repaints the same code often.
void paintQrElement(QPainter& painter, const CardItem& item, const QRectF& box);
