#include "update/downloader.h"

#include "update/downloadrules.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QStorageInfo>

#include <memory>
#include <optional>

namespace {

struct LaterDeleter {
    void operator()(QNetworkReply* reply) const
    {
        reply->abort();
        reply->deleteLater();
    }
};

// The header text as the server sent it, status line first; empty when no status arrived.
QByteArray headerTextOf(const QNetworkReply& reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return {};
    QByteArray text = "HTTP/1.1 " + QByteArray::number(status.toInt()) + ' '
                      + reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray()
                      + "\r\n";
    for (const auto& [name, value] : reply.rawHeaderPairs())
        text += name + ": " + value + "\r\n";
    return text + "\r\n";
}

// The free space where the destination will go; the folder itself may not exist yet.
qint64 freeSpaceFor(const QString& destination)
{
    QDir folder = QFileInfo(destination).absoluteDir();
    while (!folder.exists() && !folder.isRoot())
        folder.setPath(QFileInfo(folder.absolutePath()).absolutePath());
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

QString writeError(int number, const QString& description)
{
    return QStringLiteral("Cannot write file to disk.\r\rError %1: %2")
        .arg(number)
        .arg(description);
}

} // namespace

Downloader::Downloader(QObject* parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
}

Downloader::~Downloader() = default;

void Downloader::cancel()
{
    m_cancelled = true;
    if (m_wait)
        m_wait->quit();
}

void Downloader::waitForReply(QNetworkReply* reply)
{
    QEventLoop loop;
    m_wait = &loop;
    connect(reply, &QNetworkReply::metaDataChanged, &loop, &QEventLoop::quit);
    connect(reply, &QNetworkReply::readyRead, &loop, &QEventLoop::quit);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Downloader::download(const QUrl& url, const QString& destination, const QString& userName,
                          const QString& password)
{
    m_cancelled = false;
    emit noted(QStringLiteral("Getting file information"));
    QCoreApplication::processEvents();

    QUrl source = url;
    if (!userName.isEmpty())
        source.setUserName(userName);
    if (!password.isEmpty())
        source.setPassword(password);
    QNetworkRequest request(source);
    request.setRawHeader("Range", "bytes=0-");
    request.setTransferTimeout(m_timeoutMs);
    // Another address is another server's answer, not the file asked for.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    const std::unique_ptr<QNetworkReply, LaterDeleter> reply(m_network->get(request));
    // Chunks leave as fast as they come; without a bound the reply buffers tens of megabytes.
    reply->setReadBufferSize(64 * 1024);

    const auto hasHeaders = [&] {
        return reply->isFinished()
               || reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    };
    while (!hasHeaders() && !m_cancelled)
        waitForReply(reply.get());
    if (m_cancelled)
        return false;

    const QByteArray headerText = headerTextOf(*reply);
    if (headerText.isEmpty() && reply->error() != QNetworkReply::RemoteHostClosedError
        && reply->error() != QNetworkReply::ProtocolFailure) {
        emit failed(QStringLiteral("Error: %1 occurred.").arg(reply->errorString()));
        m_cancelled = true;
        return false;
    }
    const StatusDecision decision = decideStatus(headerText, source.toString(QUrl::RemovePassword));
    if (!decision.proceed) {
        emit failed(decision.error);
        m_cancelled = true;
        return false;
    }

    const std::optional<qint64> announced = announcedSize(headerText);
    if (announced && *announced <= 0) {
        // Completing here would hand the caller a file that was never written.
        emit failed(QStringLiteral("Nothing to download!"));
        m_cancelled = true;
        return false;
    }
    if (announced && freeSpaceFor(destination) >= 0 && freeSpaceFor(destination) < *announced) {
        emit failed(QStringLiteral("There is not enough free space on disk for this file."));
        return false;
    }
    QCoreApplication::processEvents();
    if (m_cancelled)
        return false;

    const QString folder = QFileInfo(destination).absolutePath();
    if (!QDir(folder).exists() && !QDir().mkdir(folder)) {
        emit failed(writeError(QFileDevice::OpenError,
                               QStringLiteral("Cannot create the folder %1").arg(folder)));
        m_cancelled = true;
        return false;
    }
    QSaveFile file(destination);
    if (!file.open(QIODevice::WriteOnly)) {
        emit failed(writeError(file.error(), file.errorString()));
        m_cancelled = true;
        return false;
    }

    qint64 written = 0;
    for (;;) {
        while (reply->bytesAvailable() < chunkSize && !reply->isFinished() && !m_cancelled)
            waitForReply(reply.get());
        if (m_cancelled)
            break;
        // A reply that timed out is closed; reading it would only warn.
        const QByteArray chunk = reply->isOpen() ? reply->read(chunkSize) : QByteArray();
        if (!chunk.isEmpty() && file.write(chunk) != chunk.size()) {
            emit failed(writeError(file.error(), file.errorString()));
            m_cancelled = true;
            break;
        }
        if (m_cancelled)
            break;
        written += chunk.size();
        // More than announced is already wrong; reading on would only fill the disk.
        if (announced && written > *announced)
            break;
        if (announced)
            emit progress(QString::number(percentWritten(written, *announced)));
        QCoreApplication::processEvents();
        if (chunk.isEmpty())
            break;
    }

    const bool complete = !m_cancelled && reply->isFinished()
                          && reply->error() == QNetworkReply::NoError
                          && (!announced || written == *announced);
    if (!complete) {
        file.cancelWriting();
        if (!m_cancelled)
            emit failed(QStringLiteral("The connection with the server was reset."));
        return false;
    }
    // A full disk may show only when the last buffered bytes go out.
    if (!file.flush() || !file.commit()) {
        emit failed(writeError(file.error(), file.errorString()));
        m_cancelled = true;
        return false;
    }
    emit finished();
    return true;
}
