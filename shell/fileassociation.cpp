#include "shell/fileassociation.h"

#include "document/regularfile.h"
#include "document/wholefile.h"
#include "prompt/platform.h"
#include "shell/mimeapps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>
#include <QXmlStreamWriter>

#include <map>
#include <variant>

namespace fileassociation {
namespace {

// Registry keys and value names ignore case.
struct Caseless {
    bool operator()(const QString& a, const QString& b) const
    {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    }
};
using Value = std::variant<QString, std::uint32_t>;
using Key = std::map<QString, Value, Caseless>;
using Root = std::map<QString, Key, Caseless>;

Root& classesRoot()
{
    static Root root;
    return root;
}

QString normalKeyPath(QString path)
{
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (path.startsWith(QLatin1Char('\\')))
        path.remove(0, 1);
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

void setValue(std::uint32_t root, const QString& keyPath, const QString& valueName, Value data)
{
    if (root != HKEY_CLASSES_ROOT)
        return;
    classesRoot()[normalKeyPath(keyPath)][valueName] = std::move(data);
}

QString stringValue(const QString& keyPath, const QString& valueName = {})
{
    const auto key = classesRoot().find(keyPath);
    if (key == classesRoot().end())
        return {};
    const auto value = key->second.find(valueName);
    if (value == key->second.end())
        return {};
    const auto* text = std::get_if<QString>(&value->second);
    return text ? *text : QString();
}

// One document type as the desktop sees it, gathered from the recorded keys.
struct DocumentType {
    QString pattern;  // "*.qmark"
    QString mimeType; // the extension's content type
    QString comment;  // the type key's default value
};

// The program's own desktop entry: its open command, icon and the types it opens. It carries
// the installed entry's file name, so a default set while running from a build tree still
// names the program once it is installed.
struct Opener {
    QString command;
    QString icon;
    QStringList mimeTypes;
};

const QString desktopFileName = QStringLiteral("org.quillmark.Quillmark.desktop");

struct Association {
    QList<DocumentType> types;
    Opener program;
};

Association recordedAssociation()
{
    Association result;
    for (const auto& [path, key] : classesRoot()) {
        if (!path.startsWith(QLatin1Char('.')) || path.contains(QLatin1Char('\\')))
            continue;
        const QString progId = stringValue(path);
        const QString mimeType = stringValue(path, QStringLiteral("Content Type"));
        // Without a content type the desktop has nothing to name the type by.
        if (mimeType.isEmpty())
            continue;
        result.types.append({QLatin1Char('*') + path, mimeType, stringValue(progId)});
        const QString command = stringValue(progId + QStringLiteral("\\Shell\\Open\\command"));
        if (progId.isEmpty() || command.isEmpty())
            continue;
        // Every open command recorded here starts this program; the first one names it.
        if (result.program.command.isEmpty()) {
            result.program.command = command;
            result.program.icon = stringValue(progId + QStringLiteral("\\DefaultIcon"));
        }
        result.program.mimeTypes.append(mimeType);
    }
    return result;
}

QByteArray mimePackage(const QList<DocumentType>& types)
{
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(2);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("mime-info"));
    writer.writeDefaultNamespace(
        QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
    for (const DocumentType& type : types) {
        writer.writeStartElement(QStringLiteral("mime-type"));
        writer.writeAttribute(QStringLiteral("type"), type.mimeType);
        if (!type.comment.isEmpty())
            writer.writeTextElement(QStringLiteral("comment"), type.comment);
        writer.writeEmptyElement(QStringLiteral("glob"));
        writer.writeAttribute(QStringLiteral("pattern"), type.pattern);
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    return xml;
}

// Escapes of a desktop entry string value; they are undone before the Exec line is parsed.
QString desktopString(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        default: out += c;
        }
    }
    if (out.startsWith(QLatin1Char(' ')))
        out.replace(0, 1, QStringLiteral("\\s"));
    return out;
}

// One Exec argument, always quoted so that spaces and shell characters in the program's
// folder survive; '%' is doubled because field codes are expanded before the line is split.
QString execArgument(const QString& argument)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
        if (c == QLatin1Char('%'))
            out += c;
    }
    return out + QLatin1Char('"');
}

// The recorded open command is "program %1" with the program unquoted (it may hold spaces).
// %f hands over one local path per started program, which the program reads as its whole
// argument text; %U would give it a URL and %F several paths joined into one.
QString execLine(QString command)
{
    command = command.trimmed();
    const bool passesDocument = command.endsWith(QStringLiteral("%1"));
    if (passesDocument)
        command = command.chopped(2).trimmed();
    if (command.size() >= 2 && command.startsWith(QLatin1Char('"'))
        && command.endsWith(QLatin1Char('"')))
        command = command.mid(1, command.size() - 2);
    QString exec = execArgument(command);
    if (passesDocument)
        exec += QStringLiteral(" %f");
    return exec;
}

QByteArray desktopEntry(const Opener& opener)
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Quillmark\n");
    text += QStringLiteral("Exec=") + desktopString(execLine(opener.command)) + QLatin1Char('\n');
    if (!opener.icon.isEmpty())
        text += QStringLiteral("Icon=") + desktopString(opener.icon) + QLatin1Char('\n');
    text += QStringLiteral("MimeType=") + opener.mimeTypes.join(QLatin1Char(';'))
            + QStringLiteral(";\n");
    // This entry only associates documents with a program run from where it was built; the
    // installed entry is the one in the menu.
    text += QStringLiteral("NoDisplay=true\n"
                           "Terminal=false\n");
    return text.toUtf8();
}

