#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QUrl>

// A real HTTP server on 127.0.0.1 that answers each path with exactly the bytes a test asks
// for: any status line, a true, false or missing Content-Length, chunked bodies, bytes
// trickled with pauses, a stall, or a connection cut in the middle.
class LoopbackServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        // Status line and header lines as sent, up to and including the empty line. Empty
        // means the connection closes without a word.
        QByteArray head;
        QByteArray body;
        // When set, the body is this many pattern bytes (see patternBytes) made while sending.
        qint64 generatedSize = -1;
        bool chunked = false;   // frame the body in chunks (the head should say so)
        int trickleBytes = 0;   // send this many body bytes at a time ...
        int trickleMs = 0;      // ... with this pause between
        qint64 cutAfter = -1;   // close the connection after this many body bytes
        qint64 stallAfter = -1; // stop sending after this many body bytes, keep the connection
        bool stall = false;     // never answer at all
    };

    // A 200 reply with a correct Content-Length.
    static Response ok(const QByteArray& body);
    // A reply of the given status line and headers (CR LF added), with the body as given.
    static Response raw(const QByteArray& statusAndHeaders, const QByteArray& body = {});
    // The bytes of a generated body between offset and offset + size.
    static QByteArray patternBytes(qint64 offset, qint64 size);

    explicit LoopbackServer(QObject* parent = nullptr);
    ~LoopbackServer() override;

    bool listen();
    // Serves over TLS with a self-signed certificate for 127.0.0.1 made now with the openssl
    // program; false when it cannot be made.
    bool listenTls();
    QSslCertificate certificate() const { return m_server.tls.localCertificate(); }
    QUrl url(const QString& path) const;
    // The server as QUILLMARK_SERVER names it: "http://127.0.0.1:port" ("https" with TLS).
    QString address() const;
    void setResponse(const QString& path, const Response& response);

    // The request texts received (request line and headers), in order.
    QList<QByteArray> requests;

private:
    void accept();
    // Hands out plain sockets, or sockets that start TLS when a configuration is set.
    class Server : public QTcpServer {
    public:
        using QTcpServer::QTcpServer;
        QSslConfiguration tls;

    protected:
        void incomingConnection(qintptr descriptor) override;
    };
    Server m_server{this}; // a child, so that the server can be moved to a thread
    QHash<QString, Response> m_responses;
};
