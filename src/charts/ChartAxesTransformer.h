#pragma once

#include <QHash>
#include <QStringList>
#include <functional>

#include "charts/ChartTypes.h"
#include "core/IFactoryMethod.h"

namespace QtCharts {
class QValueAxis;
}

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
    // Tick count and decimals of the horizontal axis such that every label shows its whole value at
    // the plot's width: fewer ticks where five do not fit, more decimals where a tick needs them.
    void fitLabels();
    static constexpr int MAX_X_TICKS = 5;
    // The vertical ranges span MAX_Y_TICKS - 1 grid steps even where fewer labels are shown.
    static constexpr int MAX_Y_TICKS = 6;
    // Axis titles: their full size, the smallest they shrink to, the room kept beside them.
    static constexpr int TITLE_PIXELS = 16;
    static constexpr int MIN_TITLE_PIXELS = 8;
    static constexpr double TITLE_ROOM = 14.0;
    static constexpr int MIN_DECIMALS = 2;
    static constexpr int MAX_DECIMALS = 6;
    // Room kept between two neighbouring labels, in pixels.
    static constexpr double LABEL_GAP = 12.0;
    // The labels of `ticks` evenly spaced values from `from` to `to` with the fewest decimals (at
    // least MIN_DECIMALS) that tell every tick apart exactly.
    static QStringList tickLabels(double from, double to, int ticks, int* decimals = nullptr);

private:
    void frequencyRange();
    static void fitTitle(QtCharts::QValueAxis* axis, double room);
    void setVertical(double min, double max, const QString& format);
    QString title(const char* titleId, const QString& unit) const;

    ZChartView* m_view = nullptr;
    QHash<EChartType, std::function<void()>> m_ranges;
    QHash<EChartType, std::function<void()>> m_titles;
};

} // namespace Temp

using Temp::ChartAxesTransformer;

} // namespace ZChart
