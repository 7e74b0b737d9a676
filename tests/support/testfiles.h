#pragma once

#include <QByteArray>
#include <QString>

// The whole content of a file; "<missing>" when it cannot be read, so that a comparison with
// any expected content fails loudly.
QByteArray readFileBytes(const QString& path);
// Writes a file whole; a failure fails the running test.
void writeFileBytes(const QString& path, const QByteArray& content);
