#include "update/privatedownload.h"

#include <QDir>
#include <QDirIterator>

#include <sodium.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The second name of the file, made inside the private folder and then moved into place: a
// name that nothing outside can have planted anything at.
constexpr char placedName[] = "placed";

// Removes the private folders that earlier updates left behind: the installer ran from its
// folder, so nothing could remove that folder then. Only folders of this user, holding plain
// files, are touched, and links inside are removed, never followed.
void removeLeftovers(const QString& parent)
{
    QDirIterator folders(parent, {QStringLiteral(".quillmark-update-??????")},
                         QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    while (folders.hasNext()) {
        const QByteArray folder = QFile::encodeName(folders.next());
        const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        if (dir < 0)
            continue;
        struct stat status = {};
        if (fstat(dir, &status) == 0 && status.st_uid == getuid()) {
            const QStringList names = QDir(QFile::decodeName(folder))
                                          .entryList(QDir::AllEntries | QDir::System | QDir::Hidden
                                                     | QDir::NoDotAndDotDot);
            for (const QString& entry : names)
                unlinkat(dir, QFile::encodeName(entry).constData(), 0);
        }
        ::close(dir);
        rmdir(folder.constData());
    }
}

} // namespace

PrivateDownload::PrivateDownload(const QString& parent, const QString& name)
    : m_name(name)
{
    removeLeftovers(parent);
    QByteArray folder = QFile::encodeName(parent + QStringLiteral("/.quillmark-update-XXXXXX"));
    // mkdtemp makes a new folder of mode 0700 under a name nobody could have planted anything at.
    if (!mkdtemp(folder.data())) {
        m_error = errno;
        return;
    }
    m_folder = QFile::decodeName(folder);
    m_fd = ::open(QFile::encodeName(filePath()).constData(),
                  O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    // Unbuffered, so that a failing write is seen at once, with the system's reason.
    m_file.open(m_fd, QIODevice::WriteOnly | QIODevice::Unbuffered);
}

PrivateDownload::~PrivateDownload()
{
    m_file.close();
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_keep || m_folder.isEmpty())
        return;
    const QByteArray folder = QFile::encodeName(m_folder);
    if (const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW); dir >= 0) {
        unlinkat(dir, QFile::encodeName(m_name).constData(), 0);
        unlinkat(dir, placedName, 0);
        ::close(dir);
    }
    rmdir(folder.constData());
}

QString PrivateDownload::filePath() const { return m_folder + QLatin1Char('/') + m_name; }

std::optional<PrivateDownload::Digest> PrivateDownload::digest()
{
    if (sodium_init() < 0) {
        m_error = ENOSYS;
        return std::nullopt;
    }
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    Digest result;
    unsigned char piece[64 * 1024];
    for (;;) {
        const ssize_t got = pread(m_fd, piece, sizeof piece, off_t(result.size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            m_error = errno;
            return std::nullopt;
        }
        if (got == 0)
            break;
        crypto_hash_sha256_update(&state, piece, quint64(got));
        result.size += got;
    }
    result.sha256.resize(crypto_hash_sha256_BYTES);
    crypto_hash_sha256_final(&state, reinterpret_cast<unsigned char*>(result.sha256.data()));
    return result;
}

bool PrivateDownload::placeAt(const QString& destination)
{
    const QByteArray placed = QFile::encodeName(m_folder + QLatin1Char('/') + placedName);
    errno = 0;
    // The mode is set on the file itself: whatever lay at the destination had no say in it.
    const bool done =
        fchmod(m_fd, 0755) == 0
        && link(QFile::encodeName(filePath()).constData(), placed.constData()) == 0
        && std::rename(placed.constData(), QFile::encodeName(destination).constData()) == 0;
    m_error = errno;
    if (!done)
        unlink(placed.constData());
    // A file still open for writing cannot be started.
    m_file.close();
    ::close(m_fd);
    m_fd = -1;
    return done;
}
