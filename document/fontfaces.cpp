#include "document/fontfaces.h"

#include <QSet>

QString storedFontName(const QString& face)
{
    static const QString suffixed[] = {
        QStringLiteral("Arial"),
        QStringLiteral("Courier New"),
        QStringLiteral("Times New Roman"),
        QStringLiteral("Tahoma"),
    };
    for (const QString& candidate : suffixed)
        if (face == candidate)
            return face + FontScriptSuffix;
    return face;
}

QString renderedFontFamily(const QString& stored)
{
    return stored.endsWith(FontScriptSuffix) ? stored.chopped(FontScriptSuffix.size()) : stored;
}

QStringList listedFontFamilies(const QStringList& families)
{
    QStringList listed;
    QSet<QString> seen;
    for (const QString& family : families) {
        QString name = family;
        // The foundry is a trailing " [name]".
        if (name.endsWith(']')) {
            const qsizetype open = name.lastIndexOf(QStringLiteral(" ["));
            if (open > 0)
                name.truncate(open);
        }
        if (!seen.contains(name)) {
            seen.insert(name);
            listed.append(name);
        }
    }
    return listed;
}
