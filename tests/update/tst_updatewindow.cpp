#include "controls/skinbutton.h"
#include "controls/tubeprogressbar.h"
#include "loopbackserver.h"
#include "scriptedplatform.h"
#include "update/downloader.h"
#include "update/updatewindow.h"

#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "testfiles.h"

namespace {

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
        QCOMPARE(window.downloadTimer->isActive(), shown);
        QCOMPARE(window.windowTitle(), QString("Check for Update..."));
    }

    void updateStartsInstallerAndEnds()
    {
        const QString marker = folderPath("installer-ran");
        m_server->setResponse(
            installerPath, LoopbackServer::ok("#!/bin/sh\necho ran > '" + marker.toUtf8() + "'\n"));
        m_platform->startProcesses = true;
        bool shown = false;
        auto window = checkedWindow("101abc", &shown);
        QVERIFY(shown);
        QVERIFY(window->downloadButton->isHidden());
        QCOMPARE(m_server->requests.size(), 1);
        // The download starts by itself a second later, without a click.
        QTRY_COMPARE_WITH_TIMEOUT(m_platform->exits, QList<int>{0}, 5000);

        QCOMPARE(boxTexts(), (QStringList{"Update|Update Available, Please wait...", "|Complete"}));
        QCOMPARE(m_platform->processes.size(), 1);
        QCOMPARE(m_platform->processes[0].program, folderPath("quillmark.exe"));
        QVERIFY(QFileInfo(folderPath("quillmark.exe")).isExecutable());
        QTRY_COMPARE(readFileBytes(marker), QByteArray("ran\n"));
        QCOMPARE(window->windowTitle(), QString("Download, Pelase wait..."));
        QVERIFY(m_server->requests.value(1).startsWith("GET /download/quillmark.exe "));
    }

    void cancelMidDownload()
    {
        m_server->setResponse(installerPath, slowInstaller());
        auto window = checkedWindow("101");
        connect(window->downloader, &Downloader::progress, window.get(), [&](const QString& p) {
            if (p == "10")
                QTest::mouseClick(window->downloadButton, Qt::LeftButton);
        });
        window->downloadTimerFired();

        QCOMPARE(window->windowTitle(), QString("Search for update"));
        QCOMPARE(window->downloadButton->caption(), QString("Download"));
        QCOMPARE(window->progressBar->value(), 0);
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
        QCOMPARE(window->downloadButton->caption(), QString("Download"));
        QVERIFY(m_platform->exits.isEmpty());

        // "Download" again goes back to the server.
        m_server->setResponse(installerPath, LoopbackServer::ok("#!/bin/sh\n"));
        QTest::mouseClick(window->downloadButton, Qt::LeftButton);
        QCOMPARE(m_platform->exits, QList<int>{0});
    }

    void closedWhileDownloading()
    {
        m_server->setResponse(installerPath, slowInstaller());
        auto* window = checkedWindow("101").release();
        QPointer<UpdateWindow> guard(window);
        connect(window->downloader, &Downloader::progress, window, [window](const QString& p) {
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
        window->downloadTimer->stop();
        window->resize(500, 300);
        QCOMPARE(window->progressBar->width(), 500 - 147);
        QCOMPARE(window->progressBar->y(), 300 - 133);
        QCOMPARE(window->downloadButton->pos(), QPoint(500 - 120, 300 - 133));
        QCOMPARE(window->progressBar->barColorSet(), 2);
    }
};

QTEST_MAIN(TestUpdateWindow)
#include "tst_updatewindow.moc"
