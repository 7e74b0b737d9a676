#include "loopbackserver.h"
#include "update/downloader.h"
#include "update/downloadrules.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "testfiles.h"

#include <csignal>
#include <sys/resource.h>

using Response = LoopbackServer::Response;

class TestDownloader : public QObject {
    Q_OBJECT

private slots:
    void serverFaults_data();
    void serverFaults();
    void rules_data();
    void rules();
    void oneSilenceBudget();
};

// A body that stops after 2,000 bytes is reported once, one timeout after its last byte, however
// many waits the transfer is in the middle of.
void TestDownloader::oneSilenceBudget()
{
    LoopbackServer server;
    QVERIFY(server.listen());
    Response stalled = LoopbackServer::ok(LoopbackServer::patternBytes(0, 5000));
    stalled.stallAfter = 2000;
    server.setResponse("/download/quillmark.exe", stalled);
    QTemporaryDir dir;
    Downloader downloader;
    downloader.setRequestTimeout(1000);
    QStringList failures;
    QElapsedTimer sinceLastByte;
    connect(&downloader, &Downloader::failed, this, [&](const QString& e) { failures << e; });
    // The 2,000 bytes come at once; the first of them is written at once too.
    connect(&downloader, &Downloader::progress, this, [&] {
        if (!sinceLastByte.isValid())
            sinceLastByte.start();
    });
    QVERIFY(!downloader.download(server.url("/download/quillmark.exe"), dir.filePath("file")));
    const qint64 silence = sinceLastByte.elapsed();
    QCOMPARE(failures, QStringList{"The connection with the server was reset."});
    QVERIFY2(silence >= 900 && silence < 1600, qPrintable(QString::number(silence)));
}

