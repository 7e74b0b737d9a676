#pragma once

#include <QString>

#include <array>

// The reserved text kept for each element index, touched by nothing but the card file. Only
// indices 0-100 have a slot: storing at any other index is skipped, and reading one gives an
// empty text, so a file written with such an element still has all 18 lines of its record.
class ReservedTexts {
public:
    static constexpr int Size = 101;

    static bool hasSlot(int index) { return index >= 0 && index < Size; }
    QString at(int index) const { return hasSlot(index) ? m_texts[size_t(index)] : QString(); }
    void store(int index, const QString& text)
    {
        if (hasSlot(index))
            m_texts[size_t(index)] = text;
    }

    // Takes `earlier`'s texts at `from` and above.
    void keepFrom(const ReservedTexts& earlier, int from)
    {
        for (int index = qMax(from, 0); index < Size; ++index)
            m_texts[size_t(index)] = earlier.m_texts[size_t(index)];
    }

private:
    std::array<QString, Size> m_texts;
};
