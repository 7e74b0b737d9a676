#pragma once

#include <QChar>

#include <optional>

// A QR code's error-correction level: L, M, Q or H restore about 7, 15, 25 and 30 % of a
// damaged code; higher levels make the code larger for the same content.
enum class QrLevel { L, M, Q, H };

inline QChar qrLevelLetter(QrLevel level)
{
    switch (level) {
    case QrLevel::L: return u'L';
    case QrLevel::M: return u'M';
    case QrLevel::Q: return u'Q';
    case QrLevel::H: return u'H';
    }
    return u'M';
}

// The letter in either case; nothing for anything else.
inline std::optional<QrLevel> qrLevelFromLetter(QChar letter)
{
    switch (letter.toUpper().unicode()) {
    case u'L': return QrLevel::L;
    case u'M': return QrLevel::M;
    case u'Q': return QrLevel::Q;
    case u'H': return QrLevel::H;
    default: return std::nullopt;
    }
}
