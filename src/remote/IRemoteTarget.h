#pragma once

#include "charts/ChartTypes.h"

namespace ZChart {
class ZChartView;
}

namespace ZRemote {

// What the remote commands need of the window: the chart arrangement and the four chart views. The
// window implements it; tests give a few bare views.
class IRemoteTarget
{
public:
    static constexpr int VIEWS = 4;
    static constexpr int ARRANGEMENTS = 12;

    virtual ~IRemoteTarget() = default;

    // Index 0..11 of the arrangement shown, -1 with none.
    virtual int chartArrangement() const = 0;
    // Applies an arrangement as choosing it on the charts page does; false when refused.
    virtual bool setChartArrangement(int index) = 0;
    // View 0..3 in the order UL, UR, BL, BR; null when there is none.
    virtual ZChart::ZChartView* chartView(int index) const = 0;
    // Changes a view's chart type as the charts page does for the selected view.
    virtual bool setChartType(int index, ZChart::EChartType type) = 0;
};

} // namespace ZRemote
