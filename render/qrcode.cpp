#include "render/qrcode.h"

#include "document/cardmerge.h"
#include "platform/vbcolor.h"

#include <QCache>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <qrencode.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int QuietModules = 4;

QRecLevel libraryLevel(QrLevel level)
{
    switch (level) {
    case QrLevel::L: return QR_ECLEVEL_L;
    case QrLevel::M: return QR_ECLEVEL_M;
    case QrLevel::Q: return QR_ECLEVEL_Q;
    case QrLevel::H: return QR_ECLEVEL_H;
    }
    return QR_ECLEVEL_M;
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

std::optional<QrMatrix> encodeAt(QByteArrayView bytes, QrLevel level)
{
    using Code = std::unique_ptr<QRcode, decltype(&QRcode_free)>;
    Code code(nullptr, &QRcode_free);
    const QByteArray text = bytes.toByteArray(); // terminated, as the library wants it
    const bool ascii = isAscii(text);
    // The string encoder picks numeric and alphanumeric modes where they are shorter; its
    // mode switches may leave no room for text that one run of bytes still fits in.
    if (ascii && !text.contains('\0'))
        code.reset(QRcode_encodeString(text.constData(), 0, libraryLevel(level), QR_MODE_8, 1));
    if (!code) {
        // Bytes without a declared character set are read as Latin-1 by the standard, and
        // scanners guess; the UTF-8 designator (ECI 26) makes them read the text as it is.
        using Input = std::unique_ptr<QRinput, decltype(&QRinput_free)>;
        Input input(QRinput_new2(0, libraryLevel(level)), &QRinput_free);
        if (!input)
            return std::nullopt;
        const bool ok = (ascii || QRinput_appendECIheader(input.get(), 26) == 0)
                        && QRinput_append(input.get(), QR_MODE_8, int(text.size()),
                                          reinterpret_cast<const unsigned char*>(text.constData()))
                               == 0;
        if (ok)
            code.reset(QRcode_encodeInput(input.get()));
    }
    if (!code)
        return std::nullopt;
    QrMatrix matrix;
    matrix.size = code->width;
    matrix.level = level;
    const size_t count = size_t(code->width) * size_t(code->width);
    matrix.modules.resize(count);
    for (size_t i = 0; i < count; ++i)
        matrix.modules[i] = code->data[i] & 1;
    return matrix;
}

// WCAG's relative luminance of a colour.
qreal luminance(const QColor& color)
{
    const auto channel = [](qreal c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF())
           + 0.0722 * channel(color.blueF());
}

// Content up to this many bytes fits a code at level L however it is encoded.
constexpr qsizetype SurelyFits = 2'900;

QString codeName(const CardItem& item) { return QStringLiteral("QR code %1").arg(item.index); }

bool printsAsCode(const CardItem& item)
{
    return item.kind == ElementKind::QrCode && item.visible && !item.isTemplate();
}

} // namespace

qreal qrContrast(const QrLook& look, qint32 cardColor)
{
    const qint32 light = look.lightColor == QrLook::Transparent ? cardColor : look.lightColor;
    const qreal dark = luminance(vbcolor::toQColor(look.darkColor));
    const qreal lit = luminance(vbcolor::toQColor(light));
    // Negative when the dark modules are the lighter ones: readers look for dark on light.
    const qreal ratio = (std::max(dark, lit) + 0.05) / (std::min(dark, lit) + 0.05);
    return dark > lit ? -ratio : ratio;
}

std::optional<QString> qrColourProblem(const QrLook& look, qint32 cardColor)
{
    const qreal contrast = qrContrast(look, cardColor);
    if (contrast < 0)
        return QStringLiteral("its dark colour is lighter than its light colour, and readers "
                              "look for dark modules on light");
    if (contrast < MinQrContrast)
        return QStringLiteral("its colours differ too little for readers (contrast %1:1, at "
                              "least %2:1 is needed)")
            .arg(contrast, 0, 'f', 1)
            .arg(MinQrContrast, 0, 'f', 0);
    return std::nullopt;
}

QStringList qrColourWarnings(const CardDesign& design)
{
    QStringList warnings;
    for (const CardItem& item : design.items())
        if (printsAsCode(item))
            if (const auto problem = qrColourProblem(item.qr, design.backColor))
                warnings << QStringLiteral("%1 may not scan: %2.").arg(codeName(item), *problem);
    return warnings;
}

