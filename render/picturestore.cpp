#include "render/picturestore.h"

#include "platform/resources.h"
#include "render/picturedecoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
qint64 modifiedNs(const struct stat& st)
{
    return qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

// What a decoded picture of a size takes: 4 bytes a pixel, the widest format the readers
// hand back for cards.
qint64 decodedBytes(QSize size) { return qint64(size.width()) * size.height() * 4; }
} // namespace

PictureStore::PictureStore(qint64 budgetBytes)
    : m_budget(budgetBytes)
{
}

PictureStore& PictureStore::shared()
{
    static PictureStore store;
    return store;
}

const QImage& PictureStore::templateIcon()
{
    static const QImage icon = [] {
        initResources();
        QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QSvgRenderer(QStringLiteral(":/picture-template.svg")).render(&painter);
        return image;
    }();
    return icon;
}

void PictureStore::beginCard() { ++m_card; }

void PictureStore::clear()
{
    m_entries.clear();
    m_refused.clear();
    m_overBudget.clear();
    m_messages.clear();
    m_heldBytes = 0;
}

QStringList PictureStore::takeMessages() { return std::exchange(m_messages, {}); }

bool PictureStore::makeRoom(qint64 bytes)
{
    if (m_heldBytes + bytes <= m_budget)
        return true;
    // Pictures the card being drawn has not used yet may go; those it uses stay.
    for (auto it = m_entries.begin(); it != m_entries.end() && m_heldBytes + bytes > m_budget;) {
        if (it->card != m_card) {
            m_heldBytes -= it->bytes;
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
    return m_heldBytes + bytes <= m_budget;
}

void PictureStore::overBudget(const Identity& id, const QString& path)
{
    // Tried again at the next drawing, as room may have been made; told once.
    if (m_overBudget.contains(id))
        return;
    m_overBudget.insert(id);
    m_messages << QStringLiteral("The picture \"%1\" is not shown: the card's pictures would "
                                 "take more than %2 MB of memory.")
                      .arg(QDir::toNativeSeparators(path))
                      .arg(m_budget >> 20);
}

QImage PictureStore::picture(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    // stat opens nothing, so a FIFO or a device is never waited on.
    if (::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    const Identity id{st.st_dev, st.st_ino, qint64(st.st_size), modifiedNs(st)};
    if (const auto found = m_entries.find(id); found != m_entries.end()) {
        found->card = m_card;
        return found->image;
    }
    if (m_refused.contains(id))
        return {};

    // Opened without waiting, and checked again: the name may have been swapped meanwhile.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    QFile file;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    const Identity openedId{opened.st_dev, opened.st_ino, qint64(opened.st_size),
                            modifiedNs(opened)};
    bool overBudgetNow = false;
    const picturedecoder::Decoded decoded = picturedecoder::decode(
        file, QFileInfo(path).suffix().toLatin1(), qint64(opened.st_size), [&](QSize size) {
            overBudgetNow = !makeRoom(size.isValid() ? decodedBytes(size) : 0);
            if (!overBudgetNow)
                ++m_decodes;
            return !overBudgetNow;
        });
    if (overBudgetNow) {
        overBudget(openedId, path);
        return {};
    }
    const QImage image = decoded.image;
    if (image.isNull()) {
        // Not tried again; a picture refused for its size is told once.
        m_refused.insert(openedId);
        if (!decoded.refusal.isEmpty())
            m_messages << QStringLiteral("The picture \"%1\" is not shown: %2.")
                              .arg(QDir::toNativeSeparators(path), decoded.refusal);
        return {};
    }
    const qint64 held = image.sizeInBytes();
    if (!makeRoom(held)) {
        overBudget(openedId, path);
        return {};
    }
    m_heldBytes += held;
    m_entries.insert(openedId, Entry{image, held, m_card});
    return image;
}