void TestDownloader::serverFaults_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("cancelOn"); // "", "wait" (before the reply) or "progress"
    QTest::addColumn<bool>("result");
    // What the signals said, in order; "progress" lines are left out unless expectProgress.
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("expectProgress");
    QTest::addColumn<QByteArray>("file"); // the destination afterwards

    const QByteArray body = LoopbackServer::patternBytes(0, 2500);
    const QByteArray old = "the installer that was there";
    const QString reset = "failed The connection with the server was reset.";
    const auto status = [](const QByteArray& head, const QByteArray& content = {}) {
        return LoopbackServer::raw(
            head + "\r\nContent-Length: " + QByteArray::number(content.size()), content);
    };

    QTest::newRow("2500 bytes") << LoopbackServer::ok(body) << "" << true
                                << QStringList{"progress 41", "progress 82", "progress 100",
                                               "progress 100", "finished"}
                                << true << body;
    QTest::newRow("206") << status("HTTP/1.1 206 Partial Content", "0123456789") << "" << true
                         << QStringList{"finished"} << false << QByteArray("0123456789");
    QTest::newRow("204") << LoopbackServer::raw("HTTP/1.1 204 No Content") << "" << false
                         << QStringList{"failed Nothing to download!"} << false << old;
    QTest::newRow("401") << status("HTTP/1.1 401 Unauthorized") << "" << false
                         << QStringList{"failed Authorization failed!"} << false << old;
    QTest::newRow("404") << status("HTTP/1.1 404 Not Found", "gone") << "" << false
                         << QStringList{"failed The file, \"%URL%\" was not found!"} << false
                         << old;
    QTest::newRow("500") << status("HTTP/1.1 500 Internal Server Error") << "" << false
                         << QStringList{"failed The server returned the following response:\r\r"
                                        "HTTP/1.1 500 Internal Server Error\r"}
                         << false << old;
    QTest::newRow("empty reply") << Response{} << "" << false
                                 << QStringList{"failed The server returned the following "
                                                "response:\r\r<nothing>"}
                                 << false << old;
    QTest::newRow("announces nothing")
        << status("HTTP/1.1 200 OK") << "" << false << QStringList{"failed Nothing to download!"}
        << false << old;
    Response cut = LoopbackServer::ok(body);
    cut.cutAfter = 1500;
    QTest::newRow("cut short") << cut << "" << false << QStringList{reset} << false << old;
    QTest::newRow("longer than announced")
        << LoopbackServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 1000", body) << "" << true
        << QStringList{"finished"} << false << body.left(1000);
    Response chunked = LoopbackServer::raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked", body);
    chunked.chunked = true;
    chunked.trickleBytes = 700;
    chunked.trickleMs = 5;
    QTest::newRow("chunked") << chunked << "" << true << QStringList{"finished"} << false << body;
    Response chunkedCut = chunked;
    chunkedCut.cutAfter = 1400;
    QTest::newRow("chunked, no final chunk")
        << chunkedCut << "" << false << QStringList{reset} << false << old;
    // Framing the server spells out itself: bad chunk sizes, a chunk without its line end, and
    // bodies that end only where the connection closes, however much of them came.
    const auto framed = [](const QByteArray& header, const QByteArray& coded) {
        return LoopbackServer::raw("HTTP/1.1 200 OK\r\n" + header, coded);
    };
    const QByteArray chunkedHeader = "Transfer-Encoding: chunked";
    QTest::newRow("chunk size not hex") << framed(chunkedHeader, "zz\r\nabc\r\n0\r\n\r\n") << ""
                                        << false << QStringList{reset} << false << old;
    QTest::newRow("chunk size too big")
        << framed(chunkedHeader, "ffffffffffffffffff\r\n" + body + "\r\n0\r\n\r\n") << "" << false
        << QStringList{reset} << false << old;
    QTest::newRow("chunk without line end") << framed(chunkedHeader, "5\r\nhelloXX0\r\n\r\n") << ""
                                            << false << QStringList{reset} << false << old;
    QTest::newRow("unknown coding")
        << framed("Transfer-Encoding: gzip, chunked", "5\r\nhello\r\n0\r\n\r\n") << "" << false
        << QStringList{reset} << false << old;
    QTest::newRow("close-delimited, empty")
        << framed("Connection: close", {}) << "" << false << QStringList{reset} << false << old;
    Response closeCut = framed("Connection: close", LoopbackServer::patternBytes(0, 60000));
    closeCut.cutAfter = 30000;
    QTest::newRow("close-delimited, cut")
        << closeCut << "" << false << QStringList{reset} << false << old;
    QTest::newRow("close-delimited, whole")
        << framed("Connection: close", body) << "" << false << QStringList{reset} << false << old;
    // The system's reason for a failed write reaches the user.
    QTest::newRow("file too large")
        << LoopbackServer::ok(body) << "" << false
        << QStringList{"failed Cannot write file to disk.\r\rError 27: File too large"} << false
        << old;
    QTest::newRow("https, self-signed")
        << LoopbackServer::ok(body) << "" << false
        << QStringList{"failed Error: The certificate is self-signed, and untrusted occurred."}
        << false << old;
    QTest::newRow("https, trusted")
        << LoopbackServer::ok(body) << "" << true << QStringList{"finished"} << false << body;
    QTest::newRow("no room")
        << status("HTTP/1.1 200 OK") << "" << false
        << QStringList{"failed There is not enough free space on disk for this file."} << false
        << old;
    Response stalled = LoopbackServer::ok(body);
    stalled.stall = true;
    QTest::newRow("stalled before the reply")
        << stalled << "" << false << QStringList{"failed Error: Connection timed out occurred."}
        << false << old;
    Response stalledBody = LoopbackServer::ok(body);
    stalledBody.stallAfter = 1100;
    QTest::newRow("stalled in the body")
        << stalledBody << "" << false << QStringList{reset} << false << old;
    QTest::newRow("cancel while waiting")
        << stalled << "wait" << false << QStringList{} << false << old;
    QTest::newRow("cancel during the transfer")
        << LoopbackServer::ok(body) << "progress" << false << QStringList{} << false << old;
}

