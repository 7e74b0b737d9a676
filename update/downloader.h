#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QEventLoop;
class QNetworkAccessManager;
class QNetworkReply;

// Fetches one file over HTTP into a destination path, reporting through signals. The call
// runs the event loop while it waits and between 1024-byte chunks, so windows stay live and a
// handler may call cancel() from inside download(). The file is written beside the destination
// and moved over it only once it is complete: a partial download never appears under the
// destination's name.
class Downloader : public QObject {
    Q_OBJECT
public:
    explicit Downloader(QObject* parent = nullptr);
    ~Downloader() override;

    // True only when the whole file arrived and now lies at destination.
    bool download(const QUrl& url, const QString& destination, const QString& userName = {},
                  const QString& password = {});
    void cancel();
    bool isCancelled() const { return m_cancelled; }

    // How long the server may stay silent, before the reply or in the middle of the body.
    void setRequestTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    static constexpr int chunkSize = 1024;

signals:
    void failed(const QString& error);
    void noted(const QString& event);
    void finished();
    void progress(const QString& percent);

private:
    // Runs the event loop until the reply has news or cancel() is called.
    void waitForReply(QNetworkReply* reply);

    QNetworkAccessManager* m_network;
    QPointer<QEventLoop> m_wait;
    bool m_cancelled = false;
    int m_timeoutMs = 60000;
};
