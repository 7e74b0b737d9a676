#include "controls/propertybag.h"

#include <cmath>
#include <limits>

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

namespace {
bool isNumber(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double: return true;
    default: return false;
    }
}

// Whole numbers only: a fraction in an integer property means the bag is not ours.
bool readWhole(const QVariant& value, qint64& out)
{
    if (value.metaType().id() == QMetaType::Float || value.metaType().id() == QMetaType::Double) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e15)
            return false;
        out = qint64(d);
        return true;
    }
    if (!isNumber(value))
        return false;
    bool ok = false;
    out = value.toLongLong(&ok);
    return ok;
}
} // namespace

bool PropertyBag::readBool(const QString& name, bool defaultValue) const
{
    const QVariant value = ReadProperty(name, QVariant());
    return isNumber(value) ? value.toBool() : defaultValue;
}

qint16 PropertyBag::readInt16(const QString& name, qint16 defaultValue) const
{
    qint64 number = 0;
    if (!readWhole(ReadProperty(name, QVariant()), number)
        || number < std::numeric_limits<qint16>::min()
        || number > std::numeric_limits<qint16>::max())
        return defaultValue;
    return qint16(number);
}

qint32 PropertyBag::readInt32(const QString& name, qint32 defaultValue) const
{
    qint64 number = 0;
    if (!readWhole(ReadProperty(name, QVariant()), number)
        || number < std::numeric_limits<qint32>::min()
        || number > qint64(std::numeric_limits<quint32>::max()))
        return defaultValue;
    return qint32(quint32(number));
}

float PropertyBag::readFloat(const QString& name, float defaultValue) const
{
    const QVariant value = ReadProperty(name, QVariant());
    if (!isNumber(value))
        return defaultValue;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::fabs(number) > std::numeric_limits<float>::max())
        return defaultValue;
    return float(number);
}

QString PropertyBag::readString(const QString& name, const QString& defaultValue) const
{
    const QVariant value = ReadProperty(name, QVariant());
    return value.metaType().id() == QMetaType::QString ? value.toString() : defaultValue;
}
