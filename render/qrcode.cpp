#include "render/qrcode.h"

#include "platform/vbcolor.h"

#include <QCache>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <qrencode.h>

#include <algorithm>
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
    if (isAscii(text) && !text.contains('\0')) {
        // The string encoder picks numeric and alphanumeric modes where they are shorter.
        code.reset(QRcode_encodeString(text.constData(), 0, libraryLevel(level), QR_MODE_8, 1));
    } else {
        // Bytes without a declared character set are read as Latin-1 by the standard, and
        // scanners guess; the UTF-8 designator (ECI 26) makes them read the text as it is.
        using Input = std::unique_ptr<QRinput, decltype(&QRinput_free)>;
        Input input(QRinput_new2(0, libraryLevel(level)), &QRinput_free);
        if (!input)
            return std::nullopt;
        const bool ok = (isAscii(text) || QRinput_appendECIheader(input.get(), 26) == 0)
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

} // namespace

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
