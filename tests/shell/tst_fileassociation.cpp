#include "scriptedplatform.h"
#include "shell/fileassociation.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "testfiles.h"

#include <QThread>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

using namespace fileassociation;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
};

ToolRun runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(20000))
        return {};
    return {process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())
                .trimmed()};
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString desktopKey(const QString& path, const QString& key)
{
    for (const QByteArray& line : readAll(path).split('\n'))
        if (line.startsWith(key.toUtf8() + '='))
            return QString::fromUtf8(line.mid(key.size() + 1));
    return {};
}

QMap<QString, QDateTime> modificationTimes(const QString& folder)
{
    QMap<QString, QDateTime> times;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        times.insert(it.filePath(), it.fileInfo().lastModified());
    }
    return times;
}

// A finished detached tool may linger as a zombie when nothing reaps orphans.
bool running(qint64 id)
{
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(id));
    const qsizetype state = stat.lastIndexOf(')') + 2;
    return state > 1 && state < stat.size() && stat.at(state) != 'Z';
}

bool haveTool(const char* name) { return !QStandardPaths::findExecutable(name).isEmpty(); }

} // namespace

class TestFileAssociation : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_home;

    QString package() const { return m_home + "/mime/packages/quillmark.xml"; }
    QString entry() const { return m_home + "/applications/org.quillmark.Quillmark.desktop"; }
    QString mimeApps() const { return m_dir->filePath("config/mimeapps.list"); }

    QString programFolder(const QString& name)
    {
        const QString folder = m_dir->filePath(name);
        QDir().mkpath(folder);
        return folder;
    }

    QList<qint64> m_tools;

    PublishResult registerAt(const QString& folder)
    {
        const PublishResult result = registerCardFileType(folder);
        m_tools += result.toolProcesses;
        return result;
    }

    // The database tools run detached; later checks need their work done.
    void waitForTools()
    {
        for (const qint64 id : std::exchange(m_tools, {}))
            QTRY_VERIFY_WITH_TIMEOUT(!running(id), 10000);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_home = m_dir->filePath("data");
        qputenv("XDG_DATA_HOME", m_home.toUtf8());
        qputenv("XDG_CONFIG_HOME", m_dir->filePath("config").toUtf8());
        // No system-wide defaults or installed copy of the program unless a test makes them.
        qputenv("XDG_CONFIG_DIRS", m_dir->filePath("etc").toUtf8());
        qputenv("XDG_DATA_DIRS", m_dir->filePath("system").toUtf8());
        // Under this desktop xdg-mime asks GLib, which reads the freedesktop mime database;
        // the generic fallback only sniffs content.
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    }

    void cleanup() { waitForTools(); }

    void desktopKnowsCardFilesAfterStart()
    {
        // The tools start through the platform, which runs them for real here.
        ScriptedPlatform platform;
        const QString folder = programFolder("Quill Mark");
        const PublishResult result = registerAt(folder);
        QCOMPARE(result.written.size(), 3);

        const QByteArray xml = readAll(package());
        QVERIFY(xml.contains("<mime-type type=\"application/Card\">"));
        QVERIFY(xml.contains("<comment>Card</comment>"));
        QVERIFY(xml.contains("<glob pattern=\"*.qmark\"/>"));
        QCOMPARE(desktopKey(entry(), "Exec"), '"' + folder + "/qmark\" %f");
        QCOMPARE(desktopKey(entry(), "Icon"), folder + "/ic.ico");
        QCOMPARE(desktopKey(entry(), "MimeType"), QString("application/Card;"));
        QCOMPARE(
            readAll(mimeApps()),
            QByteArray(
                "[Default Applications]\napplication/Card=org.quillmark.Quillmark.desktop;\n"));

        if (!haveTool("update-mime-database") || !haveTool("desktop-file-validate")
            || !haveTool("xdg-mime") || !haveTool("gio"))
            QSKIP("shared-mime-info, desktop-file-utils, xdg-utils or GLib's gio is missing");
        QVERIFY(result.toolsStarted.contains("update-mime-database"));
        QCOMPARE(platform.helpers.size(), result.toolsStarted.size());
        QVERIFY(platform.processes.isEmpty());
        waitForTools();

        const ToolRun valid = runTool("desktop-file-validate", {entry()});
        QCOMPARE(valid.exitCode, 0);
        QCOMPARE(valid.out, QString());

        const QString card = m_dir->filePath("x.qmark");
        QFile file(card);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Text\r\n");
        file.close();
        const ToolRun type = runTool("xdg-mime", {"query", "filetype", card});
        QCOMPARE(type.out, QString("application/Card"));
        const ToolRun app = runTool("xdg-mime", {"query", "default", "application/Card"});
        QCOMPARE(app.out, QString("org.quillmark.Quillmark.desktop"));
    }

    // The desktop must start the program with the document as its one argument, whatever
    // characters the program's folder holds.
    void documentPathArrivesAsTheArgument()
    {
        if (!haveTool("gio"))
            QSKIP("GLib's gio is not installed");
        // No '%' here: GLib looks for the program before undoing the doubled '%' of Exec.
        const QString folder = programFolder("a \"b\" $HOME `c` d\\e");
        const QString record = m_dir->filePath("args.txt");
        QFile script(folder + "/qmark");
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     "printf '%s\\n' \"$#\" \"$@\" > \"$QMARK_ARGS.tmp\"\n"
                     "mv \"$QMARK_ARGS.tmp\" \"$QMARK_ARGS\"\n");
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);

        registerAt(folder);
        QCOMPARE(runTool("desktop-file-validate", {entry()}).exitCode, 0);

        const QString document = m_dir->filePath("my card $1 %f.qmark");
        QFile(document).open(QIODevice::WriteOnly);
        qputenv("QMARK_ARGS", record.toUtf8());
        const ToolRun launch = runTool("gio", {"launch", entry(), document});
        QVERIFY2(launch.exitCode == 0, qPrintable(launch.out));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QCOMPARE(readAll(record), "1\n" + document.toUtf8() + '\n');
    }

    void secondStartRewritesNothing()
    {
        const QString folder = programFolder("bin");
        registerAt(folder);
        waitForTools();
        const auto before = modificationTimes(m_home);
        QVERIFY(before.size() >= 3);

        const PublishResult again = registerAt(folder);
        QCOMPARE(again.written, QStringList());
        QCOMPARE(again.toolsStarted, QStringList());
        QCOMPARE(modificationTimes(m_home), before);
    }

    // A database tool that was missing or failed leaves a stale cache; the next start
    // refreshes it although our files are unchanged.
    void missedDatabaseUpdateIsCaughtUp()
    {
        if (!haveTool("update-mime-database") || !haveTool("update-desktop-database"))
            QSKIP("shared-mime-info or desktop-file-utils is not installed");
        const QString folder = programFolder("bin");
        registerAt(folder);
        waitForTools();
        QVERIFY(QFile::remove(m_home + "/mime/mime.cache"));
        const PublishResult result = registerAt(folder);
        QCOMPARE(result.written, QStringList());
        QCOMPARE(result.toolsStarted, QStringList{"update-mime-database"});
    }

    void movedProgramIsFollowed()
    {
        registerAt(programFolder("old"));
        waitForTools();
        const QString moved = programFolder("new");
        const PublishResult result = registerAt(moved + "/");
        QCOMPARE(result.written, QStringList{entry()});
        QCOMPARE(desktopKey(entry(), "Exec"), '"' + moved + "/qmark\" %f");
        QCOMPARE(desktopKey(entry(), "Icon"), moved + "/ic.ico");
        if (haveTool("update-desktop-database"))
            QCOMPARE(result.toolsStarted, QStringList{"update-desktop-database"});
    }

    // Our default goes to the user's list only where no list names one; the lists are shared
    // with other programs, so every other line stays as it was.
    void defaultOnlyWhereNoneIsSet_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("expected"); // the user's list afterwards
        const QByteArray ours = "application/Card=org.quillmark.Quillmark.desktop;\n";
        const QByteArray others = "# mine\r\n"
                                  "[Added Associations]\n"
                                  "text/plain=editor.desktop;\n"
                                  "\n"
                                  "[Default Applications]\n"
                                  "image/png=viewer.desktop;\n"
                                  "application/card=other.desktop;\n"
                                  "\n"
                                  "[Removed Associations]\n"
                                  "image/gif=viewer.desktop;\n";
        QTest::newRow("no default")
            << QString() << QByteArray() << "[Default Applications]\n" + ours;
        QTest::newRow("other program in the user's list")
            << "config/mimeapps.list" << others << others;
        QTest::newRow("other program in a desktop's list")
            << "config/gnome-mimeapps.list"
            << QByteArray("[Default Applications]\napplication/Card=o.desktop\n")
            << QByteArray("<missing>");
        QTest::newRow("other program in the old data-home list")
            << "data/applications/mimeapps.list"
            << QByteArray("[Default Applications]\napplication/Card=o;\n")
            << QByteArray("<missing>");
        QTest::newRow("other program system-wide")
            << "etc/mimeapps.list"
            << QByteArray("[Default Applications]\napplication/Card=o.desktop;\n")
            << QByteArray("<missing>");
        const QByteArray unrelated =
            "[Default Applications]\nimage/png=viewer.desktop;\n\n[Other]\nx=y\n";
        QTest::newRow("other types only")
            << "config/mimeapps.list" << unrelated
            << "[Default Applications]\nimage/png=viewer.desktop;\n" + ours + "\n[Other]\nx=y\n";
    }

    void defaultOnlyWhereNoneIsSet()
    {
        QFETCH(QString, list);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, expected);
        if (!list.isEmpty()) {
            QDir().mkpath(QFileInfo(m_dir->filePath(list)).absolutePath());
            writeFileBytes(m_dir->filePath(list), content);
        }
        registerAt(programFolder("bin"));
        QCOMPARE(readFileBytes(mimeApps()), expected);
    }

    // An installed copy brings the type, its entry and its icon; the user's folders stay as
    // they were, except for our hidden helper entry, which would hide the installed one.
    void installedProgramWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("installedTypes");
        QTest::addColumn<bool>("covered");
        QTest::newRow("installed") << QByteArray("text/x-other;application/card;") << true;
        QTest::newRow("other types") << QByteArray("text/x-other;") << false;
    }

    void installedProgramWritesNothing()
    {
        QFETCH(QByteArray, installedTypes);
        QFETCH(bool, covered);
        registerAt(programFolder("build"));
        QDir().mkpath(m_dir->filePath("system/applications"));
        writeFileBytes(m_dir->filePath("system/applications/org.quillmark.Quillmark.desktop"),
                       "[Desktop Entry]\nType=Application\nName=Quillmark\nExec=qmark %f\n"
                       "MimeType="
                           + installedTypes + "\n");
        const PublishResult result = registerAt(programFolder("bin"));
        QCOMPARE(result.removed, covered ? QStringList{entry()} : QStringList());
        QCOMPARE(QFile::exists(entry()), !covered);
        if (!covered)
            return;
        waitForTools();
        QVERIFY(QFile::remove(mimeApps()));
        QVERIFY(QDir(m_home).removeRecursively());
        QCOMPARE(registerAt(programFolder("bin")).written, QStringList());
        QVERIFY(!QFile::exists(m_home));
        QVERIFY(!QFile::exists(mimeApps()));
    }

    // A FIFO in the user's folders once kept the window from ever appearing, and a link to
    // /dev/zero ate memory until the program died. Each is left as it is, and the start goes on.
    void specialFilesInTheUsersFoldersAreLeftAlone_data()
    {
        QTest::addColumn<QString>("file"); // under the temporary folder
        QTest::addColumn<QString>("kind");
        for (const QString kind : {"FIFO", "link to /dev/zero", "file of 2 MB"})
            for (const QString file : {"config/mimeapps.list", "data/mime/packages/quillmark.xml",
                                       "data/applications/org.quillmark.Quillmark.desktop"})
                QTest::newRow(qPrintable(kind + " at " + file)) << file << kind;
    }

    void specialFilesInTheUsersFoldersAreLeftAlone()
    {
        QFETCH(QString, file);
        QFETCH(QString, kind);
        const QString path = m_dir->filePath(file);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        const QByteArray name = QFile::encodeName(path);
        const QByteArray large(2 << 20, '#');
        if (kind == "FIFO")
            QVERIFY(::mkfifo(name.constData(), 0600) == 0);
        else if (kind == "link to /dev/zero")
            QVERIFY(::symlink("/dev/zero", name.constData()) == 0);
        else
            writeFileBytes(path, large);

        std::atomic<bool> done = false;
        std::thread start([&] {
            registerAt(programFolder("bin"));
            done = true;
        });
        QElapsedTimer clock;
        clock.start();
        while (!done && clock.elapsed() < 5000)
            QThread::msleep(10);
        const qint64 took = clock.elapsed();
        // A reader blocked on the FIFO is let go, so that a failure ends the test.
        if (!done)
            ::close(::open(name.constData(), O_WRONLY | O_NONBLOCK));
        start.join();
        QVERIFY2(took < 1000, qPrintable(QString::number(took)));

        struct stat info {};
        QVERIFY(::lstat(name.constData(), &info) == 0);
        if (kind == "FIFO")
            QVERIFY(S_ISFIFO(info.st_mode));
        else if (kind == "link to /dev/zero")
            QVERIFY(S_ISLNK(info.st_mode));
        else
            QCOMPARE(readAll(path), large);
        // The other files are written all the same.
        for (const QString& other : {package(), entry()})
            if (other != path)
                QVERIFY2(QFileInfo(other).isFile(), qPrintable(other));
    }

    void unwritableDataHomeIsSkippedQuickly()
    {
        // A plain file where a folder should be cannot be written into, even by root.
        QFile blocker(m_dir->filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_home = blocker.fileName() + "/share";
        qputenv("XDG_DATA_HOME", m_home.toUtf8());

        QElapsedTimer clock;
        clock.start();
        const PublishResult result = registerAt(programFolder("bin"));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(result.written, QStringList());
        QCOMPARE(result.toolsStarted, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestFileAssociation)
#include "tst_fileassociation.moc"
