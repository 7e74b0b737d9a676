// Hostile input through the real window: a full disk, FIFOs and devices in place of files,
// absurd geometry, too many elements and names that are not UTF-8. Nothing may block, crash,
// lose the file on disk or erase the design before the new one is known to be readable.
#include "cardtest.h"
#include "control.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include "document/carddesign.h"
#include "document/filename.h"
#include "document/regularfile.h"
#include "document/twips.h"

#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <climits>
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
    ReadOnlyFolder,
    // Files that are not readable cards, saves onto inputs, pastes into planted names.
    NotACardArgument,
    UnreadableArgument,
    OpenNotACard,
    OpenUnreadable,
    CutShortCard,
    SaveAsOntoPicture,
    PasteAtPlantedLinks,
    PasteOntoFullDisk
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

// A real picture file's bytes.
QByteArray pngBytes(int size = 16)
{
    QImage image(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            image.setPixel(x, y, (x * 7919u + y * 104729u) * 2654435761u);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Runs `step` with writes past 256 bytes failing as on a full disk, without an unprivileged
// mount.
template <typename Step>
void withFileSizeLimit(const Step& step)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit previous = limit;
    limit.rlim_cur = 256;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    step();
    ::setrlimit(RLIMIT_FSIZE, &previous);
}

// What a run left in a temporary folder: everything but the runtime folder made in it for want
// of XDG_RUNTIME_DIR.
QStringList leftIn(const QString& temporary)
{
    return QDir(temporary)
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
        .filter(QRegularExpression("^(?!runtime-)"));
}

// The names in a folder that start with `prefix`.
QStringList namesStarting(const QString& folder, const QString& prefix)
{
    return QDir(folder).entryList({prefix + '*'}, QDir::AllEntries | QDir::NoDotAndDotDot
                                                      | QDir::Hidden | QDir::System);
}

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
    Latin1Names,
    CutShortCard,
    OverFileSizeLimit,
    OptionsReordered,
    NoDisplay,
    UnreachableDisplay
};

// Content that once took minutes and gigabytes, or printed in silence what no reader can use.
enum class Content {
    HugeCaption,
    LongWord,
    SvgzBomb,
    LargeXpm,
    QrTooLong,
    QrMergedRow,
    QrLowContrast,
    MergeWideRow,
    MergeUtf16
};

