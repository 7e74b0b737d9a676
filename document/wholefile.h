#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content all at once: until the new content is complete on disk, the old
// file stays as it was. Returns false, with the reason in `error`, when it cannot be written.
//
// What the user had is kept: a symlink is followed (the link stays, its target gets the new
// content); the new file takes the old one's mode and, where permitted, its owner and group.
// A file with more than one hard link, or a writable file in a folder that takes no new files,
// is rewritten in place so that every name sees the new content, after a complete synced copy
// has been put in the user's cache folder; if the rewrite fails, `error` names that copy.
// Names are bytes: any name decodeFileName made is reached exactly.
bool writeWholeFile(const QString& path, const QByteArray& content, QString* error = nullptr);

// Writes an exported file. "-" is standard output; a FIFO or character device is written to
// as a stream; a regular file, or a name that does not exist yet, is replaced whole as by
// writeWholeFile, through any symlink. Anything else is refused.
bool writeOutput(const QString& path, const QByteArray& content, QString* error = nullptr);

// True when both names lead to one existing file (device and inode, after links); "-" stands
// for standard output.
bool isSameFile(const QString& a, const QString& b);
