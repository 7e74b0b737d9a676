#pragma once

#include <QByteArrayView>
#include <QString>

// True when `signature` is a valid Ed25519 detached signature (libsodium's
// crypto_sign_detached) of the whole file at `path` by the holder of `publicKey`.
bool signatureVerifies(const QString& path, QByteArrayView signature, QByteArrayView publicKey);
