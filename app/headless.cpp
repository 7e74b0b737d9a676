#include "app/headless.h"

#include "app/cardexportrun.h"
#include "document/carddesign.h"
#include "document/cardfile.h"
#include "document/cardmerge.h"
#include "document/filename.h"
#include "document/regularfile.h"
#include "document/wholefile.h"
#include "print/cardsnapshot.h"
#include "print/layoutcatalog.h"
#include "print/printsheet.h"
#include "prompt/platform.h"
#include "render/picturestore.h"
#include "render/qrcode.h"

#include <QRegularExpression>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace headless {

namespace {
const QString ExportOption = QStringLiteral("--export-pdf");
const QString PrintOption = QStringLiteral("--print");
const QString EndOfOptions = QStringLiteral("--");
// The options that take a value besides the two that choose the mode.
const QStringList ValueOptions = {QStringLiteral("--layout"), QStringLiteral("--merge"),
                                  QStringLiteral("--rows"),   QStringLiteral("--columns"),
                                  QStringLiteral("--copies"), QStringLiteral("--sides")};

std::optional<int> count(const QString& text, int low, int high)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return v;
}

} // namespace

// The bytes of the card file when it is one: a regular file within the reader's bound (a FIFO
// would block and a device never end) that holds the card's own record.
std::optional<QByteArray> readCard(const QString& path, QString* error)
{
    const RegularFileRead read = readRegularFile(path, carddesignfile::MaxFileBytes);
    if (read.status == RegularFileRead::Missing) {
        *error = QStringLiteral("the card file \"%1\" does not exist").arg(path);
        return std::nullopt;
    }
    if (!read.ok()) {
        *error = QStringLiteral("the card file \"%1\" cannot be read: %2").arg(path, read.error);
        return std::nullopt;
    }
    if (cardfile::holdsCardRecord(read.bytes))
        return read.bytes;
    *error = QStringLiteral("\"%1\" is not a card file").arg(path);
    return std::nullopt;
}

namespace {

// One line on standard error, its path names in their own bytes.
void printLine(QString text)
{
    text.replace(QRegularExpression(QStringLiteral("\\s*\\n\\s*")), QStringLiteral(" "));
    std::fprintf(stderr, "qmark: %s\n", encodeFileName(text).constData());
    std::fflush(stderr);
}

// Nobody sees a box without a window, and one would wait for ever: every message becomes one
// line on standard error and is answered with the button a box would have had focused.
class WindowlessPlatform final : public Platform {
public:
    QMessageBox::StandardButton messageBox(QWidget*, const QString& text, const QString&,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon) override
    {
        printLine(text);
        // The lowest flag is the first in a box's own order: Ok, Save, Yes before No, Cancel.
        const auto value = uint(buttons.toInt());
        return QMessageBox::StandardButton(value & (~value + 1));
    }
    QString openFileName(QWidget*, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&) override { return {}; }
    ColorChoice chooseColor(QWidget*, const QColor&) override { return {}; }
    QAction* popupMenu(QMenu*, const QPoint&) override { return nullptr; }
    bool startDetached(const QString& program, const QStringList& arguments, qint64* pid,
                       bool quiet) override
    {
        return m_real.startDetached(program, arguments, pid, quiet);
    }
    int runProcess(const QString& program, const QStringList& arguments, int timeoutMs,
                   QByteArray* output) override
    {
        return m_real.runProcess(program, arguments, timeoutMs, output);
    }
    bool openUrl(const QUrl&) override { return false; }
    void exit(int code) override { m_real.exit(code); }

private:
    QtPlatform m_real;
};
} // namespace

CardDesign readDesign(const QString& path, const QByteArray& bytes)
{
    carddesignfile::ReadResult read = carddesignfile::read(bytes);
    for (const QString& warning :
         carddesignfile::readWarnings(read, path, carddesignfile::MaxElements))
        printLine(warning);
    return std::move(read.design);
}

std::optional<QString> pictureAt(const CardDesign& design, const QString& target)
{
    for (const CardSide side : {CardSide::Front, CardSide::Back})
        for (const CardItem& item : design.sideItems(side))
            if (item.kind == ElementKind::Picture && isSameFile(target, item.picturePath()))
                return item.picturePath();
    return std::nullopt;
}

