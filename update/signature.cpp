#include "update/signature.h"

#include "update/downloadrules.h"

#include <sodium.h>

bool signatureVerifies(QByteArrayView message, QByteArrayView signature, QByteArrayView publicKey)
{
    if (sodium_init() < 0 || signature.size() != crypto_sign_BYTES
        || publicKey.size() != crypto_sign_PUBLICKEYBYTES)
        return false;
    static_assert(signatureSize == crypto_sign_BYTES);
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                       reinterpret_cast<const unsigned char*>(message.data()),
                                       quint64(message.size()),
                                       reinterpret_cast<const unsigned char*>(publicKey.data()))
           == 0;
}
