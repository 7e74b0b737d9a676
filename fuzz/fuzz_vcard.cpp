// Reads any bytes as a vCard; writes the fields it found and checks the folding of what was
// written and that it reads back as the same fields.
#include "document/vcard.h"

#include <QList>
#include <QStringDecoder>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// The writer turns every line break into "\n".
vcard::VCardFields withLineFeeds(vcard::VCardFields f)
{
    for (QString* s : {&f.fullName, &f.organisation, &f.title, &f.workPhone, &f.mobilePhone,
                       &f.email, &f.webAddress, &f.streetAddress})
        s->replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto fields = vcard::parseVCard(bytes);
    if (!fields)
        return 0;
    const QByteArray card = vcard::writeVCard(*fields);
    require(card.endsWith("\r\n"));
    for (const QByteArray& line : card.chopped(1).split('\n')) {
        require(line.endsWith('\r') && line.size() <= 76); // 75 octets and the CR
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        utf8.decode(line);
        require(!utf8.hasError());
    }
    const auto again = vcard::parseVCard(card);
    require(again && *again == withLineFeeds(*fields));
    return 0;
}