void TestDownloader::serverFaults()
{
    QFETCH(Response, response);
    QFETCH(QString, cancelOn);
    QFETCH(bool, result);
    QFETCH(QStringList, events);
    QFETCH(bool, expectProgress);
    QFETCH(QByteArray, file);

    if (QByteArray(QTest::currentDataTag()) == "no room")
        response.head.replace("Content-Length: 0", "Content-Length: 9000000000000000");
    const QByteArray tag = QTest::currentDataTag();
    LoopbackServer server;
    if (tag.startsWith("https")) {
        if (!server.listenTls())
            QSKIP("no openssl program to make a certificate with");
    } else {
        QVERIFY(server.listen());
    }
    server.setResponse("/download/quillmark.exe", response);
    const QUrl url = server.url("/download/quillmark.exe");

    QTemporaryDir dir;
    // The destination's folder does not exist yet: the download makes it.
    const QString destination = dir.filePath("program/quillmark.exe");
    QVERIFY(QDir(dir.path()).mkdir("program"));
    writeFileBytes(destination, "the installer that was there");

    Downloader downloader;
    downloader.setRequestTimeout(300);
    QStringList seen;
    connect(&downloader, &Downloader::noted, this, [&](const QString& e) { seen << "noted " + e; });
    connect(&downloader, &Downloader::failed, this,
            [&](const QString& e) { seen << "failed " + e; });
    connect(&downloader, &Downloader::finished, this, [&] { seen << "finished"; });
    connect(&downloader, &Downloader::progress, this, [&](const QString& percent) {
        seen << "progress " + percent;
        if (cancelOn == "progress")
            downloader.cancel();
    });
    if (cancelOn == "wait")
        QTimer::singleShot(50, &downloader, &Downloader::cancel);

    const QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    struct rlimit fileLimit = {};
    getrlimit(RLIMIT_FSIZE, &fileLimit);
    const auto restore = qScopeGuard([&] {
        QSslConfiguration::setDefaultConfiguration(tls);
        setrlimit(RLIMIT_FSIZE, &fileLimit);
    });
    if (tag == "https, trusted") {
        QSslConfiguration trusting = tls;
        trusting.addCaCertificate(server.certificate());
        QSslConfiguration::setDefaultConfiguration(trusting);
    }
    if (tag == "file too large") {
        // Files of this process may grow to 1500 bytes; a write beyond fails as a full disk would.
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit small = {1500, fileLimit.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    }

    QCOMPARE(downloader.download(url, destination), result);

    QCOMPARE(seen.takeFirst(), QString("noted Getting file information"));
    if (!expectProgress)
        seen.removeIf([](const QString& e) { return e.startsWith("progress"); });
    events.replaceInStrings("%URL%", url.toString());
    QCOMPARE(seen, events);
    QCOMPARE(readFileBytes(destination), file);
    // Nothing else is left beside it, whatever happened.
    QCOMPARE(QDir(dir.filePath("program")).entryList(QDir::Files | QDir::Hidden),
             QStringList{"quillmark.exe"});
    // A server that could not prove who it is was told nothing.
    if (tag == "https, self-signed")
        QVERIFY(server.requests.isEmpty());
    else
        QVERIFY(server.requests.value(0).contains("\r\nRange: bytes=0-\r\n"));
}

void TestDownloader::rules_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("version 101abc") << "number"
                                    << "101abc"
                                    << "101";
    QTest::newRow("version blanks") << "number"
                                    << " \t 1.5x"
                                    << "1.5";
    QTest::newRow("version empty") << "number"
                                   << ""
                                   << "0";
    QTest::newRow("version sign only") << "number"
                                       << "-x"
                                       << "0";
    QTest::newRow("version exponent") << "number"
                                      << "1e3z"
                                      << "1000";
    QTest::newRow("version bare exponent") << "number"
                                           << "5e+"
                                           << "5";
    QTest::newRow("update 101") << "update"
                                << "101\r\n"
                                << "true";
    QTest::newRow("update 100") << "update"
                                << "100"
                                << "false";
    QTest::newRow("update 100.5") << "update"
                                  << "100.5"
                                  << "true";
    QTest::newRow("name") << "name"
                          << "http://h:8080/download/quillmark.exe"
                          << "quillmark.exe";
    QTest::newRow("name trailing slash") << "name"
                                         << "http://h/download/"
                                         << "";
    QTest::newRow("name without dot") << "name"
                                      << "http://h/download/setup"
                                      << "";
    QTest::newRow("name dot last") << "name"
                                   << "http://h/download/setup."
                                   << "";
    QTest::newRow("name one letter") << "name"
                                     << "http://h/x"
                                     << "";
    QTest::newRow("name https") << "name"
                                << "https://h/a.exe"
                                << "";
    QTest::newRow("name scheme case") << "name"
                                      << "HTTP://h/a.exe"
                                      << "";
    QTest::newRow("name scheme only") << "name"
                                      << "http://"
                                      << "";
    QTest::newRow("status CR LF") << "status"
                                  << "HTTP/1.1 \r\n"
                                  << "Cannot establish connection.";
    QTest::newRow("status short") << "status"
                                  << "HTTP/1.1 2"
                                  << "The server returned the following response:\r\r<nothing>";
    // Only a whole or partial body is a download; other successes are reported as they came.
    for (const char* code : {"201 Created", "202 Accepted"})
        QTest::newRow(code) << "status" << QString("HTTP/1.1 %1\r\n").arg(code)
                            << QString("The server returned the following response:\r\rHTTP/1.1 "
                                       "%1\r")
                                   .arg(code);
    QTest::newRow("status 200") << "status"
                                << "HTTP/1.1 200 OK\r\n"
                                << "";
    QTest::newRow("size") << "size"
                          << "HTTP/1.1 200 OK\r\ncontent-length:  2500xyz\r\n\r\n"
                          << "2500";
    QTest::newRow("size missing") << "size"
                                  << "HTTP/1.1 200 OK\r\nX-Content-Length: 5\r\n\r\n"
                                  << "none";
    QTest::newRow("size in body") << "size"
                                  << "HTTP/1.1 200 OK\r\n\r\nContent-Length: 5\r\n"
                                  << "none";
    // Chunked bodies: what they carry, and whether they ended ("done"), broke or are still open.
    QTest::newRow("chunks") << "chunks"
                            << "5\r\nhello\r\n009;name=value\r\n, world!!\r\n0\r\n\r\n"
                            << "hello, world!!|done";
    QTest::newRow("chunks with trailer") << "chunks"
                                         << "1\r\nx\r\n0\r\nExpires: never\r\n\r\nextra"
                                         << "x|done";
    QTest::newRow("chunks without end") << "chunks"
                                        << "5\r\nhello\r\n"
                                        << "hello|open";
    QTest::newRow("chunk size not hex") << "chunks"
                                        << "zz\r\nhello\r\n0\r\n\r\n"
                                        << "|failed";
    QTest::newRow("chunk size empty") << "chunks"
                                      << "\r\n"
                                      << "|failed";
    QTest::newRow("chunk size 16 digits") << "chunks"
                                          << "1000000000000000\r\n"
                                          << "|failed";
    QTest::newRow("chunk size bare LF") << "chunks"
                                        << "5\nhello\r\n"
                                        << "|failed";
    QTest::newRow("chunk data too long") << "chunks"
                                         << "5\r\nhello!!0\r\n\r\n"
                                         << "hello|failed";
    QTest::newRow("chunk size line endless")
        << "chunks" << QString(ChunkDecoder::lineLimit + 8, '0') << "|failed";
    const QString signature = QByteArray(64, '\x5a').toBase64();
    QTest::newRow("signature") << "signature"
                               << " " + signature + "\r\n"
                               << QString(QByteArray(64, '\x5a').toHex());
    QTest::newRow("signature short")
        << "signature" << QString(QByteArray(63, 'x').toBase64()) << "none";
    QTest::newRow("signature two lines") << "signature" << signature + "\n" + signature << "none";
    QTest::newRow("signature not base64")
        << "signature" << signature.left(40) + "*" + signature.mid(40) << "none";
    // The version a signature names: the first line, blanks around it removed.
    QTest::newRow("signed version") << "version"
                                    << " 101abc \t\r\nnotes\n"
                                    << "101abc";
    QTest::newRow("signed version, one line") << "version"
                                              << "102"
                                              << "102";
    QTest::newRow("signed version, inner blank") << "version"
                                                 << "1 0 2\n"
                                                 << "1 0 2";
    QTest::newRow("percent half to even") << "percent"
                                          << "1/8"
                                          << "12";
    QTest::newRow("percent 2048 of 2500") << "percent"
                                          << "2048/2500"
                                          << "82";
}

