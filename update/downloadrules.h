#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUrl>

#include <optional>

// The updater's decisions on server text, kept free of widgets and sockets so that tests and
// fuzzers can reach them directly.

// A number at the start of a text the way the version file and "Content-Length" are read:
// leading blanks skipped, reading stops at the first character that cannot continue a
// decimal number (sign, digits, one point, an exponent); no digits gives 0.
double leadingNumber(QByteArrayView text);

// The version file announces an update when its leading number exceeds the running version.
inline constexpr int runningVersion = 100;
bool announcesUpdate(QByteArrayView versionFile);
// The version a version file names, as an installer's signature binds it: its first line
// without the white space around it ("101abc" for " 101abc\r\n").
QByteArray announcedVersion(QByteArrayView versionFile);
// What a release signs for one installer: the version it is published as, the installer's
// length and its SHA-256 (32 bytes), as the UTF-8 text
// "quillmark-update-v1\n<version>\n<size in decimal>\n<sha256 in lower-case hex>\n".
// Signing the version too means an older signed installer cannot be served as a newer one.
QByteArray updateMessage(QByteArrayView version, qint64 size, QByteArrayView sha256);

// What to do with a reply, decided on its header text (status line first, CR LF line ends).
struct StatusDecision {
    bool proceed = false;
    QString error; // the message to show when not proceeding
};
// The status code is characters 10 to 12 of the header text; the URL goes into the
// not-found message as the request named it.
QString statusCodeOf(QByteArrayView headerText);
StatusDecision decideStatus(QByteArrayView headerText, const QString& url);

// The value of a named header in the header text (name without regard to case), or nothing
// when the header is missing.
std::optional<QByteArray> headerValue(QByteArrayView headerText, QByteArrayView name);
// The size a reply announces: the leading number of "Content-Length", or nothing when the
// header is missing. Values beyond what a file can hold read as nothing too.
std::optional<qint64> announcedSize(QByteArrayView headerText);

// The percentage of an announced size that has been written, rounded half to even.
int percentWritten(qint64 written, qint64 announced);

// How the end of a reply's body is known. Only a body whose end is known can be whole: one of
// "Content-Length" bytes, or a chunked one that ends with its zero-size chunk. A body that ends
// where the connection closes may have been cut anywhere.
enum class BodyFraming { Length, Chunked, Unknown };
BodyFraming bodyFramingOf(QByteArrayView headerText);

// Undoes the chunked transfer coding as the bytes arrive, in pieces of any size. Any break of
// the framing (a size that is not hex or does not fit, a missing line end, an endless line)
// fails the body for good.
class ChunkDecoder {
public:
    enum class State { SizeLine, Data, DataEnd, Trailer, Done, Failed };
    // Appends the body bytes that `coded` carries to `body`. Bytes after the end are ignored.
    void feed(QByteArrayView coded, QByteArray& body);
    State state() const { return m_state; }
    bool done() const { return m_state == State::Done; }
    bool failed() const { return m_state == State::Failed; }

    // Longest size or trailer line, and the most trailer text, that is believed.
    static constexpr qsizetype lineLimit = 4096;
    static constexpr qsizetype trailerLimit = 16 * 1024;

private:
    // Takes bytes into m_line up to a line feed; true once the line is complete.
    bool takeLine(QByteArrayView coded, qsizetype& at);

    State m_state = State::SizeLine;
    QByteArray m_line;
    qint64 m_chunkLeft = 0;
    qsizetype m_trailerSize = 0;
};
// The size of a chunk-size line (without its CR LF): hex digits, then optional extensions
// after ";". Nothing when it is not one or would not fit in 60 bits.
std::optional<qint64> chunkSizeOf(QByteArrayView line);

// The request sent for a download: one GET on a connection of its own, asking for the whole
// file ("Range: bytes=0-"), with the user name and password as Basic authorization when given.
QByteArray requestText(const QUrl& url, const QString& userName, const QString& password);

// The detached signature that a ".sig" file holds: one line of base64 for 64 bytes, blanks
// and a line end around it allowed. Nothing for anything else.
inline constexpr qsizetype signatureSize = 64;
std::optional<QByteArray> signatureFromLine(QByteArrayView text);

// The file name at the end of an http:// URL: the part after the last "/" when it holds a
// dot before its last character; otherwise empty.
QString fileNameFromUrl(const QString& url);
