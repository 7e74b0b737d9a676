#pragma once

#include <QByteArrayView>

// The Ed25519 public key that every installer must be signed with (32 bytes). It is fixed when
// the program is built: nothing read at run time can make the updater trust another key.
QByteArrayView trustedUpdateKey();
