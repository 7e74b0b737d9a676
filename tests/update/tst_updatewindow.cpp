#include "control.h"
#include "controls/skinbutton.h"
#include "controls/tubeprogressbar.h"
#include "loopbackserver.h"
#include "scriptedplatform.h"
#include "shell/webpage.h"
#include "update/downloader.h"
#include "update/updatewindow.h"

#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "testfiles.h"

#include <sodium.h>

namespace {

// The installer the tests serve: it leaves a mark beside itself when it runs.
QByteArray installerScript()
{
    return "#!/bin/sh\necho ran > \"$(dirname \"$0\")/installer-ran\"\n";
}

// The signature line a release would publish for `bytes`, made with the test key pair.
QByteArray signedBy(const QByteArray& bytes)
{
    QFile keyFile(QUILLMARK_SOURCE_DIR "/tests/update/update-signing-TEST-KEY.txt");
    if (!keyFile.open(QIODevice::ReadOnly) || sodium_init() < 0)
        qFatal("cannot read the test key");
    QByteArray seed;
    for (const QByteArray& line : keyFile.readAll().split('\n'))
        if (line.startsWith("seed "))
            seed = QByteArray::fromHex(line.mid(5));
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    crypto_sign_seed_keypair(publicKey, secretKey,
                             reinterpret_cast<const unsigned char*>(seed.constData()));
    QByteArray signature(crypto_sign_BYTES, Qt::Uninitialized);
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char*>(bytes.constData()),
                         quint64(bytes.size()), secretKey);
    return signature.toBase64() + "\n";
}

const QString versionPath = "/updatesoft/quillmark.txt";
const QString installerPath = "/download/quillmark.exe";

// A served installer large enough to be caught in the middle, sent slowly.
LoopbackServer::Response slowInstaller()
{
    LoopbackServer::Response response = LoopbackServer::ok(QByteArray(40 * 1024, 'i'));
    response.trickleBytes = 1024;
    response.trickleMs = 20;
    return response;
}

} // namespace

class TestUpdateWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackServer> m_server;
    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString folderPath(const QString& name = {}) const { return m_dir->filePath(name); }

    // A window that has checked the version file; it is shown when an update exists.
    std::unique_ptr<UpdateWindow> checkedWindow(const QByteArray& version, bool* shown = nullptr)
    {
        m_server->setResponse(versionPath, LoopbackServer::ok(version));
        auto window = std::make_unique<UpdateWindow>(nullptr);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->setProgramFolder(m_dir->path());
        window->setServer(m_server->address());
        window->setRequestTimeout(500);
        const bool update = window->checkForUpdate();
        if (shown)
            *shown = update;
        if (update)
            window->show();
        return window;
    }

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const auto& box : m_platform->messageBoxes)
            texts << box.title + "|" + box.text;
        return texts;
    }

