#include "document/regularfile.h"

#include "document/filename.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

QString notRegularText() { return QStringLiteral("Not a regular file"); }
} // namespace

RegularFileRead readRegularFile(const QString& path, qint64 limit, bool firstBytesOnly)
{
    RegularFileRead result;
    if (path.isEmpty()) {
        result.error = systemError(ENOENT);
        return result;
    }
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.status = errno == ENOENT || errno == ENOTDIR ? RegularFileRead::Missing
                                                            : RegularFileRead::Unreadable;
        result.error = systemError(errno);
        return result;
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result.status = RegularFileRead::NotRegular;
        result.error = S_ISDIR(info.st_mode) ? systemError(EISDIR) : notRegularText();
        return result;
    }
    if (info.st_size > limit && !firstBytesOnly) {
        result.status = RegularFileRead::TooLarge;
        result.error = QStringLiteral("The file is larger than %1 MB").arg(limit >> 20);
        return result;
    }
    // The size may have changed since fstat: one byte past the limit tells a file that grew.
    const qint64 want = firstBytesOnly ? limit : limit + 1;
    result.bytes = file.read(want);
    if (file.error() != QFileDevice::NoError) {
        result.status = RegularFileRead::Unreadable;
        result.error = file.errorString();
        result.bytes.clear();
        return result;
    }
    if (result.bytes.size() > limit) {
        result.status = RegularFileRead::TooLarge;
        result.error = QStringLiteral("The file is larger than %1 MB").arg(limit >> 20);
        result.bytes.clear();
        return result;
    }
    result.status = RegularFileRead::Ok;
    return result;
}

std::optional<QString> notRegularReason(const QString& path)
{
    struct stat info {};
    if (::stat(encodeFileName(path).constData(), &info) != 0 || S_ISREG(info.st_mode))
        return std::nullopt;
    return S_ISDIR(info.st_mode) ? systemError(EISDIR) : notRegularText();
}
