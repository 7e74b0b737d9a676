// A 100 MB download from a loopback server, as the update window runs it (1024-byte chunks,
// a progress signal and an event-loop pass after each, the progress bar fed every time),
// against curl fetching the same URL in the same run.
#include "benchmain.h"

#include "controls/tubeprogressbar.h"
#include "loopbackserver.h"
#include "update/downloader.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

namespace {

constexpr qint64 downloadSize = 100 * 1024 * 1024;

// Peak resident memory since the last reset, in MB.
double peakMegabytes()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

double residentMegabytes()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

void resetPeak()
{
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void BM_Download100MB(benchmark::State& state)
{
    // The server runs in a thread of its own, as a real one would in its own process.
    QThread serverThread;
    auto* server = new LoopbackServer;
    server->moveToThread(&serverThread);
    QObject::connect(&serverThread, &QThread::finished, server, &QObject::deleteLater);
    serverThread.start();
    LoopbackServer::Response response = LoopbackServer::raw("HTTP/1.1 200 OK\r\nContent-Length: "
                                                            + QByteArray::number(downloadSize));
    response.generatedSize = downloadSize;
    QUrl url;
    QMetaObject::invokeMethod(
        server,
        [&] {
            server->listen();
            server->setResponse("/download/quillmark.exe", response);
            url = server->url("/download/quillmark.exe");
        },
        Qt::BlockingQueuedConnection);

    QTemporaryDir dir;
    TubeProgressBar bar;
    bar.resize(253, 24);
    bar.show();
    Downloader downloader;
    QObject::connect(&downloader, &Downloader::progress, &bar,
                     [&bar](const QString& percent) { bar.setValue(percent.toInt()); });

    double seconds = 0, curlSeconds = 0, peak = 0, base = 0;
    for (auto _ : state) {
        base = residentMegabytes();
        resetPeak();
        QElapsedTimer timer;
        timer.start();
        const bool ok = downloader.download(url, dir.filePath("quillmark.exe"));
        seconds = timer.nsecsElapsed() / 1e9;
        peak = peakMegabytes();
        if (!ok || QFileInfo(dir.filePath("quillmark.exe")).size() != downloadSize)
            state.SkipWithError("download failed");

        QProcess curl;
        timer.restart();
        curl.start("curl", {"-s", "-o", dir.filePath("curl.exe"), url.toString()});
        QEventLoop loop;
        QObject::connect(&curl, &QProcess::finished, &loop, &QEventLoop::quit);
        if (curl.waitForStarted())
            loop.exec();
        curlSeconds = timer.nsecsElapsed() / 1e9;
        if (QFileInfo(dir.filePath("curl.exe")).size() != downloadSize)
            state.SkipWithError("curl failed");
    }
    const double megabytes = downloadSize / 1048576.0;
    state.counters["MB_per_s"] = megabytes / seconds;
    state.counters["curl_MB_per_s"] = megabytes / curlSeconds;
    state.counters["ratio_to_curl"] = curlSeconds / seconds;
    state.counters["peak_MB"] = peak;
    state.counters["rss_before_MB"] = base;
    serverThread.quit();
    serverThread.wait();
}

} // namespace

BENCHMARK(BM_Download100MB)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
