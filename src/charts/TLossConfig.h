#pragma once

#include <QString>

#include "charts/ChartTypes.h"

namespace ZChart {

// Cable loss in dB, or per metre of the given cable length.
struct TLossConfig
{
    QString name = QStringLiteral("LOSS");
    ELossType domain = ELossType::DB;
    double cable_length = 1.0;
};

} // namespace ZChart
