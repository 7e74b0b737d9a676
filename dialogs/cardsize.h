#pragma once

#include <QString>

#include <optional>

// The card size boxes take a positive decimal number of pixels, fractions included. Anything
// else (an empty box while retyping, letters, a lone minus, zero) is not a size yet.
std::optional<float> cardSizeFromText(const QString& text);
