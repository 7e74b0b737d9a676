#include "update/updatewindow.h"

#include "controls/programbutton.h"
#include "controls/tubeprogressbar.h"
#include "prompt/platform.h"
#include "update/downloader.h"
#include "update/downloadrules.h"
#include "update/privatedownload.h"
#include "update/signature.h"
#include "update/updatekey.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslError>
#include <QTimer>

#include <cmath>
#include <unistd.h>

namespace {

const QString downloadCaption = QStringLiteral("Download");
const QString cancelCaption = QStringLiteral("Cancel");

int twips(int value) { return int(std::lround(value / 15.0)); }

} // namespace

UpdateWindow::UpdateWindow(QWidget* owner)
    : QWidget(owner, Qt::Window)
    , downloadTimer(new QTimer(this))
    , downloadButton(makeProgramButton(this, downloadCaption, QStringLiteral(":/icon-update.svg")))
    , progressBar(new TubeProgressBar(this))
    , downloader(new Downloader(this))
    , m_programFolder(QCoreApplication::applicationDirPath())
{
    setObjectName(QStringLiteral("UpdateWindow"));
    setWindowTitle(QStringLiteral("Check for Update..."));
    resize(twips(6000), twips(2700));

    downloadTimer->setObjectName(QStringLiteral("downloadTimer"));
    downloadTimer->setInterval(1000);
    downloadTimer->setSingleShot(true);
    downloadButton->setObjectName(QStringLiteral("downloadButton"));
    downloadButton->hide();
    progressBar->setObjectName(QStringLiteral("progressBar"));
    downloader->setObjectName(QStringLiteral("downloader"));
    progressBar->setBarColorSet(2);
    progressBar->setGeometry(16, 0, 0, 24);

    connect(downloadTimer, &QTimer::timeout, this, &UpdateWindow::downloadTimerFired);
    connect(downloadButton, &SkinButton::clicked, this, &UpdateWindow::downloadClicked);
    connect(downloader, &Downloader::failed, this, &UpdateWindow::downloadFailed);
    connect(downloader, &Downloader::progress, this, &UpdateWindow::downloadProgressed);
}

UpdateWindow* UpdateWindow::open(QWidget* owner, const QString& programFolder,
                                 const QString& server)
{
    auto* window = new UpdateWindow(owner);
    window->setProgramFolder(programFolder);
    window->setServer(server);
    if (!window->checkForUpdate()) {
        window->deleteLater();
        return nullptr;
    }
    window->show();
    return window;
}

QUrl UpdateWindow::versionFileUrl() const
{
    return QUrl(m_server + QStringLiteral("/updatesoft/quillmark.txt"));
}

QUrl UpdateWindow::installerUrl() const
{
    return QUrl(m_server + QStringLiteral("/download/quillmark.exe"));
}

QUrl UpdateWindow::signatureUrl() const
{
    return QUrl(installerUrl().toString() + QStringLiteral(".sig"));
}

QString UpdateWindow::installerPath() const
{
    // An https server gives no name by the http rule; the installer keeps its own then.
    QString name = fileNameFromUrl(installerUrl().toString());
    if (name.isEmpty())
        name = QStringLiteral("quillmark.exe");
    return m_programFolder + QLatin1Char('/') + name;
}

void UpdateWindow::setRequestTimeout(int milliseconds)
{
    m_timeoutMs = milliseconds;
    downloader->setRequestTimeout(milliseconds);
}

