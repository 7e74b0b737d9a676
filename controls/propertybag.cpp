#include "controls/propertybag.h"

void PropertyBag::WriteProperty(const QString& name, const QVariant& value,
                                const QVariant& defaultValue)
{
    if (value == defaultValue)
        m_values.erase(name);
    else
        m_values[name] = value;
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const
{
    const auto it = m_values.find(name);
    return it == m_values.end() ? defaultValue : it->second;
}

bool PropertyBag::contains(const QString& name) const { return m_values.count(name) != 0; }
