#include "update/signature.h"

#include "update/downloadrules.h"

#include <QFile>

#include <sodium.h>

bool signatureVerifies(const QString& path, QByteArrayView signature, QByteArrayView publicKey)
{
    if (sodium_init() < 0 || signature.size() != crypto_sign_BYTES
        || publicKey.size() != crypto_sign_PUBLICKEYBYTES)
        return false;
    static_assert(signatureSize == crypto_sign_BYTES);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Installers are large; the file is mapped rather than copied into memory.
    const qint64 size = file.size();
    const uchar* bytes = size > 0 ? file.map(0, size) : reinterpret_cast<const uchar*>("");
    if (!bytes)
        return false;
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                       bytes, quint64(size),
                                       reinterpret_cast<const unsigned char*>(publicKey.data()))
           == 0;
}
