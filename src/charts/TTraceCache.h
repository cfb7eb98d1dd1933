#pragma once

#include <QHash>
#include <QPointF>
#include <QVector>

#include "charts/ChartTypes.h"
#include "measurement/TScanPoint.h"

namespace ZChart {

// A loaded trace as a chart view shows it: the points, and their conversions per chart type kept
// until the next clear so that switching types back and forth does not convert them again.
struct TTraceCache
{
    ZData::TScanPoints points;
    QHash<EChartType, QVector<QPointF>> converted;
};

} // namespace ZChart
