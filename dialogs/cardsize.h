#pragma once

#include <QString>

#include <optional>
#include <vector>

// The card size boxes take a positive decimal number of pixels, fractions included. Anything
// else (an empty box while retyping, letters, a lone minus, zero) is not a size yet.
std::optional<float> cardSizeFromText(const QString& text);

// Card sizes people buy, in pixels at 96 per inch, as the size list in Card Options offers them.
struct CardSizePreset {
    QString name;
    float widthPixels = 0;
    float heightPixels = 0;
};
const std::vector<CardSizePreset>& cardSizePresets();
// The preset a size is, within a hundredth of a pixel; -1 for any other ("Custom").
int cardSizePresetAt(float widthPixels, float heightPixels);
// The size as a person measures it: "85.0 × 55.0 mm, 3.35 × 2.17 in".
QString cardSizeMeasures(float widthPixels, float heightPixels);
// A length in pixels as the size boxes show it: at most two decimals, none when whole.
QString cardSizeText(float pixels);
