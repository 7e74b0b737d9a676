#include "document/wholefile.h"

#include <QSaveFile>

bool writeWholeFile(const QString& path, const QByteArray& content, QString* error,
                    bool inPlaceFallback)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(inPlaceFallback);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}
