#include "document/wholefile.h"

#include "document/filename.h"

#include <QDir>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

bool fail(QString* error, int code) { return fail(error, systemError(code)); }

// The file a name leads to, through any chain of symlinks, so that a link is kept and its
// target written. A loop stays a link, and the stat that follows reports it.
QByteArray followLinks(QByteArray path)
{
    for (int hop = 0; hop < 40; ++hop) {
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), buffer, sizeof buffer);
        if (length < 0 || size_t(length) >= sizeof buffer)
            return path;
        QByteArray target(buffer, length);
        if (!target.startsWith('/'))
            target.prepend(path.left(path.lastIndexOf('/') + 1));
        path = target;
    }
    return path;
}

int createTemporary(const QByteArray& prefix, QByteArray* name, mode_t mode)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        *name = prefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, const QByteArray& content)
{
    const char* data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(qMin<qsizetype>(left, 1 << 20)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

// A private copy of the new content where the user keeps files that may be lost: the cache
// folder survives a crash, the runtime folder at least this session.
int createKeptCopy(const QByteArray& target, QByteArray* name)
{
    const QByteArray stem = target.mid(target.lastIndexOf('/') + 1).left(200) + '.';
    QStringList folders;
    for (const auto location :
         {QStandardPaths::GenericCacheLocation, QStandardPaths::RuntimeLocation})
        if (const QString base = QStandardPaths::writableLocation(location); !base.isEmpty())
            folders << base + QStringLiteral("/quillmark");
    folders << QDir::tempPath();
    int fd = -1;
    for (const QString& folder : folders) {
        QDir().mkpath(folder);
        fd = createTemporary(encodeFileName(folder) + '/' + stem, name, 0600);
        if (fd >= 0)
            break;
    }
    return fd;
}

// Every hard link sees the new content, and a folder that takes no new files is no obstacle;
// the rewrite is not all-or-nothing, so a complete synced copy is made first.
bool rewriteInPlace(const QByteArray& target, const QByteArray& content, QString* error)
{
    QByteArray copy;
    const int copyFd = createKeptCopy(target, &copy);
    if (copyFd < 0)
        return fail(error,
                    QStringLiteral("No safe copy could be made first: %1").arg(systemError(errno)));
    bool ok = writeAll(copyFd, content) && ::fsync(copyFd) == 0;
    int reason = errno;
    ::close(copyFd);
    if (!ok) {
        ::unlink(copy.constData());
        return fail(
            error, QStringLiteral("No safe copy could be made first: %1").arg(systemError(reason)));
    }
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = errno;
        ::unlink(copy.constData()); // nothing was touched
        return fail(error, reason);
    }
    ok = writeAll(fd, content) && ::ftruncate(fd, off_t(content.size())) == 0 && ::fsync(fd) == 0;
    reason = errno;
    if (::close(fd) != 0 && ok)
        ok = false, reason = errno;
    if (ok) {
        ::unlink(copy.constData());
        return true;
    }
    return fail(error, QStringLiteral("%1. A complete copy is kept in \"%2\".")
                           .arg(systemError(reason), decodeFileName(copy)));
}

// `target` has no links left to follow.
bool replaceWhole(const QByteArray& target, const QByteArray& content, QString* error)
{
    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        return fail(error, errno);
    // A FIFO or device would block the write or be replaced by a plain file; neither is a save.
    if (exists && !S_ISREG(old.st_mode))
        return fail(error, S_ISDIR(old.st_mode) ? systemError(EISDIR)
                                                : QStringLiteral("Not a regular file"));
    if (exists && old.st_nlink > 1)
        return rewriteInPlace(target, content, error);

    QByteArray temporary;
    const int fd =
        createTemporary(target.left(target.lastIndexOf('/') + 1) + ".qmark-", &temporary, 0666);
    if (fd < 0) {
        const int reason = errno;
        if (exists && (reason == EACCES || reason == EPERM)
            && ::access(target.constData(), W_OK) == 0)
            return rewriteInPlace(target, content, error);
        return fail(error, reason);
    }
    if (exists) {
        // Before any content, so that a private card is never readable by others. Owner first:
        // a change of owner clears the set-id bits that the mode then restores.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0)
            (void)!::fchown(fd, uid_t(-1), old.st_gid);
        (void)::fchmod(fd, old.st_mode & 07777);
    }
    bool ok = writeAll(fd, content);
    int reason = errno;
    if (ok && ::fsync(fd) != 0)
        ok = false, reason = errno;
    if (::close(fd) != 0 && ok)
        ok = false, reason = errno;
    if (ok && ::rename(temporary.constData(), target.constData()) != 0)
        ok = false, reason = errno;
    if (!ok) {
        ::unlink(temporary.constData());
        return fail(error, reason);
    }
    return true;
}
} // namespace

bool writeWholeFile(const QString& path, const QByteArray& content, QString* error)
{
    if (path.isEmpty())
        return fail(error, ENOENT);
    return replaceWhole(followLinks(encodeFileName(path)), content, error);
}

bool writeOutput(const QString& path, const QByteArray& content, QString* error)
{
    if (path == QLatin1String("-"))
        return writeAll(STDOUT_FILENO, content) || fail(error, errno);
    if (path.isEmpty())
        return fail(error, ENOENT);
    const QByteArray target = followLinks(encodeFileName(path));
    struct stat info {};
    if (::stat(target.constData(), &info) == 0
        && (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))) {
        // A reader or a device takes the bytes as they come; a plain file put in its place
        // would hide them from both.
        const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return fail(error, errno);
        bool ok = writeAll(fd, content);
        int reason = errno;
        if (::close(fd) != 0 && ok)
            ok = false, reason = errno;
        return ok || fail(error, reason);
    }
    return replaceWhole(target, content, error);
}

bool isSameFile(const QString& a, const QString& b)
{
    const auto identify = [](const QString& name, struct stat* info) {
        return name == QLatin1String("-") ? ::fstat(STDOUT_FILENO, info) == 0
                                          : ::stat(encodeFileName(name).constData(), info) == 0;
    };
    struct stat first {
    }, second{};
    return identify(a, &first) && identify(b, &second) && first.st_dev == second.st_dev
           && first.st_ino == second.st_ino;
}
