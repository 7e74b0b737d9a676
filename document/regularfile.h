#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reads files that come from outside (cards, the run counter) without trusting what the path
// names: only a regular file is read, it is opened without blocking (a FIFO would otherwise
// wait for a writer for ever), and never more than `limit` bytes are taken.
struct RegularFileRead {
    enum Status { Ok, Missing, NotRegular, TooLarge, Unreadable };
    Status status = Missing;
    QByteArray bytes;
    // The reason in the system's words, for a message; empty when Ok.
    QString error;

    bool ok() const { return status == Ok; }
};

// With `firstBytesOnly`, a larger file is not refused: its first `limit` bytes are returned.
RegularFileRead readRegularFile(const QString& path, qint64 limit, bool firstBytesOnly = false);

// The reason that `path` cannot be replaced by a regular file, or nothing when it is a regular
// file or does not exist yet. Never opens the path, so a FIFO or device cannot block it.
std::optional<QString> notRegularReason(const QString& path);