bool isRequested(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return false;
    const QString& first = arguments.front();
    return first == ExportOption || first == PrintOption || ValueOptions.contains(first)
           || cardexportrun::isRequested(arguments);
}

std::optional<Request> parse(const QStringList& arguments, QString* error)
{
    const auto fail = [&](const QString& reason) {
        *error = reason;
        return std::nullopt;
    };
    if (!isRequested(arguments))
        return fail(QStringLiteral("no --export-pdf or --print"));
    Request request;
    std::optional<Request::Mode> mode;
    // The options come in any order; the copies are checked once the mode is known.
    std::optional<QString> copies;
    const auto option = [&](const QString& word, const std::optional<QString>& given) -> QString {
        const bool modeWord = word == ExportOption || word == PrintOption;
        if (!given || (modeWord && given->isEmpty()))
            return word == ExportOption ? QStringLiteral("--export-pdf needs the PDF file to write")
                   : word == PrintOption ? QStringLiteral("--print needs a printer queue")
                                         : QStringLiteral("%1 needs a value").arg(word);
        const QString& value = *given;
        if (modeWord) {
            if (mode)
                return QStringLiteral("one of --export-pdf and --print, once");
            mode = word == ExportOption ? Request::Mode::ExportPdf : Request::Mode::Print;
            request.target = value;
        } else if (word == QLatin1String("--layout")) {
            request.layout = value;
        } else if (word == QLatin1String("--merge")) {
            request.mergeData = value;
        } else if (word == QLatin1String("--rows") || word == QLatin1String("--columns")) {
            const auto n = count(value, 1, sheet::MaxCount);
            if (!n)
                return QStringLiteral("%1 must be a whole number from 1 to %2, not \"%3\"")
                    .arg(word)
                    .arg(sheet::MaxCount)
                    .arg(value);
            (word == QLatin1String("--rows") ? request.rows : request.columns) = *n;
        } else if (word == QLatin1String("--copies")) {
            copies = value;
        } else if (word == QLatin1String("--sides")) {
            request.sides = duplex::sidesFromName(value);
            if (!request.sides)
                return QStringLiteral("--sides must be long, short or front, not \"%1\"")
                    .arg(value);
        } else {
            return QStringLiteral("unknown option %1").arg(word);
        }
        return {};
    };
    const std::optional<QString> card = oneCard(arguments, 0, option, error);
    if (!card)
        return std::nullopt;
    if (!mode)
        return fail(QStringLiteral("--export-pdf or --print is needed to work without a window"));
    request.mode = *mode;
    if (copies) {
        if (request.mode != Request::Mode::Print)
            return fail(QStringLiteral("unknown option --copies"));
        const auto n = count(*copies, 1, sheet::MaxCopies);
        if (!n)
            return fail(QStringLiteral("--copies must be a whole number from 1 to %1, not \"%2\"")
                            .arg(sheet::MaxCopies)
                            .arg(*copies));
        request.copies = *n;
    }
    request.card = *card;
    if (!layoutcatalog::find(request.layout))
        return fail(layoutcatalog::unknownLayoutMessage(request.layout));
    return request;
}

std::optional<QString> oneCard(const QStringList& arguments, qsizetype first,
                               const OptionTaker& option, QString* error)
{
    QStringList cards;
    bool optionsEnded = false;
    for (qsizetype i = first; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (optionsEnded || !word.startsWith(QLatin1String("--"))) {
            cards << word;
            continue;
        }
        if (word == EndOfOptions) {
            optionsEnded = true;
            continue;
        }
        // A file named "--" is given only as "./--".
        std::optional<QString> value;
        if (i + 1 < arguments.size() && arguments[i + 1] != EndOfOptions)
            value = arguments[++i];
        if (const QString refused = option(word, value); !refused.isEmpty()) {
            *error = refused;
            return std::nullopt;
        }
    }
    if (cards.size() == 1)
        return cards.front();
    *error = cards.isEmpty() ? QStringLiteral("no card file given")
                             : QStringLiteral("one card file at a time, not %1").arg(cards.size());
    return std::nullopt;
}

