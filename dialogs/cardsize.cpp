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
