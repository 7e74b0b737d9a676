#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

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

// The file name at the end of an http:// URL: the part after the last "/" when it holds a
// dot before its last character; otherwise empty.
QString fileNameFromUrl(const QString& url);
