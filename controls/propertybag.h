#pragma once

#include <QString>
#include <QVariant>

#include <map>

// Named values through which controls save and restore their properties. A value equal to
// its default is not written; a missing key reads as the default; keys ignore case.
class PropertyBag {
public:
    void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue);
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const;

    bool contains(const QString& name) const;
    int size() const { return int(m_values.size()); }
    void clear() { m_values.clear(); }

private:
    struct Caseless {
        bool operator()(const QString& a, const QString& b) const
        {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        }
    };
    std::map<QString, QVariant, Caseless> m_values;
};
