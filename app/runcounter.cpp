#include "app/runcounter.h"

#include "document/regularfile.h"
#include "document/wholefile.h"

#include <QDir>

#include <cmath>

namespace runcounter {

namespace {
// Numbers are printed as the classic BASIC print statement does: a sign place (a space for
// positive numbers), the digits, and one trailing space.
QByteArray printedNumber(double value)
{
    QByteArray digits;
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        digits = QByteArray::number(qint64(value));
    else
        digits = QByteArray::number(value, 'g', 15);
    return (value < 0 ? QByteArray() : QByteArray(" ")) + digits + ' ';
}
} // namespace

QString location(const QString& programFolder)
{
    const QString program = QDir::cleanPath(programFolder);
    if (!program.endsWith(QStringLiteral("/" QUILLMARK_INSTALLED_PROGRAM_DIR)))
        return QDir(program).filePath(QStringLiteral("sat.txt"));
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state)) // unset, empty or relative: the freedesktop default
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir(state).filePath(QStringLiteral("quillmark/sat.txt"));
}

Step next(const QString& firstLine)
{
    if (firstLine == QLatin1String(" 9 "))
        return {true, "1\r\n"};

    const QString number = firstLine.trimmed();
    double value = 0;
    if (!number.isEmpty()) {
        bool ok = false;
        value = number.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return {false, {}};
    }
    return {false, printedNumber(value + 1) + "\r\n"};
}

QString readFirstLine(const QString& path)
{
    // One line is all the counter ever holds; a huge file must not be read whole, and a FIFO
    // in its place must not hold up the start.
    const RegularFileRead read = readRegularFile(path, 4096, true);
    if (!read.ok())
        return {};
    QByteArray line = read.bytes;
    if (const qsizetype newline = line.indexOf('\n'); newline >= 0)
        line.truncate(newline + 1);
    const qsizetype end = line.indexOf('\r') >= 0 ? line.indexOf('\r') : line.indexOf('\n');
    if (end >= 0)
        line.truncate(end);
    return QString::fromLocal8Bit(line);
}

bool write(const QString& path, const QByteArray& content)
{
    // A writable counter in a folder we may not create files in is still updated in place.
    return writeWholeFile(path, content);
}

} // namespace runcounter
