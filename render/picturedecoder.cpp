#include "render/picturedecoder.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>

#include <zlib.h>

#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace picturedecoder {

namespace {

constexpr qint64 MB = 1 << 20;

// The decoders' warnings ("libpng warning: ...") while this thread decodes: kept from the
// terminal, where a run without windows writes one line only. Other threads' messages pass.
thread_local int decodingHere = 0;
QtMessageHandler previousHandler = nullptr;

void quietWhileDecoding(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (decodingHere > 0 || !previousHandler)
        return;
    previousHandler(type, context, text);
}

// libpng writes its errors ("libpng error: Read Error") to the standard error itself: while
// any thread decodes, the descriptor points nowhere.
std::mutex quietLock;
int decodingAnywhere = 0;
int savedStandardError = -1;

class Quiet {
public:
    Quiet()
    {
        static const bool installed = [] {
            previousHandler = qInstallMessageHandler(quietWhileDecoding);
            return true;
        }();
        Q_UNUSED(installed);
        ++decodingHere;
        const std::lock_guard lock(quietLock);
        if (decodingAnywhere++ > 0)
            return;
        std::fflush(stderr);
        savedStandardError = ::dup(STDERR_FILENO);
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (nowhere >= 0) {
            ::dup2(nowhere, STDERR_FILENO);
            ::close(nowhere);
        }
    }
    ~Quiet()
    {
        --decodingHere;
        const std::lock_guard lock(quietLock);
        if (--decodingAnywhere > 0 || savedStandardError < 0)
            return;
        std::fflush(stderr);
        ::dup2(savedStandardError, STDERR_FILENO);
        ::close(savedStandardError);
        savedStandardError = -1;
    }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};

// The text of a gzip stream, through a stream that stops past `limit` bytes (`tooLarge`);
// nothing when it is not whole gzip.
std::optional<QByteArray> inflated(QIODevice& device, qint64 limit, bool* tooLarge)
{
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return std::nullopt;
    constexpr int Chunk = 64 * 1024;
    QByteArray input(Chunk, Qt::Uninitialized);
    QByteArray output(Chunk, Qt::Uninitialized);
    QByteArray text;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (stream.avail_in == 0) {
            const qint64 read = device.read(input.data(), Chunk);
            if (read <= 0)
                break;
            stream.next_in = reinterpret_cast<Bytef*>(input.data());
            stream.avail_in = uInt(read);
        }
        stream.next_out = reinterpret_cast<Bytef*>(output.data());
        stream.avail_out = Chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        text.append(output.constData(), Chunk - qsizetype(stream.avail_out));
        if (text.size() > limit) {
            *tooLarge = true;
            break;
        }
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    return text;
}

Decoded decodeAs(QIODevice& device, const QByteArray& format, qint64 size,
                 const std::function<bool(QSize)>& accept)
{
    Decoded result;
    // Formats that are read whole are refused by their file's size first: asking their size
    // would already read them.
    if (const qint64 limit = maxFileBytes(format); size > limit) {
        result.refusal = QStringLiteral("the file is larger than %1 MB, the most a %2 picture "
                                        "may take")
                             .arg(limit / MB)
                             .arg(QString::fromLatin1(format.toUpper()));
        return result;
    }
    QImageReader reader(&device, format);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(MaxDecodedBytes / MB));
    // A small file may promise a huge picture; the promise is checked before decoding.
    const QSize pixels = reader.size();
    if (pixels.isValid() && qint64(pixels.width()) * pixels.height() > MaxPixels) {
        result.refusal = QStringLiteral("it is %1 × %2 pixels, more than the %3 million a picture "
                                        "may have")
                             .arg(pixels.width())
                             .arg(pixels.height())
                             .arg(MaxPixels / 1'000'000);
        return result;
    }
    if (accept && !accept(pixels))
        return result;
    result.image = reader.read();
    return result;
}

} // namespace

qint64 maxFileBytes(const QByteArray& format)
{
    // Text formats and those whose readers take the file whole; every other reader goes
    // through the file as it decodes, and its picture is bounded by its pixels.
    static const QHash<QByteArray, qint64> whole = {
        {"svg", MaxSvgBytes}, {"svgz", MaxSvgBytes}, {"xpm", 16 * MB}, {"xbm", 16 * MB},
        {"gif", 64 * MB},     {"ico", 16 * MB},      {"cur", 16 * MB}, {"icns", 64 * MB},
        {"pbm", 64 * MB},     {"pgm", 64 * MB},      {"ppm", 64 * MB},
    };
    // A bitmap of the largest picture, with its header.
    return whole.value(format.toLower(), MaxDecodedBytes + MB);
}

Decoded decode(QIODevice& device, const QByteArray& formatHint, qint64 size,
               const std::function<bool(QSize)>& accept)
{
    const Quiet quiet;
    if (device.peek(2) == QByteArrayLiteral("\x1f\x8b")) {
        // A compressed drawing: unpacked here through a bounded stream, never by the reader.
        Decoded result;
        if (size > MaxSvgBytes) {
            result.refusal = QStringLiteral("the file is larger than %1 MB, the most a "
                                            "compressed SVG picture may take")
                                 .arg(MaxSvgBytes / MB);
            return result;
        }
        bool tooLarge = false;
        const std::optional<QByteArray> text = inflated(device, MaxSvgBytes, &tooLarge);
        if (tooLarge)
            result.refusal =
                QStringLiteral("its drawing unpacks to more than %1 MB").arg(MaxSvgBytes / MB);
        if (!text)
            return result;
        QBuffer buffer;
        buffer.setData(*text);
        buffer.open(QIODevice::ReadOnly);
        return decodeAs(buffer, "svg", text->size(), accept);
    }
    QByteArray format = QImageReader::imageFormat(&device);
    if (format.isEmpty())
        format = formatHint.toLower();
    return decodeAs(device, format, size, accept);
}

} // namespace picturedecoder
