#include "charts/DataScanProcessor.h"

#include <QScopeGuard>
#include <QValueAxis>

#include <cmath>

#include "charts/DTFTransform.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"

namespace ZChart {

namespace {

constexpr float RAD_TO_DEG = 57.29578f;
constexpr float SWR_CUT_OFF = 0.83f;
constexpr float SWR_ABOVE_CUT_OFF = 5.0f;

float magnitude(const ZData::TScanPoint& p)
{
    return std::hypot(p.re, p.im);
}

// One sweep through one conversion, called directly rather than through the table per point.
template <typename Conversion>
void convertAll(const ZData::TScanPoints& points, QVector<QPointF>& out, int n, const Conversion& conversion)
{
    QPointF* to = out.data();
    for (int i = 0; i < n; ++i)
        to[i] = conversion(points[i]);
}

} // namespace

DataScanProcessor::DataScanProcessor(ZChartView* view) : m_view(view)
{
    build();
}

void DataScanProcessor::build()
{
    m_conversions.clear();
    m_conversions.insert(EChartType::SMITH, [this](const ZData::TScanPoint& p) { return smith(p); });
    m_conversions.insert(EChartType::POLAR, m_conversions.value(EChartType::SMITH));
    m_conversions.insert(EChartType::PHASE, [this](const ZData::TScanPoint& p) { return phase(p); });
    m_conversions.insert(EChartType::LIN_MAG, [this](const ZData::TScanPoint& p) { return linMag(p); });
    m_conversions.insert(EChartType::LOG_MAG, [this](const ZData::TScanPoint& p) { return logMag(p); });
    m_conversions.insert(EChartType::SWR, [this](const ZData::TScanPoint& p) { return swr(p); });
    m_conversions.insert(EChartType::LOSS, [this](const ZData::TScanPoint& p) { return loss(p); });
}

void DataScanProcessor::setVerticalRange(double min, double max)
{
    m_hasOwnRange = true;
    m_ownMin = min;
    m_ownMax = max;
}

float DataScanProcessor::yMin() const
{
    if (m_batch)
        return m_batchMin;
    if (m_hasOwnRange || !m_view)
        return float(m_ownMin);
    return float(m_view->axisY()->min());
}

float DataScanProcessor::yMax() const
{
    if (m_batch)
        return m_batchMax;
    if (m_hasOwnRange || !m_view)
        return float(m_ownMax);
    return float(m_view->axisY()->max());
}

float DataScanProcessor::clampY(float v) const
{
    v = std::min(v, yMax());
    return std::max(v, yMin());
}

QPointF DataScanProcessor::smith(const ZData::TScanPoint& p) const
{
    float rho = magnitude(p);
    rho = rho > 1.0f ? 1.0f : (rho > 0.0f ? rho : 0.0f);
    const float phi = std::atan2(p.im, p.re);
    return QPointF(double(rho * std::cos(phi)), double(rho * std::sin(phi)));
}

QPointF DataScanProcessor::phase(const ZData::TScanPoint& p) const
{
    return QPointF(double(p.frequency), double(clampY(std::atan2(p.im, p.re) * RAD_TO_DEG)));
}

QPointF DataScanProcessor::linMag(const ZData::TScanPoint& p) const
{
    return QPointF(double(p.frequency), double(clampY(magnitude(p))));
}

QPointF DataScanProcessor::logMag(const ZData::TScanPoint& p) const
{
    const float r = magnitude(p);
    // No reflection at all is the best match there is: the bottom of the axis, not 0 dB.
    const float db = r > 0.0f ? 20.0f * std::log10(r) : yMin();
    return QPointF(double(p.frequency), double(clampY(db)));
}

QPointF DataScanProcessor::swr(const ZData::TScanPoint& p) const
{
    const float r = magnitude(p);
    const float v = r <= SWR_CUT_OFF ? (1.0f + r) / (1.0f - r) : SWR_ABOVE_CUT_OFF;
    return QPointF(double(p.frequency), double(clampY(v)));
}

QPointF DataScanProcessor::loss(const ZData::TScanPoint& p) const
{
    const float r = magnitude(p);
    if (!(r > 0.0f))
        return QPointF(double(p.frequency), double(yMin()));
    double v = double(10.0f * std::log10(r));
    if (m_view) {
        const TLossConfig& config = m_view->config()->lossConfig();
        if (config.domain == ELossType::DB_PER_M && config.cable_length > 0.0)
            v /= config.cable_length;
    }
    return QPointF(double(p.frequency), v);
}

QPointF DataScanProcessor::convertPoint(const ZData::TScanPoint& point, EChartType type) const
{
    const auto it = m_conversions.constFind(type);
    return it == m_conversions.constEnd() ? QPointF() : (*it)(point);
}

void DataScanProcessor::convert(const ZData::TScanPoints& points, QVector<QPointF>& out,
                                EChartType type) const
{
    if (type == EChartType::UNSET && m_view)
        type = m_view->config()->chartType();
    if (type == EChartType::DTF) {
        const TDTFConfig config = m_view ? m_view->config()->dtfConfig() : TDTFConfig();
        out = DTFTransform::transform(points, config, float(yMin()));
        return;
    }
    if (!m_conversions.contains(type))
        return;
    const int n = std::min(points.size(), out.size());
    m_batchMin = yMin();
    m_batchMax = yMax();
    m_batch = true;
    const auto done = qScopeGuard([this] { m_batch = false; });
    switch (type) {
    case EChartType::SMITH:
    case EChartType::POLAR:
        convertAll(points, out, n, [this](const ZData::TScanPoint& p) { return smith(p); });
        break;
    case EChartType::PHASE:
        convertAll(points, out, n, [this](const ZData::TScanPoint& p) { return phase(p); });
        break;
    case EChartType::LIN_MAG:
        convertAll(points, out, n, [this](const ZData::TScanPoint& p) { return linMag(p); });
        break;
    case EChartType::LOG_MAG:
        convertAll(points, out, n, [this](const ZData::TScanPoint& p) { return logMag(p); });
        break;
    case EChartType::SWR:
        convertAll(points, out, n, [this](const ZData::TScanPoint& p) { return swr(p); });
        break;
    default: {
        const TConversion conversion = m_conversions.value(type);
        convertAll(points, out, n, conversion);
        break;
    }
    }
}

void DataScanProcessor::scaleFrequencies(QVector<QPointF>& out, EChartType type, bool live)
{
    if (!isFrequencyChart(type))
        return;
    for (int i = 0; i < out.size(); ++i)
        out[i].setX(out[i].x() / 1e6 + (live ? double(i) * 1e-9 : 0.0));
}

QVector<QPointF> DataScanProcessor::withWrapBreaks(const QVector<QPointF>& points, double period, double xFar,
                                                   double yFar)
{
    QVector<QPointF> out;
    out.reserve(points.size() + 16);
    for (int i = 0; i < points.size(); ++i) {
        if (i > 0) {
            const QPointF& a = points[i - 1];
            const QPointF& b = points[i];
            const double jump = b.y() - a.y();
            if (std::abs(jump) > period / 2.0) {
                // Continue each side to where the unwrapped curve would be, then far beyond the
                // plot's edge, and cross over outside it.
                const double up = jump < 0 ? 1.0 : -1.0;
                out.append(QPointF(b.x(), b.y() + up * period));
                out.append(QPointF(b.x(), up * yFar));
                out.append(QPointF(xFar, up * yFar));
                out.append(QPointF(xFar, -up * yFar));
                out.append(QPointF(a.x(), -up * yFar));
                out.append(QPointF(a.x(), a.y() - up * period));
            }
        }
        out.append(points[i]);
    }
    return out;
}

QPair<int, int> DataScanProcessor::minMaxIndices(const QVector<QPointF>& points)
{
    int lo = 0, hi = 0;
    for (int i = 1; i < points.size(); ++i) {
        if (points[i].y() < points[lo].y())
            lo = i;
        if (points[i].y() >= points[hi].y())
            hi = i;
    }
    return {lo, hi};
}

const QVector<QPointF>& DataScanProcessor::traceSeries(TTraceCache& cache, EChartType type) const
{
    auto it = cache.converted.find(type);
    if (it == cache.converted.end()) {
        QVector<QPointF> out(cache.points.size());
        convert(cache.points, out, type);
        scaleFrequencies(out, type, false);
        it = cache.converted.insert(type, out);
    }
    return *it;
}

} // namespace ZChart
