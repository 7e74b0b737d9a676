#include "print/printsheet.h"

#include "document/twips.h"
#include "document/wholefile.h"
#include "print/calibration.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

int SheetSpec::pageCount() const
{
    if (!merge)
        return 1;
    const qsizetype cells = qsizetype(placement().cards.size());
    if (cells == 0)
        return 1;
    return int(std::max<qsizetype>(1, (merge->rowCount() + cells - 1) / cells));
}

namespace {
// The card a cell shows: the card itself, or on a merged sheet the card filled from the cell's
// row; nothing for the cells past the last row.
std::optional<CardSnapshot> cellCard(const SheetSpec& sheetSpec, size_t cell, size_t cells)
{
    if (!sheetSpec.merge)
        return *sheetSpec.snapshot;
    const qsizetype row = qsizetype(size_t(sheetSpec.page) * cells + cell);
    if (row >= sheetSpec.merge->rowCount())
        return std::nullopt;
    CardSnapshot filled = *sheetSpec.snapshot;
    filled.design = cardmerge::fillRow(sheetSpec.snapshot->design, sheetSpec.merge->table, row);
    return filled;
}
} // namespace

void paintSheet(QPainter& painter, const SheetSpec& sheetSpec, qreal unitsPerTwip)
{
    if (!sheetSpec.snapshot)
        return;
    const SheetPlacement placement = sheetSpec.placement();
    const QSizeF page = placement.page;
    painter.save();
    // The page's edge cuts only a card that reaches past it: a clip is written into every
    // state a PDF page holds after it.
    const QRectF paper(QPointF(0, 0), page);
    if (std::any_of(placement.cards.begin(), placement.cards.end(),
                    [&](const QRectF& card) { return !paper.contains(card); }))
        painter.setClipRect(QRectF(0, 0, page.width() * unitsPerTwip, page.height() * unitsPerTwip),
                            Qt::IntersectClip);
    for (size_t i = 0; i < placement.cards.size(); ++i) {
        const QRectF& card = placement.cards[i];
        if (const auto shown = cellCard(sheetSpec, i, placement.cards.size()))
            drawCard(painter, *shown,
                     QRectF(card.topLeft() * unitsPerTwip, card.size() * unitsPerTwip));
    }
    if (sheetSpec.layout.cropMarks) {
        painter.setPen(
            QPen(Qt::black, sheet::CropMarkWidth * unitsPerTwip, Qt::SolidLine, Qt::FlatCap));
        for (const QLineF& mark : sheet::cropMarks(placement))
            painter.drawLine(QLineF(mark.p1() * unitsPerTwip, mark.p2() * unitsPerTwip));
    }
    painter.restore();
}

