#include "print/cardexport.h"

#include "document/twips.h"
#include "document/wholefile.h"
#include "print/sheetlayout.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QScopeGuard>
#include <QSvgGenerator>
#include <QTemporaryFile>

// libqpdf's C interface: its C++ headers do not build with every compiler the project uses.
#include <qpdf/qpdf-c.h>

#include <cmath>

namespace cardexport {

namespace {
constexpr double PointsPerMm = 72 / 25.4;

// A box as PDF writes it, from the page's bottom-left corner.
qpdf_oh pdfBox(qpdf_data pdf, const QRectF& box, double pageHeight)
{
    const qpdf_oh array = qpdf_oh_new_array(pdf);
    for (const double value :
         {box.left(), pageHeight - box.bottom(), box.right(), pageHeight - box.top()})
        qpdf_oh_append_item(pdf, array, qpdf_oh_new_real_from_double(pdf, value, 3));
    return array;
}

// Qt's PDF writer cannot set the trim and bleed boxes; libqpdf adds them to every page.
std::optional<QByteArray> withBoxes(const QByteArray& bytes, const PrintShopBoxes& boxes,
                                    QString* error)
{
    qpdf_data pdf = qpdf_init();
    const auto cleanup = qScopeGuard([&] { qpdf_cleanup(&pdf); });
    qpdf_silence_errors(pdf);
    std::optional<QByteArray> result;
    if (!(qpdf_read_memory(pdf, "card", bytes.constData(), bytes.size(), nullptr) & QPDF_ERRORS)) {
        const int pages = qpdf_get_num_pages(pdf);
        for (int i = 0; i < pages; ++i) {
            const qpdf_oh page = qpdf_get_page_n(pdf, size_t(i));
            qpdf_oh_replace_key(pdf, page, "/TrimBox",
                                pdfBox(pdf, boxes.trim, boxes.media.height()));
            qpdf_oh_replace_key(pdf, page, "/BleedBox",
                                pdfBox(pdf, boxes.bleed, boxes.media.height()));
        }
        if (!qpdf_has_error(pdf) && !(qpdf_init_write_memory(pdf) & QPDF_ERRORS)) {
            qpdf_set_deterministic_ID(pdf, QPDF_TRUE);
            if (!(qpdf_write(pdf) & QPDF_ERRORS))
                result = QByteArray(reinterpret_cast<const char*>(qpdf_get_buffer(pdf)),
                                    qsizetype(qpdf_get_buffer_length(pdf)));
        }
    }
    if (!result || qpdf_has_error(pdf)) {
        const QString reason =
            qpdf_has_error(pdf)
                ? QString::fromUtf8(qpdf_get_error_full_text(pdf, qpdf_get_error(pdf)))
                : QStringLiteral("unknown error");
        *error = QStringLiteral("the PDF's boxes could not be set: %1").arg(reason);
        return std::nullopt;
    }
    return result;
}

// Crop marks on the trim lines, in the slug only: none reaches into the bleed.
void drawCropMarks(QPainter& painter, const PrintShopBoxes& boxes, double bleedMm)
{
    painter.setPen(QPen(Qt::black, 0.25, Qt::SolidLine, Qt::FlatCap));
    const double start = bleedMm * PointsPerMm + MarkClearanceMm * PointsPerMm;
    const QRectF& trim = boxes.trim;
    for (const double x : {trim.left(), trim.right()}) {
        painter.drawLine(QPointF(x, trim.top() - start), QPointF(x, 0));
        painter.drawLine(QPointF(x, trim.bottom() + start), QPointF(x, boxes.media.height()));
    }
    for (const double y : {trim.top(), trim.bottom()}) {
        painter.drawLine(QPointF(trim.left() - start, y), QPointF(0, y));
        painter.drawLine(QPointF(trim.right() + start, y), QPointF(boxes.media.width(), y));
    }
}

std::optional<QByteArray> printShopPdf(const QList<CardSnapshot>& sides, double bleedMm,
                                       QString* error)
{
    const QSizeF cardTwips = sides.constFirst().pixelSize * TwipsPerPixel;
    const PrintShopBoxes boxes = printShopBoxes(cardTwips, bleedMm);
    QTemporaryFile partial;
    if (!partial.open()) {
        *error = partial.errorString();
        return std::nullopt;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(partial.fileName());
    printer.setResolution(1200);
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    printer.setPageSize(QPageSize(boxes.media, QPageSize::Point, QString(), QPageSize::ExactMatch));
    printer.setPageOrientation(QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&printer)) {
        *error = QStringLiteral("the page could not be drawn");
        return std::nullopt;
    }
    const double unitsPerPoint = printer.resolution() / 72.0;
    painter.scale(unitsPerPoint, unitsPerPoint);
    const double bleedTwips = bleedMm * sheet::TwipsPerMm;
    for (const CardSnapshot& card : sides) {
        if (&card != &sides.constFirst())
            printer.newPage();
        CardSnapshot bled = card;
        bled.design = withBleed(card.design, bleedTwips);
        bled.pixelSize = QSizeF(bled.design.widthPixels, bled.design.heightPixels);
        drawCard(painter, bled, boxes.bleed);
        drawCropMarks(painter, boxes, bleedMm);
    }
    if (!painter.end()) {
        *error = QStringLiteral("the page could not be drawn");
        return std::nullopt;
    }
    partial.seek(0);
    return withBoxes(partial.readAll(), boxes, error);
}

QByteArray svgOf(const CardSnapshot& card)
{
    const QSizeF pixels = card.pixelSize;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(pixels.toSize());
    svg.setViewBox(QRectF(QPointF(0, 0), pixels));
    svg.setResolution(96);
    svg.setTitle(QStringLiteral("Business card"));
    QPainter painter(&svg);
    drawCard(painter, card, QRectF(QPointF(0, 0), pixels));
    painter.end();
    return buffer.data();
}
} // namespace

std::optional<Format> formatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return Format::PrintShopPdf;
    if (suffix == QLatin1String("png"))
        return Format::Png;
    if (suffix == QLatin1String("svg"))
        return Format::Svg;
    return std::nullopt;
}

