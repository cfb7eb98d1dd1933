#include "charts/ChartAxesTransformer.h"

#include <QLineSeries>
#include <QValueAxis>

#include <cmath>

#include "charts/ChartEnumPrinter.h"
#include "charts/DTFTransform.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "measurement/DataScanManager.h"

namespace ZChart {
namespace Temp {

ChartAxesTransformer::ChartAxesTransformer(ZChartView* view) : m_view(view)
{
    build();
}

void ChartAxesTransformer::setVertical(double min, double max, const QString& format)
{
    QtCharts::QValueAxis* y = m_view->axisY();
    y->setLabelFormat(format);
    y->setRange(min, max);
}

void ChartAxesTransformer::frequencyRange()
{
    const ZData::DS::RangeSliced range(ZData::DataScanManager::sweep());
    const double points = double(ZData::DataScanManager::pointCount());
    QtCharts::QValueAxis* x = m_view->axisX();
    x->setLabelFormat(QStringLiteral("%.2f"));
    const double start = range.start() / 1e6;
    const double stop = range.stop() / 1e6 + points * 1e-9;
    // A sweep that has not been set yet has no span; the axis keeps a range it can draw.
    if (stop > start)
        x->setRange(start, stop);
}

QString ChartAxesTransformer::title(const char* titleId, const QString& unit) const
{
    return QStringLiteral("%1 (%2)").arg(qtTrId(titleId), unit);
}

void ChartAxesTransformer::build()
{
    m_ranges.clear();
    m_titles.clear();
    m_ranges.insert(EChartType::SMITH, [this] {
        const QPair<double, double> extent = m_view->smithExtent();
        m_view->axisX()->setRange(-extent.first, extent.first);
        m_view->axisY()->setRange(-extent.second, extent.second);
    });
    m_ranges.insert(EChartType::POLAR, m_ranges.value(EChartType::SMITH));
    m_ranges.insert(EChartType::PHASE, [this] {
        frequencyRange();
        setVertical(-180.0, 180.0, QStringLiteral("%i"));
    });
    m_ranges.insert(EChartType::LIN_MAG, [this] {
        frequencyRange();
        const double step = m_view->config()->linConfig().step();
        const double ticks = m_view->axisY()->tickCount();
        setVertical(1.0 - (ticks - 1) * step, 1.0, QStringLiteral("%.2f"));
    });
    m_ranges.insert(EChartType::LOG_MAG, [this] {
        frequencyRange();
        const double step = m_view->config()->logConfig().step();
        const double ticks = m_view->axisY()->tickCount();
        setVertical(DB_MAX - (ticks - 1) * step, DB_MAX, QStringLiteral("%i"));
    });
    m_ranges.insert(EChartType::SWR, [this] {
        frequencyRange();
        setVertical(SWR_MIN, SWR_MAX, QStringLiteral("%.1f"));
    });
    m_ranges.insert(EChartType::DTF, [this] {
        const TDTFConfig& dtf = m_view->config()->dtfConfig();
        const double start = DTFTransform::toDisplay(dtf, dtf.start);
        const double stop = start + DTFTransform::toDisplay(dtf, dtf.span);
        m_view->axisX()->setLabelFormat(QStringLiteral("%.2f"));
        // A window without width (no scan range yet, or a zero velocity factor) keeps the last range.
        if (stop > start && std::isfinite(stop))
            m_view->axisX()->setRange(start, stop);
        setVertical(DB_MIN, DB_MAX, QStringLiteral("%i"));
    });
    m_ranges.insert(EChartType::LOSS, [this] {
        frequencyRange();
        setVertical(-1.0, 0.0, QStringLiteral("%.2f"));
    });

    const auto frequencyTitle = [this] {
        m_view->axisX()->setTitleText(title("lp_axis_title_frequency", qtTrId("lp_units_mhz")));
    };
    m_titles.insert(EChartType::SMITH, [] {});
    m_titles.insert(EChartType::POLAR, m_titles.value(EChartType::SMITH));
    m_titles.insert(EChartType::PHASE, [this, frequencyTitle] {
        frequencyTitle();
        m_view->axisY()->setTitleText(title("lp_axis_title_angle", qtTrId("lp_units_angle")));
    });
    m_titles.insert(EChartType::LIN_MAG, [this, frequencyTitle] {
        frequencyTitle();
        m_view->axisY()->setTitleText(title("lp_axis_title_voltage", qtTrId("lp_units_mv")));
    });
    m_titles.insert(EChartType::LOG_MAG, [this, frequencyTitle] {
        frequencyTitle();
        m_view->axisY()->setTitleText(title("lp_axis_title_level", qtTrId("lp_units_db")));
    });
    m_titles.insert(EChartType::SWR, [this, frequencyTitle] {
        frequencyTitle();
        m_view->axisY()->setTitleText(qtTrId("lp_axis_title_swr"));
    });
    m_titles.insert(EChartType::DTF, [this] {
        const TDTFConfig& dtf = m_view->config()->dtfConfig();
        m_view->axisX()->setTitleText(QStringLiteral("%1 (%2)").arg(
            ChartEnumPrinter::displayName(dtf.domain), ChartEnumPrinter::unitName(dtf.view_domain)));
        m_view->axisY()->setTitleText(title("lp_axis_title_level", qtTrId("lp_units_db")));
    });
    m_titles.insert(EChartType::LOSS, [this, frequencyTitle] {
        frequencyTitle();
        m_view->axisY()->setTitleText(
            title("lp_axis_title_level", ChartEnumPrinter::unitName(m_view->config()->lossConfig().domain)));
    });
}

void ChartAxesTransformer::applyRanges(EChartType type)
{
    const auto it = m_ranges.constFind(type);
    if (it != m_ranges.constEnd())
        (*it)();
}

void ChartAxesTransformer::applyTitles()
{
    const auto it = m_titles.constFind(m_view->config()->chartType());
    if (it != m_titles.constEnd())
        (*it)();
}

void ChartAxesTransformer::lossAutoRange()
{
    const QVector<QPointF> points = m_view->mainSeries()->pointsVector();
    if (points.isEmpty())
        return;
    double lo = points[0].y(), hi = points[0].y();
    for (const QPointF& p : points) {
        lo = std::min(lo, p.y());
        hi = std::max(hi, p.y());
    }
    // A flat series is judged before the top is raised to 0: otherwise a constant loss would span
    // exactly from its own value to 0 and sit on the bottom edge. It gets at least 1 dB below 0.
    if (std::abs(lo - hi) <= 1e-6) {
        m_view->axisY()->setRange(std::min(-1.0, lo), 0.0);
        return;
    }
    m_view->axisY()->setRange(lo, std::max(hi, 0.0));
}

} // namespace Temp
} // namespace ZChart
