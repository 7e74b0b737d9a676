#include "document/placeholders.h"

namespace placeholders {

namespace {

// Walks the text once: literal pieces go to `literal`, placeholder names to `name`.
template <class Literal, class Name>
void scan(const QString& text, Literal literal, Name name)
{
    qsizetype at = 0;
    const qsizetype n = text.size();
    while (at < n) {
        const qsizetype dollar = text.indexOf(u'$', at);
        if (dollar < 0) {
            literal(QStringView(text).sliced(at));
            return;
        }
        literal(QStringView(text).sliced(at, dollar - at));
        if (QStringView(text).sliced(dollar).startsWith(u"$${")) {
            literal(u"${");
            at = dollar + 3;
            continue;
        }
        if (dollar + 1 < n && text[dollar + 1] == u'{') {
            const qsizetype close = text.indexOf(u'}', dollar + 2);
            if (close >= 0) {
                name(text.mid(dollar + 2, close - dollar - 2));
                at = close + 1;
                continue;
            }
        }
        literal(u"$");
        at = dollar + 1;
    }
}

} // namespace

QStringList placeholderNames(const QString& text)
{
    QStringList names;
    scan(
        text, [](QStringView) {},
        [&](const QString& name) {
            if (!names.contains(name))
                names << name;
        });
    return names;
}

std::optional<QString> fill(const QString& text, const QStringList& columns, const QStringList& row,
                            QString* unknown)
{
    QString out;
    bool ok = true;
    scan(
        text, [&](QStringView piece) { out += piece; },
        [&](const QString& name) {
            const qsizetype column = columns.indexOf(name);
            if (column < 0) {
                if (ok && unknown)
                    *unknown = name;
                ok = false;
                return;
            }
            out += row.value(column);
        });
    if (!ok)
        return std::nullopt;
    return out;
}

std::optional<QString> unknownPlaceholder(const QStringList& texts, const QStringList& columns)
{
    for (const QString& text : texts)
        for (const QString& name : placeholderNames(text))
            if (!columns.contains(name))
                return name;
    return std::nullopt;
}

} // namespace placeholders
