#pragma once

#include <QHash>
#include <QPair>
#include <QPointF>
#include <QVector>
#include <functional>

#include "charts/ChartTypes.h"
#include "charts/TTraceCache.h"
#include "core/IFactoryMethod.h"
#include "measurement/TScanPoint.h"

namespace ZChart {

class ZChartView;

// Turns scan points into chart points for the chart type of its view, clamped to the view's
// vertical axis where the type asks for it.
class DataScanProcessor : public ZCore::IFactoryMethod
{
public:
    using TConversion = std::function<QPointF(const ZData::TScanPoint&)>;

    explicit DataScanProcessor(ZChartView* view);

    void build() override;

    // UNSET stands for the view's chart type. A type without a conversion leaves `out` as sized by
    // the caller; DTF runs the transform on the whole vector (never touching `points`).
    void convert(const ZData::TScanPoints& points, QVector<QPointF>& out,
                 EChartType type = EChartType::UNSET) const;
    QPointF convertPoint(const ZData::TScanPoint& point, EChartType type) const;
    bool hasConversion(EChartType type) const { return m_conversions.contains(type); }

    // Frequency charts only: x in MHz, the live series also strictly increasing by i * 1e-9.
    static void scaleFrequencies(QVector<QPointF>& out, EChartType type, bool live);
    // The points as a line to draw: where y jumps by more than half of `period` between two
    // neighbours (a wrap of the angle, not a change of the quantity), the line leaves the plot
    // above and below the jump and goes round outside it, so nothing joins the two sides of the
    // wrap inside the plot. `xFar` and `yFar` lie outside the plot; the toolkit clips the detour.
    static QVector<QPointF> withWrapBreaks(const QVector<QPointF>& points, double period, double xFar,
                                           double yFar);
    // Index of the first smallest y and of the last largest y; (0, 0) for no points.
    static QPair<int, int> minMaxIndices(const QVector<QPointF>& points);

    // The cached conversion of a trace for the type, converted on first request.
    const QVector<QPointF>& traceSeries(TTraceCache& cache, EChartType type) const;

    // Vertical range used for clamping; the view's axis unless set explicitly (tests, headless use).
    void setVerticalRange(double min, double max);
    void clearVerticalRange() { m_hasOwnRange = false; }

private:
    float yMin() const;
    float yMax() const;
    float clampY(float v) const;
    QPointF smith(const ZData::TScanPoint& p) const;
    QPointF phase(const ZData::TScanPoint& p) const;
    QPointF linMag(const ZData::TScanPoint& p) const;
    QPointF logMag(const ZData::TScanPoint& p) const;
    QPointF swr(const ZData::TScanPoint& p) const;
    QPointF loss(const ZData::TScanPoint& p) const;

    ZChartView* m_view = nullptr;
    QHash<EChartType, TConversion> m_conversions;
    // The vertical range while a whole sweep is converted: read once, not twice per point.
    mutable bool m_batch = false;
    mutable float m_batchMin = 0.0f;
    mutable float m_batchMax = 0.0f;
    bool m_hasOwnRange = false;
    double m_ownMin = 0.0;
    double m_ownMax = 0.0;
};

} // namespace ZChart
