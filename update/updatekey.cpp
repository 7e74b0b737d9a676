#include "update/updatekey.h"

#include <QByteArray>

// This file is compiled into each executable rather than into the core library, so that the
// test executables alone can be built to trust the test key under tests/update; the program
// itself always gets the release key.

QByteArrayView trustedUpdateKey()
{
#ifdef QUILLMARK_TEST_UPDATE_KEY
    static const QByteArray testKey = QByteArray::fromHex(QUILLMARK_TEST_UPDATE_KEY);
    return testKey;
#else
    // The release key pair was made with
    //   openssl genpkey -algorithm ed25519 -out quillmark-release-ed25519.pem
    // and these are the last 32 bytes of `openssl pkey -pubout -outform DER` of it. The private
    // key lives offline with the release maintainer, on the machine that signs releases, and
    // never in this repository; README.md says how a release is signed.
    static constexpr unsigned char releaseKey[32] = {
        0xbf, 0xbd, 0x47, 0xf3, 0x20, 0x81, 0x50, 0xa5, 0x94, 0x09, 0x64,
        0x0c, 0x76, 0xc3, 0x5a, 0x58, 0x53, 0x18, 0x0c, 0x13, 0x88, 0x80,
        0x3f, 0x68, 0x53, 0xe2, 0xaa, 0xe8, 0x77, 0x9d, 0xd0, 0xa8};
    return QByteArrayView(releaseKey, sizeof releaseKey);
#endif
}
