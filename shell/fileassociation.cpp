#include "shell/fileassociation.h"

#include "document/wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
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

// One program that opens document types: its open command and icon.
struct Opener {
    QString command;
    QString icon;
    QStringList mimeTypes;
};

struct Association {
    QList<DocumentType> types;
    QMap<QString, Opener> openers; // by desktop entry file name
};

QString desktopFileName(const QString& progId)
{
    QString id = QStringLiteral("quillmark-");
    for (const QChar c : progId.toLower())
        id += (c.isLetterOrNumber() && c.unicode() < 128) ? c : QLatin1Char('-');
    return id + QStringLiteral(".desktop");
}

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
        Opener& opener = result.openers[desktopFileName(progId)];
        opener.command = command;
        opener.icon = stringValue(progId + QStringLiteral("\\DefaultIcon"));
        opener.mimeTypes.append(mimeType);
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
    // The registration associates documents; it does not add a menu item.
    text += QStringLiteral("NoDisplay=true\n"
                           "Terminal=false\n");
    return text.toUtf8();
}

// Sets one default-application line, keeping every other line of the list as it was.
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
    qsizetype insertAt = groupAt + 1;
    for (qsizetype i = groupAt + 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith('['))
            break;
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && line.left(equals).trimmed().compare(mimeType, Qt::CaseInsensitive) == 0) {
            if (lines[i] == entry)
                return text;
            lines[i] = entry;
            return lines.join('\n') + '\n';
        }
        insertAt = i + 1;
    }
    lines.insert(insertAt, entry);
    return lines.join('\n') + '\n';
}

// Returns true when the file now holds content that differs from before.
bool writeIfDifferent(const QString& path, const QByteArray& content)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return false;
    existing.close();
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
        if (info.exists()
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
    QProcess process;
    process.setProgram(program);
    process.setArguments({folder});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 id = 0;
    if (process.startDetached(&id)) {
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

    const QString mimeFolder = dataHome() + QStringLiteral("/mime");
    const QString package = mimeFolder + QStringLiteral("/packages/quillmark.xml");
    bool mimeChanged = writeIfDifferent(package, mimePackage(association.types));
    if (mimeChanged)
        result.written.append(package);

    const QString appFolder = dataHome() + QStringLiteral("/applications");
    QStringList entries;
    bool entriesChanged = false;
    for (auto opener = association.openers.cbegin(); opener != association.openers.cend();
         ++opener) {
        const QString path = appFolder + QLatin1Char('/') + opener.key();
        entries.append(path);
        if (writeIfDifferent(path, desktopEntry(opener.value()))) {
            entriesChanged = true;
            result.written.append(path);
        }
    }

    const QString mimeApps = appFolder + QStringLiteral("/mimeapps.list");
    QFile listFile(mimeApps);
    // A list we cannot read is left alone rather than replaced by our lines only.
    if (!listFile.exists() || listFile.open(QIODevice::ReadOnly)) {
        const QByteArray before = listFile.isOpen() ? listFile.readAll() : QByteArray();
        listFile.close();
        QByteArray after = before;
        for (auto opener = association.openers.cbegin(); opener != association.openers.cend();
             ++opener)
            for (const QString& mimeType : opener.value().mimeTypes)
                after = withDefaultApplication(after, mimeType.toUtf8(), opener.key().toUtf8());
        if (after != before && writeIfDifferent(mimeApps, after))
            result.written.append(mimeApps);
    }

    if (mimeChanged || cacheBehind(mimeFolder + QStringLiteral("/mime.cache"), {package}))
        startTool(QStringLiteral("update-mime-database"), mimeFolder, result);
    if (entriesChanged || cacheBehind(appFolder + QStringLiteral("/mimeinfo.cache"), entries))
        startTool(QStringLiteral("update-desktop-database"), appFolder, result);
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
