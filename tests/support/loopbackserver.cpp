#include "loopbackserver.h"

#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr qint64 pieceSize = 64 * 1024;
// Enough queued to keep the socket busy without holding a large body in memory.
constexpr qint64 queueLimit = 256 * 1024;

// Sends one response on one socket, paced by the socket's progress or by a timer.
class Sender : public QObject {
public:
    Sender(QTcpSocket* socket, const LoopbackServer::Response& response)
        : QObject(socket)
        , m_socket(socket)
        , m_response(response)
        , m_size(response.generatedSize >= 0 ? response.generatedSize : response.body.size())
    {
        m_end = m_size;
        if (response.cutAfter >= 0)
            m_end = std::min(m_end, response.cutAfter);
        if (response.stallAfter >= 0)
            m_end = std::min(m_end, response.stallAfter);
    }

    void start()
    {
        if (m_response.stall)
            return;
        if (m_response.head.isEmpty()) {
            m_socket->disconnectFromHost();
            return;
        }
        m_socket->write(m_response.head);
        if (m_response.trickleBytes > 0) {
            auto* timer = new QTimer(this);
            timer->setInterval(m_response.trickleMs);
            connect(timer, &QTimer::timeout, this, [this, timer] {
                sendPiece(m_response.trickleBytes);
                if (m_sent >= m_end)
                    timer->stop();
            });
            timer->start();
            return;
        }
        connect(m_socket, &QTcpSocket::bytesWritten, this, &Sender::fill);
        fill();
    }

private:
    void fill()
    {
        while (m_sent < m_end && m_socket->bytesToWrite() < queueLimit)
            sendPiece(pieceSize);
        if (m_sent >= m_end)
            finish();
    }

    void sendPiece(qint64 most)
    {
        const qint64 size = std::min(most, m_end - m_sent);
        if (size <= 0)
            return finish();
        QByteArray piece = m_response.generatedSize >= 0
                               ? LoopbackServer::patternBytes(m_sent, size)
                               : m_response.body.mid(m_sent, size);
        if (m_response.chunked)
            piece = QByteArray::number(size, 16) + "\r\n" + piece + "\r\n";
        m_socket->write(piece);
        m_sent += size;
        if (m_sent >= m_end)
            finish();
    }

    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        if (m_response.stallAfter >= 0 && m_sent >= m_response.stallAfter)
            return;
        if (m_response.chunked && m_sent >= m_size)
            m_socket->write("0\r\n\r\n");
        m_socket->disconnectFromHost();
    }

    QTcpSocket* m_socket;
    LoopbackServer::Response m_response;
    qint64 m_size;
    qint64 m_end;
    qint64 m_sent = 0;
    bool m_finished = false;
};

} // namespace

LoopbackServer::Response LoopbackServer::ok(const QByteArray& body)
{
    return raw("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()), body);
}

LoopbackServer::Response LoopbackServer::raw(const QByteArray& statusAndHeaders,
                                             const QByteArray& body)
{
    Response response;
    response.head = statusAndHeaders + "\r\n\r\n";
    response.body = body;
    return response;
}

QByteArray LoopbackServer::patternBytes(qint64 offset, qint64 size)
{
    // The pattern repeats every 251 bytes; slices of one long period copy fast enough that
    // the server does not hold back a benchmark.
    static const QByteArray period = [] {
        QByteArray bytes(pieceSize + 251, Qt::Uninitialized);
        for (qint64 i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i % 251);
        return bytes;
    }();
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        const qint64 start = (offset + bytes.size()) % 251;
        bytes += period.mid(start, std::min<qint64>(size - bytes.size(), pieceSize));
    }
    return bytes;
}

LoopbackServer::LoopbackServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackServer::accept);
}

LoopbackServer::~LoopbackServer() = default;

bool LoopbackServer::listen() { return m_server.listen(QHostAddress::LocalHost, 0); }

bool LoopbackServer::listenTls()
{
    QTemporaryDir dir;
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1", "-keyout", dir.filePath("key.pem"), "-out",
                   dir.filePath("cert.pem")});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return false;
    QFile certificate(dir.filePath("cert.pem"));
    QFile key(dir.filePath("key.pem"));
    if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
        return false;
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(&certificate));
    tls.setPrivateKey(QSslKey(&key, QSsl::Ec));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server.tls = tls;
    return !tls.privateKey().isNull() && listen();
}

void LoopbackServer::Server::incomingConnection(qintptr descriptor)
{
    if (tls.localCertificate().isNull())
        return QTcpServer::incomingConnection(descriptor);
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->setSslConfiguration(tls);
    addPendingConnection(socket);
    socket->startServerEncryption();
}

QString LoopbackServer::address() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(m_server.tls.localCertificate().isNull() ? "http" : "https")
        .arg(m_server.serverPort());
}

QUrl LoopbackServer::url(const QString& path) const { return QUrl(address() + path); }

void LoopbackServer::setResponse(const QString& path, const Response& response)
{
    m_responses.insert(path, response);
}

void LoopbackServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
            if (request->endsWith("\r\n\r\n"))
                return; // answered already; a second request on this connection is not served
            *request += socket->readAll();
            const qsizetype end = request->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            request->truncate(end + 4);
            requests.append(*request);
            const QList<QByteArray> requestLine =
                request->left(request->indexOf("\r\n")).split(' ');
            const QString path =
                requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : QString();
            const Response response =
                m_responses.value(path, raw("HTTP/1.1 404 Not Found\r\nContent-Length: 0"));
            (new Sender(socket, response))->start();
        });
    }
}