void TestDownloader::rules()
{
    QFETCH(QString, kind);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    const QByteArray bytes = input.toLatin1();
    QString actual;
    if (kind == "number")
        actual = QString::number(leadingNumber(bytes));
    else if (kind == "update")
        actual = announcesUpdate(bytes) ? "true" : "false";
    else if (kind == "name")
        actual = fileNameFromUrl(input);
    else if (kind == "status")
        actual = decideStatus(bytes, "u").error;
    else if (kind == "size")
        actual = announcedSize(bytes) ? QString::number(*announcedSize(bytes)) : "none";
    else if (kind == "chunks") {
        // Whole, and a byte at a time: the pieces the bytes come in change nothing.
        const auto decode = [&](qsizetype piece) {
            ChunkDecoder decoder;
            QByteArray body;
            for (qsizetype at = 0; at < bytes.size(); at += piece)
                decoder.feed(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)),
                             body);
            const char* state = decoder.done() ? "done" : decoder.failed() ? "failed" : "open";
            return QString::fromLatin1(body + '|' + state);
        };
        actual = decode(bytes.size() + 1);
        QCOMPARE(decode(1), actual);
    } else if (kind == "signature") {
        const auto decoded = signatureFromLine(bytes);
        actual = decoded ? QString(decoded->toHex()) : "none";
    } else if (kind == "version")
        actual = QString::fromLatin1(announcedVersion(bytes));
    else if (kind == "percent")
        actual = QString::number(percentWritten(input.section('/', 0, 0).toLongLong(),
                                                input.section('/', 1).toLongLong()));
    QCOMPARE(actual, expected);
}

QTEST_MAIN(TestDownloader)
#include "tst_downloader.moc"
