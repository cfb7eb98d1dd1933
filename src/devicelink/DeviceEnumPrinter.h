#pragma once

#include <QString>

#include "devicelink/DeviceTypes.h"

namespace ZData {

// Texts of the device-link enumerations for logs. A value without a name is returned as its decimal
// number after a warning, so a device speaking a newer protocol still leaves a readable log.
class DeviceEnumPrinter
{
public:
    static QString tag() { return QStringLiteral("DeviceEnumPrinter"); }

    static QString toString(EDeviceCommands value);
    static QString toString(EDeviceTypes value);
    static QString toString(EDeviceStates value);
    static QString toString(EDeviceOptions value);
    static QString toString(DMM::EStates value);

    static QString commandName(quint16 value) { return toString(EDeviceCommands(value)); }
    static QString stateName(quint16 value) { return toString(DMM::EStates(value)); }

    // The number as text, after a warning naming the type.
    static QString unknown(const char* typeName, qint64 value);
};

} // namespace ZData
