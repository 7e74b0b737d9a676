#include "shell/webpage.h"

#include "prompt/platform.h"

namespace {

const QString defaultServer = QStringLiteral("http://www.quillmark.example");

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
           && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

QString makerServer()
{
    QString configured = qEnvironmentVariable("QUILLMARK_SERVER").trimmed();
    // "host:port" alone is taken as an http server rather than as a URL with scheme "host".
    if (!configured.isEmpty() && !configured.contains(QStringLiteral("://")))
        configured.prepend(QStringLiteral("http://"));
    while (configured.endsWith(QLatin1Char('/')))
        configured.chop(1);
    const QUrl url(configured, QUrl::StrictMode);
    if (!isWebAddress(url) || url.hasQuery() || url.hasFragment()) {
        // Said once: whoever set it should learn that it is not used, but not at every page.
        static bool reported = false;
        if (!reported && !configured.isEmpty()) {
            reported = true;
            qWarning("QUILLMARK_SERVER \"%s\" is not an http or https server address; using %s",
                     qUtf8Printable(configured), qUtf8Printable(defaultServer));
        }
        return defaultServer;
    }
    return configured;
}

QUrl makerUrl(const QString& path)
{
    QUrl url(makerServer());
    url.setPath(url.path() + path);
    return url;
}

void openWebPage(const QString& url)
{
    const QUrl address(url);
    if (isWebAddress(address))
        Platform::instance().openUrl(address);
}

void openProductPage()
{
    openWebPage(makerUrl(QStringLiteral("/product/quillmark.html")).toString());
}
