#pragma once
#include <QString>
#include <QUrl>
QString makerServer();
QUrl makerUrl(const QString& path);
void GotoURL(const QString& url);
