#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content all at once: until the new content is complete on disk, the old
// file stays as it was. Returns false, with the reason in `error`, when it cannot be written.
// `inPlaceFallback` lets a writable file in a folder we may not create files in be rewritten
// in place (without that guarantee).
bool writeWholeFile(const QString& path, const QByteArray& content, QString* error = nullptr,
                    bool inPlaceFallback = false);
