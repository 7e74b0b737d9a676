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
// has been put in the user's cache folder: the new size is reserved first, and a rewrite that
// fails keeps the old bytes and names that copy in `error`. A later save of the same file that
// succeeds removes the copies its earlier saves left.
// Names are bytes: any name decodeFileName made is reached exactly.
bool writeWholeFile(const QString& path, const QByteArray& content, QString* error = nullptr);

// Writes an exported file. "-" is standard output; a FIFO or character device is written to
// as a stream; a regular file, or a name that does not exist yet, is replaced whole as by
// writeWholeFile, through any symlink. Anything else is refused.
bool writeOutput(const QString& path, const QByteArray& content, QString* error = nullptr);

// True when both names lead to one existing file (device and inode, after links); "-" stands
// for standard output.
bool isSameFile(const QString& a, const QString& b);

// An old file of at most this size is put back as it was when a rewrite in place fails after
// its room was reserved (an I/O error); a larger one relies on the reservation alone.
inline constexpr qint64 MaxRestoredBytes = 64 << 20;

// Writes `content` to a new file in `folder` named prefix, a random part, then suffix. The file
// is created, never opened: nothing already at the name, a planted link least of all, is
// written, and the random part cannot be guessed ahead. A write that fails removes the file.
// Returns its path, or an empty string with the reason in `error`.
QString writeNewFile(const QString& folder, const QString& prefix, const QString& suffix,
                     const QByteArray& content, QString* error = nullptr);

// A private scratch file in the temporary folder that has no name, so that nothing is left
// behind however the program ends. Returns its descriptor, open for reading and writing, and in
// `path` a name that reaches it from this process only; -1, with the reason, on failure.
int openScratchFile(QString* path, QString* error = nullptr);
