#include "shell/mimeapps.h"

#include "document/regularfile.h"

#include <QDir>

#include <algorithm>

namespace mimeapps {
namespace {

// Lists and entries are small; a huge or special file is not read whole.
constexpr qint64 MaxFileSize = 1 << 20;

QByteArray readSmallFile(const QString& path)
{
    return readRegularFile(path, MaxFileSize, true).bytes;
}

QString absoluteFolder(const char* variable, const QString& fallback)
{
    const QString configured = qEnvironmentVariable(variable);
    return !configured.isEmpty() && QDir::isAbsolutePath(configured) ? QDir::cleanPath(configured)
                                                                     : fallback;
}

QStringList absoluteFolders(const char* variable, const QStringList& fallback)
{
    QStringList folders;
    for (const QString& folder : qEnvironmentVariable(variable).split(QLatin1Char(':')))
        if (QDir::isAbsolutePath(folder))
            folders.append(QDir::cleanPath(folder));
    return folders.isEmpty() ? fallback : folders;
}

// The value of key in group, or a null array when the group does not hold the key.
QByteArray groupValue(const QByteArray& text, const QByteArray& group, const QByteArray& key)
{
    bool inGroup = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inGroup = line == '[' + group + ']';
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inGroup && equals > 0
            && line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1).trimmed();
    }
    return {};
}

QList<QByteArray> listValue(const QByteArray& value)
{
    QList<QByteArray> items;
    for (const QByteArray& item : value.split(';'))
        if (!item.trimmed().isEmpty())
            items.append(item.trimmed());
    return items;
}

} // namespace

QString configHome() { return absoluteFolder("XDG_CONFIG_HOME", QDir::homePath() + "/.config"); }

QStringList dataDirs()
{
    return absoluteFolders("XDG_DATA_DIRS", {"/usr/local/share", "/usr/share"});
}

QStringList defaultListFiles()
{
    QStringList desktops;
    for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(':'))
        if (!desktop.isEmpty())
            desktops.append(desktop.toLower() + "-mimeapps.list");
    desktops.append("mimeapps.list");

    QStringList folders{configHome()};
    folders += absoluteFolders("XDG_CONFIG_DIRS", {"/etc/xdg"});
    folders +=
        absoluteFolder("XDG_DATA_HOME", QDir::homePath() + "/.local/share") + "/applications";
    for (const QString& dataDir : dataDirs())
        folders += dataDir + "/applications";

    QStringList files;
    for (const QString& folder : folders)
        for (const QString& name : desktops)
            files.append(folder + '/' + name);
    return files;
}

bool defaultIsSet(const QString& mimeType)
{
    for (const QString& path : defaultListFiles())
        if (!listValue(groupValue(readSmallFile(path), "Default Applications", mimeType.toUtf8()))
                 .isEmpty())
            return true;
    return false;
}

QByteArray withDefaultApplication(const QByteArray& text, const QByteArray& mimeType,
                                  const QByteArray& desktopId)
{
    static const QByteArray group = "[Default Applications]";
    const QByteArray entry = mimeType + '=' + desktopId + ';';
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    qsizetype groupAt = -1;
    for (qsizetype i = 0; i < lines.size() && groupAt < 0; ++i)
        if (lines[i].trimmed() == group)
            groupAt = i;
    if (groupAt < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QByteArray());
        lines << group << entry;
        return lines.join('\n') + '\n';
    }
    // After the group's last entry, before any blank lines that separate it from the next; a
    // line for the type that names nothing is filled in rather than repeated.
    qsizetype insertAt = groupAt + 1;
    for (qsizetype i = groupAt + 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith('['))
            break;
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && line.left(equals).trimmed().compare(mimeType, Qt::CaseInsensitive) == 0) {
            lines[i] = entry;
            return lines.join('\n') + '\n';
        }
        insertAt = i + 1;
    }
    lines.insert(insertAt, entry);
    return lines.join('\n') + '\n';
}

bool installedEntryCovers(const QString& desktopFileName, const QStringList& mimeTypes)
{
    for (const QString& dataDir : dataDirs()) {
        const QByteArray entry = readSmallFile(dataDir + "/applications/" + desktopFileName);
        const QList<QByteArray> opens = listValue(groupValue(entry, "Desktop Entry", "MimeType"));
        const bool coversAll =
            std::all_of(mimeTypes.cbegin(), mimeTypes.cend(), [&](const QString& type) {
                return std::any_of(opens.cbegin(), opens.cend(), [&](const QByteArray& open) {
                    return open.compare(type.toUtf8(), Qt::CaseInsensitive) == 0;
                });
            });
        if (!opens.isEmpty() && coversAll)
            return true;
    }
    return false;
}

} // namespace mimeapps
