#pragma once

#include <QHash>
#include <QPointF>
#include <QString>
#include <QVector>
#include <functional>

#include "charts/ChartTypes.h"
#include "core/IFactoryMethod.h"
#include "measurement/TScanPoint.h"

namespace ZChart {

class ZChartView;

// The numbers and the label text of a marker: values computed from the scan point under it, the
// text built from those values (or from the chart point for loss and distance-to-fault readouts).
class DataMarkProcessor : public ZCore::IFactoryMethod
{
public:
    using TValues = QVector<float>;
    using TValueFunction = std::function<TValues(const ZData::TScanPoint&)>;
    using TTextFunction = std::function<QString(const TValues&, const QPointF&, bool)>;

    static constexpr double Z0 = 50.0;
    static constexpr int LINE_WIDTH = 20;
    // The chart point of a delta marker without a reference.
    static constexpr double NO_POINT_X = -1e9;
    static constexpr quint64 NO_FREQUENCY = ~quint64(0);

    explicit DataMarkProcessor(ZChartView* view);

    void build() override;

    TValues values(EMarkType type, const ZData::TScanPoint& point) const;
    // Element by element point minus reference; lists of different lengths give no values.
    TValues deltaValues(EMarkType type, const ZData::TScanPoint& point,
                        const ZData::TScanPoint& reference) const;
    QString text(EMarkType type, const TValues& values, const ZData::TScanPoint& point,
                 const QPointF& chartPoint, bool showSign) const;

    // "label" padded so that label and value fill LINE_WIDTH columns (a long label is not cut).
    static QString line(const QString& label, const QString& value);
    // Two decimals (or `precision`), signed when asked; non-finite values read "Inf." or "-Inf.".
    static QString number(double value, bool showSign, int precision = 2);

private:
    EChartType chartType() const;
    TValues traceValues(const ZData::TScanPoint& p) const;
    QString traceText(const TValues& v, const QPointF& c, bool sign) const;
    QString reImText(const TValues& v, bool sign) const;
    QString magText(const TValues& v, bool sign) const;
    QString lmagText(const TValues& v, bool sign) const;
    QString swrText(const TValues& v, bool sign) const;
    QString impedText(const TValues& v, bool sign) const;
    QString admitText(const TValues& v, bool sign) const;
    QString lossText(const QPointF& c, bool sign) const;
    QString dtfText(const QPointF& c, bool sign) const;
    static QString inductanceLine(double nh, bool sign);
    static QString capacitanceLine(double pf, bool sign);

    ZChartView* m_view = nullptr;
    QHash<EMarkType, TValueFunction> m_values;
    QHash<EMarkType, TTextFunction> m_texts;
};

} // namespace ZChart
