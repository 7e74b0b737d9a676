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
        const QString bracketed = "(" + patterns.join(' ') + ")";
        // A name that shows its patterns already is passed as it is.
        if (parts[i].endsWith(bracketed))
            filters.append(parts[i]);
        else
            filters.append(parts[i] + " " + bracketed);
    }
    return filters.join(";;");
}
