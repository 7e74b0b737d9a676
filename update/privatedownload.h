#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

// A downloaded installer kept where nothing else can reach it between its check and its start:
// a new folder that only this user may enter, made in the program's folder (so that the file
// can be linked into place on the same file system), and a file in it that this object made
// itself. The check reads the open file, not a name, and what is started is that same file.
class PrivateDownload {
public:
    // Makes the folder in `parent` and the empty file `name` in it; isValid() says whether both
    // could be made, error() why not.
    PrivateDownload(const QString& parent, const QString& name);
    // Removes the folder and what it holds, unless keep() was called.
    ~PrivateDownload();
    PrivateDownload(const PrivateDownload&) = delete;
    PrivateDownload& operator=(const PrivateDownload&) = delete;

    bool isValid() const { return m_fd >= 0; }
    // The system's error number for the last step that failed.
    int error() const { return m_error; }
    // The file, open for writing; it is written to only through this.
    QFile& file() { return m_file; }
    QString filePath() const;

    struct Digest {
        qint64 size = 0;
        QByteArray sha256; // 32 bytes
    };
    // The size and SHA-256 of what the file holds, read through its own descriptor.
    std::optional<Digest> digest();

    // Gives the file mode 0755 and puts it under `destination` in one step, replacing whatever
    // name was there (a link there is replaced, not followed). The file stays in the private
    // folder too, to be started from there, and is closed, so that it can be started.
    bool placeAt(const QString& destination);
    // Leaves the folder and the file behind when this object goes: the installer runs from it.
    void keep() { m_keep = true; }

private:
    QString m_folder;
    QString m_name;
    int m_fd = -1;
    int m_error = 0;
    bool m_keep = false;
    QFile m_file;
};
