#pragma once

#include <QString>
#include <QtGlobal>

namespace ZChart {

// Vertical grid of a magnitude chart: one division is grid_step / divisor; only the step is stored.
struct TGridConfig
{
    QString name;
    quint32 grid_step = 20;
    double divisor = 1.0;

    double step() const { return divisor != 0.0 ? double(grid_step) / divisor : 0.0; }
};

} // namespace ZChart
