#include "platform/filefilter.h"

#include <QStringList>

QString qtFileFilter(const QString& pipeFilter)
{
    const QStringList parts = pipeFilter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern.trimmed() == "*.*")
                pattern = "*";
        filters.append(parts[i] + " (" + patterns.join(' ') + ")");
    }
    return filters.join(";;");
}