// The files read here lie in the user's own folders and are small; a FIFO there would block the
// start for ever and a link to a device would never end, so only a regular file is read, and
// never more than this.
constexpr qint64 MaxFileSize = 1 << 20;

RegularFileRead readSmallFile(const QString& path) { return readRegularFile(path, MaxFileSize); }

// Returns true when the file now holds content that differs from before. What is not a small
// regular file at the name is not ours and is left alone.
bool writeIfDifferent(const QString& path, const QByteArray& content)
{
    const RegularFileRead existing = readSmallFile(path);
    if (existing.ok() && existing.bytes == content)
        return false;
    if (existing.status == RegularFileRead::NotRegular
        || existing.status == RegularFileRead::TooLarge)
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return writeWholeFile(path, content);
}

// A database tool that was missing or failed once leaves its cache behind our file; that is
// caught up on the next start.
bool cacheBehind(const QString& cache, const QStringList& sources)
{
    const QFileInfo cacheInfo(cache);
    for (const QString& source : sources) {
        const QFileInfo info(source);
        // A tool would wait on a FIFO in our file's place as long as we would.
        if (info.isFile()
            && (!cacheInfo.exists() || cacheInfo.lastModified() < info.lastModified()))
            return true;
    }
    return false;
}

// Detached, so a slow or stuck tool never holds up start-up.
void startTool(const QString& name, const QString& folder, PublishResult& result)
{
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        return;
    qint64 id = 0;
    if (Platform::instance().startDetached(program, {folder}, &id, true)) {
        result.toolsStarted.append(name);
        result.toolProcesses.append(id);
    }
}

} // namespace

void RegisterString(std::uint32_t root, const QString& keyPath, const QString& valueName,
                    const QString& data)
{
    setValue(root, keyPath, valueName, data);
}

void RegisterDword(std::uint32_t root, const QString& keyPath, const QString& valueName,
                   std::uint32_t data)
{
    setValue(root, keyPath, valueName, data);
}

QString dataHome()
{
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

PublishResult publish()
{
    PublishResult result;
    const Association association = recordedAssociation();
    if (association.types.isEmpty())
        return result;

    const QString appFolder = dataHome() + QStringLiteral("/applications");
    const QString entry = appFolder + QLatin1Char('/') + desktopFileName;
    const Opener& program = association.program;
    if (!program.command.isEmpty()
        && mimeapps::installedEntryCovers(desktopFileName, program.mimeTypes)) {
        // A hidden helper entry left from a run in a build tree would hide the installed one.
        if (readSmallFile(entry).bytes.contains("\nNoDisplay=true\n") && QFile::remove(entry)) {
            result.removed.append(entry);
            startTool(QStringLiteral("update-desktop-database"), appFolder, result);
        }
        return result;
    }

    const QString mimeFolder = dataHome() + QStringLiteral("/mime");
    const QString package = mimeFolder + QStringLiteral("/packages/quillmark.xml");
    const bool mimeChanged = writeIfDifferent(package, mimePackage(association.types));
    if (mimeChanged)
        result.written.append(package);
    if (mimeChanged || cacheBehind(mimeFolder + QStringLiteral("/mime.cache"), {package}))
        startTool(QStringLiteral("update-mime-database"), mimeFolder, result);
    if (program.command.isEmpty())
        return result;

    const bool entryChanged = writeIfDifferent(entry, desktopEntry(program));
    if (entryChanged)
        result.written.append(entry);
    if (entryChanged || cacheBehind(appFolder + QStringLiteral("/mimeinfo.cache"), {entry}))
        startTool(QStringLiteral("update-desktop-database"), appFolder, result);
    // A default naming an entry that could not be written would open nothing.
    if (!QFileInfo(entry).isFile())
        return result;

    // Our default goes only where the user has none; a choice of another program stays.
    const QString mimeApps = mimeapps::configHome() + QStringLiteral("/mimeapps.list");
    // A list we cannot read, or read whole, is left alone rather than replaced by our lines only.
    const RegularFileRead list = readSmallFile(mimeApps);
    if (list.ok() || list.status == RegularFileRead::Missing) {
        const QByteArray& before = list.bytes;
        QByteArray after = before;
        for (const QString& mimeType : program.mimeTypes)
            if (!mimeapps::defaultIsSet(mimeType))
                after = mimeapps::withDefaultApplication(after, mimeType.toUtf8(),
                                                         desktopFileName.toUtf8());
        if (after != before && writeIfDifferent(mimeApps, after))
            result.written.append(mimeApps);
    }
    return result;
}

PublishResult registerCardFileType(const QString& programFolder)
{
    QString folder = QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath());
    if (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    const auto root = HKEY_CLASSES_ROOT;
    RegisterString(root, QStringLiteral(".qmark"), QString(), QStringLiteral("Card"));
    RegisterString(root, QStringLiteral(".qmark"), QStringLiteral("Content Type"),
                   QStringLiteral("application/Card"));
    RegisterString(root, QStringLiteral("Card"), QString(), QStringLiteral("Card"));
    RegisterDword(root, QStringLiteral("Card"), QStringLiteral("EditFlags"),
                  QStringLiteral("0000").toUInt());
    RegisterString(root, QStringLiteral("Card\\DefaultIcon"), QString(),
                   folder + QStringLiteral("/ic.ico"));
    RegisterString(root, QStringLiteral("Card\\Shell"), QString(), QString());
    RegisterString(root, QStringLiteral("Card\\Shell\\Open"), QString(), QString());
    RegisterString(root, QStringLiteral("Card\\Shell\\Open\\command"), QString(),
                   folder + QStringLiteral("/qmark %1"));
    return publish();
}

} // namespace fileassociation
