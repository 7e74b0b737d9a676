#pragma once

#include <QByteArrayView>

// True when `signature` is a valid Ed25519 detached signature (libsodium's
// crypto_sign_detached) of `message` by the holder of `publicKey`.
bool signatureVerifies(QByteArrayView message, QByteArrayView signature, QByteArrayView publicKey);