private slots:
    void init()
    {
        m_server = std::make_unique<LoopbackServer>();
        QVERIFY(m_server->listen());
        m_platform = std::make_unique<ScriptedPlatform>();
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        m_platform.reset();
        m_server.reset();
    }

    void versionFile_data()
    {
        QTest::addColumn<LoopbackServer::Response>("response");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QStringList>("boxes");
        const QString none = "|There are no updates available.";
        QTest::newRow("100") << LoopbackServer::ok("100") << false << QStringList{none};
        QTest::newRow("empty") << LoopbackServer::ok("") << false << QStringList{none};
        QTest::newRow("101abc") << LoopbackServer::ok("101abc") << true
                                << QStringList{"Update|Update Available, Please wait..."};
        // Error pages and silent servers are no answer at all: nothing is shown.
        QTest::newRow("404 page") << LoopbackServer::raw(
            "HTTP/1.1 404 Not Found\r\nContent-Length: 3", "404")
                                  << false << QStringList{};
        LoopbackServer::Response stalled = LoopbackServer::ok("101");
        stalled.stall = true;
        QTest::newRow("stalled") << stalled << false << QStringList{};
        // An endless reply is read only as far as a version file can reach.
        LoopbackServer::Response endless =
            LoopbackServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 4000000000");
        endless.generatedSize = 4000000000;
        QTest::newRow("endless") << endless << false << QStringList{none};
    }
    void versionFile()
    {
        QFETCH(LoopbackServer::Response, response);
        QFETCH(bool, shown);
        QFETCH(QStringList, boxes);
        m_server->setResponse(versionPath, response);
        UpdateWindow window(nullptr);
        window.setServer(m_server->address());
        window.setRequestTimeout(500);
        QCOMPARE(window.checkForUpdate(), shown);
        QCOMPARE(boxTexts(), boxes);
        for (const auto& box : m_platform->messageBoxes)
            QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(control<QTimer>(&window, "downloadTimer")->isActive(), shown);
        QCOMPARE(window.windowTitle(), QString("Check for Update..."));
    }

    // What a served installer and its signature lead to: the boxes after "Update Available",
    // whether the installer ran, and what the program folder holds afterwards.
    void installerFaults_data()
    {
        QTest::addColumn<LoopbackServer::Response>("installer");
        QTest::addColumn<LoopbackServer::Response>("signature");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("ran");

        const QByteArray script = installerScript();
        const QString unverified =
            "Update|The downloaded update could not be verified. Nothing was installed.";
        const LoopbackServer::Response installer = LoopbackServer::ok(script);
        QTest::newRow("valid signature") << installer << LoopbackServer::ok(signedBy(script))
                                         << QStringList{"|Complete"} << true;
        QTest::newRow("missing signature")
            << installer << LoopbackServer::raw("HTTP/1.1 404 Not Found\r\nContent-Length: 0")
            << QStringList{unverified} << false;
        QTest::newRow("signature of the wrong length")
            << installer << LoopbackServer::ok("c2lnbmF0dXJl\n") << QStringList{unverified}
            << false;
        // Of the right length and form, so that only the signature check itself refuses it.
        QByteArray flipped = QByteArray::fromBase64(signedBy(script).trimmed());
        flipped[10] = char(flipped[10] ^ 0x01);
        QTest::newRow("bad signature") << installer << LoopbackServer::ok(flipped.toBase64() + "\n")
                                       << QStringList{unverified} << false;
        QTest::newRow("signature of another file")
            << installer << LoopbackServer::ok(signedBy(script + "\n")) << QStringList{unverified}
            << false;
        QTest::newRow("signature beyond 1 KiB")
            << installer << LoopbackServer::ok(signedBy(script) + QByteArray(1024, ' '))
            << QStringList{unverified} << false;
        // A body that may have been cut never gets as far as its signature.
        QTest::newRow("close-delimited installer")
            << LoopbackServer::raw("HTTP/1.1 200 OK\r\nConnection: close", script)
            << LoopbackServer::ok(signedBy(script))
            << QStringList{"Error|The connection with the server was reset."} << false;
    }
    void installerFaults()
    {
        QFETCH(LoopbackServer::Response, installer);
        QFETCH(LoopbackServer::Response, signature);
        QFETCH(QStringList, boxes);
        QFETCH(bool, ran);
        const QByteArray earlier = "the installer that was there";
        writeFileBytes(folderPath("quillmark.exe"), earlier);
        m_server->setResponse(installerPath, installer);
        m_server->setResponse(installerPath + ".sig", signature);
        m_platform->startProcesses = true;
        bool shown = false;
        auto window = checkedWindow("101abc", &shown);
        QVERIFY(shown);
        QVERIFY(control<SkinButton>(window.get(), "downloadButton")->isHidden());
        QCOMPARE(m_server->requests.size(), 1);
        // The download starts by itself a second later, without a click.
        QTRY_COMPARE_WITH_TIMEOUT(m_platform->messageBoxes.size(), 2, 5000);

        QCOMPARE(boxTexts(), QStringList{"Update|Update Available, Please wait..."} + boxes);
        QCOMPARE(m_platform->exits, ran ? QList<int>{0} : QList<int>{});
        QCOMPARE(m_platform->processes.size(), ran ? 1 : 0);
        if (ran) {
            QCOMPARE(m_platform->processes[0].program, folderPath("quillmark.exe"));
            QVERIFY(QFileInfo(folderPath("quillmark.exe")).isExecutable());
            QTRY_COMPARE(readFileBytes(folderPath("installer-ran")), QByteArray("ran\n"));
            QCOMPARE(window->windowTitle(), QString("Download, Pelase wait..."));
        }
        const QStringList left =
            ran ? QStringList{"installer-ran", "quillmark.exe"} : QStringList{"quillmark.exe"};
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), left);
        if (!ran) {
            QCOMPARE(readFileBytes(folderPath("quillmark.exe")), earlier);
            QCOMPARE(control<SkinButton>(window.get(), "downloadButton")->caption(),
                     QString("Download"));
        }
        QVERIFY(m_server->requests.value(1).startsWith("GET /download/quillmark.exe "));
    }

    // The version check over https with a certificate nobody vouches for: refused, and the
    // user is told why.
    void untrustedHttpsServer()
    {
        LoopbackServer server;
        if (!server.listenTls())
            QSKIP("no openssl program to make a certificate with");
        server.setResponse(versionPath, LoopbackServer::ok("101"));
        UpdateWindow window(nullptr);
        window.setServer(server.address());
        window.setRequestTimeout(2000);
        QVERIFY(!window.checkForUpdate());
        QCOMPARE(
            boxTexts(),
            QStringList{"Error|Error: The certificate is self-signed, and untrusted occurred."});
        QVERIFY(server.requests.isEmpty());
    }

    // An address the updater cannot use is said once, not swapped for the default in silence.
    void serverAddressNotWeb()
    {
        const QByteArray configured = qgetenv("QUILLMARK_SERVER");
        const auto restore = qScopeGuard([&] { qputenv("QUILLMARK_SERVER", configured); });
        qputenv("QUILLMARK_SERVER", "ftp://127.0.0.1:21");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("\"ftp://127.0.0.1:21\".*http"));
        QTest::failOnWarning(QRegularExpression("ftp://"));
        QVERIFY(makerServer().startsWith("http"));
        QVERIFY(makerServer().startsWith("http"));
    }

    void cancelMidDownload()
    {
        m_server->setResponse(installerPath, slowInstaller());
        auto window = checkedWindow("101");
        connect(control<Downloader>(window.get(), "downloader"), &Downloader::progress,
                window.get(), [&](const QString& p) {
                    if (p == "10")
                        QTest::mouseClick(control<SkinButton>(window.get(), "downloadButton"),
                                          Qt::LeftButton);
                });
        window->downloadTimerFired();

        QCOMPARE(window->windowTitle(), QString("Search for update"));
        QCOMPARE(control<SkinButton>(window.get(), "downloadButton")->caption(),
                 QString("Download"));
        QCOMPARE(control<TubeProgressBar>(window.get(), "progressBar")->value(), 0);
        QVERIFY(!QFile::exists(folderPath("quillmark.exe")));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
        QCOMPARE(m_platform->messageBoxes.size(), 1);
        QVERIFY(m_platform->exits.isEmpty());
    }

    void errorInOneBox()
    {
        m_server->setResponse(installerPath,
                              LoopbackServer::raw("HTTP/1.1 404 Not Found\r\nContent-Length: 0"));
        auto window = checkedWindow("102");
        window->downloadTimerFired();

        QCOMPARE(m_platform->messageBoxes.size(), 2);
        const auto& box = m_platform->messageBoxes[1];
        QCOMPARE(box.text,
                 "The file, \"" + m_server->url(installerPath).toString() + "\" was not found!");
        QCOMPARE(box.title, QString("Error"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(window->windowTitle(), QString("Download, Pelase wait..."));
        QCOMPARE(control<SkinButton>(window.get(), "downloadButton")->caption(),
                 QString("Download"));
        QVERIFY(m_platform->exits.isEmpty());

        // "Download" again goes back to the server.
        m_server->setResponse(installerPath, LoopbackServer::ok("#!/bin/sh\n"));
        m_server->setResponse(installerPath + ".sig", LoopbackServer::ok(signedBy("#!/bin/sh\n")));
        QTest::mouseClick(control<SkinButton>(window.get(), "downloadButton"), Qt::LeftButton);
        QCOMPARE(m_platform->exits, QList<int>{0});
    }

    void closedWhileDownloading()
    {
        m_server->setResponse(installerPath, slowInstaller());
        auto* window = checkedWindow("101").release();
        QPointer<UpdateWindow> guard(window);
        connect(control<Downloader>(window, "downloader"), &Downloader::progress, window,
                [window](const QString& p) {
                    if (p == "5")
                        window->close();
                });
        window->downloadTimerFired();
        QTRY_VERIFY(guard.isNull());
        QVERIFY(!QFile::exists(folderPath("quillmark.exe")));
    }

    void resizeRule()
    {
        auto window = checkedWindow("101");
        control<QTimer>(window.get(), "downloadTimer")->stop();
        window->resize(500, 300);
        QCOMPARE(control<TubeProgressBar>(window.get(), "progressBar")->width(), 500 - 147);
        QCOMPARE(control<TubeProgressBar>(window.get(), "progressBar")->y(), 300 - 133);
        QCOMPARE(control<SkinButton>(window.get(), "downloadButton")->pos(),
                 QPoint(500 - 120, 300 - 133));
        QCOMPARE(control<TubeProgressBar>(window.get(), "progressBar")->barColorSet(), 2);
    }
};

QTEST_MAIN(TestUpdateWindow)
#include "tst_updatewindow.moc"