std::optional<QString> unprintableQrCode(const CardDesign& design,
                                         const cardmerge::MergeData* merge)
{
    const auto fits = [](const CardItem& item, const QString& content) {
        const QByteArray bytes = content.toUtf8();
        return bytes.size() <= SurelyFits || encodeQr(bytes, item.qr.level);
    };
    for (const CardItem& item : design.items()) {
        if (!printsAsCode(item))
            continue;
        const QString fault = QStringLiteral("does not fit in a QR code, even at level L (%1 "
                                             "bytes at most)")
                                  .arg(MaxQrBytes);
        if (!merge) {
            if (!fits(item, item.qr.content))
                return QStringLiteral("%1 cannot be printed: its content (%2 bytes) %3.")
                    .arg(codeName(item))
                    .arg(item.qr.content.toUtf8().size())
                    .arg(fault);
            continue;
        }
        const csv::CsvTable& table = merge->table;
        for (qsizetype row = 0; row < table.rows.size(); ++row) {
            const QString content = cardmerge::filledQrContent(item.qr.content, table, row);
            if (!fits(item, content))
                return QStringLiteral("%1 cannot be printed: for row %2 of %3 (line %4) its "
                                      "content (%5 bytes) %6.")
                    .arg(codeName(item))
                    .arg(row + 1)
                    .arg(QFileInfo(merge->path).fileName())
                    .arg(table.rowLines.value(row))
                    .arg(content.toUtf8().size())
                    .arg(fault);
        }
    }
    return std::nullopt;
}

std::optional<QrMatrix> encodeQr(QByteArrayView bytes, QrLevel level)
{
    // The largest code holds 7089 digits at L, fewer of anything else; longer content is
    // refused before the library spends time on it.
    if (bytes.size() > 7089)
        return std::nullopt;
    for (int l = int(level); l >= int(QrLevel::L); --l)
        if (auto matrix = encodeAt(bytes, QrLevel(l)))
            return matrix;
    return std::nullopt;
}

void paintQrCode(QPainter& painter, const QRectF& box, const std::optional<QrMatrix>& matrix,
                 const QColor& dark, const std::optional<QColor>& light)
{
    painter.save();
    if (!matrix || matrix->size <= 0) {
        if (light)
            painter.fillRect(box, *light);
        painter.setPen(QPen(dark, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
        painter.drawLine(box.topLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomLeft());
        painter.restore();
        return;
    }
    const qreal side = std::min(box.width(), box.height());
    const QRectF square(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    if (light)
        painter.fillRect(square, *light);
    const qreal module = side / (matrix->size + 2 * QuietModules);
    // Drawn in modules: whole-number coordinates keep a PDF small and quick to compress.
    painter.translate(square.topLeft() + QPointF(module, module) * QuietModules);
    painter.scale(module, module);
    std::vector<QRectF> runs;
    for (int y = 0; y < matrix->size; ++y) {
        int x = 0;
        while (x < matrix->size) {
            if (!matrix->dark(x, y)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < matrix->size && matrix->dark(x, y))
                ++x;
            runs.emplace_back(start, y, x - start, 1);
        }
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(dark);
    const QPaintEngine* engine = painter.paintEngine();
    if (engine && engine->type() == QPaintEngine::Pdf) {
        // A PDF fills all the rectangles as one shape: no seams, and the shortest page text.
        painter.drawRects(runs.data(), int(runs.size()));
    } else {
        // On pixels, rectangles filled one by one would show seams where rows meet.
        QPainterPath path;
        path.setFillRule(Qt::WindingFill);
        for (const QRectF& run : runs)
            path.addRect(run);
        painter.drawPath(path);
    }
    painter.restore();
}

void paintQrElement(QPainter& painter, const CardItem& item, const QRectF& box)
{
    using Key = std::pair<QByteArray, int>;
    // A sheet of merged cards draws each row's code a few times over (page, then the next
    // pages); a canvas the same one many times. Encoding is the costly part.
    static QCache<Key, std::optional<QrMatrix>> codes(256);
    const QrLook& look = item.qr;
    Key key{look.content.toUtf8(), int(look.level)};
    std::optional<QrMatrix>* code = codes.object(key);
    if (!code) {
        code = new std::optional<QrMatrix>(encodeQr(key.first, look.level));
        codes.insert(key, code);
    }
    const std::optional<QColor> light =
        look.lightColor == QrLook::Transparent
            ? std::nullopt
            : std::optional<QColor>(vbcolor::toQColor(look.lightColor));
    if (*code) {
        // A code lies inside its box: no clip is needed.
        paintQrCode(painter, box, *code, vbcolor::toQColor(look.darkColor), light);
        return;
    }
    // The crossed box's hairline reaches half a pixel past the box.
    painter.save();
    painter.setClipRect(box, Qt::IntersectClip);
    paintQrCode(painter, box, *code, vbcolor::toQColor(look.darkColor), light);
    painter.restore();
}