CardDesign withBleed(const CardDesign& design, double bleedTwips)
{
    CardDesign bled = design;
    const float bleed = float(bleedTwips);
    const float width = design.widthPixels * TwipsPerPixel;
    const float height = design.heightPixels * TwipsPerPixel;
    bled.widthPixels = design.widthPixels + 2 * bleed / TwipsPerPixel;
    bled.heightPixels = design.heightPixels + 2 * bleed / TwipsPerPixel;
    const float near = TwipsPerPixel / 2;
    for (CardItem& item : bled.items()) {
        item.left += bleed;
        item.top += bleed;
        // Only a plain rectangle can grow without changing inside the trim: a picture would
        // stretch, rounded corners and ovals would change their curve, and text would reflow.
        // What already reaches past the edge shows its own continuation in the bleed.
        if (item.kind != ElementKind::Shape || item.shape.shape != ShapeLook::Rectangle)
            continue;
        const float left = item.left + ShapeLook::Inset;
        const float top = item.top + ShapeLook::Inset;
        const float right = left + item.shape.innerWidth;
        const float bottom = top + item.shape.innerHeight;
        const auto grow = [&](float by, float& position, float& size, float& inner) {
            position -= by;
            size += by;
            inner += by;
        };
        // Within half a pixel counts as touching: a user lines an element up by eye.
        if (left <= bleed + near && left > 0)
            grow(left, item.left, item.width, item.shape.innerWidth);
        if (top <= bleed + near && top > 0)
            grow(top, item.top, item.height, item.shape.innerHeight);
        if (right >= bleed + width - near && right < width + 2 * bleed) {
            const float by = width + 2 * bleed - right;
            item.width += by;
            item.shape.innerWidth += by;
        }
        if (bottom >= bleed + height - near && bottom < height + 2 * bleed) {
            const float by = height + 2 * bleed - bottom;
            item.height += by;
            item.shape.innerHeight += by;
        }
    }
    return bled;
}

PrintShopBoxes printShopBoxes(QSizeF cardTwips, double bleedMm)
{
    const QSizeF trim = cardTwips / sheet::TwipsPerPoint;
    const double bleed = bleedMm * PointsPerMm;
    const double outer = bleed + SlugMm * PointsPerMm;
    PrintShopBoxes boxes;
    // PDF pages come in whole points: what rounding adds goes to the right and bottom slug.
    boxes.media = QSizeF(std::ceil(trim.width() + 2 * outer - 1e-6),
                         std::ceil(trim.height() + 2 * outer - 1e-6));
    boxes.trim = QRectF(QPointF(outer, outer), trim);
    boxes.bleed = boxes.trim.adjusted(-bleed, -bleed, bleed, bleed);
    return boxes;
}

QImage cardImage(const CardSnapshot& card, int dpi)
{
    const double scale = dpi / 96.0;
    const QSize size(std::max(1, int(std::lround(card.pixelSize.width() * scale))),
                     std::max(1, int(std::lround(card.pixelSize.height() * scale))));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    drawCard(painter, card, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

bool exportCard(const CardSnapshot& card, const QString& path, const Options& options,
                QString* error)
{
    const auto format = formatOf(path);
    if (!format) {
        *error =
            QStringLiteral("\"%1\" is neither .pdf, .png nor .svg; nothing was written").arg(path);
        return false;
    }
    if (!(options.bleedMm >= 0 && options.bleedMm <= MaxBleedMm)) {
        *error = QStringLiteral("the bleed must be from 0 to %1 mm").arg(MaxBleedMm);
        return false;
    }
    if (options.dpi < 1 || options.dpi > MaxDpi) {
        *error = QStringLiteral("the resolution must be from 1 to %1 dpi").arg(MaxDpi);
        return false;
    }
    QByteArray bytes;
    switch (*format) {
    case Format::PrintShopPdf: {
        QList<CardSnapshot> sides{card};
        if (options.bothSides && card.design.hasBack()) {
            sides.append(card);
            sides.last().design = card.design.showing(CardSide::Back);
        }
        const auto pdf = printShopPdf(sides, options.bleedMm, error);
        if (!pdf)
            return false;
        bytes = *pdf;
        break;
    }
    case Format::Png: {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!cardImage(card, options.dpi).save(&buffer, "PNG")) {
            *error = QStringLiteral("the picture could not be made");
            return false;
        }
        break;
    }
    case Format::Svg: bytes = svgOf(card); break;
    }
    QString reason;
    if (!writeOutput(path, bytes, &reason)) {
        *error = QStringLiteral("The file %1 cannot be written: %2")
                     .arg(QFileInfo(path).absoluteFilePath(), reason);
        return false;
    }
    return true;
}

} // namespace cardexport
