// Hostile input through the real window: a full disk, FIFOs and devices in place of files,
// absurd geometry, too many elements and names that are not UTF-8. Nothing may block, crash,
// lose the file on disk or erase the design before the new one is known to be readable.
#include "cardtest.h"
#include "control.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include "document/filename.h"
#include "document/regularfile.h"
#include "document/twips.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

enum class Case {
    FullDisk,
    HugeShape,
    FifoCard,
    FifoPicture,
    DevZero,
    Oversized,
    TooMany,
    SaveAsFifo,
    NonUtf8Name,
    FullDiskLinked,
    SymlinkLatin1,
    PrivateCard,
    HardLinked,
    ReadOnlyFolder
};

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    uid_t owner = 0;
    bool operator==(const FileId&) const = default;
};

// What lstat says of a name given as bytes: a link is seen as a link.
FileId fileId(const QByteArray& name)
{
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino, info.st_mode, info.st_uid};
}

QByteArray shapeRecord(const QByteArray& height, int kind)
{
    QByteArray record = "\"ActiveShape\"\r\n495\r\n" + height + "\r\n360\r\n1680\r\n255\r\n"
                        + QByteArray::number(kind) + "\r\n";
    return record + QByteArray("\"none\"\r\n").repeated(11);
}

QByteArray imageRecord(const QString& path)
{
    return "\"Image\"\r\n480\r\n285\r\n1080\r\n240\r\n\"" + path.toUtf8() + "\"\r\n"
           + QByteArray("\"none\"\r\n").repeated(10) + "\"\"\r\n\"img\"\r\n";
}

const QByteArray CardRecord =
    "TheCard\r\n360\r\n210\r\n16777215\r\n" + QByteArray("\"none\"\r\n").repeated(14);

