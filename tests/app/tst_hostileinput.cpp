// Hostile input through the real window: a full disk, FIFOs and devices in place of files,
// absurd geometry, too many elements and names that are not UTF-8. Nothing may block, crash,
// lose the file on disk or erase the design before the new one is known to be readable.
#include "cardtest.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include "document/filename.h"
#include "document/regularfile.h"
#include "document/twips.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
    NonUtf8Name
};

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
    }

    void hostileInputIsRefusedWithoutLoss()
    {
        QFETCH(Case, kind);
        QFETCH(QString, message);
        ScriptedPlatform platform;
        QTemporaryDir dir;
        const QString folder = dir.path();
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
        if (kind == Case::FullDisk) {
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
            fullDiskCard = CardRecord + shapeRecord("375", 1).repeated(4);
            writeFileBytes(commandLine, fullDiskCard);
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

        auto window = std::make_unique<MainWindow>(StartupOptions{folder + "/qmark", commandLine});
        window->startUp();
        window->show();
        CardEditor& editor = window->editor();
        // A design of our own, which no refused file may erase.
        QTest::mouseClick(window->textButton, Qt::LeftButton);
        const qsizetype textsBefore = editor.design().items().size();

        const auto openCard = [&](const QString& path) {
            platform.messageAnswers.enqueue(QMessageBox::Yes);
            platform.openAnswers.enqueue(path);
            QTest::mouseClick(window->openButton, Qt::LeftButton);
        };
        const auto save = [&](const QString& menuItem, const QString& path = {}) {
            platform.menuAnswers.enqueue(menuItem);
            if (!path.isEmpty())
                platform.saveAnswers.enqueue(path);
            QTest::mouseClick(window->saveButton, Qt::LeftButton);
        };
        const QString cardPath = folder + "/hostile.qmark";
        switch (kind) {
        case Case::FullDisk:
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
            // The earlier card stays byte for byte.
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
        case Case::FifoCard:
        case Case::NonUtf8Name: break;
        }
        // Whatever came in, the window paints.
        QVERIFY(!window->grab().isNull());

        if (mounted.size())
            ::umount2(QFile::encodeName(mounted).constData(), MNT_DETACH);
        // Open's own question is not a report.
        platform.messageBoxes.removeIf([](const auto& box) {
            return box.title == "Open" && box.text.startsWith("Are you sure");
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
        case Case::DevZero:
        case Case::Oversized: break;
        }
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
