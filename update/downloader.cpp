#include "update/downloader.h"

#include "update/downloadrules.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSaveFile>
#include <QSslSocket>
#include <QStorageInfo>
#include <QTimer>

#include <cerrno>

namespace {

// A header longer than this is not believed to end.
constexpr qsizetype headerLimit = 64 * 1024;
// What is read from the socket at a time, and what it may buffer.
constexpr qint64 readPiece = 64 * 1024;

const QString resetMessage = QStringLiteral("The connection with the server was reset.");

// The free space where the destination will go; the folder itself may not exist yet.
qint64 freeSpaceFor(const QString& destination)
{
    QDir folder = QFileInfo(destination).absoluteDir();
    while (!folder.exists() && !folder.isRoot())
        folder.setPath(QFileInfo(folder.absolutePath()).absolutePath());
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

bool isClosed(const QAbstractSocket& socket)
{
    return socket.state() == QAbstractSocket::UnconnectedState && socket.bytesAvailable() == 0;
}

} // namespace

Downloader::Downloader(QObject* parent)
    : QObject(parent)
{
}

Downloader::~Downloader() = default;

void Downloader::cancel()
{
    m_cancelled = true;
    if (m_wait)
        m_wait->quit();
}

QByteArray Downloader::readFrom(QAbstractSocket& socket)
{
    QByteArray bytes = socket.read(readPiece);
    if (!bytes.isEmpty())
        m_silentUntil.setRemainingTime(m_timeoutMs);
    return bytes;
}

bool Downloader::waitForSocket(QAbstractSocket& socket)
{
    // A wait that ended without a byte must not start the whole budget again.
    if (m_silentUntil.hasExpired())
        return false;
    QEventLoop loop;
    m_wait = &loop;
    QTimer silence;
    silence.setSingleShot(true);
    bool timedOut = false;
    connect(&silence, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    connect(&socket, &QIODevice::readyRead, &loop, &QEventLoop::quit);
    connect(&socket, &QAbstractSocket::disconnected, &loop, &QEventLoop::quit);
    connect(&socket, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    silence.start(std::chrono::milliseconds(m_silentUntil.remainingTime()));
    loop.exec();
    return !timedOut;
}

void Downloader::failWriting(int cause, const QString& fallback)
{
    // The system's own words ("No space left on device") say what to do about it.
    const QString reason = cause != 0 ? qt_error_string(cause) : fallback;
    emit failed(QStringLiteral("Cannot write file to disk.\r\rError %1: %2")
                    .arg(cause != 0 ? cause : int(QFileDevice::WriteError))
                    .arg(reason));
    m_cancelled = true;
}

bool Downloader::download(const QUrl& url, const QString& destination, const QString& userName,
                          const QString& password)
{
    std::optional<QSaveFile> file;
    const bool whole = transfer(url, userName, password, destination, [&]() -> QIODevice* {
        const QString folder = QFileInfo(destination).absolutePath();
        errno = 0;
        if (!QDir(folder).exists() && !QDir().mkdir(folder)) {
            failWriting(errno, QStringLiteral("Cannot create the folder %1").arg(folder));
            return nullptr;
        }
        file.emplace(destination);
        // Unbuffered, so that a failing write is seen at once, with the system's reason.
        errno = 0;
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            failWriting(errno, file->errorString());
            return nullptr;
        }
        return &*file;
    });
    if (!whole) {
        if (file)
            file->cancelWriting();
        return false;
    }
    errno = 0;
    if (!file->commit()) {
        failWriting(errno, file->errorString());
        return false;
    }
    emit finished();
    return true;
}

bool Downloader::download(const QUrl& url, QIODevice& file, const QString& path)
{
    if (!transfer(url, {}, {}, path, [&] { return &file; }))
        return false;
    emit finished();
    return true;
}

bool Downloader::transfer(const QUrl& url, const QString& userName, const QString& password,
                          const QString& path, const std::function<QIODevice*()>& open)
{
    m_cancelled = false;
    m_silentUntil.setRemainingTime(m_timeoutMs);
    emit noted(QStringLiteral("Getting file information"));
    QCoreApplication::processEvents();

    const QString scheme = url.scheme().toLower();
    const bool https = scheme == QLatin1String("https");
    if ((!https && scheme != QLatin1String("http")) || url.host().isEmpty()) {
        emit failed(
            QStringLiteral("Error: Protocol \"%1\" is unknown occurred.").arg(url.scheme()));
        m_cancelled = true;
        return false;
    }

    QSslSocket socket;
    socket.setReadBufferSize(readPiece);
    QStringList tlsErrors;
    connect(&socket, &QSslSocket::sslErrors, this, [&](const QList<QSslError>& errors) {
        for (const QSslError& error : errors)
            tlsErrors << error.errorString();
    });
    if (https)
        socket.connectToHostEncrypted(url.host(), quint16(url.port(443)));
    else
        socket.connectToHost(url.host(), quint16(url.port(80)));
    // Sent once the connection (and, for https, the handshake) is up.
    socket.write(requestText(url, userName, password));

    QByteArray received;
    qsizetype headerEnd = -1;
    bool silent = false;
    while (!m_cancelled) {
        if (socket.bytesAvailable() > 0)
            received += readFrom(socket);
        headerEnd = received.indexOf("\r\n\r\n");
        if (headerEnd >= 0 || received.size() > headerLimit || isClosed(socket))
            break;
        if (socket.bytesAvailable() == 0 && !waitForSocket(socket)) {
            silent = true;
            break;
        }
    }
    if (m_cancelled)
        return false;

    if (received.isEmpty()
        && (silent || socket.error() != QAbstractSocket::RemoteHostClosedError)) {
        QString reason = tlsErrors.join(QStringLiteral("; "));
        if (reason.isEmpty())
            reason = silent ? QStringLiteral("Connection timed out") : socket.errorString();
        emit failed(QStringLiteral("Error: %1 occurred.").arg(reason));
        m_cancelled = true;
        return false;
    }
    const QByteArray headerText = headerEnd >= 0 ? received.left(headerEnd + 4) : received;
    const StatusDecision decision = decideStatus(headerText, url.toString(QUrl::RemovePassword));
    if (!decision.proceed) {
        emit failed(decision.error);
        m_cancelled = true;
        return false;
    }
    if (headerEnd < 0) {
        emit failed(resetMessage);
        return false;
    }

    const BodyFraming framing = bodyFramingOf(headerText);
    const std::optional<qint64> announced =
        framing == BodyFraming::Length ? announcedSize(headerText) : std::nullopt;
    // Where the connection closes is no proof that the whole file came; a length beyond any
    // disk is no length either.
    if (framing == BodyFraming::Unknown || (framing == BodyFraming::Length && !announced)) {
        emit failed(resetMessage);
        return false;
    }
    if (announced && *announced <= 0) {
        // Completing here would hand the caller a file that was never written.
        emit failed(QStringLiteral("Nothing to download!"));
        m_cancelled = true;
        return false;
    }
    if (announced && *announced > m_sizeLimit) {
        emit failed(resetMessage);
        return false;
    }
    const qint64 space = path.isEmpty() ? -1 : freeSpaceFor(path);
    if (announced && space >= 0 && space < *announced) {
        emit failed(QStringLiteral("There is not enough free space on disk for this file."));
        return false;
    }
    QCoreApplication::processEvents();
    if (m_cancelled)
        return false;

    QIODevice* const file = open();
    if (!file)
        return false;

    // The body as it comes off the wire, decoded into `pending`; what lies before `pendingAt`
    // has been written.
    ChunkDecoder chunks;
    qint64 bodyReceived = 0;
    QByteArray pending;
    qsizetype pendingAt = 0;
    const auto takeIn = [&](QByteArrayView coded) {
        if (framing == BodyFraming::Chunked) {
            chunks.feed(coded, pending);
            return;
        }
        // Bytes beyond the announced size belong to no file.
        coded.truncate(std::min<qint64>(coded.size(), *announced - bodyReceived));
        pending += coded;
        bodyReceived += coded.size();
    };
    const auto bodyEnded = [&] {
        return framing == BodyFraming::Chunked ? chunks.done() : bodyReceived == *announced;
    };
    takeIn(QByteArrayView(received).sliced(headerEnd + 4));
    received.clear();

    qint64 written = 0;
    for (;;) {
        while (pending.size() - pendingAt < chunkSize && !bodyEnded() && !chunks.failed()
               && !m_cancelled) {
            pending.remove(0, pendingAt);
            pendingAt = 0;
            if (socket.bytesAvailable() > 0)
                takeIn(readFrom(socket));
            else if (isClosed(socket) || !waitForSocket(socket))
                break;
        }
        if (m_cancelled)
            break;
        const QByteArrayView chunk = QByteArrayView(pending).sliced(
            pendingAt, std::min<qsizetype>(chunkSize, pending.size() - pendingAt));
        pendingAt += chunk.size();
        errno = 0;
        if (!chunk.isEmpty() && file->write(chunk.data(), chunk.size()) != chunk.size()) {
            failWriting(errno, file->errorString());
            break;
        }
        if (m_cancelled)
            break;
        written += chunk.size();
        if (written > m_sizeLimit)
            break;
        if (announced)
            emit progress(QString::number(percentWritten(written, *announced)));
        QCoreApplication::processEvents();
        if (chunk.isEmpty())
            break;
    }

    const bool complete =
        !m_cancelled && bodyEnded() && pendingAt == pending.size() && written <= m_sizeLimit;
    if (!complete && !m_cancelled)
        emit failed(resetMessage);
    return complete;
}

std::optional<QByteArray> Downloader::fetch(const QUrl& url, qint64 most)
{
    // Into memory: a small file needs no temporary folder that could fail to be made.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QSignalBlocker quiet(this);
    m_sizeLimit = most;
    const bool whole = transfer(url, {}, {}, {}, [&] { return &buffer; });
    m_sizeLimit = std::numeric_limits<qint64>::max();
    if (!whole)
        return std::nullopt;
    return bytes;
}
