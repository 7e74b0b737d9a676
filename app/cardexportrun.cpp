#include "app/cardexportrun.h"

#include "app/headless.h"
#include "document/wholefile.h"
#include "print/cardexport.h"
#include "print/cardsnapshot.h"

namespace cardexportrun {

namespace {
const QString Option = QStringLiteral("--export-card");
} // namespace

bool isRequested(const QStringList& arguments)
{
    return !arguments.isEmpty() && arguments.front() == Option;
}

std::optional<Request> parse(const QStringList& arguments, QString* error)
{
    const auto fail = [&](const QString& reason) {
        *error = reason;
        return std::nullopt;
    };
    if (!isRequested(arguments) || arguments.size() < 2 || arguments[1].isEmpty()
        || arguments[1] == QLatin1String("--"))
        return fail(QStringLiteral("--export-card needs the file to write"));
    Request request;
    request.target = arguments[1];
    const auto format = cardexport::formatOf(request.target);
    if (!format)
        return fail(QStringLiteral("--export-card writes .pdf, .png or .svg, not \"%1\"")
                        .arg(request.target));
    const auto option = [&](const QString& word, const std::optional<QString>& given) -> QString {
        if (!given)
            return QStringLiteral("%1 needs a value").arg(word);
        const QString& value = *given;
        bool ok = false;
        if (word == QLatin1String("--bleed") && format == cardexport::Format::PrintShopPdf) {
            request.bleedMm = value.toDouble(&ok);
            if (!ok || !(request.bleedMm >= 0 && request.bleedMm <= cardexport::MaxBleedMm))
                return QStringLiteral("--bleed must be from 0 to %1 mm, not \"%2\"")
                    .arg(cardexport::MaxBleedMm)
                    .arg(value);
        } else if (word == QLatin1String("--side")) {
            if (value != QLatin1String("front") && value != QLatin1String("back"))
                return QStringLiteral("--side is front or back, not \"%1\"").arg(value);
            request.back = value == QLatin1String("back");
            request.oneSide = true;
        } else if (word == QLatin1String("--dpi") && format == cardexport::Format::Png) {
            request.dpi = value.toInt(&ok);
            if (!ok || request.dpi < 1 || request.dpi > cardexport::MaxDpi)
                return QStringLiteral("--dpi must be a whole number from 1 to %1, not \"%2\"")
                    .arg(cardexport::MaxDpi)
                    .arg(value);
        } else {
            return QStringLiteral("unknown option %1 for a .%2 file")
                .arg(word, request.target.section(QLatin1Char('.'), -1));
        }
        return {};
    };
    const std::optional<QString> card = headless::oneCard(arguments, 2, option, error);
    if (!card)
        return std::nullopt;
    request.card = *card;
    return request;
}

bool run(const QStringList& arguments, QString* error)
{
    const std::optional<Request> request = parse(arguments, error);
    if (!request)
        return false;
    if (isSameFile(request->target, request->card)) {
        *error = QStringLiteral("\"%1\" is the card file itself; nothing was written")
                     .arg(request->target);
        return false;
    }
    const std::optional<QByteArray> card = headless::readCard(request->card, error);
    if (!card)
        return false;
    const CardDesign design = headless::readDesign(request->card, *card);
    if (request->back && !design.hasBack()) {
        *error = QStringLiteral("this card has no back");
        return false;
    }
    if (headless::pictureAt(design, request->target)) {
        *error = QStringLiteral("\"%1\" is the card's picture; nothing was written")
                     .arg(request->target);
        return false;
    }
    cardexport::Options options;
    options.bleedMm = request->bleedMm;
    options.dpi = request->dpi;
    options.bothSides = !request->oneSide;
    CardSnapshot snapshot = recordCard(design);
    if (request->back)
        snapshot.design = design.showing(CardSide::Back);
    return cardexport::exportCard(snapshot, request->target, options, error);
}

} // namespace cardexportrun
