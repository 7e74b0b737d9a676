#include "app/startupoptions.h"

#include "document/filename.h"

#include <QStringList>

#include <climits>
#include <unistd.h>

namespace {
QString runningExecutable()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || size_t(length) >= sizeof buffer)
        return {};
    return decodeFileName(QByteArray(buffer, length));
}
} // namespace

StartupOptions StartupOptions::fromArguments(int argc, const char* const* argv,
                                             const QString& applicationFilePath)
{
    StartupOptions options;
    options.executable = applicationFilePath.isEmpty() ? runningExecutable() : applicationFilePath;
    // A document opened from the desktop arrives as the whole argument text: a path with
    // spaces that came unquoted is still one path.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments += decodeFileName(QByteArray(argv[i]));
    options.commandLine = arguments.join(' ');
    return options;
}
