#include "charts/ChartAxesTransformer.h"

#include <QChart>
#include <QFontMetricsF>
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
    fitLabels();
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
    fitLabels();
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
        const double ticks = MAX_Y_TICKS;
        setVertical(1.0 - (ticks - 1) * step, 1.0, QStringLiteral("%.2f"));
    });
    m_ranges.insert(EChartType::LOG_MAG, [this] {
        frequencyRange();
        const double step = m_view->config()->logConfig().step();
        const double ticks = MAX_Y_TICKS;
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
        fitLabels();
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
    fitLabels();
}

QStringList ChartAxesTransformer::tickLabels(double from, double to, int ticks, int* decimals)
{
    QVector<double> values;
    const int n = std::max(ticks, 2);
    for (int i = 0; i < n; ++i)
        values.append(from + (to - from) * i / (n - 1));
    int chosen = MIN_DECIMALS;
    for (; chosen < MAX_DECIMALS; ++chosen) {
        // A tick that rounds away from its value by more than a hundredth of its last digit would
        // read as a number it is not (100.125 shown as 100.13).
        const double unit = std::pow(10.0, -chosen);
        bool exact = true;
        for (double v : values)
            exact = exact && std::abs(v - std::round(v / unit) * unit) <= unit * 0.01;
        if (exact)
            break;
    }
    if (decimals)
        *decimals = chosen;
    QStringList labels;
    for (double v : values)
        labels.append(QString::number(v, 'f', chosen));
    return labels;
}

void ChartAxesTransformer::fitLabels()
{
    const EChartType type = m_view->config()->chartType();
    if (!isFrequencyChart(type) && type != EChartType::DTF)
        return;
    const QRectF plot = m_view->chart()->plotArea();
    QtCharts::QValueAxis* x = m_view->axisX();
    double from = x->min(), to = x->max();
    if (isFrequencyChart(type)) {
        // The labels name the sweep's own ends, not the tiny offset that keeps the series increasing.
        const ZData::DS::RangeSliced range(ZData::DataScanManager::sweep());
        if (range.stop() > range.start()) {
            from = range.start() / 1e6;
            to = range.stop() / 1e6;
        }
    }
    const QFontMetricsF metrics(x->labelsFont());
    int ticks = 2, decimals = MIN_DECIMALS;
    for (int n = MAX_X_TICKS; n >= 2; --n) {
        int d = MIN_DECIMALS;
        const QStringList labels = tickLabels(from, to, n, &d);
        double widest = 0.0;
        for (const QString& label : labels)
            widest = std::max(widest, metrics.horizontalAdvance(label));
        ticks = n;
        decimals = d;
        if (plot.width() <= 0.0 || widest + LABEL_GAP <= plot.width() / (n - 1))
            break;
    }
    if (x->tickCount() != ticks)
        x->setTickCount(ticks);
    const QString format = QStringLiteral("%.%1f").arg(decimals);
    if (x->labelFormat() != format)
        x->setLabelFormat(format);

    // The vertical axis keeps its range and format; where its labels would be closer than their
    // own height it shows fewer of them, only counts whose ticks the format prints exactly.
    QtCharts::QValueAxis* y = m_view->axisY();
    const int yDecimals = y->labelFormat().contains(QLatin1String("%i"))
                              ? 0
                              : y->labelFormat().section(QLatin1Char('.'), 1).left(1).toInt();
    const double unit = std::pow(10.0, -yDecimals);
    const double lineHeight = QFontMetricsF(y->labelsFont()).height();
    int yTicks = 2;
    for (int n = MAX_Y_TICKS; n >= 2; --n) {
        bool exact = true;
        for (int i = 0; i < n && exact; ++i) {
            const double v = y->min() + (y->max() - y->min()) * i / (n - 1);
            exact = std::abs(v - std::round(v / unit) * unit) <= unit * 0.01;
        }
        if (!exact)
            continue;
        yTicks = n;
        if (plot.height() <= 0.0 || plot.height() / (n - 1) >= lineHeight * 1.25)
            break;
    }
    if (y->tickCount() != yTicks)
        y->setTickCount(yTicks);

    // A title longer than its side of the plot gets a smaller font rather than an ellipsis.
    fitTitle(x, plot.width());
    fitTitle(y, plot.height());
}

void ChartAxesTransformer::fitTitle(QtCharts::QValueAxis* axis, double room)
{
    QFont font = axis->titleFont();
    QFont trial = font;
    int pixels = TITLE_PIXELS;
    for (; room > 0.0 && pixels > MIN_TITLE_PIXELS; --pixels) {
        trial.setPixelSize(pixels);
        if (QFontMetricsF(trial).horizontalAdvance(axis->titleText()) <= room - TITLE_ROOM)
            break;
    }
    if (font.pixelSize() != pixels) {
        font.setPixelSize(pixels);
        axis->setTitleFont(font);
    }
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
    if (std::abs(lo - hi) <= 1e-6)
        m_view->axisY()->setRange(std::min(-1.0, lo), 0.0);
    else
        m_view->axisY()->setRange(lo, std::max(hi, 0.0));
    fitLabels();
}

} // namespace Temp
} // namespace ZChart
