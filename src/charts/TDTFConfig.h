#pragma once

#include <QString>
#include <QtGlobal>

namespace ZChart {

enum class EDTFDomain : quint16
{
    TIME = 0,
    DISTANCE = 1
};

// Window and limits of the distance-to-fault view. The four window values are one-way times in ns
// whatever the domain; the limits are in seconds.
struct TDTFConfig
{
    QString name = QStringLiteral("DTF");
    double min_span = 0.0;
    double max_time = 0.0;
    EDTFDomain domain = EDTFDomain::TIME;
    EDTFDomain view_domain = EDTFDomain::TIME;
    double start = 0.0;
    double stop = 0.0;
    double center = 0.0;
    double span = 250.0;
    double velocity_factor = 1.0;
};

} // namespace ZChart
