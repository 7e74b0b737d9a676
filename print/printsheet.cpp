#include "print/printsheet.h"

#include "document/twips.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <cstdio>

void paintSheet(QPainter& painter, const SheetSpec& spec, qreal unitsPerTwip)
{
    if (!spec.snapshot)
        return;
    const QSize tile = sheet::tileSize(spec.cardTwips);
    const QSize page = spec.pageTwips();
    painter.save();
    painter.setClipRect(QRectF(0, 0, page.width() * unitsPerTwip, page.height() * unitsPerTwip),
                        Qt::IntersectClip);
    for (const QPoint corner :
         sheet::tileCards(spec.columns, spec.rows, tile.width(), tile.height())) {
        const QRectF target(corner.x() * unitsPerTwip, corner.y() * unitsPerTwip,
                            tile.width() * unitsPerTwip, tile.height() * unitsPerTwip);
        drawCard(painter, *spec.snapshot, target);
    }
    painter.restore();
}

QImage composePage(const SheetSpec& spec, qreal zoom)
{
    const qreal pixelsPerTwip = zoom / TwipsPerPixel;
    const QSize page = spec.pageTwips();
    QImage image(qMax(1, qRound(page.width() * pixelsPerTwip)),
                 qMax(1, qRound(page.height() * pixelsPerTwip)), QImage::Format_RGB32);
    image.fill(Qt::white);
    if (!spec.snapshot || spec.snapshot->isEmpty())
        return image;

    const QSize tile = sheet::tileSize(spec.cardTwips);
    const QSizeF tileSize(tile.width() * pixelsPerTwip, tile.height() * pixelsPerTwip);
    if (tileSize.width() < 1 || tileSize.height() < 1)
        return image;
    QImage card(tileSize.toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    card.fill(Qt::transparent);
    {
        QPainter painter(&card);
        drawCard(painter, *spec.snapshot, QRectF(QPointF(0, 0), card.size()));
    }
    QPainter painter(&image);
    for (const QPoint corner :
         sheet::tileCards(spec.columns, spec.rows, tile.width(), tile.height()))
        painter.drawImage(QPointF(corner.x() * pixelsPerTwip, corner.y() * pixelsPerTwip), card);
    return image;
}

int qualityDpi(PrintQuality quality)
{
    switch (quality) {
    case PrintQuality::Low: return 150;
    case PrintQuality::Normal: return 300;
    case PrintQuality::Excellent: return 600;
    }
    return 300;
}

int qualityCupsValue(PrintQuality quality)
{
    switch (quality) {
    case PrintQuality::Low: return 3;
    case PrintQuality::Normal: return 4;
    case PrintQuality::Excellent: return 5;
    }
    return 4;
}

namespace {
// Qt hands the print engine's CUPS options, name and value pairs, to the job as they stand.
const auto CupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

void addCupsOption(QPrinter& printer, const QString& name, const QString& value)
{
    QPrintEngine* engine = printer.printEngine();
    if (!engine)
        return;
    QStringList options = engine->property(CupsOptions).toStringList();
    const qsizetype at = options.indexOf(name);
    if (at >= 0 && at % 2 == 0 && at + 1 < options.size())
        options[at + 1] = value;
    else
        options << name << value;
    engine->setProperty(CupsOptions, options);
}

void applySettings(QPrinter& printer, const SheetJob& job, const SheetSpec& spec, bool cups)
{
    // Each setting stands alone: one the device refuses leaves the others in place.
    printer.setPageOrientation(spec.orientation == sheet::Orientation::Portrait
                                   ? QPageLayout::Portrait
                                   : QPageLayout::Landscape);
    printer.setColorMode(job.colour ? QPrinter::Color : QPrinter::GrayScale);
    if (job.copies >= 1)
        printer.setCopyCount(job.copies);
    if (job.quality)
        printer.setResolution(qualityDpi(*job.quality));
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setFullPage(true);
    if (cups) {
        // A generic queue prints in grey unless told otherwise, and Qt sends no quality.
        addCupsOption(printer, QStringLiteral("print-color-mode"),
                      job.colour ? QStringLiteral("color") : QStringLiteral("monochrome"));
        if (job.quality)
            addCupsOption(printer, QStringLiteral("print-quality"),
                          QString::number(qualityCupsValue(*job.quality)));
    }
}

bool drawPage(QPrinter& printer, const SheetSpec& spec)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    paintSheet(painter, spec, printer.resolution() / 1440.0);
    return painter.end();
}

PrintOutcome printToPdf(const SheetJob& job, const SheetSpec& spec)
{
    const QFileInfo target(job.pdfFile);
    const QString cannotWrite = QStringLiteral("The file %1 cannot be written.")
                                    .arg(QDir::toNativeSeparators(target.absoluteFilePath()));
    if (target.isDir())
        return {false, cannotWrite};
    // Written beside the target and moved over it when whole, so that a failed job never
    // leaves a half-written or clobbered file.
    QTemporaryFile partial(target.absolutePath() + QStringLiteral("/.") + target.fileName()
                           + QStringLiteral(".XXXXXX"));
    if (!partial.open())
        return {false, cannotWrite};
    partial.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                           | QFile::ReadOther);
    partial.close();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(partial.fileName());
    printer.setResolution(600);
    applySettings(printer, job, spec, false);
    if (!drawPage(printer, spec))
        return {false, cannotWrite};
    if (std::rename(QFile::encodeName(partial.fileName()).constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData())
        != 0)
        return {false, cannotWrite};
    partial.setAutoRemove(false);
    return {true, {}};
}

PrintOutcome printToQueue(const SheetJob& job, const SheetSpec& spec)
{
    if (QPrinterInfo::printerInfo(job.printerName).isNull())
        return {false, QStringLiteral("The printer \"%1\" is not installed.").arg(job.printerName)};
    QPrinter printer(QPrinterInfo::printerInfo(job.printerName), QPrinter::HighResolution);
    applySettings(printer, job, spec, true);
    if (!drawPage(printer, spec))
        return {false,
                QStringLiteral("The printer \"%1\" cannot start the job.").arg(job.printerName)};
    // Qt sends the job to CUPS when the painter ends but keeps its answer to itself; the
    // scheduler's last answer on this thread is that one.
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return {false, QStringLiteral("The printer \"%1\" refused the job: %2")
                           .arg(job.printerName, QString::fromLocal8Bit(cupsLastErrorString()))};
    return {true, {}};
}
} // namespace

PrintOutcome printSheet(const SheetJob& job, const SheetSpec& spec)
{
    return job.pdfFile.isEmpty() ? printToQueue(job, spec) : printToPdf(job, spec);
}
