#include "app/updatelauncher.h"
#include "testfiles.h"
#include "update/updatemodule.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QImage>
#include <QLibrary>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <unistd.h>

namespace {

const QString appId = QStringLiteral("org.quillmark.Quillmark");

struct ToolRun {
    int exitCode = -1;
    QString out;
};

ToolRun runTool(const QString& program, const QStringList& arguments,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {-1, QStringLiteral("did not finish")};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll()).trimmed()};
}

} // namespace

// Installs the build into a temporary prefix, as a packager would, and checks what a desktop
// needs from it.
class TestInstall : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_prefix;

    QString installed(const QString& path) const { return m_prefix + '/' + path; }

private slots:
    void initTestCase()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_prefix = m_dir->filePath("prefix");
        const ToolRun install =
            runTool(QUILLMARK_CMAKE, {"--install", QUILLMARK_BINARY_DIR, "--prefix", m_prefix});
        QVERIFY2(install.exitCode == 0, qPrintable(install.out));
    }

    void treeHoldsTheProgramAndItsDesktopFiles()
    {
        const QFileInfo program(installed("libexec/quillmark/qmark"));
        QVERIFY(program.isExecutable());
        QVERIFY(QFileInfo::exists(installed("libexec/quillmark/ic.ico")));
        // A relative link, so that the tree still works after being moved (or packaged).
        const QFileInfo link(installed("bin/qmark"));
        QVERIFY(link.isSymLink());
        QCOMPARE(link.canonicalFilePath(), program.canonicalFilePath());
        char target[256] = {};
        QVERIFY(readlink(QFile::encodeName(link.filePath()).constData(), target, 255) > 0);
        QVERIFY(target[0] != '/');

        QVERIFY(
            QFileInfo::exists(installed("share/icons/hicolor/scalable/apps/" + appId + ".svg")));
        for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QImage icon(installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/").arg(size)
                                        + appId + ".png"));
            QCOMPARE(icon.size(), QSize(size, size));
        }
        QVERIFY(readFileBytes(installed("share/doc/quillmark/copyright"))
                    .contains("Copyright (c) 2026 The Quillmark developers"));
        // The manual page as Debian has them: gzip -9n, no name or time in the header.
        QVERIFY(!QFileInfo::exists(installed("share/man/man1/qmark.1")));
        const QByteArray manual = readFileBytes(installed("share/man/man1/qmark.1.gz"));
        QVERIFY(manual.startsWith("\x1f\x8b\x08"));
        QCOMPARE(manual[3] & 0x08, 0);                   // no file name
        QCOMPARE(manual.mid(4, 4), QByteArray(4, '\0')); // no time stamp
        QCOMPARE(int(manual[8]), 2);                     // the best compression
        const ToolRun unpacked = runTool("gzip", {"-dc", installed("share/man/man1/qmark.1.gz")});
        QVERIFY(unpacked.exitCode == 0 && unpacked.out.startsWith(".TH QMARK 1"));
    }

    // The update window's code, and the network and signature libraries it needs, load only
    // when the user asks for an update: from the module beside the program, never at a start.
    void onlyTheUpdateModuleNeedsTheNetwork()
    {
        if (QStandardPaths::findExecutable("readelf").isEmpty())
            QSKIP("readelf is not installed");
        const auto needed = [](const QString& path) {
            const ToolRun run = runTool("readelf", {"--dynamic", "--wide", path});
            QStringList names;
            static const QRegularExpression line(R"(\(NEEDED\).*\[(.*)\])");
            for (const QString& text : run.out.split('\n'))
                if (const auto match = line.match(text); match.hasMatch())
                    names << match.captured(1);
            return names;
        };
        const QString module = installed("libexec/quillmark/" QUILLMARK_UPDATE_MODULE_NAME);
        const QStringList program = needed(installed("libexec/quillmark/qmark"));
        QVERIFY2(program.contains("libQt6Widgets.so.6"), qPrintable(program.join(' ')));
        QVERIFY2(program.filter(QRegularExpression("^lib(Qt6Network|sodium)\\.")).isEmpty(),
                 qPrintable(program.join(' ')));
        QVERIFY(needed(module).contains("libQt6Network.so.6"));
        QLibrary library(module);
        QVERIFY2(library.resolve(UpdateModuleEntry), qPrintable(library.errorString()));
        // The very module the program was built with, which is the only one it loads.
        const QByteArray bytes = readFileBytes(module);
        QCOMPARE(qint64(bytes.size()), BuiltUpdateModule.size);
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
                 QByteArray(BuiltUpdateModule.sha256));
    }

    void desktopFilesValidate_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("desktop entry")
            << "desktop-file-validate" << QStringList{"share/applications/" + appId + ".desktop"};
        QTest::newRow("metainfo") << "appstreamcli"
                                  << QStringList{"validate", "--no-net", "--strict",
                                                 "share/metainfo/" + appId + ".metainfo.xml"};
    }

    void desktopFilesValidate()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, arguments);
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP(qPrintable(tool + " is not installed"));
        arguments.last() = installed(arguments.last());
        const ToolRun run = runTool(tool, arguments);
        QVERIFY2(run.exitCode == 0, qPrintable(run.out));
        if (tool == "desktop-file-validate")
            QCOMPARE(run.out, QString()); // not even a hint
    }

    void mimePackageNamesCardFiles()
    {
        if (QStandardPaths::findExecutable("update-mime-database").isEmpty())
            QSKIP("shared-mime-info is not installed");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_DIRS", installed("share"));
        const ToolRun run = runTool("update-mime-database", {installed("share/mime")}, environment);
        QVERIFY2(run.exitCode == 0 && run.out.isEmpty(), qPrintable(run.out));
        QVERIFY(readFileBytes(installed("share/mime/globs2")).contains("application/Card:*.qmark"));
    }

    // The installed program runs without the build tree, keeps its run counter in the user's
    // state folder (never in the system's program folder, nor beside the link it was started
    // through), and leaves the association to the installed files.
    void installedProgramStarts()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("HOME", m_dir->filePath("home"));
        environment.insert("XDG_CONFIG_HOME", m_dir->filePath("home/config"));
        environment.insert("XDG_DATA_HOME", m_dir->filePath("home/data"));
        environment.insert("XDG_DATA_DIRS", installed("share") + ":/usr/share");
        environment.insert("XDG_STATE_HOME", m_dir->filePath("home/state"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(m_dir->path());
        program.start(installed("bin/qmark"), {});
        QVERIFY(program.waitForStarted());
        const QString counter = m_dir->filePath("home/state/quillmark/sat.txt");
        QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(counter), QByteArray(" 1 \r\n"), 10000);
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished();
        QVERIFY(!QFileInfo::exists(installed("libexec/quillmark/sat.txt")));
        QVERIFY(!QFileInfo::exists(installed("bin/sat.txt")));
        QVERIFY(!QFileInfo::exists(m_dir->filePath("home/data")));
        QVERIFY(!QFileInfo::exists(m_dir->filePath("home/config")));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
