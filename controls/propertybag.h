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

    // Typed reads for the controls. A value that does not convert to the type, or does not fit
    // it, reads as the default, so a damaged bag cannot put a control into a state that its
    // own setters could not reach.
    bool readBool(const QString& name, bool defaultValue) const;
    qint16 readInt16(const QString& name, qint16 defaultValue) const;
    // Colours arrive as signed or unsigned 32-bit numbers alike; both read as the same bits.
    qint32 readInt32(const QString& name, qint32 defaultValue) const;
    float readFloat(const QString& name, float defaultValue) const;
    QString readString(const QString& name, const QString& defaultValue) const;

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