struct RunResult {
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs the program without a window in `folder`, its arguments given as bytes (QProcess would
// spell them as UTF-8). A run that does not end within two minutes is killed and fails.
RunResult runQmark(QList<QByteArray> arguments, const QString& folder,
                   const QList<QByteArray>& launcher = {}, char** environment = environ)
{
    arguments.prepend(QUILLMARK_BINARY_DIR "/qmark");
    arguments = launcher + arguments;
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
    // The program's own signal handling, not what this test set for itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environment);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
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

        // Never adopted unless it is a card that could be read; nothing saved over an input.
        const QString notACard = "is not a Quillmark card";
        QTest::newRow("a PNG as the command-line card") << Case::NotACardArgument << notACard;
        QTest::newRow("an unreadable card as the command-line card")
            << Case::UnreadableArgument << "Permission denied";
        QTest::newRow("Open of a PNG") << Case::OpenNotACard << notACard;
        QTest::newRow("Open of an unreadable card") << Case::OpenUnreadable << "Permission denied";
        QTest::newRow("Open of a card cut inside a record")
            << Case::CutShortCard << "ends in the middle of an element";
        QTest::newRow("Save As onto the card's picture, by a hard link")
            << Case::SaveAsOntoPicture << "is the card's picture";
        QTest::newRow("paste where links are planted") << Case::PasteAtPlantedLinks << QString();
        QTest::newRow("paste onto a full disk") << Case::PasteOntoFullDisk << "File too large";
    }

    void hostileInputIsRefusedWithoutLoss()
    {
        QFETCH(Case, kind);
        QFETCH(QString, message);
        const bool unreadable = kind == Case::UnreadableArgument || kind == Case::OpenUnreadable;
        if ((kind == Case::ReadOnlyFolder || unreadable) && ::getuid() == 0) {
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
            const QByteArray output = child.readAll();
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     output.constData());
            // A skip in the child is no pass.
            QVERIFY2(!output.contains("SKIP"), output.constData());
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

        const QString photo = folder + "/photo.png";
        const QByteArray photoBytes = pngBytes();
        const QString privateCard = folder + "/private.qmark";
        const QByteArray privateBytes = CardRecord + shapeRecord("375", 1).repeated(3);
        const QString ownCard = folder + "/mine.qmark";
        const QString planted = folder + "/planted.png";
        if (kind >= Case::NotACardArgument) {
            writeFileBytes(photo, photoBytes);
            writeFileBytes(privateCard, privateBytes);
            QVERIFY(::chmod(QFile::encodeName(privateCard).constData(), 0) == 0);
            // Missing, so a new card of that name; the cases with an argument name their own.
            commandLine = kind == Case::NotACardArgument     ? photo
                          : kind == Case::UnreadableArgument ? privateCard
                                                             : ownCard;
        }
        if (kind == Case::PasteAtPlantedLinks) {
            // The names a paste once took, for the coming seconds: each a link to a file that
            // does not exist yet.
            const QDateTime now = QDateTime::currentDateTime();
            for (int second = 0; second < 10; ++second)
                for (const QString& tail : {QString(".png"), QString("-2.png")}) {
                    const QString name = folder + "/pasted-"
                                         + now.addSecs(second).toString("yyyyMMdd-hhmmss") + tail;
                    QVERIFY(::symlink(QFile::encodeName(planted).constData(),
                                      QFile::encodeName(name).constData())
                            == 0);
                }
        }

        auto window = std::make_unique<MainWindow>(StartupOptions{folder + "/qmark", commandLine});
        window->startUp();
        window->show();
        CardEditor& editor = window->editor();
        // The keys reach the window's shortcuts once it is active.
        if (kind >= Case::NotACardArgument) {
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
        }
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
            // Not allowed to mount: a file size limit fails the same buffered write.
            if (mounted.isEmpty())
                withFileSizeLimit([&] { save("Save"); });
            else
                save("Save");
            // The earlier card stays byte for byte, in place too: the room is reserved first.
            QCOMPARE(readFileBytes(commandLine), fullDiskCard);
            if (kind == Case::FullDiskLinked && !mounted.isEmpty()) {
                // Once there is room again, a save succeeds and the copy left by the failed one
                // goes.
                const QStringList copies = QDir(cache + "/quillmark").entryList(QDir::Files);
                QCOMPARE(copies.size(), 1);
                QCOMPARE(readFileBytes(cache + "/quillmark/" + copies[0]), editor.cardBytes());
                QVERIFY(QFile::remove(mounted + "/filler"));
                const qsizetype reports = platform.messageBoxes.size();
                save("Save");
                QCOMPARE(platform.messageBoxes.size(), reports);
                QCOMPARE(readFileBytes(commandLine), editor.cardBytes());
                QCOMPARE(readFileBytes(QFile::decodeName(otherName)), editor.cardBytes());
                QCOMPARE(QDir(cache + "/quillmark").entryList(QDir::Files), QStringList());
            }
            break;
        case Case::HugeShape:
            // The second shape far out both ways as well.
            writeFileBytes(cardPath,
                           CardRecord + shapeRecord("495", 1)
                               + shapeRecord("1E+38", 2)
                                     .replace("\r\n360\r\n1680\r\n", "\r\n1E+38\r\n-1E+38\r\n"));
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
        case Case::NotACardArgument:
        case Case::UnreadableArgument:
            QCOMPARE(editor.cardFileName(), QString());
            // Ctrl+S has no file to write and asks for a name; none is given.
            QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(platform.saveFilters.size(), 1);
            break;
        case Case::OpenNotACard: openCard(photo); break;
        case Case::OpenUnreadable: openCard(privateCard); break;
        case Case::CutShortCard: {
            const QByteArray whole = CardRecord + shapeRecord("375", 1).repeated(3);
            writeFileBytes(cardPath, whole.left(whole.size() - 100));
            openCard(cardPath);
            break;
        }
        case Case::SaveAsOntoPicture: {
            writeFileBytes(cardPath, CardRecord + imageRecord(photo).repeated(2));
            openCard(cardPath);
            const QString link = folder + "/photo-link.png";
            QVERIFY(
                ::link(QFile::encodeName(photo).constData(), QFile::encodeName(link).constData())
                == 0);
            save("Save As..", link);
            break;
        }
        case Case::PasteAtPlantedLinks:
        case Case::PasteOntoFullDisk: {
            QGuiApplication::clipboard()->setImage(QImage::fromData(pngBytes(64)));
            const auto paste = [&] {
                QTest::keyClick(window.get(), Qt::Key_V, Qt::ControlModifier);
            };
            if (kind == Case::PasteOntoFullDisk)
                withFileSizeLimit(paste);
            else
                paste();
            break;
        }
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
        const bool refused = kind == Case::DevZero || kind == Case::Oversized
                             || kind == Case::OpenNotACard || kind == Case::OpenUnreadable
                             || kind == Case::PasteOntoFullDisk;
        if (refused || kind == Case::FullDisk || kind == Case::SaveAsFifo)
            QCOMPARE(editor.design().items().size(), textsBefore);

        switch (kind) {
        case Case::FullDisk: QVERIFY(platform.messageBoxes[0].text.contains(fullDiskReason)); break;
        case Case::HugeShape:
            QCOMPARE(element(editor, ElementKind::Shape, 1).height, MaxTwips);
            QCOMPARE(editor.view()->height(), 210);
            // The position is bounded as the size is, from the file and from a move.
            QCOMPARE(element(editor, ElementKind::Shape, 1).left, MaxTwips);
            QCOMPARE(element(editor, ElementKind::Shape, 1).top, -MaxTwips);
            editor.setSelection({ElementKind::Shape, 1});
            editor.nudgeSelected(150, -150, false);
            QCOMPARE(element(editor, ElementKind::Shape, 1).left, MaxTwips);
            QCOMPARE(element(editor, ElementKind::Shape, 1).top, -MaxTwips);
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
            // Not rewritten, as there was no room: the message names the complete copy.
            const QRegularExpressionMatch kept =
                QRegularExpression("A complete copy is kept in \"([^\"]+)\"").match(text);
            QVERIFY2(kept.hasMatch(), qPrintable(text));
            QVERIFY(kept.captured(1).startsWith(cache));
            QVERIFY(kept.captured(1).endsWith(".qmark"));
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
        case Case::NotACardArgument:
        case Case::UnreadableArgument:
        case Case::OpenNotACard:
        case Case::OpenUnreadable:
            QVERIFY(platform.messageBoxes[0].text.contains(
                kind == Case::NotACardArgument || kind == Case::OpenNotACard ? photo
                                                                             : privateCard));
            // The current name stays: none after a refused argument, the own card after Open.
            QCOMPARE(editor.cardFileName(),
                     kind == Case::OpenNotACard || kind == Case::OpenUnreadable ? ownCard
                                                                                : QString());
            QCOMPARE(readFileBytes(photo), photoBytes);
            QVERIFY(::chmod(QFile::encodeName(privateCard).constData(), 0600) == 0);
            QCOMPARE(readFileBytes(privateCard), privateBytes);
            break;
        case Case::CutShortCard:
            QVERIFY2(platform.messageBoxes[0].text.contains("2 elements were read"),
                     qPrintable(platform.messageBoxes[0].text));
            QCOMPARE(editor.shapeCount(), qint16(3));
            QCOMPARE(editor.cardFileName(), cardPath);
            break;
        case Case::SaveAsOntoPicture:
            QCOMPARE(readFileBytes(photo), photoBytes);
            QCOMPARE(editor.cardFileName(), cardPath);
            break;
        case Case::PasteAtPlantedLinks: {
            QVERIFY(!QFileInfo::exists(planted));
            const CardItem& picture = element(editor, ElementKind::Picture, 1);
            const QByteArray name = QFile::encodeName(picture.picturePath());
            QCOMPARE(QFileInfo(picture.picturePath()).absolutePath(), folder);
            const FileId pasted = fileId(name);
            QVERIFY(S_ISREG(pasted.mode));
            const mode_t mask = ::umask(0);
            ::umask(mask);
            QCOMPARE(pasted.mode & 0777, 0644 & ~mask);
            QCOMPARE(QImage(picture.picturePath()).size(), QSize(64, 64));
            break;
        }
        case Case::PasteOntoFullDisk:
            // No partial picture is left behind.
            QCOMPARE(namesStarting(folder, "pasted-"), QStringList());
            break;
        }
    }

    // Each bounded and said: a line and exit 1 for what cannot print, a line and exit 0 for
    // what prints all the same, nothing for what only needed bounding. No input changes.
    void contentIsBoundedAndSaid_data()
    {
        QTest::addColumn<Content>("content");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("message"); // a part of the one line expected; empty: none
        QTest::newRow("8 MB caption in a 1,000,000 px box at 1 pt")
            << Content::HugeCaption << 0 << QByteArray();
        QTest::newRow("4 MB word in a 200 x 100 px box") << Content::LongWord << 0 << QByteArray();
        QTest::newRow("SVGZ unpacking to 64 MB")
            << Content::SvgzBomb << 0
            << QByteArray("bomb.svgz\" is not shown: its drawing unpacks to more than 16 MB");
        QTest::newRow("sparse 20 MB XPM")
            << Content::LargeXpm << 0 << QByteArray("the most a XPM picture may take");
        QTest::newRow("QR content past level L")
            << Content::QrTooLong << 1
            << QByteArray("QR code 1 cannot be printed: its content (3000 bytes)");
        QTest::newRow("QR content past level L for one row")
            << Content::QrMergedRow << 1 << QByteArray("for row 2 of data.csv (line 3)");
        QTest::newRow("QR grey on grey")
            << Content::QrLowContrast << 0
            << QByteArray("QR code 1 may not scan: its colours differ too little");
        QTest::newRow("merge row of 5 million commas")
            << Content::MergeWideRow << 1
            << QByteArray("data.csv, line 2: this row has more than 1,000 fields");
        QTest::newRow("UTF-16 merge data")
            << Content::MergeUtf16 << 1 << QByteArray("data.csv: the file is UTF-16 text");
    }

    void contentIsBoundedAndSaid()
    {
        QFETCH(Content, content);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, message);
        QTemporaryDir dir;
        const QString folder = dir.path();
        QList<QByteArray> arguments{"--export-pdf", "out.pdf", "card.qmark"};
        CardDesign design;
        // Looked up at each use: adding an element may move the others.
        design.addCopy(ElementKind::Text, 1);
        design.addCopy(ElementKind::QrCode, 1);
        const auto text = [&]() -> CardItem& { return *design.item(ElementKind::Text, 1); };
        const auto code = [&]() -> CardItem& { return *design.item(ElementKind::QrCode, 1); };
        text().text.fontName = "DejaVu Sans";
        code().left = 300, code().top = 300, code().width = 1500, code().height = 1500;
        code().qr.content = "https://example.com";
        QStringList inputs{"card.qmark"};
        const auto merge = [&](const QByteArray& data) {
            writeFileBytes(folder + "/data.csv", data);
            arguments << "--merge"
                      << "data.csv";
            inputs << "data.csv";
        };
        const auto picture = [&](const QString& name) {
            CardItem& item = *design.addCopy(ElementKind::Picture, 1);
            item.toolTipText = folder + '/' + name;
            inputs << name;
        };
        switch (content) {
        case Content::HugeCaption: {
            QString words;
            while (words.size() < 8'000'000)
                words += QStringLiteral("lorem ipsum dolor %1 ").arg(words.size() % 997);
            text().text.caption = words;
            text().text.fontSize = 1;
            text().width = text().height = 15'000'000;
            break;
        }
        case Content::LongWord:
            text().text.caption = QString(4'000'000, u'w');
            text().width = 3000, text().height = 1500;
            break;
        case Content::SvgzBomb: {
            QProcess gzip;
            gzip.setStandardOutputFile(folder + "/bomb.svgz");
            gzip.start("gzip", {"-c"});
            QVERIFY(gzip.waitForStarted());
            gzip.write("<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'><!--");
            const QByteArray spaces(1 << 20, ' ');
            for (int i = 0; i < 64; ++i)
                gzip.write(spaces);
            gzip.write("--></svg>");
            gzip.closeWriteChannel();
            QVERIFY(gzip.waitForFinished(60000) && gzip.exitCode() == 0);
            picture("bomb.svgz");
            break;
        }
        case Content::LargeXpm: {
            QFile xpm(folder + "/large.xpm");
            QVERIFY(xpm.open(QIODevice::WriteOnly));
            xpm.write("/* XPM */\nstatic char *large[] = {\n\"1 1 1 1\",\n\"a c #ff0000\",\n");
            QVERIFY(xpm.resize(20 << 20));
            xpm.close();
            picture("large.xpm");
            break;
        }
        case Content::QrTooLong: code().qr.content = QString(3000, u'x'); break;
        case Content::QrMergedRow:
            code().qr.content = "https://example.com/${Path}";
            merge("Path\nshort\n" + QByteArray(2940, 'p') + "\n");
            break;
        case Content::QrLowContrast:
            code().qr.darkColor = 0x00808080;
            code().qr.lightColor = 0x00909090;
            break;
        case Content::MergeWideRow:
            text().text.caption = "${A}";
            merge("A\nx" + QByteArray(5'000'000, ','));
            break;
        case Content::MergeUtf16:
            text().text.caption = "${A}";
            merge(QByteArray("\xFF\xFE"
                             "A\0\n\0x\0",
                             8));
            break;
        }
        writeFileBytes(folder + "/card.qmark", carddesignfile::write(design));
        QHash<QString, QByteArray> before;
        for (const QString& name : inputs)
            before[name] = readFileBytes(folder + '/' + name);

        QElapsedTimer clock;
        clock.start();
        const RunResult result = runQmark(arguments, folder);
        QCOMPARE(result.exitCode, exitCode);
        // Minutes and gigabytes once; the goal is ten seconds.
        QVERIFY2(clock.elapsed() < 30'000, qPrintable(QString::number(clock.elapsed())));
        if (message.isEmpty()) {
            QCOMPARE(result.standardError, QByteArray());
        } else {
            QVERIFY2(result.standardError.startsWith("qmark: ")
                         && result.standardError.count('\n') == 1
                         && result.standardError.contains(message),
                     result.standardError.constData());
        }
        for (const QString& name : inputs)
            QVERIFY2(readFileBytes(folder + '/' + name) == before[name], qPrintable(name));
        const QByteArray pdf = readFileBytes(folder + "/out.pdf");
        QCOMPARE(pdf.startsWith("%PDF-"), exitCode == 0);
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

        // A card cut short is printed, with one line that says so; a write past the file size
        // limit fails like a full disk, and leaves nothing behind.
        QTest::newRow("card cut inside a record")
            << Run::CutShortCard << pdf("cut.pdf", "cut.qmark") << 0
            << QByteArray("ends in the middle of an element");
        QTest::newRow("export past the file size limit")
            << Run::OverFileSizeLimit << pdf("out.pdf") << 1 << QByteArray("File too large");
        QTest::newRow("options in another order")
            << Run::OptionsReordered
            << QList<QByteArray>{"--layout", "a4-10", "--export-pdf", "out.pdf", "card.qmark"} << 0
            << QByteArray();
        // The designer needs a display; without one it says so instead of aborting.
        QTest::newRow("the designer without a display")
            << Run::NoDisplay << QList<QByteArray>{"card.qmark"} << 1
            << QByteArray("needs a display");
        QTest::newRow("the designer with a display that cannot be reached")
            << Run::UnreachableDisplay << QList<QByteArray>{"card.qmark"} << 1
            << QByteArray("needs a display");
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
        case Run::CutShortCard: writeFileBytes(folder + "/cut.qmark", card.chopped(100)); break;
        case Run::OverFileSizeLimit:
            if (QStandardPaths::findExecutable("prlimit").isEmpty())
                QSKIP("prlimit is missing to set the file size limit");
            writeFileBytes(folder + "/out.pdf", "old");
            break;
        default: break;
        }
        const QByteArray temporary = QFile::encodeName(folder) + "/tmp";
        QVERIFY(QDir().mkpath(QFile::decodeName(temporary)));
        const QByteArray previousTemporary = qgetenv("TMPDIR");
        qputenv("TMPDIR", temporary);
        QList<QByteArray> launcher;
        if (run == Run::OverFileSizeLimit)
            launcher = {QFile::encodeName(QStandardPaths::findExecutable("prlimit")),
                        "--fsize=1000"};

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
        // Without a display: the environment less every variable that could name one.
        const bool displayless = run == Run::NoDisplay || run == Run::UnreachableDisplay;
        std::vector<QByteArray> kept;
        for (char** variable = environ; *variable; ++variable) {
            const QByteArray entry(*variable);
            if (!displayless
                || !(entry.startsWith("DISPLAY=") || entry.startsWith("WAYLAND_DISPLAY=")
                     || entry.startsWith("QT_QPA_PLATFORM=")))
                kept.push_back(entry);
        }
        if (run == Run::UnreachableDisplay) {
            kept.push_back("DISPLAY=:9876");
            kept.push_back("QT_QPA_PLATFORM=xcb");
        }
        std::vector<char*> environment;
        for (QByteArray& entry : kept)
            environment.push_back(entry.data());
        environment.push_back(nullptr);
        const RunResult result = runQmark(arguments, folder, launcher, environment.data());
        qputenv("TMPDIR", previousTemporary);
        if (reader.joinable()) {
            ::close(::open(at + "fifo", O_WRONLY | O_NONBLOCK));
            reader.join();
        }
        // Nothing is left in the temporary folder, nor beside the output.
        QCOMPARE(leftIn(QFile::decodeName(temporary)), QStringList());
        QCOMPARE(namesStarting(folder, ".qmark-"), QStringList());

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
        case Run::OptionsReordered: QVERIFY(isPdf(readFileBytes(folder + "/out.pdf"))); break;
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
        case Run::CutShortCard: QVERIFY(isPdf(readFileBytes(folder + "/cut.pdf"))); break;
        case Run::OverFileSizeLimit:
            QCOMPARE(readFileBytes(folder + "/out.pdf"), QByteArray("old"));
            break;
        case Run::Latin1Names: {
            const RegularFileRead written =
                readRegularFile(decodeFileName(at + "out\xe9.pdf"), 1 << 24);
            QVERIFY(written.ok() && isPdf(written.bytes));
            break;
        }
        default: break;
        }
    }

    // An export ended from outside while it draws leaves nothing in the temporary folder, nor
    // beside its output.
    void interruptedExportLeavesNoFiles()
    {
        QTemporaryDir dir;
        const QString folder = dir.path();
        const QString temporary = folder + "/tmp";
        QVERIFY(QDir().mkpath(temporary));
        const QByteArray label = "\"Label\"\r\n\"${Name}\"\r\n1380\r\n330\r\n3000\r\n720\r\n"
                                 "16777215\r\n0\r\n0\r\n\"Sans\"\r\n9.75\r\n#FALSE#\r\n"
                                 "#FALSE#\r\n#FALSE#\r\n0\r\n\"\"\r\n\"\"\r\n\"Text\"\r\n";
        writeFileBytes(folder + "/card.qmark", CardRecord + label.repeated(2));
        QByteArray csv = "Name\r\n";
        for (int row = 0; row < 40'000; ++row)
            csv += "Person " + QByteArray::number(row) + "\r\n";
        writeFileBytes(folder + "/people.csv", csv);

        QProcess export_;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", temporary);
        export_.setProcessEnvironment(environment);
        export_.setWorkingDirectory(folder);
        export_.start(QUILLMARK_BINARY_DIR "/qmark",
                      {"--export-pdf", "out.pdf", "--merge", "people.csv", "card.qmark"});
        QVERIFY(export_.waitForStarted());
        // Ended once the page is being drawn into its scratch file.
        const QString descriptors = QString("/proc/%1/fd").arg(export_.processId());
        bool drawing = false;
        QDeadlineTimer deadline(60000);
        while (!drawing && !deadline.hasExpired() && export_.state() == QProcess::Running) {
            for (const QString& fd : QDir(descriptors).entryList(QDir::AllEntries | QDir::System)) {
                char target[PATH_MAX] = {};
                const QByteArray link = QFile::encodeName(descriptors + '/' + fd);
                if (::readlink(link.constData(), target, sizeof target - 1) > 0)
                    drawing = drawing || QFile::decodeName(target).startsWith(temporary + '/');
            }
            QThread::msleep(5);
        }
        QVERIFY2(drawing, "the export ended before it drew");
        ::kill(pid_t(export_.processId()), SIGKILL);
        QVERIFY(export_.waitForFinished());
        QCOMPARE(leftIn(temporary), QStringList());
        QCOMPARE(namesStarting(folder, "."), QStringList());
        QVERIFY(!QFileInfo::exists(folder + "/out.pdf"));
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
