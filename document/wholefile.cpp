#include "document/wholefile.h"

#include "document/filename.h"
#include "document/regularfile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// The same all-or-nothing write for a name that Qt's classes cannot spell (bytes that are not
// UTF-8): a new file beside the target, written, synced and then renamed over it.
bool writeByName(const QByteArray& target, const QByteArray& content, QString* error)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary =
            folder + ".qmark-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        if (error)
            *error = systemError(errno);
        return false;
    }
    QFile file;
    file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    bool written = file.write(content) == content.size() && file.flush();
    QString reason = written ? QString() : file.errorString();
    file.close();
    if (written && ::fsync(fd) != 0)
        written = false, reason = systemError(errno);
    if (::close(fd) != 0 && written)
        written = false, reason = systemError(errno);
    if (written && ::rename(temporary.constData(), target.constData()) != 0)
        written = false, reason = systemError(errno);
    if (!written) {
        ::unlink(temporary.constData());
        if (error)
            *error = reason;
    }
    return written;
}
} // namespace

bool writeWholeFile(const QString& path, const QByteArray& content, QString* error,
                    bool inPlaceFallback)
{
    // A FIFO or device would block the write or be replaced by a plain file; neither is a save.
    if (const auto reason = notRegularReason(path)) {
        if (error)
            *error = *reason;
        return false;
    }
    if (needsByteAccess(path))
        return writeByName(encodeFileName(path), content, error);

    QSaveFile file(path);
    file.setDirectWriteFallback(inPlaceFallback);
    // Small writes stay in the buffer: a full disk shows only at the flush, which commit()
    // does not check on every Qt version, so it is checked here before the rename.
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush()
        && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}
