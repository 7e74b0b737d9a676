#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

class QIODevice;

// Decodes a picture within a budget that is checked before the decoder runs: the file's size
// for formats that are read whole, the drawing a compressed SVG unpacks to, and the pixels the
// picture says it has. Whatever the decoders say on the way is kept from the terminal.
namespace picturedecoder {

// The largest picture decoded: 64 million pixels (a 256 MB image) is beyond any camera a card
// is made from, and refuses the small files that unpack into gigabytes.
inline constexpr qint64 MaxPixels = 64'000'000;
inline constexpr qint64 MaxDecodedBytes = 256 << 20;
// The most SVG text read, plain or unpacked from gzip.
inline constexpr qint64 MaxSvgBytes = 16 << 20;

struct Decoded {
    QImage image;
    // Why the picture was refused before decoding, in a sentence for the user; empty when it
    // was decoded, or when it simply is no picture that can be read.
    QString refusal;
};

// The largest file of a format (a reader's name: "png", "svg", "xpm") that is read.
qint64 maxFileBytes(const QByteArray& format);

// The picture in `device`, which holds `size` bytes and can seek. `formatHint` is a file's
// suffix or a MIME type's subtype; the bytes decide where they tell. `accept`, when given, is
// asked with the picture's size (invalid when unknown) before decoding, and may decline.
Decoded decode(QIODevice& device, const QByteArray& formatHint, qint64 size,
               const std::function<bool(QSize)>& accept = {});

} // namespace picturedecoder