QImage composePage(const SheetSpec& sheetSpec, qreal zoom)
{
    const qreal pixelsPerTwip = zoom / TwipsPerPixel;
    const SheetPlacement placement = sheetSpec.placement();
    const QSizeF page = placement.page;
    QImage image(qMax(1, qRound(page.width() * pixelsPerTwip)),
                 qMax(1, qRound(page.height() * pixelsPerTwip)), QImage::Format_RGB32);
    image.fill(Qt::white);
    if (!sheetSpec.snapshot || sheetSpec.snapshot->isEmpty() || placement.cards.empty())
        return image;

    const QSizeF tileSize = placement.cards.front().size() * pixelsPerTwip;
    if (tileSize.width() < 1 || tileSize.height() < 1)
        return image;
    QPainter painter(&image);
    if (sheetSpec.merge) {
        // Every card differs: each is drawn in its cell.
        painter.setRenderHint(QPainter::Antialiasing);
        for (size_t i = 0; i < placement.cards.size(); ++i)
            if (const auto shown = cellCard(sheetSpec, i, placement.cards.size()))
                drawCard(painter, *shown,
                         QRectF(placement.cards[i].topLeft() * pixelsPerTwip, tileSize));
    } else {
        // The card is drawn once at this scale and then tiled, which keeps a busy card cheap.
        QImage card(tileSize.toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        card.fill(Qt::transparent);
        {
            QPainter cardPainter(&card);
            drawCard(cardPainter, *sheetSpec.snapshot, QRectF(QPointF(0, 0), card.size()));
        }
        for (const QRectF& corner : placement.cards)
            painter.drawImage(corner.topLeft() * pixelsPerTwip, card);
    }
    if (sheetSpec.layout.cropMarks) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 0)); // a hairline: a quarter point shows on no screen
        for (const QLineF& mark : sheet::cropMarks(placement))
            painter.drawLine(QLineF(mark.p1() * pixelsPerTwip, mark.p2() * pixelsPerTwip));
    }
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
// The scheduler's refusal of the last request, or nothing. libcups is looked up in the process
// rather than linked: Qt's print plugin loads it when a job is printed, and linking it would
// load it, and the libraries behind it, at every start of the program.
QString lastCupsRefusal()
{
    void* cups = dlopen("libcups.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (!cups)
        return {};
    using LastError = ipp_status_t (*)();
    using LastErrorString = const char* (*)();
    const auto lastError = reinterpret_cast<LastError>(dlsym(cups, "cupsLastError"));
    const auto lastErrorString =
        reinterpret_cast<LastErrorString>(dlsym(cups, "cupsLastErrorString"));
    QString refusal;
    if (lastError && lastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        refusal = lastErrorString ? QString::fromLocal8Bit(lastErrorString()) : QStringLiteral("?");
    dlclose(cups);
    return refusal;
}
// Why a queue Qt does not know is missing: when the scheduler itself cannot be reached, every
// queue looks uninstalled, and the user must hear about the service instead, with its reason.
QString unknownPrinterReason(const QString& name)
{
    const QString notInstalled = QStringLiteral("The printer \"%1\" is not installed.").arg(name);
    void* cups = dlopen("libcups.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (!cups)
        return notInstalled;
    using Server = const char* (*)();
    using Port = int (*)();
    using Encryption = http_encryption_t (*)();
    using Connect =
        http_t* (*)(const char*, int, http_addrlist_t*, int, http_encryption_t, int, int, int*);
    using Close = void (*)(http_t*);
    using LastErrorString = const char* (*)();
    const auto server = reinterpret_cast<Server>(dlsym(cups, "cupsServer"));
    const auto port = reinterpret_cast<Port>(dlsym(cups, "ippPort"));
    const auto encryption = reinterpret_cast<Encryption>(dlsym(cups, "cupsEncryption"));
    const auto connect = reinterpret_cast<Connect>(dlsym(cups, "httpConnect2"));
    const auto close = reinterpret_cast<Close>(dlsym(cups, "httpClose"));
    const auto lastErrorString =
        reinterpret_cast<LastErrorString>(dlsym(cups, "cupsLastErrorString"));
    QString reason = notInstalled;
    if (server && port && encryption && connect && close && lastErrorString) {
        const QString where = QString::fromLocal8Bit(server());
        if (http_t* http =
                connect(server(), port(), nullptr, AF_UNSPEC, encryption(), 1, 5000, nullptr))
            close(http);
        else
            reason = QStringLiteral("The print service (%1) cannot be reached: %2.")
                         .arg(where, QString::fromLocal8Bit(lastErrorString()));
    }
    dlclose(cups);
    return reason;
}

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

void applySettings(QPrinter& printer, const SheetJob& job, QSizeF paperTwips, bool landscape,
                   bool cups)
{
    // Each setting stands alone: one the device refuses leaves the others in place.
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setColorMode(job.colour ? QPrinter::Color : QPrinter::GrayScale);
    // A file takes its copies as pages (drawPages); only a printer is told a count.
    if (cups && job.copies >= 1)
        printer.setCopyCount(job.copies);
    if (job.quality)
        printer.setResolution(qualityDpi(*job.quality));
    // Stock sheets come on papers of their own too, which have no standard name.
    const QSizeF points = paperTwips / sheet::TwipsPerPoint;
    const QPageSize::PageSizeId id = QPageSize::id(points, QPageSize::Point, QPageSize::FuzzyMatch);
    printer.setPageSize(id == QPageSize::Custom ? QPageSize(points, QPageSize::Point)
                                                : QPageSize(id));
    printer.setFullPage(true);
    if (cups) {
        // A generic queue prints in grey unless told otherwise, and Qt sends no quality.
        addCupsOption(printer, QStringLiteral("print-color-mode"),
                      job.colour ? QStringLiteral("color") : QStringLiteral("monochrome"));
        if (job.quality)
            addCupsOption(printer, QStringLiteral("print-quality"),
                          QString::number(qualityCupsValue(*job.quality)));
        if (!job.sides.isEmpty())
            addCupsOption(printer, QStringLiteral("sides"), job.sides);
    }
}

// The pages in order, `copies` times over (a file takes its copies as pages).
bool drawPages(QPrinter& printer, int pageCount, const PagesPainter& paint,
               const PrinterCalibration& calibration, const BackPages& isBack = {}, int copies = 1)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const qreal unitsPerTwip = printer.resolution() / 1440.0;
    for (int sheet = 0; sheet < copies * pageCount; ++sheet) {
        if (sheet > 0 && !printer.newPage())
            return false;
        const int page = sheet % pageCount;
        painter.resetTransform();
        const QTransform correction =
            isBack && isBack(page) ? calibration.backTransform() : calibration.transform();
        if (!correction.isIdentity()) {
            // The correction is in twips; the painter works in device units.
            const QTransform toDevice = QTransform::fromScale(unitsPerTwip, unitsPerTwip);
            painter.setTransform(toDevice.inverted() * correction * toDevice);
        }
        paint(painter, unitsPerTwip, page);
    }
    return painter.end();
}

// Why a file could not grow past `size`: the system's answer to writing there.
QString cutShortReason(int fd, qint64 size)
{
    if (::pwrite(fd, "\n", 1, off_t(size)) < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QStringLiteral("the PDF was cut short");
}

PrintOutcome printToPdf(const SheetJob& job, QSizeF paper, bool landscape, int pageCount,
                        const PagesPainter& paint)
{
    const auto cannotWrite = [&](const QString& reason) {
        if (job.pdfFile == QLatin1String("-"))
            return PrintOutcome{
                false,
                QStringLiteral("The PDF cannot be written to standard output: %1").arg(reason)};
        return PrintOutcome{
            false,
            QStringLiteral("The file %1 cannot be written: %2")
                .arg(QDir::toNativeSeparators(QFileInfo(job.pdfFile).absoluteFilePath()), reason)};
    };
    // The page is made in a private file first and then delivered as a save delivers a card:
    // a failed job never touches the target, and a FIFO or standard output gets a whole PDF.
    // The file has no name, so an interrupted run leaves nothing in the temporary folder.
    QString partialName;
    QString reason;
    const int scratch = openScratchFile(&partialName, &reason);
    QFile partial;
    QTemporaryFile named;
    if (scratch >= 0) {
        partial.open(scratch, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    } else {
        if (!named.open())
            return cannotWrite(named.errorString());
        partialName = named.fileName();
        partial.setFileName(partialName);
        if (!partial.open(QIODevice::ReadOnly))
            return cannotWrite(partial.errorString());
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(partialName);
    printer.setResolution(600);
    applySettings(printer, job, paper, landscape, false);
    // A file is no printer: it keeps the nominal page.
    if (!drawPages(printer, pageCount, paint, {}, {}, qMax(1, job.copies)))
        return cannotWrite(QStringLiteral("the page could not be drawn"));
    const qint64 size = partial.size();
    const uchar* mapped = size > 0 ? partial.map(0, size) : nullptr;
    if (size > 0 && !mapped)
        return cannotWrite(partial.errorString());
    // The PDF writer keeps its write errors to itself: a file that was cut short (a full disk,
    // a file size limit) lacks the end mark, and one more byte there tells why.
    if (!QByteArrayView(reinterpret_cast<const char*>(mapped), size).trimmed().endsWith("%%EOF"))
        return cannotWrite(cutShortReason(scratch >= 0 ? scratch : named.handle(), size));
    if (!writeOutput(job.pdfFile,
                     QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), size), &reason))
        return cannotWrite(reason);
    return {true, {}};
}

PrintOutcome printToQueue(const SheetJob& job, QSizeF paper, bool landscape, int pageCount,
                          const PagesPainter& paint, const BackPages& isBack)
{
    if (QPrinterInfo::printerInfo(job.printerName).isNull())
        return {false, unknownPrinterReason(job.printerName)};
    QPrinter printer(QPrinterInfo::printerInfo(job.printerName), QPrinter::HighResolution);
    applySettings(printer, job, paper, landscape, true);
    printer.setDocName(job.title.isEmpty() ? jobTitle({}) : job.title);
    const PrinterCalibration correction =
        job.calibrated ? calibration::load(job.printerName) : PrinterCalibration();
    if (!drawPages(printer, pageCount, paint, correction, isBack))
        return {false,
                QStringLiteral("The printer \"%1\" cannot start the job.").arg(job.printerName)};
    // Qt sends the job to CUPS when the painter ends but keeps its answer to itself; the
    // scheduler's last answer on this thread is that one.
    if (const QString refusal = lastCupsRefusal(); !refusal.isEmpty())
        return {
            false,
            QStringLiteral("The printer \"%1\" refused the job: %2").arg(job.printerName, refusal)};
    return {true, {}};
}
} // namespace

PrintOutcome printPages(const SheetJob& job, QSizeF paperTwips, bool landscape, int pageCount,
                        const PagesPainter& paint, const BackPages& isBack)
{
    return job.pdfFile.isEmpty()
               ? printToQueue(job, paperTwips, landscape, pageCount, paint, isBack)
               : printToPdf(job, paperTwips, landscape, pageCount, paint);
}

PrintOutcome printPage(const SheetJob& job, QSizeF paperTwips, bool landscape,
                       const PagePainter& paint)
{
    return printPages(
        job, paperTwips, landscape, 1,
        [&](QPainter& painter, qreal unitsPerTwip, int) { paint(painter, unitsPerTwip); });
}

QString jobTitle(const QString& cardFileName)
{
    const QString name = QFileInfo(cardFileName).fileName();
    return name.isEmpty() ? QStringLiteral("Quillmark card") : name;
}

PrintOutcome printSheet(const SheetJob& job, const SheetSpec& sheetSpec)
{
    const SheetPlacement placement = sheetSpec.placement();
    const QSizeF paper = placement.landscape() ? placement.page.transposed() : placement.page;
    return printPages(job, paper, placement.landscape(), sheetSpec.pageCount(),
                      [&](QPainter& painter, qreal unitsPerTwip, int page) {
                          SheetSpec onPage = sheetSpec;
                          onPage.page = page;
                          paintSheet(painter, onPage, unitsPerTwip);
                      });
}
