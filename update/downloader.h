#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <limits>
#include <optional>

class QAbstractSocket;
class QEventLoop;
class QIODevice;
class QSslSocket;

// Fetches one file over HTTP or HTTPS into a destination path, reporting through signals. The
// call runs the event loop while it waits and between 1024-byte chunks, so windows stay live
// and a handler may call cancel() from inside download(). The file is written beside the
// destination and moved over it only once it is complete: its end must be known and reached
// (all "Content-Length" bytes, or a chunked body's zero-size chunk), so a cut or unframed
// body never appears under the destination's name.
class Downloader : public QObject {
    Q_OBJECT
public:
    explicit Downloader(QObject* parent = nullptr);
    ~Downloader() override;

    // True only when the whole file arrived and now lies at destination.
    bool download(const QUrl& url, const QString& destination, const QString& userName = {},
                  const QString& password = {});
    // The same into a file the caller has made and opened for writing; `path` is where it lies,
    // for the free-space test. On false the caller discards what was written.
    bool download(const QUrl& url, QIODevice& file, const QString& path);
    // A small file into memory by the same rules, without any signal; nothing unless it
    // arrived whole and holds at most `most` bytes.
    std::optional<QByteArray> fetch(const QUrl& url, qint64 most);
    void cancel();
    bool isCancelled() const { return m_cancelled; }

    // How long the server may stay silent, before the reply or in the middle of the body: one
    // budget, counted from the last byte received, however often the download waits.
    void setRequestTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    static constexpr int chunkSize = 1024;

signals:
    void failed(const QString& error);
    void noted(const QString& event);
    void finished();
    void progress(const QString& percent);

private:
    // The download itself. `open` gives the device to write into once the reply has been
    // accepted, or null once it has said why there is none. True when the whole body was
    // written; finished() is left to the caller.
    bool transfer(const QUrl& url, const QString& userName, const QString& password,
                  const QString& path, const std::function<QIODevice*()>& open);
    struct Reply;
    class Body;
    // Connects and sends the request, collecting what the TLS layer objects to into `reply`.
    void ask(QSslSocket& socket, const QUrl& url, bool https, const QString& userName,
             const QString& password, Reply& reply);
    // Reads until the head is complete, too long, cut off, silent or cancelled.
    void readHead(QAbstractSocket& socket, Reply& reply);
    // Whether the head is one the body may follow; if not, it has said why.
    bool acceptHead(const QAbstractSocket& socket, const Reply& reply, const QUrl& url);
    // How the end of the body will be known, once it is known and the body fits; nothing once
    // it has said why not.
    std::optional<Body> frameBody(const QByteArray& headerText, const QString& path);
    // Reads until a chunk is ready to write, the body has ended or the wire has.
    void readBody(QAbstractSocket& socket, Body& body);
    // Writes the body as it comes, chunk by chunk; true when all of it was written.
    bool writeBody(QAbstractSocket& socket, Body& body, QIODevice& file);
    // Runs the event loop until the socket has news or cancel() is called; false when the
    // server has been silent for the whole timeout since its last byte.
    bool waitForSocket(QAbstractSocket& socket);
    // What the socket holds, up to one piece; bytes that come restart the silence budget.
    QByteArray readFrom(QAbstractSocket& socket);
    // Ends a download that went wrong while writing, naming the system's reason.
    void failWriting(int cause, const QString& fallback);

    QPointer<QEventLoop> m_wait;
    bool m_cancelled = false;
    int m_timeoutMs = 60000;
    QDeadlineTimer m_silentUntil;
    qint64 m_sizeLimit = std::numeric_limits<qint64>::max();
};