bool isFifo(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

// Fills a folder's file system until a write fails.
void fill(const QString& folder)
{
    const int fd =
        ::open(QFile::encodeName(folder + "/filler").constData(), O_WRONLY | O_CREAT, 0600);
    const QByteArray block(512, 'x');
    while (::write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    ::close(fd);
}

// The card files in a folder, by their bytes.
QList<QByteArray> cardFiles(const QString& folder)
{
    QList<QByteArray> names;
    DIR* listing = ::opendir(QFile::encodeName(folder).constData());
    while (const dirent* entry = listing ? ::readdir(listing) : nullptr)
        if (QByteArray(entry->d_name).endsWith(".qmark"))
            names += entry->d_name;
    if (listing)
        ::closedir(listing);
    return names;
}

enum class Run {
    OntoItself,
    OntoDotName,
    OntoHardLink,
    OntoSymlink,
    OntoPicture,
    OntoBackPicture,
    OverLimit,
    Fifo,
    Symlink,
    Stdout,
    FullDevice,
    Latin1Names
};

struct RunResult {
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs the program without a window in `folder`, its arguments given as bytes (QProcess would
// spell them as UTF-8). A run that does not end within two minutes is killed and fails.
RunResult runQmark(QList<QByteArray> arguments, const QString& folder)
{
    arguments.prepend(QUILLMARK_BINARY_DIR "/qmark");
    std::vector<char*> argv;
    for (QByteArray& word : arguments)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const QByteArray out = QFile::encodeName(folder + "/stdout");
    const QByteArray err = QFile::encodeName(folder + "/stderr");
    const QByteArray where = QFile::encodeName(folder);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addchdir_np(&actions, where.constData());
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {};
    int status = 0;
    QDeadlineTimer deadline(120000);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (deadline.hasExpired()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return {};
        }
        QThread::msleep(20);
    }
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFileBytes(QFile::decodeName(out)),
            readFileBytes(QFile::decodeName(err))};
}
} // namespace

class TestHostileInput : public QObject {
    Q_OBJECT
private slots:
    void hostileInputIsRefusedWithoutLoss_data()
    {
        QTest::addColumn<Case>("kind");
        QTest::addColumn<QString>("message"); // a part of the one message expected; empty: none
        QTest::newRow("save onto a full disk") << Case::FullDisk << "could not be saved";
        QTest::newRow("shape 1E+38 twips high") << Case::HugeShape << QString();
        QTest::newRow("FIFO as the command-line card") << Case::FifoCard << "Not a regular file";
        QTest::newRow("FIFO as a picture") << Case::FifoPicture << QString();
        QTest::newRow("/dev/zero opened") << Case::DevZero << "Not a regular file";
        QTest::newRow("card above 64 MB opened") << Case::Oversized << "larger than 64 MB";
        QTest::newRow("tens of thousands of shapes") << Case::TooMany << QString();
        QTest::newRow("Save As onto a FIFO") << Case::SaveAsFifo << "Not a regular file";
        QTest::newRow("name that is not UTF-8") << Case::NonUtf8Name << QString();
        QTest::newRow("hard-linked card onto a full disk")
            << Case::FullDiskLinked << "could not be saved";
        QTest::newRow("Save through a symlink with a Latin-1 name")
            << Case::SymlinkLatin1 << QString();
        QTest::newRow("Save of another user's 0600 card") << Case::PrivateCard << QString();
        QTest::newRow("Save of a hard-linked card") << Case::HardLinked << QString();
        QTest::newRow("writable card in a read-only folder") << Case::ReadOnlyFolder << QString();
    }

    void hostileInputIsRefusedWithoutLoss()
    {
        QFETCH(Case, kind);
        QFETCH(QString, message);
        if (kind == Case::ReadOnlyFolder && ::getuid() == 0) {
            // Root writes in any folder: the case runs again as an ordinary user.
            if (QStandardPaths::findExecutable("setpriv").isEmpty())
                QSKIP("root writes in any folder, and setpriv is missing to run as another user");
            QProcess child;
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start("setpriv",
                        {"--reuid=65534", "--regid=65534", "--clear-groups",
                         QCoreApplication::applicationFilePath(),
                         QString("hostileInputIsRefusedWithoutLoss:") + QTest::currentDataTag()});
            QVERIFY(child.waitForFinished(120000));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     child.readAll().constData());
            return;
        }
        ScriptedPlatform platform;
        QTemporaryDir dir;
        const QString folder = dir.path();
        // Where a save keeps its safety copy; nothing may be left there after a save.
        const QString cache = folder + "/cache";
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
        // Records of no known kind are not written back: the saved card is shorter than this.
        const QByteArray savedCard = CardRecord + shapeRecord("375", 1).repeated(2)
                                     + QByteArray("\"Note\"\r\n").repeated(18 * 20);
        QByteArray otherName; // the card's second name: its link, hard link or folder
        FileId before;
        const QString fifo = folder + "/fifo";
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);

        // What the window starts with; a case may name a card on its command line.
        QString commandLine;
        QByteArray rawName;
        QString mounted;
        QByteArray fullDiskCard;
        QString fullDiskReason;
        if (kind == Case::FifoCard)
            commandLine = fifo;
        if (kind == Case::FullDisk || kind == Case::FullDiskLinked) {
            // A small tmpfs when we may mount one; otherwise a file size limit fails the write
            // in the same place, at the flush of a buffered write.
            mounted = folder + "/small";
            QDir().mkpath(mounted);
            const bool tmpfs =
                ::getuid() == 0
                && ::mount("tmpfs", QFile::encodeName(mounted).constData(), "tmpfs", 0, "size=64k")
                       == 0;
            if (!tmpfs)
                mounted.clear();
            commandLine = (tmpfs ? mounted : folder) + "/full.qmark";
            // Linked, the card is rewritten in place: it is made to just fill its first page,
            // so that the new content needs more room than the full disk has.
            fullDiskCard =
                CardRecord + shapeRecord("375", 1).repeated(kind == Case::FullDisk ? 4 : 29);
            writeFileBytes(commandLine, fullDiskCard);
            if (kind == Case::FullDiskLinked) {
                otherName = QFile::encodeName(commandLine + ".link");
                QVERIFY(::link(QFile::encodeName(commandLine).constData(), otherName.constData())
                        == 0);
            }
            if (tmpfs) {
                fill(mounted);
                fullDiskReason = "No space left on device";
            } else {
                fullDiskReason = "File too large";
            }
        }
        if (kind == Case::NonUtf8Name) {
            rawName = QFile::encodeName(folder) + "/caf\xe9.qmark";
            const QByteArray card = CardRecord + shapeRecord("375", 1).repeated(2);
            const int fd = ::open(rawName.constData(), O_WRONLY | O_CREAT, 0600);
            QCOMPARE(::write(fd, card.constData(), size_t(card.size())), ssize_t(card.size()));
            ::close(fd);
            const char* argv[] = {"qmark", rawName.constData()};
            const StartupOptions options = StartupOptions::fromArguments(2, argv, QString());
            commandLine = options.commandLine;
            // Without Qt's own path, the running program still knows where it lies.
            QVERIFY(QFileInfo(options.executable).isFile());
        }

        if (kind == Case::SymlinkLatin1 || kind == Case::PrivateCard || kind == Case::HardLinked
            || kind == Case::ReadOnlyFolder) {
            QByteArray card = QFile::encodeName(folder) + "/card.qmark";
            if (kind == Case::ReadOnlyFolder) {
                QVERIFY(QDir().mkdir(folder + "/locked"));
                card = QFile::encodeName(folder) + "/locked/card.qmark";
            }
            writeFileBytes(QFile::decodeName(card), savedCard);
            QByteArray opened = card;
            if (kind == Case::SymlinkLatin1) {
                opened = QFile::encodeName(folder) + "/caf\xe9.qmark";
                QVERIFY(::symlink("card.qmark", opened.constData()) == 0);
                otherName = opened;
            }
            if (kind == Case::PrivateCard) {
                QVERIFY(::chmod(card.constData(), 0600) == 0);
                if (::getuid() == 0)
                    QVERIFY(::chown(card.constData(), 65534, 65534) == 0);
            }
            if (kind == Case::HardLinked) {
                otherName = QFile::encodeName(folder) + "/other.qmark";
                QVERIFY(::link(card.constData(), otherName.constData()) == 0);
            }
            if (kind == Case::ReadOnlyFolder) {
                otherName = QFile::encodeName(folder) + "/locked";
                QVERIFY(::chmod(otherName.constData(), 0555) == 0);
            }
            before = fileId(card);
            commandLine = decodeFileName(opened);
        }

        auto window = std::make_unique<MainWindow>(StartupOptions{folder + "/qmark", commandLine});
        window->startUp();
        window->show();
        CardEditor& editor = window->editor();
        // A design of our own, which no refused file may erase.
        QTest::mouseClick(control<SkinButton>(window.get(), "textButton"), Qt::LeftButton);
        const qsizetype textsBefore = editor.design().items().size();

        const auto openCard = [&](const QString& path) {
            platform.unsavedChangesAnswer = QMessageBox::Discard;
            platform.messageAnswers.enqueue(QMessageBox::Yes);
            platform.openAnswers.enqueue(path);
            QTest::mouseClick(control<SkinButton>(window.get(), "openButton"), Qt::LeftButton);
        };
        const auto save = [&](const QString& menuItem, const QString& path = {}) {
            platform.menuAnswers.enqueue(menuItem);
            if (!path.isEmpty())
                platform.saveAnswers.enqueue(path);
            QTest::mouseClick(control<SkinButton>(window.get(), "saveButton"), Qt::LeftButton);
        };
        const QString cardPath = folder + "/hostile.qmark";
        switch (kind) {
        case Case::FullDisk:
        case Case::FullDiskLinked:
            if (mounted.isEmpty()) {
                // Not allowed to mount: a file size limit fails the same buffered write.
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit limit{};
                ::getrlimit(RLIMIT_FSIZE, &limit);
                const rlimit previous = limit;
                limit.rlim_cur = 256;
                ::setrlimit(RLIMIT_FSIZE, &limit);
                save("Save");
                ::setrlimit(RLIMIT_FSIZE, &previous);
            } else {
                save("Save");
            }
            // The earlier card stays byte for byte, unless it is rewritten in place.
            if (kind == Case::FullDisk)
                QCOMPARE(readFileBytes(commandLine), fullDiskCard);
            break;
        case Case::HugeShape:
            writeFileBytes(cardPath, CardRecord + shapeRecord("495", 1) + shapeRecord("1E+38", 2));
            openCard(cardPath);
            break;
        case Case::FifoPicture:
            writeFileBytes(cardPath, CardRecord + imageRecord("x") + imageRecord(fifo));
            openCard(cardPath);
            break;
        case Case::DevZero: openCard("/dev/zero"); break;
        case Case::Oversized: {
            QFile sparse(cardPath);
            QVERIFY(sparse.open(QIODevice::WriteOnly)
                    && sparse.resize(CardEditor::MaxCardFileBytes + 1));
            sparse.close();
            openCard(cardPath);
            break;
        }
        case Case::TooMany:
            writeFileBytes(cardPath, CardRecord + shapeRecord("375", 1).repeated(40'000));
            openCard(cardPath);
            break;
        case Case::SaveAsFifo: save("Save As..", fifo); break;
        case Case::SymlinkLatin1:
        case Case::PrivateCard:
        case Case::HardLinked:
        case Case::ReadOnlyFolder: save("Save"); break;
        case Case::FifoCard:
        case Case::NonUtf8Name: break;
        }
        // Whatever came in, the window paints.
        QVERIFY(!window->grab().isNull());

        if (mounted.size())
            ::umount2(QFile::encodeName(mounted).constData(), MNT_DETACH);
        // Open's own questions are not reports.
        platform.messageBoxes.removeIf([](const auto& box) {
            return (box.title == "Open" && box.text.startsWith("Are you sure"))
                   || box.text == "Save changes to the card?";
        });
        if (message.isEmpty()) {
            QVERIFY2(platform.messageBoxes.isEmpty(),
                     qPrintable(platform.messageBoxes.value(0).text));
        } else {
            QCOMPARE(platform.messageBoxes.size(), 1);
            QVERIFY2(platform.messageBoxes[0].text.contains(message),
                     qPrintable(platform.messageBoxes[0].text));
        }
        // A refused card leaves the design as it was.
        const bool refused = kind == Case::DevZero || kind == Case::Oversized;
        if (refused || kind == Case::FullDisk || kind == Case::SaveAsFifo)
            QCOMPARE(editor.design().items().size(), textsBefore);

        switch (kind) {
        case Case::FullDisk: QVERIFY(platform.messageBoxes[0].text.contains(fullDiskReason)); break;
        case Case::HugeShape:
            QCOMPARE(element(editor, ElementKind::Shape, 1).height, MaxTwips);
            QCOMPARE(editor.view()->height(), 210);
            break;
        case Case::FifoCard: QCOMPARE(editor.shapeCount(), qint16(0)); break;
        case Case::FifoPicture:
            QCOMPARE(element(editor, ElementKind::Picture, 1).toolTipText, fifo);
            break;
        case Case::TooMany: QCOMPARE(editor.shapeCount(), qint16(32767)); break;
        case Case::SaveAsFifo: QVERIFY(isFifo(fifo)); break;
        case Case::NonUtf8Name: {
            QCOMPARE(editor.shapeCount(), qint16(2));
            save("Save");
            QVERIFY(platform.messageBoxes.isEmpty());
            // Saved back to the very file: still one card in the folder, now with the text.
            QCOMPARE(cardFiles(folder),
                     QList<QByteArray>{rawName.mid(rawName.lastIndexOf('/') + 1)});
            const RegularFileRead saved = readRegularFile(decodeFileName(rawName), 1 << 20);
            QVERIFY(saved.ok() && saved.bytes.contains("\"Label\""));
            ::unlink(rawName.constData());
            break;
        }
        case Case::FullDiskLinked: {
            const QString text = platform.messageBoxes[0].text;
            if (mounted.isEmpty()) {
                // Not even the safety copy could be written: the card is untouched.
                QVERIFY2(text.contains("No safe copy"), qPrintable(text));
                QCOMPARE(readFileBytes(commandLine), fullDiskCard);
                break;
            }
            // Rewritten in place and cut short: the message names the complete copy.
            const QRegularExpressionMatch kept =
                QRegularExpression("A complete copy is kept in \"([^\"]+)\"").match(text);
            QVERIFY2(kept.hasMatch(), qPrintable(text));
            QVERIFY(kept.captured(1).startsWith(cache));
            QCOMPARE(readFileBytes(kept.captured(1)), editor.cardBytes());
            break;
        }
        case Case::SymlinkLatin1:
        case Case::PrivateCard:
        case Case::HardLinked:
        case Case::ReadOnlyFolder: {
            const QByteArray card =
                QFile::encodeName(folder)
                + (kind == Case::ReadOnlyFolder ? "/locked/card.qmark" : "/card.qmark");
            QCOMPARE(readFileBytes(QFile::decodeName(card)), editor.cardBytes());
            const FileId after = fileId(card);
            // Mode and owner kept; written in place where other names or the folder need it.
            QCOMPARE(after.mode, before.mode);
            QCOMPARE(after.owner, before.owner);
            if (kind == Case::HardLinked || kind == Case::ReadOnlyFolder)
                QCOMPARE(after.inode, before.inode);
            if (kind == Case::HardLinked)
                QCOMPARE(fileId(otherName), after);
            if (kind == Case::SymlinkLatin1)
                QVERIFY(S_ISLNK(fileId(otherName).mode));
            if (kind == Case::ReadOnlyFolder)
                ::chmod(otherName.constData(), 0755);
            QCOMPARE(QDir(cache + "/quillmark").entryList(QDir::Files), QStringList());
            break;
        }
        case Case::DevZero:
        case Case::Oversized: break;
        }
    }

    void windowlessRunsEndWithOneLine_data()
    {
        QTest::addColumn<Run>("run");
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("message"); // a part of the one line expected; empty: none
        const QByteArray itself = "is the card file itself";
        const auto pdf = [](const QByteArray& target, const QByteArray& card = "card.qmark") {
            return QList<QByteArray>{"--export-pdf", target, card};
        };
        QTest::newRow("export onto its card")
            << Run::OntoItself << pdf("card.qmark") << 1 << itself;
        QTest::newRow("onto its card, ./ name")
            << Run::OntoDotName << pdf("./card.qmark") << 1 << itself;
        QTest::newRow("onto a hard link of the card")
            << Run::OntoHardLink << pdf("linked.qmark") << 1 << itself;
        QTest::newRow("onto a symlink to the card")
            << Run::OntoSymlink << pdf("link.qmark") << 1 << itself;
        QTest::newRow("onto a picture of the card")
            << Run::OntoPicture << pdf("pic.png", "pictured.qmark") << 1
            << QByteArray("is the card's picture");
        QTest::newRow("onto a picture on the card's back")
            << Run::OntoBackPicture << pdf("pic.png", "pictured.qmark") << 1
            << QByteArray("is the card's picture");
        QTest::newRow("card past the old cap of 20,000 elements")
            << Run::OverLimit << pdf("big.pdf", "big.qmark") << 0 << QByteArray();
        QTest::newRow("FIFO as the target") << Run::Fifo << pdf("fifo") << 0 << QByteArray();
        QTest::newRow("symlink as the target")
            << Run::Symlink << pdf("link.pdf") << 0 << QByteArray();
        QTest::newRow("- as the target") << Run::Stdout << pdf("-") << 0 << QByteArray();
        QTest::newRow("full device as the target")
            << Run::FullDevice << pdf("full") << 1 << QByteArray("No space left on device");
        QTest::newRow("Latin-1 card and output names")
            << Run::Latin1Names << pdf("out\xe9.pdf", "caf\xe9.qmark") << 0 << QByteArray();
    }
    void windowlessRunsEndWithOneLine()
    {
        QFETCH(Run, run);
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, message);
        QTemporaryDir dir;
        const QString folder = dir.path();
        const QByteArray at = QFile::encodeName(folder) + '/';
        const QByteArray card = CardRecord + shapeRecord("375", 1).repeated(2);
        writeFileBytes(folder + "/card.qmark", card);
        switch (run) {
        case Run::OntoHardLink: QVERIFY(::link(at + "card.qmark", at + "linked.qmark") == 0); break;
        case Run::OntoSymlink: QVERIFY(::symlink("card.qmark", at + "link.qmark") == 0); break;
        case Run::OverLimit:
            writeFileBytes(folder + "/big.qmark",
                           CardRecord + shapeRecord("375", 1).repeated(20'005));
            break;
        case Run::OntoPicture:
        case Run::OntoBackPicture: {
            writeFileBytes(folder + "/pic.png", "not even an image");
            QByteArray image = imageRecord(folder + "/pic.png");
            if (run == Run::OntoBackPicture)
                image.replace("\"Image\"", "\"BackImage\"");
            writeFileBytes(folder + "/pictured.qmark", CardRecord + image);
            break;
        }
        case Run::Fifo: QVERIFY(::mkfifo(at + "fifo", 0600) == 0); break;
        case Run::Symlink:
            writeFileBytes(folder + "/real.pdf", "old");
            QVERIFY(::symlink("real.pdf", at + "link.pdf") == 0);
            break;
        case Run::FullDevice:
            // A private node of the full device: a wrong rename would only lose this one.
            if (::mknod(at + "full", S_IFCHR | 0600, makedev(1, 7)) != 0)
                QSKIP("making a device node needs root");
            break;
        case Run::Latin1Names:
            QVERIFY(::rename(at + "card.qmark", at + "caf\xe9.qmark") == 0);
            break;
        default: break;
        }

        // The FIFO's reader takes whatever comes; opening the FIFO afterwards frees a reader
        // that nobody wrote to.
        QByteArray fromFifo;
        std::thread reader;
        if (run == Run::Fifo)
            reader = std::thread([&] {
                QFile fifo(folder + "/fifo");
                if (fifo.open(QIODevice::ReadOnly))
                    fromFifo = fifo.readAll();
            });
        const RunResult result = runQmark(arguments, folder);
        if (reader.joinable()) {
            ::close(::open(at + "fifo", O_WRONLY | O_NONBLOCK));
            reader.join();
        }

        QCOMPARE(result.exitCode, exitCode);
        if (message.isEmpty()) {
            QCOMPARE(result.standardError, QByteArray());
        } else {
            QVERIFY2(result.standardError.startsWith("qmark: ")
                         && result.standardError.count('\n') == 1
                         && result.standardError.endsWith('\n')
                         && result.standardError.contains(message),
                     result.standardError.constData());
        }
        // Refused runs leave the card as it was.
        QCOMPARE(readFileBytes(folder + "/card.qmark"),
                 run == Run::Latin1Names ? QByteArray("<missing>") : card);
        const auto isPdf = [](const QByteArray& bytes) {
            return bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF");
        };
        switch (run) {
        case Run::OntoPicture:
        case Run::OntoBackPicture:
            QCOMPARE(readFileBytes(folder + "/pic.png"), QByteArray("not even an image"));
            break;
        case Run::OverLimit: QVERIFY(isPdf(readFileBytes(folder + "/big.pdf"))); break;
        case Run::Fifo:
            QVERIFY(isPdf(fromFifo));
            QVERIFY(isFifo(folder + "/fifo"));
            break;
        case Run::Symlink:
            QVERIFY(S_ISLNK(fileId(at + "link.pdf").mode));
            QVERIFY(isPdf(readFileBytes(folder + "/real.pdf")));
            break;
        case Run::Stdout:
            QVERIFY(isPdf(result.standardOutput));
            QVERIFY(!QFile::exists(folder + "/-"));
            break;
        case Run::FullDevice: QVERIFY(S_ISCHR(fileId(at + "full").mode)); break;
        case Run::Latin1Names: {
            const RegularFileRead written =
                readRegularFile(decodeFileName(at + "out\xe9.pdf"), 1 << 24);
            QVERIFY(written.ok() && isPdf(written.bytes));
            break;
        }
        default: break;
        }
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
