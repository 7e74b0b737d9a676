#include "document/wholefile.h"

#include "document/filename.h"

#include <QDir>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
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

QByteArray randomPart() { return QByteArray::number(QRandomGenerator::global()->generate64(), 36); }

int createTemporary(const QByteArray& prefix, QByteArray* name, mode_t mode,
                    const QByteArray& suffix = {})
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        *name = prefix + randomPart() + suffix;
        // Created, never opened: a link planted at the name is not followed.
        const int fd =
            ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, const QByteArray& content, off_t offset = -1)
{
    const char* data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const size_t chunk = size_t(qMin<qsizetype>(left, 1 << 20));
        const ssize_t n = offset < 0 ? ::write(fd, data, chunk) : ::pwrite(fd, data, chunk, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        left -= n;
        if (offset >= 0)
            offset += n;
    }
    return true;
}

// Closes, and tells whether everything written reached the file; `reason` holds why not.
bool closeWritten(int fd, bool ok, int* reason)
{
    if (::close(fd) != 0 && ok)
        ok = false, *reason = errno;
    return ok;
}

// The folders that may hold the complete copies made before a rewrite in place: the cache
// folder survives a crash, the runtime folder at least this session.
QStringList keptCopyFolders()
{
    QStringList folders;
    for (const auto location :
         {QStandardPaths::GenericCacheLocation, QStandardPaths::RuntimeLocation})
        if (const QString base = QStandardPaths::writableLocation(location); !base.isEmpty())
            folders << base + QStringLiteral("/quillmark");
    folders << QDir::tempPath();
    return folders;
}

// A copy is named after the file it stands for, its device and inode included, so that a
// later save of that very file can find and remove it: "card.copy-2049-1311-RANDOM.qmark".
struct KeptCopyName {
    QByteArray prefix, suffix;
};

KeptCopyName keptCopyName(const QByteArray& target, const struct stat& identity)
{
    QByteArray name = target.mid(target.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    QByteArray suffix;
    if (dot > 0 && name.size() - dot <= 16) {
        suffix = name.mid(dot);
        name.truncate(dot);
    }
    return {name.left(180) + ".copy-" + QByteArray::number(quint64(identity.st_dev)) + '-'
                + QByteArray::number(quint64(identity.st_ino)) + '-',
            suffix};
}

int createKeptCopy(const KeptCopyName& stem, QByteArray* name)
{
    int fd = -1;
    for (const QString& folder : keptCopyFolders()) {
        QDir().mkpath(folder);
        fd = createTemporary(encodeFileName(folder) + '/' + stem.prefix, name, 0600, stem.suffix);
        if (fd >= 0)
            break;
    }
    return fd;
}

// Copies left by earlier saves of the file that failed or were interrupted: the save that has
// just succeeded supersedes them.
void removeKeptCopies(const KeptCopyName& stem)
{
    for (const QString& folder : keptCopyFolders()) {
        const QByteArray path = encodeFileName(folder);
        DIR* listing = ::opendir(path.constData());
        if (!listing)
            continue;
        while (const dirent* entry = ::readdir(listing)) {
            const QByteArray name(entry->d_name);
            if (name.startsWith(stem.prefix) && name.endsWith(stem.suffix))
                ::unlink((path + '/' + name).constData());
        }
        ::closedir(listing);
    }
}

// Room for `size` bytes, taken before a byte of the old content is touched. The file keeps its
// size; where the file system cannot reserve without growing the file, `grown` tells.
int reserve(int fd, off_t size, off_t oldSize, bool* grown)
{
    *grown = false;
    if (size <= 0)
        return 0;
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) == 0)
        return 0;
    if (errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    const int result = ::posix_fallocate(fd, 0, size);
    *grown = result == 0 && size > oldSize;
    return result;
}