std::optional<QByteArray> UpdateWindow::fetchVersionFile()
{
    QNetworkAccessManager network;
    QNetworkRequest request(versionFileUrl());
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply* reply = network.get(request);
    reply->setReadBufferSize(versionFileLimit);

    QByteArray text;
    bool enough = false;
    QStringList tlsErrors;
    connect(reply, &QNetworkReply::sslErrors, this, [&](const QList<QSslError>& errors) {
        for (const QSslError& error : errors)
            tlsErrors << error.errorString();
    });
    QEventLoop loop;
    connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        text += reply->read(versionFileLimit - text.size());
        if (text.size() >= versionFileLimit && !enough) {
            enough = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    if (!enough && reply->isOpen())
        text += reply->read(versionFileLimit - text.size());

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool answered = enough || reply->error() == QNetworkReply::NoError;
    reply->deleteLater();
    // A server that cannot prove who it is may be anyone; the user should know why nothing came.
    if (!tlsErrors.isEmpty()) {
        showFailure(QStringLiteral("Error: %1 occurred.").arg(tlsErrors.join(QStringLiteral("; "))),
                    QStringLiteral("Error"));
        return std::nullopt;
    }
    // An error page is not a version file: "404 Not Found" would read as version 404.
    if (!answered || status < 200 || status > 299)
        return std::nullopt;
    return text;
}

bool UpdateWindow::checkForUpdate()
{
    if (!versionFileUrl().isValid() || versionFileUrl().isRelative())
        return false;
    const std::optional<QByteArray> versionFile = fetchVersionFile();
    if (!versionFile)
        return false;
    if (!announcesUpdate(*versionFile)) {
        Platform::instance().messageBox(this, QStringLiteral("There are no updates available."),
                                        QString(), QMessageBox::Ok, QMessageBox::Information);
        return false;
    }
    m_announcedVersion = announcedVersion(*versionFile);
    // An installed copy in a folder of the system's: every download would end in a refusal to
    // write, so the user is told where the new version comes from instead.
    if (::access(QFile::encodeName(m_programFolder).constData(), W_OK) != 0) {
        Platform::instance().messageBox(
            this,
            QStringLiteral("Quillmark %1 is available. Install it with your system's package "
                           "manager.")
                .arg(QString::fromUtf8(m_announcedVersion)),
            QStringLiteral("Update"), QMessageBox::Ok, QMessageBox::Information);
        return false;
    }
    Platform::instance().messageBox(this, QStringLiteral("Update Available, Please wait..."),
                                    QStringLiteral("Update"), QMessageBox::Ok,
                                    QMessageBox::Information);
    downloadTimer->start();
    return true;
}

void UpdateWindow::downloadTimerFired()
{
    downloadTimer->stop();
    downloadButton->show();
    downloadClicked();
}

void UpdateWindow::downloadClicked()
{
    if (downloadButton->caption() != downloadCaption) {
        downloader->cancel();
        setWindowTitle(QStringLiteral("Search for update"));
        progressBar->setValue(0);
        downloadButton->setCaption(downloadCaption);
        return;
    }
    setWindowTitle(QStringLiteral("Download, Pelase wait..."));
    downloadButton->setCaption(cancelCaption);
    progressBar->setValue(0);
    m_downloading = true;
    PrivateDownload download(m_programFolder, QFileInfo(installerPath()).fileName());
    if (!download.isValid())
        showLocalFailure(QStringLiteral("Cannot create a temporary folder for the download."),
                         download.error());
    else if (downloader->download(installerUrl(), download.file(), download.filePath()))
        installDownloaded(download);
    m_downloading = false;
    // A close during the download waited for it to let go of this window.
    if (m_closeRequested)
        deleteLater();
}

void UpdateWindow::downloadFailed(const QString& error)
{
    showFailure(error, QStringLiteral("Error"));
    downloader->cancel();
}

void UpdateWindow::downloadProgressed(const QString& percent)
{
    progressBar->setValue(percent.toInt());
}

void UpdateWindow::installDownloaded(PrivateDownload& download)
{
    const std::optional<QByteArray> line = downloader->fetch(signatureUrl(), signatureLimit);
    // Cancelled or closed while the signature came: nothing to say, nothing to keep.
    if (m_closeRequested || downloadButton->caption() == downloadCaption)
        return;
    const std::optional<PrivateDownload::Digest> digest = download.digest();
    if (!digest) {
        showLocalFailure(QStringLiteral("Cannot read the downloaded file."), download.error());
        return;
    }
    const std::optional<QByteArray> signature = line ? signatureFromLine(*line) : std::nullopt;
    // The signature names the version, so an older installer with its own genuine signature
    // cannot be passed off as this one; and nothing older than this program is installed.
    if (!signature || !announcesUpdate(m_announcedVersion)
        || !signatureVerifies(updateMessage(m_announcedVersion, digest->size, digest->sha256),
                              *signature, trustedUpdateKey())) {
        showFailure(
            QStringLiteral("The downloaded update could not be verified. Nothing was installed."),
            QStringLiteral("Update"));
        return;
    }
    if (!download.placeAt(installerPath())) {
        showLocalFailure(QStringLiteral("Cannot write file to disk."), download.error());
        return;
    }
    // The installer runs from the private folder: whatever is put at its name in the program's
    // folder while "Complete" is shown, what starts is the file that was verified.
    download.keep();
    Platform& platform = Platform::instance();
    platform.messageBox(this, QStringLiteral("Complete"), QString(), QMessageBox::Ok,
                        QMessageBox::Information);
    // A failed start is not reported: the program ends either way.
    platform.startDetached(download.filePath(), {});
    platform.exit(0);
}

void UpdateWindow::showLocalFailure(const QString& what, int cause)
{
    showFailure(
        QStringLiteral("%1\r\rError %2: %3").arg(what).arg(cause).arg(qt_error_string(cause)),
        QStringLiteral("Error"));
}

void UpdateWindow::showFailure(const QString& text, const QString& title)
{
    Platform::instance().messageBox(this, text, title, QMessageBox::Ok, QMessageBox::Critical);
    downloadButton->setCaption(downloadCaption);
    progressBar->setValue(0);
}

void UpdateWindow::resizeEvent(QResizeEvent*)
{
    progressBar->setGeometry(progressBar->x(), height() - twips(2000),
                             std::max(0, width() - twips(2200)), progressBar->height());
    downloadButton->setGeometry(width() - twips(1800), height() - twips(2000), 104,
                                progressBar->height());
}

void UpdateWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    downloader->cancel();
    downloadTimer->stop();
    // The download call still runs on this window's stack; it goes when that returns.
    if (m_downloading)
        m_closeRequested = true;
    else
        deleteLater();
}
