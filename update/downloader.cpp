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

// The reply as far as it has been read: the head, and whatever of the body came with it.
struct Downloader::Reply {
    QByteArray received;
    qsizetype headerEnd = -1;
    bool silent = false;
    QStringList tlsErrors;

    QByteArray headerText() const
    {
        return headerEnd >= 0 ? received.left(headerEnd + 4) : received;
    }
};

// The body as it comes off the wire, decoded into `m_pending`; what lies before `m_at` has been
// written.
class Downloader::Body {
public:
    Body(BodyFraming framing, std::optional<qint64> announced)
        : m_framing(framing)
        , m_announced(announced)
    {
    }

    void takeIn(QByteArrayView coded)
    {
        if (m_framing == BodyFraming::Chunked) {
            m_chunks.feed(coded, m_pending);
            return;
        }
        // Bytes beyond the announced size belong to no file.
        coded.truncate(std::min<qint64>(coded.size(), *m_announced - m_received));
        m_pending += coded;
        m_received += coded.size();
    }
    bool ended() const
    {
        return m_framing == BodyFraming::Chunked ? m_chunks.done() : m_received == *m_announced;
    }
    // Whether more must be read before a whole chunk can be written.
    bool wantsMore() const
    {
        return m_pending.size() - m_at < chunkSize && !ended() && !m_chunks.failed();
    }
    void dropWritten()
    {
        m_pending.remove(0, m_at);
        m_at = 0;
    }
    // The next chunk to write, empty when nothing waits; it counts as written.
    QByteArrayView next()
    {
        const QByteArrayView chunk = QByteArrayView(m_pending).sliced(
            m_at, std::min<qsizetype>(chunkSize, m_pending.size() - m_at));
        m_at += chunk.size();
        return chunk;
    }
    bool allWritten() const { return m_at == m_pending.size(); }
    const std::optional<qint64>& announced() const { return m_announced; }

private:
    BodyFraming m_framing;
    std::optional<qint64> m_announced;
    ChunkDecoder m_chunks;
    qint64 m_received = 0;
    QByteArray m_pending;
    qsizetype m_at = 0;
};

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

    Reply reply;
    QSslSocket socket;
    ask(socket, url, https, userName, password, reply);
    readHead(socket, reply);
    if (m_cancelled || !acceptHead(socket, reply, url))
        return false;
    std::optional<Body> body = frameBody(reply.headerText(), path);
    if (!body)
        return false;
    QCoreApplication::processEvents();
    if (m_cancelled)
        return false;

    QIODevice* const file = open();
    if (!file)
        return false;
    body->takeIn(QByteArrayView(reply.received).sliced(reply.headerEnd + 4));
    reply.received.clear();
    return writeBody(socket, *body, *file);
}

void Downloader::ask(QSslSocket& socket, const QUrl& url, bool https, const QString& userName,
                     const QString& password, Reply& reply)
{
    socket.setReadBufferSize(readPiece);
    connect(&socket, &QSslSocket::sslErrors, this, [&reply](const QList<QSslError>& errors) {
        for (const QSslError& error : errors)
            reply.tlsErrors << error.errorString();
    });
    if (https)
        socket.connectToHostEncrypted(url.host(), quint16(url.port(443)));
    else
        socket.connectToHost(url.host(), quint16(url.port(80)));
    // Sent once the connection (and, for https, the handshake) is up.
    socket.write(requestText(url, userName, password));
}

void Downloader::readHead(QAbstractSocket& socket, Reply& reply)
{
    while (!m_cancelled) {
        if (socket.bytesAvailable() > 0)
            reply.received += readFrom(socket);
        reply.headerEnd = reply.received.indexOf("\r\n\r\n");
        if (reply.headerEnd >= 0 || reply.received.size() > headerLimit || isClosed(socket))
            return;
        if (socket.bytesAvailable() == 0 && !waitForSocket(socket)) {
            reply.silent = true;
            return;
        }
    }
}

bool Downloader::acceptHead(const QAbstractSocket& socket, const Reply& reply, const QUrl& url)
{
    if (reply.received.isEmpty()
        && (reply.silent || socket.error() != QAbstractSocket::RemoteHostClosedError)) {
        QString reason = reply.tlsErrors.join(QStringLiteral("; "));
        if (reason.isEmpty())
            reason = reply.silent ? QStringLiteral("Connection timed out") : socket.errorString();
        emit failed(QStringLiteral("Error: %1 occurred.").arg(reason));
        m_cancelled = true;
        return false;
    }
    const StatusDecision decision =
        decideStatus(reply.headerText(), url.toString(QUrl::RemovePassword));
    if (!decision.proceed) {
        emit failed(decision.error);
        m_cancelled = true;
        return false;
    }
    if (reply.headerEnd < 0) {
        emit failed(resetMessage);
        return false;
    }
    return true;
}

std::optional<Downloader::Body> Downloader::frameBody(const QByteArray& headerText,
                                                      const QString& path)
{
    const BodyFraming framing = bodyFramingOf(headerText);
    const std::optional<qint64> announced =
        framing == BodyFraming::Length ? announcedSize(headerText) : std::nullopt;
    // Where the connection closes is no proof that the whole file came; a length beyond any
    // disk is no length either.
    if (framing == BodyFraming::Unknown || (framing == BodyFraming::Length && !announced)) {
        emit failed(resetMessage);
        return std::nullopt;
    }
    if (announced && *announced <= 0) {
        // Completing here would hand the caller a file that was never written.
        emit failed(QStringLiteral("Nothing to download!"));
        m_cancelled = true;
        return std::nullopt;
    }
    if (announced && *announced > m_sizeLimit) {
        emit failed(resetMessage);
        return std::nullopt;
    }
    const qint64 space = path.isEmpty() ? -1 : freeSpaceFor(path);
    if (announced && space >= 0 && space < *announced) {
        emit failed(QStringLiteral("There is not enough free space on disk for this file."));
        return std::nullopt;
    }
    return Body(framing, announced);
}

void Downloader::readBody(QAbstractSocket& socket, Body& body)
{
    while (body.wantsMore() && !m_cancelled) {
        body.dropWritten();
        if (socket.bytesAvailable() > 0)
            body.takeIn(readFrom(socket));
        else if (isClosed(socket) || !waitForSocket(socket))
            return;
    }
}

bool Downloader::writeBody(QAbstractSocket& socket, Body& body, QIODevice& file)
{
    qint64 written = 0;
    for (;;) {
        readBody(socket, body);
        if (m_cancelled)
            break;
        const QByteArrayView chunk = body.next();
        errno = 0;
        if (!chunk.isEmpty() && file.write(chunk.data(), chunk.size()) != chunk.size()) {
            failWriting(errno, file.errorString());
            break;
        }
        if (m_cancelled)
            break;
        written += chunk.size();
        if (written > m_sizeLimit)
            break;
        if (body.announced())
            emit progress(QString::number(percentWritten(written, *body.announced())));
        QCoreApplication::processEvents();
        if (chunk.isEmpty())
            break;
    }

    const bool complete =
        !m_cancelled && body.ended() && body.allWritten() && written <= m_sizeLimit;
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