// Every hard link sees the new content, and a folder that takes no new files is no obstacle.
// The rewrite is not all-or-nothing, so a complete synced copy is made first, the new size is
// reserved before anything is written, and a write that fails still puts the old bytes back.
bool rewriteInPlace(const QByteArray& target, const QByteArray& content, QString* error)
{
    struct stat identity {};
    if (::stat(target.constData(), &identity) != 0)
        return fail(error, errno);
    const KeptCopyName stem = keptCopyName(target, identity);
    QByteArray copy;
    const int copyFd = createKeptCopy(stem, &copy);
    if (copyFd < 0)
        return fail(error,
                    QStringLiteral("No safe copy could be made first: %1").arg(systemError(errno)));
    bool ok = writeAll(copyFd, content) && ::fsync(copyFd) == 0;
    int reason = errno;
    if (!closeWritten(copyFd, ok, &reason)) {
        ::unlink(copy.constData());
        return fail(
            error, QStringLiteral("No safe copy could be made first: %1").arg(systemError(reason)));
    }
    // Read as well, to put the old bytes back if a write fails; a file we may only write is
    // still rewritten, and the reservation then guards it alone.
    int fd = ::open(target.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = errno;
        ::unlink(copy.constData()); // nothing was touched
        return fail(error, reason);
    }
    const auto keptCopy = [&](int code) {
        return fail(error, QStringLiteral("%1. A complete copy is kept in \"%2\".")
                               .arg(systemError(code), decodeFileName(copy)));
    };
    struct stat old {};
    if (::fstat(fd, &old) != 0) {
        reason = errno;
        ::close(fd);
        return keptCopy(reason);
    }
    QByteArray oldBytes;
    if (old.st_size <= MaxRestoredBytes) {
        oldBytes.resize(qsizetype(old.st_size));
        if (::pread(fd, oldBytes.data(), size_t(old.st_size), 0) != old.st_size)
            oldBytes.clear();
    }
    const bool restorable = oldBytes.size() == old.st_size;
    bool grown = false;
    if (const int code = reserve(fd, off_t(content.size()), old.st_size, &grown); code != 0) {
        ::close(fd);
        return keptCopy(code);
    }
    ok = writeAll(fd, content, 0)
         && (content.size() >= old.st_size || ::ftruncate(fd, off_t(content.size())) == 0)
         && ::fsync(fd) == 0;
    reason = errno;
    if (!ok && (restorable || grown)) {
        // The room is reserved, so the old bytes fit again where they were.
        if (restorable)
            (void)writeAll(fd, oldBytes, 0);
        (void)!::ftruncate(fd, old.st_size);
        (void)::fsync(fd);
    }
    if (!closeWritten(fd, ok, &reason))
        return keptCopy(reason);
    ::unlink(copy.constData());
    removeKeptCopies(stem);
    return true;
}

// A file without a name in `folder`: however the program ends, nothing is left behind until
// it is given one. -1 where the file system has no such files.
int createUnnamed(const QByteArray& folder, mode_t mode, int access = O_WRONLY)
{
#ifdef O_TMPFILE
    return ::open(folder.isEmpty() ? "." : folder.constData(), O_TMPFILE | access | O_CLOEXEC,
                  mode);
#else
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Gives an unnamed file a fresh name beginning with `prefix`.
bool nameUnnamed(int fd, const QByteArray& prefix, QByteArray* name)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0; attempt < 16; ++attempt) {
        *name = prefix + randomPart();
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name->constData(), AT_SYMLINK_FOLLOW)
            == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
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

    const QByteArray folder = target.left(target.lastIndexOf('/') + 1);
    const QByteArray prefix = folder + ".qmark-";
    QByteArray temporary;
    // Unnamed until it is complete, so that an interrupted save leaves nothing behind.
    int fd = ::access("/proc/self/fd", X_OK) == 0 ? createUnnamed(folder, 0666) : -1;
    const bool unnamed = fd >= 0;
    if (!unnamed)
        fd = createTemporary(prefix, &temporary, 0666);
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
    bool ok = writeAll(fd, content) && ::fsync(fd) == 0;
    int reason = errno;
    if (ok && unnamed && !nameUnnamed(fd, prefix, &temporary))
        ok = false, reason = errno;
    ok = closeWritten(fd, ok, &reason);
    if (ok && ::rename(temporary.constData(), target.constData()) != 0)
        ok = false, reason = errno;
    if (!ok) {
        if (!temporary.isEmpty())
            ::unlink(temporary.constData());
        return fail(error, reason);
    }
    if (exists)
        removeKeptCopies(keptCopyName(target, old));
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

QString writeNewFile(const QString& folder, const QString& prefix, const QString& suffix,
                     const QByteArray& content, QString* error)
{
    QByteArray name;
    const int fd = createTemporary(encodeFileName(folder) + '/' + encodeFileName(prefix), &name,
                                   0644, encodeFileName(suffix));
    if (fd < 0) {
        fail(error, errno);
        return {};
    }
    const bool written = writeAll(fd, content);
    int reason = errno;
    if (!closeWritten(fd, written, &reason)) {
        ::unlink(name.constData());
        fail(error, reason);
        return {};
    }
    return decodeFileName(name);
}

int openScratchFile(QString* path, QString* error)
{
    const QByteArray self = "/proc/self/fd/";
    if (::access(self.constData(), X_OK) != 0) {
        fail(error, errno);
        return -1;
    }
    const QByteArray folder = encodeFileName(QDir::tempPath());
    int fd = createUnnamed(folder, 0600, O_RDWR);
    if (fd < 0) {
        // Named for a moment only.
        QByteArray name = folder + "/Quillmark.XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(name.constData());
    }
    if (fd < 0) {
        fail(error, errno);
        return -1;
    }
    *path = QString::fromLatin1(self + QByteArray::number(fd));
    return fd;
}
