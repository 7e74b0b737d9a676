// Feeds server text to the updater's parsers: the header text (status decision, named
// headers, body framing, announced size), a chunked body, a signature line and the version file
// with the signed message it leads to.
#include "update/downloadrules.h"

#include <cstddef>
#include <cstdint>

namespace {

// Decodes a chunked body fed in pieces of `piece` bytes.
QByteArray decodeChunks(QByteArrayView coded, qsizetype piece, ChunkDecoder& decoder)
{
    QByteArray body;
    for (qsizetype at = 0; at < coded.size(); at += piece)
        decoder.feed(coded.sliced(at, std::min(piece, coded.size() - at)), body);
    return body;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    const StatusDecision decision = decideStatus(text, QStringLiteral("http://127.0.0.1/x"));
    if (decision.proceed != decision.error.isEmpty())
        __builtin_trap();
    (void)headerValue(text, "Transfer-Encoding");
    (void)bodyFramingOf(text);
    if (const auto announced = announcedSize(text))
        (void)percentWritten(*announced / 2, *announced);
    (void)announcesUpdate(text);
    // The version a signature binds is one line, and the message keeps it whole between its
    // fixed first line and the size.
    const QByteArray version = announcedVersion(text);
    if (version.contains('\n') || version != version.trimmed())
        __builtin_trap();
    const QByteArray message = updateMessage(version, qint64(size), QByteArray(32, '\xab'));
    if (!message.startsWith("quillmark-update-v1\n" + version + '\n')
        || !message.endsWith('\n' + QByteArray(32, '\xab').toHex() + '\n'))
        __builtin_trap();
    (void)fileNameFromUrl(QString::fromLatin1(text));

    // However the bytes are split, the chunk decoder reads the same body and ends the same way,
    // and it never hands out more than it was given.
    ChunkDecoder whole, split;
    const QByteArray body = decodeChunks(text, text.size() + 1, whole);
    const qsizetype piece = text.isEmpty() ? 1 : 1 + uint8_t(text[0]) % 7;
    if (decodeChunks(text, piece, split) != body || whole.state() != split.state()
        || body.size() > text.size())
        __builtin_trap();

    if (const auto signature = signatureFromLine(text); signature && signature->size() != 64)
        __builtin_trap();
    return 0;
}