namespace {
// Front only for a card without a back or when asked; otherwise both sides, which a queue that
// prints one side only cannot do without a person turning the paper.
PrintOutcome printSides(const Request& request, const SheetJob& job, const SheetSpec& sheetSpec)
{
    const duplex::Sides sides = sheetSpec.snapshot->design.hasBack()
                                    ? request.sides.value_or(duplex::Sides::LongEdge)
                                    : duplex::Sides::Front;
    if (sides == duplex::Sides::Front)
        return printSheet(job, sheetSpec);
    if (request.mode == Request::Mode::Print && duplex::printsOneSideOnly(request.target))
        return {false, QStringLiteral("the printer \"%1\" prints on one side only and the card "
                                      "has a back; --sides front prints the fronts alone")
                           .arg(request.target)};
    return duplex::printBothSides(job, sheetSpec, sides);
}
} // namespace

bool run(const Request& request, QString* error)
{
    // Compared as files, not names: a ./ spelling, a link or a hard link is the card too.
    if (request.mode == Request::Mode::ExportPdf && isSameFile(request.target, request.card)) {
        *error = QStringLiteral("the PDF file \"%1\" is the card file itself; nothing was written")
                     .arg(request.target);
        return false;
    }
    const std::optional<QByteArray> card = readCard(request.card, error);
    if (!card)
        return false;
    // Printing takes the design and the sheet; no editor, and no widget at all, is made.
    const CardDesign design = readDesign(request.card, *card);
    if (request.mode == Request::Mode::ExportPdf)
        if (const auto picture = pictureAt(design, request.target)) {
            *error = QStringLiteral("the PDF file \"%1\" is the card's picture \"%2\"; nothing was "
                                    "written")
                         .arg(request.target, *picture);
            return false;
        }
    const CardSnapshot snapshot = recordCard(design);
    std::shared_ptr<const cardmerge::MergeData> merge;
    if (request.mode == Request::Mode::ExportPdf && !request.mergeData.isEmpty()
        && isSameFile(request.target, request.mergeData)) {
        *error = QStringLiteral("the PDF file \"%1\" is the merge data itself; nothing was written")
                     .arg(request.target);
        return false;
    }
    if (!request.mergeData.isEmpty()) {
        // Bad data prints nothing: it is read and checked against the card first.
        auto data = cardmerge::load(request.mergeData, snapshot.design, error);
        if (!data)
            return false;
        merge = std::make_shared<const cardmerge::MergeData>(std::move(*data));
    }
    // A code that fits no level would print as a crossed box; colours readers may not tell
    // apart are said, and printed all the same.
    if (const auto fault = unprintableQrCode(snapshot.design, merge.get())) {
        *error = *fault;
        return false;
    }
    for (const QString& warning : qrColourWarnings(snapshot.design))
        printLine(warning);
    SheetSpec sheetSpec;
    sheetSpec.merge = merge;
    sheetSpec.snapshot = &snapshot;
    sheetSpec.cardTwips = cardSizeTwips(design);
    sheetSpec.columns = request.columns;
    sheetSpec.rows = request.rows;
    sheetSpec.layout = *layoutcatalog::find(request.layout);

    SheetJob job;
    if (request.mode == Request::Mode::ExportPdf)
        job.pdfFile = request.target;
    else
        job.printerName = request.target;
    job.copies = request.copies;
    job.title = jobTitle(request.card);
    const PrintOutcome outcome = printSides(request, job, sheetSpec);
    // Pictures left out for the memory budget, one line each; the sheet is still made.
    for (const QString& message : PictureStore::shared().takeMessages())
        printLine(message);
    if (!outcome.sent)
        *error = outcome.reason;
    return outcome.sent;
}

int main(const QStringList& arguments)
{
    WindowlessPlatform windowless;
    Platform::install(&windowless);
    // A reader that goes away is a failed write, reported like any other, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    QString error;
    std::optional<Request> request;
    const bool done = cardexportrun::isRequested(arguments)
                          ? cardexportrun::run(arguments, &error)
                          : (request = parse(arguments, &error)) && run(*request, &error);
    Platform::install(nullptr);
    if (done)
        return 0;
    printLine(error);
    return 1;
}

} // namespace headless
