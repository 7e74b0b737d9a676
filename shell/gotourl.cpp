#include "shell/gotourl.h"
#include "app/platform.h"
QString makerServer() { return qEnvironmentVariable("QUILLMARK_SERVER", "http://www.quillmark.example"); }
QUrl makerUrl(const QString& path) { return QUrl(makerServer() + path); }
void GotoURL(const QString& url) { Platform::instance().openUrl(QUrl(url)); }
