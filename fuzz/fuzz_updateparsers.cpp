// Feeds server text to the updater's parsers: the header text (status decision, named
// headers, announced size) and the version file.
#include "update/downloadrules.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    const StatusDecision decision = decideStatus(text, QStringLiteral("http://127.0.0.1/x"));
    if (decision.proceed != decision.error.isEmpty())
        __builtin_trap();
    (void)headerValue(text, "Transfer-Encoding");
    if (const auto announced = announcedSize(text))
        (void)percentWritten(*announced / 2, *announced);
    (void)announcesUpdate(text);
    (void)fileNameFromUrl(QString::fromLatin1(text));
    return 0;
}
