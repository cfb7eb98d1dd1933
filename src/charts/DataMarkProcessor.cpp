#include "charts/DataMarkProcessor.h"

#include <cmath>
#include <complex>

#include "charts/ChartEnumPrinter.h"
#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"

namespace ZChart {

namespace {

constexpr float RAD_TO_DEG = 57.29578f;
constexpr double L_LIMIT_NH = 332.0;
constexpr double C_LIMIT_PF = 133.0;
// Beyond 200 times the reference impedance (or admittance) the reflection is within 1 % of the
// circle's edge, where a calibration's residual error dominates: the digits would be noise.
constexpr double RX_LIMIT_OHM = 200.0 * DataMarkProcessor::Z0;
constexpr double GB_LIMIT_MS = 200.0 * 1000.0 / DataMarkProcessor::Z0;
constexpr float SWR_INF = 12.0f;

using TValues = DataMarkProcessor::TValues;

float magnitude(const ZData::TScanPoint& p)
{
    return std::hypot(p.re, p.im);
}

float phaseDeg(const ZData::TScanPoint& p)
{
    return std::atan2(p.im, p.re) * RAD_TO_DEG;
}

std::complex<float> impedance(const ZData::TScanPoint& p)
{
    const std::complex<float> g(p.re, p.im);
    return float(DataMarkProcessor::Z0) * (1.0f + g) / (1.0f - g);
}

QString unit(const char* id)
{
    return QStringLiteral(" ") + qtTrId(id);
}

QString inf()
{
    return qtTrId("lp_mark_inf");
}

// A value with its unit; an infinite or undefined value reads "Inf." and drops the unit.
QString valueWithUnit(double v, bool sign, const char* unitId, int precision = 2)
{
    const QString text = DataMarkProcessor::number(v, sign, precision);
    return std::isfinite(v) ? text + unit(unitId) : text;
}

// As valueWithUnit, but a magnitude beyond the display limit reads "Inf.": both signs meet at the
// circle's edge, where a calibration's residual error decides which one comes out.
QString limitedWithUnit(double v, double limit, bool sign, const char* unitId)
{
    if (!std::isfinite(v) || std::abs(v) > limit)
        return inf();
    return valueWithUnit(v, sign, unitId);
}

} // namespace

DataMarkProcessor::DataMarkProcessor(ZChartView* view) : m_view(view)
{
    build();
}

QString DataMarkProcessor::line(const QString& label, const QString& value)
{
    return label.leftJustified(LINE_WIDTH - value.length(), QLatin1Char(' ')) + value;
}

QString DataMarkProcessor::number(double value, bool showSign, int precision)
{
    if (!std::isfinite(value))
        return (value < 0.0 ? QStringLiteral("-") : QString()) + inf();
    if (showSign)
        return QString::asprintf(
            qPrintable(QStringLiteral("%+.") + QString::number(precision) + QLatin1Char('f')), value);
    return QString::number(value, 'f', precision);
}

EChartType DataMarkProcessor::chartType() const
{
    return m_view ? m_view->config()->chartType() : EChartType::UNSET;
}

void DataMarkProcessor::build()
{
    using M = EMarkType;
    using P = ZData::TScanPoint;
    m_values.clear();
    m_texts.clear();
    m_values.insert(M::RE_IM, [](const P& p) { return TValues{p.re * 1000.0f, p.im * 1000.0f}; });
    m_values.insert(M::MAG, [](const P& p) { return TValues{magnitude(p), phaseDeg(p)}; });
    m_values.insert(M::LMAG, [](const P& p) {
        return TValues{20.0f * std::log10(magnitude(p)), phaseDeg(p)};
    });
    m_values.insert(M::SWR, [](const P& p) {
        const float r = magnitude(p);
        return TValues{(1.0f + r) / (1.0f - r)};
    });
    m_values.insert(M::IMPED, [](const P& p) {
        const std::complex<float> z = impedance(p);
        return TValues{z.real(), z.imag(), float(p.frequency)};
    });
    m_values.insert(M::ADMIT, [](const P& p) {
        const std::complex<float> y = 1.0f / impedance(p);
        return TValues{y.real(), y.imag(), float(p.frequency)};
    });
    const TValueFunction none = [](const P&) { return TValues(); };
    m_values.insert(M::LOSS, none);
    m_values.insert(M::DTF_POINT, none);
    m_values.insert(M::DTF_PEAK, none);
    m_values.insert(M::TRACE, [this](const P& p) { return traceValues(p); });
    m_values.insert(M::MIN_VALUE, m_values.value(M::TRACE));
    m_values.insert(M::MAX_VALUE, m_values.value(M::TRACE));

    m_texts.insert(M::RE_IM, [this](const TValues& v, const QPointF&, bool s) { return reImText(v, s); });
    m_texts.insert(M::MAG, [this](const TValues& v, const QPointF&, bool s) { return magText(v, s); });
    m_texts.insert(M::LMAG, [this](const TValues& v, const QPointF&, bool s) { return lmagText(v, s); });
    m_texts.insert(M::SWR, [this](const TValues& v, const QPointF&, bool s) { return swrText(v, s); });
    m_texts.insert(M::IMPED, [this](const TValues& v, const QPointF&, bool s) { return impedText(v, s); });
    m_texts.insert(M::ADMIT, [this](const TValues& v, const QPointF&, bool s) { return admitText(v, s); });
    m_texts.insert(M::LOSS, [this](const TValues&, const QPointF& c, bool s) { return lossText(c, s); });
    m_texts.insert(M::DTF_POINT, [this](const TValues&, const QPointF& c, bool s) { return dtfText(c, s); });
    m_texts.insert(M::DTF_PEAK, m_texts.value(M::DTF_POINT));
    m_texts.insert(M::TRACE,
                   [this](const TValues& v, const QPointF& c, bool s) { return traceText(v, c, s); });
    m_texts.insert(M::MIN_VALUE, m_texts.value(M::TRACE));
    m_texts.insert(M::MAX_VALUE, m_texts.value(M::TRACE));
}

TValues DataMarkProcessor::traceValues(const ZData::TScanPoint& p) const
{
    switch (chartType()) {
    case EChartType::SMITH:
        return m_values.value(EMarkType::IMPED)(p);
    case EChartType::POLAR:
        return m_values.value(EMarkType::RE_IM)(p);
    case EChartType::PHASE:
    case EChartType::LOG_MAG:
        return m_values.value(EMarkType::LMAG)(p);
    case EChartType::LIN_MAG:
        return m_values.value(EMarkType::MAG)(p);
    case EChartType::SWR:
        return m_values.value(EMarkType::SWR)(p);
    default:
        return TValues();
    }
}

QString DataMarkProcessor::traceText(const TValues& v, const QPointF& c, bool sign) const
{
    switch (chartType()) {
    case EChartType::SMITH:
        return impedText(v, sign);
    case EChartType::POLAR:
        return reImText(v, sign);
    case EChartType::PHASE:
    case EChartType::LOG_MAG:
        return lmagText(v, sign);
    case EChartType::LIN_MAG:
        return magText(v, sign);
    case EChartType::SWR:
        return swrText(v, sign);
    case EChartType::DTF:
        return dtfText(c, sign);
    case EChartType::LOSS:
        return lossText(c, sign);
    default:
        return qtTrId("lp_mark_no_data");
    }
}

TValues DataMarkProcessor::values(EMarkType type, const ZData::TScanPoint& point) const
{
    const auto it = m_values.constFind(type);
    if (it == m_values.constEnd())
        return TValues();
    if (point.frequency == NO_FREQUENCY && type != EMarkType::DTF_POINT && type != EMarkType::DTF_PEAK)
        return TValues();
    return (*it)(point);
}

TValues DataMarkProcessor::deltaValues(EMarkType type, const ZData::TScanPoint& point,
                                       const ZData::TScanPoint& reference) const
{
    TValues a = values(type, point);
    const TValues b = values(type, reference);
    if (a.size() != b.size())
        return TValues();
    for (int i = 0; i < a.size(); ++i)
        a[i] -= b[i];
    return a;
}

QString DataMarkProcessor::text(EMarkType type, const TValues& values, const ZData::TScanPoint& point,
                                const QPointF& chartPoint, bool showSign) const
{
    const auto it = m_texts.constFind(type);
    if (it == m_texts.constEnd())
        return qtTrId("lp_mark_no_data");
    if (point.frequency == NO_FREQUENCY && type != EMarkType::DTF_POINT && type != EMarkType::DTF_PEAK)
        return qtTrId("lp_mark_no_data");
    return (*it)(values, chartPoint, showSign);
}

QString DataMarkProcessor::reImText(const TValues& v, bool sign) const
{
    if (v.size() < 2)
        return qtTrId("lp_mark_no_data");
    return QStringLiteral("%1\n%2").arg(
        line(qtTrId("lp_complex_real"), valueWithUnit(v[0], sign, "lp_units_mv")),
        line(qtTrId("lp_complex_imag"), valueWithUnit(v[1], sign, "lp_units_mv")));
}

QString DataMarkProcessor::magText(const TValues& v, bool sign) const
{
    if (v.size() < 2)
        return qtTrId("lp_mark_no_data");
    return QStringLiteral("%1\n%2").arg(
        line(qtTrId("lp_mark_mag"), valueWithUnit(v[0], sign, "lp_units_mv")),
        line(qtTrId("lp_mark_ph"), valueWithUnit(v[1], sign, "lp_units_angle")));
}

QString DataMarkProcessor::lmagText(const TValues& v, bool sign) const
{
    if (v.size() < 2)
        return qtTrId("lp_mark_no_data");
    return QStringLiteral("%1\n%2").arg(
        line(qtTrId("lp_mark_lmag"), valueWithUnit(v[0], sign, "lp_units_db")),
        line(qtTrId("lp_mark_ph"), valueWithUnit(v[1], sign, "lp_units_angle")));
}

QString DataMarkProcessor::swrText(const TValues& v, bool sign) const
{
    if (v.isEmpty())
        return qtTrId("lp_mark_no_data");
    // A reflection of 1 or more has no finite SWR; the formula would give a negative or infinite one.
    const bool infinite = !std::isfinite(v[0]) || v[0] >= SWR_INF || (!sign && v[0] < 1.0f);
    return line(qtTrId("lp_mark_swr"), infinite ? inf() : number(v[0], sign));
}

QString DataMarkProcessor::inductanceLine(double nh, bool sign)
{
    const bool infinite = !std::isfinite(nh) || nh > L_LIMIT_NH;
    return line(QStringLiteral("L:"), infinite ? inf() : number(nh, sign) + unit("lp_units_nanohenry"));
}

QString DataMarkProcessor::capacitanceLine(double pf, bool sign)
{
    const bool infinite = !std::isfinite(pf) || pf > C_LIMIT_PF;
    return line(QStringLiteral("C:"), infinite ? inf() : number(pf, sign) + unit("lp_units_picofarad"));
}

QString DataMarkProcessor::impedText(const TValues& v, bool sign) const
{
    if (v.size() < 3)
        return qtTrId("lp_mark_no_data");
    const double x = v[1];
    // 64 bits: the analyser reaches 6.2 GHz. Signed, because a delta readout subtracts frequencies.
    const double f = double(qint64(double(v[2])));
    const double twoPiF = 2.0 * M_PI * f;
    const QString third = x > 0.0 ? inductanceLine(double(float(x * 1e9) / float(twoPiF)), sign)
                                  : capacitanceLine(double(1e12f / float(twoPiF * -x)), sign);
    return QStringLiteral("%1\n%2\n%3")
        .arg(line(QStringLiteral("R:"), limitedWithUnit(v[0], RX_LIMIT_OHM, sign, "lp_units_ohm")),
             line(QStringLiteral("X:"), limitedWithUnit(x, RX_LIMIT_OHM, sign, "lp_units_ohm")), third);
}

QString DataMarkProcessor::admitText(const TValues& v, bool sign) const
{
    if (v.size() < 3)
        return qtTrId("lp_mark_no_data");
    const double b = v[1];
    const double f = double(qint64(double(v[2])));
    const double twoPiF = 2.0 * M_PI * f;
    const QString third = b > 0.0 ? capacitanceLine(double(float(b * 1e12) / float(twoPiF)), sign)
                                  : inductanceLine(double(1e9f / float(twoPiF * -b)), sign);
    return QStringLiteral("%1\n%2\n%3")
        .arg(line(QStringLiteral("G:"),
                  limitedWithUnit(double(v[0]) * 1000.0, GB_LIMIT_MS, sign, "lp_units_msiemens")),
             line(QStringLiteral("B:"), limitedWithUnit(b * 1000.0, GB_LIMIT_MS, sign, "lp_units_msiemens")),
             third);
}

QString DataMarkProcessor::lossText(const QPointF& c, bool sign) const
{
    if (!(c.x() > NO_POINT_X))
        return qtTrId("lp_mark_no_data");
    const ELossType type = m_view ? m_view->config()->lossConfig().domain : ELossType::DB;
    const QString value = number(c.y(), sign, 3);
    return line(qtTrId("lp_mark_loss"), std::isfinite(c.y())
                                            ? value + QStringLiteral(" ") + ChartEnumPrinter::unitName(type)
                                            : value);
}

QString DataMarkProcessor::dtfText(const QPointF& c, bool sign) const
{
    if (!(c.x() > NO_POINT_X))
        return qtTrId("lp_mark_no_data");
    const TDTFConfig config = m_view ? m_view->config()->dtfConfig() : TDTFConfig();
    const QString first =
        line(ChartEnumPrinter::displayName(config.domain) + QLatin1Char(':'),
             number(c.x(), sign) + QStringLiteral(" ") + ChartEnumPrinter::unitName(config.view_domain));
    return QStringLiteral("%1\n%2").arg(
        first, line(qtTrId("lp_mark_amp"), valueWithUnit(c.y(), sign, "lp_units_db")));
}

} // namespace ZChart
