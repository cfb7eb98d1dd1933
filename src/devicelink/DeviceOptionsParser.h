#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include "devicelink/DeviceTypes.h"

namespace ZData {

// One device parameter read from the option text, in the order the text gives it.
struct TDeviceParam
{
    EDeviceOptions kind = EDeviceOptions::SCAN_RANGE;
    quint64 minFrequency = 0;
    quint64 maxFrequency = 0;
    QVector<quint32> bandwidths;
    quint32 presetsCount = 0;
};

// Reads the option text the analyser reports ("SR=min,max;BW=a,b,c;PR=n"). Entries that are damaged
// are logged under the caller's tag and skipped; nothing here reads outside the text.
class DeviceOptionsParser
{
public:
    static QVector<TDeviceParam> parse(const QByteArray& text, const QString& tag);
};

} // namespace ZData
