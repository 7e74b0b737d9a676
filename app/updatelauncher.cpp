#include "app/updatelauncher.h"

#include "document/regularfile.h"
#include "prompt/platform.h"
#include "update/updatemodule.h"

#include <QCryptographicHash>
#include <QString>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {
// Far above the module's size; what is read here is held in memory once.
constexpr qint64 MaxModuleBytes = 256 << 20;

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

// A private, sealed copy of the module's bytes: what was checked is what is mapped, whatever
// then happens to the file beside the program (a copy over it, a truncation).
int privateCopy(const QByteArray& bytes, QString* why)
{
    const int fd = ::memfd_create("quillmark-updater", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) {
        *why = systemError(errno);
        return -1;
    }
    if (!writeAll(fd, bytes)) {
        *why = systemError(errno);
        ::close(fd);
        return -1;
    }
    (void)::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return fd;
}

using Entry = decltype(&quillmarkOpenUpdateWindow);

// The module's entry point, or nothing with the reason in `why`.
Entry loadModule(const QString& modulePath, const std::optional<UpdateModuleIdentity>& expected,
                 QString* why)
{
    const qint64 limit = expected ? expected->size : MaxModuleBytes;
    const RegularFileRead read = readRegularFile(modulePath, limit);
    if (!read.ok() && read.status != RegularFileRead::TooLarge) {
        *why = QStringLiteral("%1: %2").arg(modulePath, read.error);
        return nullptr;
    }
    if (expected) {
        const QByteArray sha256 =
            QCryptographicHash::hash(read.bytes, QCryptographicHash::Sha256).toHex();
        if (!read.ok() || read.bytes.size() != expected->size || sha256 != expected->sha256) {
            *why = QStringLiteral("%1 is not the module this program was built with (it may "
                                  "have been cut short or replaced). Install Quillmark again.")
                       .arg(modulePath);
            return nullptr;
        }
    } else if (!read.ok()) {
        *why = QStringLiteral("%1: %2").arg(modulePath, read.error);
        return nullptr;
    }
    const int fd = privateCopy(read.bytes, why);
    if (fd < 0) {
        *why = QStringLiteral("%1: %2").arg(modulePath, *why);
        return nullptr;
    }
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    // Once loaded, the module stays: its windows, its accessibility factory and its static
    // objects live in its code until the program ends.
    void* handle = ::dlopen(self.constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        *why = QString::fromLocal8Bit(::dlerror()).replace(QString::fromLatin1(self), modulePath);
        ::close(fd);
        return nullptr;
    }
    const auto entry = reinterpret_cast<Entry>(::dlsym(handle, UpdateModuleEntry));
    if (!entry) {
        *why = QStringLiteral("%1 has no entry point %2.").arg(modulePath, UpdateModuleEntry);
        ::dlclose(handle);
    }
    // Left open, as the loaded copy stays: no later copy may be given this name, which the
    // loader would take for the one already loaded.
    return entry;
}
} // namespace

QString updateModulePath(const QString& programFolder)
{
    return programFolder + QStringLiteral("/" QUILLMARK_UPDATE_MODULE);
}

QWidget* openUpdateWindowFrom(const QString& modulePath,
                              const std::optional<UpdateModuleIdentity>& expected, QWidget* owner,
                              const QString& programFolder, const QString& server)
{
    QString why;
    const Entry entry = loadModule(modulePath, expected, &why);
    if (!entry) {
        Platform::instance().messageBox(
            owner, QStringLiteral("The updater could not be loaded: %1").arg(why),
            QStringLiteral("Update"), QMessageBox::Ok, QMessageBox::Warning);
        return nullptr;
    }
    return entry(owner, &Platform::instance(), programFolder, server);
}
