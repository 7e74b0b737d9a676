#pragma once

#include "render/picturedecoder.h"

#include <QHash>
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// Decoded pictures, shared by every use of the same file on a card: a card may hold a
// thousand uses of one photo. A file is known by what it is (device, inode, size and
// modification time), not by how its path is spelled, so each file is decoded once and
// every use draws the same QImage (a PDF then holds it once). A file that changes is decoded
// again.
//
// The decoded images of one card share a budget, checked before decoding; a picture beyond
// it, or one that cannot be read, is left out and the caller shows the template icon. Each
// refusal for the budget or for the picture's size yields one message naming the file.
class PictureStore {
public:
    // The largest picture decoded: 64 million pixels (a 256 MB image) is beyond any camera a
    // card is made from, and refuses the small files that unpack into gigabytes.
    static constexpr qint64 MaxPicturePixels = picturedecoder::MaxPixels;
    static constexpr qint64 MaxPictureBytes = picturedecoder::MaxDecodedBytes;
    static constexpr qint64 DefaultBudgetBytes = qint64(512) << 20;

    explicit PictureStore(qint64 budgetBytes = DefaultBudgetBytes);

    // The store drawing uses when given none.
    static PictureStore& shared();

    // The decoded picture of a file, or a null image when it is not a regular file, cannot
    // be read as a picture, is larger than the limits, or would exceed the budget.
    QImage picture(const QString& path);

    // A card is drawn: what its pictures hold is counted afresh, and pictures it no longer
    // uses may make room for others.
    void beginCard();

    // Lets go of every picture, as a new process starts.
    void clear();

    // The messages for pictures refused since the last call, one per file.
    QStringList takeMessages();
    bool hasMessages() const { return !m_messages.isEmpty(); }

    // How many times a file was decoded, for measurements.
    int decodes() const { return m_decodes; }
    qint64 heldBytes() const { return m_heldBytes; }

    // The template picture shown where no picture can be.
    static const QImage& templateIcon();

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const Identity&) const = default;
    };
    friend size_t qHash(const Identity& id, size_t seed)
    {
        return qHashMulti(seed, quint64(id.device), quint64(id.inode), id.size, id.modifiedNs);
    }
    struct Entry {
        QImage image;
        qint64 bytes = 0;
        quint64 card = 0; // the card drawing that used it last
    };

    bool makeRoom(qint64 bytes);
    void overBudget(const Identity& id, const QString& path);

    qint64 m_budget;
    qint64 m_heldBytes = 0;
    quint64 m_card = 0;
    int m_decodes = 0;
    QHash<Identity, Entry> m_entries;
    // Files that cannot be shown (unreadable, too large), not tried again.
    QSet<Identity> m_refused;
    // Files refused for the budget, already told.
    QSet<Identity> m_overBudget;
    QStringList m_messages;
};
