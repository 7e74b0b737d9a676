#include "dialogs/cardsize.h"

#include <QtMath>

std::optional<float> cardSizeFromText(const QString& text)
{
    bool ok = false;
    const float value = text.trimmed().toFloat(&ok);
    if (!ok || !qIsFinite(value) || value <= 0)
        return std::nullopt;
    return value;
}

namespace {
constexpr float PixelsPerInch = 96;
constexpr float PixelsPerMm = PixelsPerInch / 25.4f;
} // namespace

const std::vector<CardSizePreset>& cardSizePresets()
{
    static const std::vector<CardSizePreset> presets = {
        {QStringLiteral("US, 3.5 × 2 in"), 3.5f * PixelsPerInch, 2 * PixelsPerInch},
        {QStringLiteral("Europe, 85 × 55 mm"), 85 * PixelsPerMm, 55 * PixelsPerMm},
        {QStringLiteral("Japan, 91 × 55 mm"), 91 * PixelsPerMm, 55 * PixelsPerMm},
        {QStringLiteral("ISO ID-1, 85.60 × 53.98 mm"), 85.60f * PixelsPerMm, 53.98f * PixelsPerMm},
    };
    return presets;
}

int cardSizePresetAt(float widthPixels, float heightPixels)
{
    const auto& presets = cardSizePresets();
    for (size_t i = 0; i < presets.size(); ++i)
        if (qAbs(presets[i].widthPixels - widthPixels) <= 0.01f
            && qAbs(presets[i].heightPixels - heightPixels) <= 0.01f)
            return int(i);
    return -1;
}

QString cardSizeMeasures(float widthPixels, float heightPixels)
{
    return QStringLiteral("%1 × %2 mm, %3 × %4 in")
        .arg(widthPixels / PixelsPerMm, 0, 'f', 1)
        .arg(heightPixels / PixelsPerMm, 0, 'f', 1)
        .arg(widthPixels / PixelsPerInch, 0, 'f', 2)
        .arg(heightPixels / PixelsPerInch, 0, 'f', 2);
}

QString cardSizeText(float pixels) { return QString::number(qRound(pixels * 100) / 100.0); }
