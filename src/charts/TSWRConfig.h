#pragma once

#include <QString>

namespace ZChart {

// A limit drawn as a line (SWR chart) or a circle (Smith and polar charts), given as an SWR value.
struct TSWRConfig
{
    QString name;
    double limit_line_val = 0.0;
    bool is_enabled = false;
};

} // namespace ZChart
