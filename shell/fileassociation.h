#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Registration of the card file type with the desktop.
//
// The registration is written as classes-root registry entries (extension key, type key with
// its icon and open command). On this desktop there is no registry, so the entries are kept in
// memory and publish() turns them into their freedesktop equivalents: a shared-mime-info
// package and a desktop entry whose Exec passes the document path, under the user's data home,
// and the default application in the user's mimeapps.list where no default is set. An
// installed copy of the program brings its own; then nothing is written. Nothing here reports
// a failure or waits on anything.
namespace fileassociation {

inline constexpr std::uint32_t HKEY_CLASSES_ROOT = 0x80000000u;

// Record one value of a key under the root; an empty value name is the key's default value.
// Keys and value names ignore case. Roots other than the classes root have no store here, so
// writes to them have no effect, as a refused registry write would.
void RegisterString(std::uint32_t root, const QString& keyPath, const QString& valueName,
                    const QString& data);
void RegisterDword(std::uint32_t root, const QString& keyPath, const QString& valueName,
                   std::uint32_t data);

// What one publish changed; the caller may ignore it.
struct PublishResult {
    QStringList written;         // files whose content was replaced
    QStringList removed;         // helper entries that an installed one replaces
    QStringList toolsStarted;    // database refresh tools started (detached)
    QList<qint64> toolProcesses; // their process ids
};

// The freedesktop data home: $XDG_DATA_HOME when absolute, else ~/.local/share.
QString dataHome();

// Writes the recorded file types under dataHome(), unless an installed desktop entry of the
// program already opens them. A file is replaced only when its content differs; the mime and
// desktop databases are refreshed, without waiting, only after a change (or when their cache
// is older than our file) and only where the tool is installed. Unwritable folders are skipped.
PublishResult publish();

// The start-up registration: the eight entries of the card type for the program in
// programFolder (its executable "qmark" and icon "ic.ico"), then publish().
PublishResult registerCardFileType(const QString& programFolder);

} // namespace fileassociation
