#pragma once

#include <QHash>
#include <functional>

#include "charts/ChartTypes.h"
#include "core/IFactoryMethod.h"

namespace ZChart {

class ZChartView;

namespace Temp {

// Label formats, ranges and titles of a view's two axes for the chart type it shows.
class ChartAxesTransformer : public ZCore::IFactoryMethod
{
public:
    static constexpr double SWR_MIN = 1.0;
    static constexpr double SWR_MAX = 5.0;
    static constexpr double DB_MIN = -95.0;
    static constexpr double DB_MAX = 5.0;

    explicit ChartAxesTransformer(ZChartView* view);

    void build() override;

    // Nothing for a type without an entry.
    void applyRanges(EChartType type);
    // For the view's current chart type, in the current language.
    void applyTitles();
    // The vertical range of the loss chart from its main series; no points, no change.
    void lossAutoRange();

private:
    void frequencyRange();
    void setVertical(double min, double max, const QString& format);
    QString title(const char* titleId, const QString& unit) const;

    ZChartView* m_view = nullptr;
    QHash<EChartType, std::function<void()>> m_ranges;
    QHash<EChartType, std::function<void()>> m_titles;
};

} // namespace Temp

using Temp::ChartAxesTransformer;

} // namespace ZChart
