#include "app/headless.h"

#include "canvas/cardeditor.h"
#include "document/cardfile.h"
#include "print/layoutcatalog.h"
#include "print/printcommand.h"
#include "print/printsheet.h"

#include <QWidget>

#include <cstdio>

namespace headless {

namespace {
const QString ExportOption = QStringLiteral("--export-pdf");
const QString PrintOption = QStringLiteral("--print");
const QString EndOfOptions = QStringLiteral("--");

std::optional<int> count(const QString& text, int low, int high)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return v;
}

// The bytes of the card file when it is one: a regular file within the editor's bound (a FIFO
// would block and a device never end) that holds the card's own record.
std::optional<QByteArray> readCard(const CardEditor& editor, const QString& path, QString* error)
{
    const RegularFileRead read = editor.readCardFile(path);
    if (read.status == RegularFileRead::Missing) {
        *error = QStringLiteral("the card file \"%1\" does not exist").arg(path);
        return std::nullopt;
    }
    if (!read.ok()) {
        *error = QStringLiteral("the card file \"%1\" cannot be read").arg(path);
        return std::nullopt;
    }
    cardfile::CardReader reader(read.bytes);
    while (const auto record = reader.next())
        if (record->kind() == cardfile::RecordKind::Card)
            return read.bytes;
    *error = QStringLiteral("\"%1\" is not a card file").arg(path);
    return std::nullopt;
}
} // namespace

bool isRequested(const QStringList& arguments)
{
    return !arguments.isEmpty()
           && (arguments.front() == ExportOption || arguments.front() == PrintOption);
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
    request.mode = arguments[0] == ExportOption ? Request::Mode::ExportPdf : Request::Mode::Print;
    // "--" ends the options, so it is never an option's value: a file named "--" is made only
    // as "./--".
    const auto isValue = [&](qsizetype i) {
        return i < arguments.size() && arguments[i] != EndOfOptions;
    };
    if (!isValue(1) || arguments[1].isEmpty())
        return fail(request.mode == Request::Mode::ExportPdf
                        ? QStringLiteral("--export-pdf needs the PDF file to write")
                        : QStringLiteral("--print needs a printer queue"));
    request.target = arguments[1];

    QStringList cards;
    bool optionsEnded = false;
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (optionsEnded || !word.startsWith(QLatin1String("--"))) {
            cards << word;
            continue;
        }
        if (word == EndOfOptions) {
            optionsEnded = true;
            continue;
        }
        if (!isValue(i + 1))
            return fail(QStringLiteral("%1 needs a value").arg(word));
        const QString value = arguments[++i];
        if (word == QLatin1String("--layout")) {
            request.layout = value;
        } else if (word == QLatin1String("--rows") || word == QLatin1String("--columns")) {
            const auto n = count(value, 1, sheet::MaxCount);
            if (!n)
                return fail(QStringLiteral("%1 must be a whole number from 1 to %2, not \"%3\"")
                                .arg(word)
                                .arg(sheet::MaxCount)
                                .arg(value));
            (word == QLatin1String("--rows") ? request.rows : request.columns) = *n;
        } else if (word == QLatin1String("--copies") && request.mode == Request::Mode::Print) {
            const auto n = count(value, 1, sheet::MaxCopies);
            if (!n)
                return fail(QStringLiteral("--copies must be a whole number from 1 to %1, not "
                                           "\"%2\"")
                                .arg(sheet::MaxCopies)
                                .arg(value));
            request.copies = *n;
        } else {
            return fail(QStringLiteral("unknown option %1").arg(word));
        }
    }
    if (cards.size() != 1)
        return fail(cards.isEmpty()
                        ? QStringLiteral("no card file given")
                        : QStringLiteral("one card file at a time, not %1").arg(cards.size()));
    request.card = cards.front();
    if (!layoutcatalog::find(request.layout))
        return fail(QStringLiteral("unknown layout \"%1\"; the layouts are %2")
                        .arg(request.layout, layoutcatalog::names().join(QStringLiteral(", "))));
    return request;
}

bool run(const Request& request, QString* error)
{
    // The editor's widgets draw the card; their host is never shown.
    QWidget host;
    CardEditor editor(&host);
    const std::optional<QByteArray> card = readCard(editor, request.card, error);
    if (!card)
        return false;
    editor.loadBytes(*card);
    const CardSnapshot snapshot = snapshotCard(editor);
    SheetSpec sheetSpec;
    sheetSpec.snapshot = &snapshot;
    sheetSpec.cardTwips = cardSizeTwips(editor);
    sheetSpec.columns = request.columns;
    sheetSpec.rows = request.rows;
    sheetSpec.layout = *layoutcatalog::find(request.layout);

    SheetJob job;
    if (request.mode == Request::Mode::ExportPdf)
        job.pdfFile = request.target;
    else
        job.printerName = request.target;
    job.copies = request.copies;
    const PrintOutcome outcome = printSheet(job, sheetSpec);
    if (!outcome.sent)
        *error = outcome.reason;
    return outcome.sent;
}

int main(const QStringList& arguments)
{
    QString error;
    std::optional<Request> request = parse(arguments, &error);
    if (request && run(*request, &error))
        return 0;
    // One line, whatever the reason held.
    error.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "qmark: %s\n", error.toLocal8Bit().constData());
    return 1;
}

} // namespace headless
