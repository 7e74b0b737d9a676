#pragma once

#include <QByteArray>
#include <QUrl>
#include <QWidget>

#include <optional>

class Downloader;
class PrivateDownload;
class SkinButton;
class QTimer;
class TubeProgressBar;

// Asks the maker's server whether a newer version exists and, if so, downloads the installer
// into the program's folder, starts it and ends the program. A copy whose folder it may not
// write (one that the system's package manager installed) only says that there is one.
class UpdateWindow : public QWidget {
    Q_OBJECT
public:
    explicit UpdateWindow(QWidget* owner);

    // A window for owner that asks server at once: shown and going on to download when there
    // is an update, otherwise gone again (null) once the user has been told why.
    static UpdateWindow* open(QWidget* owner, const QString& programFolder, const QString& server);

    // Fetches the version file and tells the user what it says. True when an update exists:
    // the download then starts a second later and the caller shows the window. False when
    // there is none or the server could not be asked; the window is not to be shown.
    bool checkForUpdate();

    // Where the installer goes; the running program's folder unless told otherwise.
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }
    // How long the server may stay silent (both the version file and the installer).
    void setRequestTimeout(int milliseconds);
    QString installerPath() const;
    // The timer's tick: shows the button and starts the download.
    void downloadTimerFired();

    // The maker's server ("scheme://host[:port]"), as the caller reads it from the settings;
    // both files live there.
    void setServer(const QString& server) { m_server = server; }
    QUrl versionFileUrl() const;
    QUrl installerUrl() const;
    // The installer's detached signature, published beside it.
    QUrl signatureUrl() const;
    // A version file is one short line; a server that sends more is not believed beyond this.
    static constexpr qsizetype versionFileLimit = 4096;
    // A signature is one line of base64; anything longer is not one.
    static constexpr qint64 signatureLimit = 1024;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::optional<QByteArray> fetchVersionFile();
    void downloadClicked();
    void downloadFailed(const QString& error);
    void downloadProgressed(const QString& percent);
    // Checks the complete download against its signature over the announced version and, only
    // when it verifies, puts it in place of the installer, starts it and ends the program.
    void installDownloaded(PrivateDownload& download);
    void showFailure(const QString& text, const QString& title);
    // A failure on this machine, with the system's reason.
    void showLocalFailure(const QString& what, int cause);

    QTimer* downloadTimer;
    SkinButton* downloadButton;
    TubeProgressBar* progressBar;
    Downloader* downloader;

    QString m_programFolder;
    QString m_server;
    // The version the server announced, as its installer's signature must name it.
    QByteArray m_announcedVersion;
    int m_timeoutMs = 60000;
    bool m_downloading = false;
    bool m_closeRequested = false;
};
