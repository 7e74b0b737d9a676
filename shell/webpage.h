#pragma once

#include <QString>
#include <QUrl>

// The maker's web server: QUILLMARK_SERVER (scheme, host, optional port) when it names an
// http or https server, else the built-in address. No trailing slash.
QString makerServer();

// A page on the maker's server; an empty path gives the home page.
QUrl makerUrl(const QString& path);

// Hands a web address to the user's browser. Only http and https addresses are handed on,
// so a stray path or program name can never be opened or started through here. Nothing is
// reported when no browser takes it.
void openWebPage(const QString& url);

// The product page, which serves as the program's help.
void openProductPage();
