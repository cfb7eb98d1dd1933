#include "devicelink/DeviceEnumPrinter.h"

#include <QDebug>
#include <QMetaEnum>

namespace ZData {

namespace {

// The key of a value, or null for a value the enumeration does not name.
template <typename E>
const char* keyOf(E value)
{
    return QMetaEnum::fromType<E>().valueToKey(int(value));
}

template <typename E>
QString nameOf(E value, const char* typeName)
{
    if (const char* key = keyOf(value))
        return QLatin1String(key);
    return DeviceEnumPrinter::unknown(typeName, qint64(value));
}

} // namespace

QString DeviceEnumPrinter::unknown(const char* typeName, qint64 value)
{
    qWarning().noquote()
        << tag() +
               QStringLiteral(" >> got unknown value of [ %1 ]: %2").arg(QLatin1String(typeName)).arg(value);
    return QString::number(value);
}

QString DeviceEnumPrinter::toString(EDeviceCommands value)
{
    return nameOf(value, "EDeviceCommands");
}

QString DeviceEnumPrinter::toString(EDeviceTypes value)
{
    return nameOf(value, "EDeviceTypes");
}

QString DeviceEnumPrinter::toString(EDeviceStates value)
{
    return nameOf(value, "EDeviceStates");
}

QString DeviceEnumPrinter::toString(EDeviceOptions value)
{
    return nameOf(value, "EDeviceOptions");
}

QString DeviceEnumPrinter::toString(DMM::EStates value)
{
    // The link states carry their scope in the log, so that they do not read as device commands.
    if (const char* key = keyOf(value))
        return QStringLiteral("DMM::EStates::") + QLatin1String(key);
    return unknown("DMM::EStates", qint64(value));
}

} // namespace ZData
