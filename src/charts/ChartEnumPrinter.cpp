#include "charts/ChartEnumPrinter.h"

#include "core/TaggedLog.h"

namespace ZChart {

namespace {

const ZCore::TaggedLog kLog(ChartEnumPrinter::tag());

const char* const kChartTypeNames[] = {"SMITH", "POLAR", "PHASE", "LIN_MAG", "LOG_MAG", "SWR", "DTF", "LOSS"};
const char* const kChartTypeIds[] = {"lp_chart_type_smith",   "lp_chart_type_polar",   "lp_chart_type_phase",
                                     "lp_chart_type_lin_mag", "lp_chart_type_log_mag", "lp_chart_type_swr",
                                     "lp_chart_type_dtf",     "lp_chart_type_loss"};
const char* const kMarkTypeNames[] = {"RE_IM", "MAG",       "LMAG",     "SWR",   "IMPED",     "ADMIT",
                                      "LOSS",  "DTF_POINT", "DTF_PEAK", "TRACE", "MIN_VALUE", "MAX_VALUE"};
const char* const kMarkTypeIds[] = {"lp_mark_type_re_im", "lp_mark_type_mag",       "lp_mark_type_lmag",
                                    "lp_mark_type_swr",   "lp_mark_type_imped",     "lp_mark_type_admit",
                                    "lp_mark_type_loss",  "lp_mark_type_dtf_point", "lp_mark_type_dtf_peak",
                                    "lp_mark_type_trace", "lp_mark_type_min_value", "lp_mark_type_max_value"};

} // namespace

void ChartEnumPrinter::warnUnknown(const char* typeName, quint32 value)
{
    kLog.warn(QStringLiteral(">> got unknown value of [ %1 ]: %2").arg(QLatin1String(typeName)).arg(value));
}

QString ChartEnumPrinter::toString(EChartType type)
{
    if (isValidChartType(type))
        return QLatin1String(kChartTypeNames[quint16(type)]);
    warnUnknown("EChartType", quint16(type));
    return QString::number(quint16(type));
}

QString ChartEnumPrinter::toString(EChartArrangeCorners corner)
{
    switch (corner) {
    case EChartArrangeCorners::UL:
        return QStringLiteral("UL");
    case EChartArrangeCorners::UR:
        return QStringLiteral("UR");
    case EChartArrangeCorners::BL:
        return QStringLiteral("BL");
    case EChartArrangeCorners::BR:
        return QStringLiteral("BR");
    default:
        warnUnknown("EChartArrangeCorners", quint32(corner));
        return QString::number(quint32(corner));
    }
}

QString ChartEnumPrinter::toString(EMarkModType mod)
{
    switch (mod) {
    case EMarkModType::REFERENCE:
        return QStringLiteral("EMarkModType::REFERENCE");
    case EMarkModType::DELTA:
        return QStringLiteral("EMarkModType::DELTA");
    case EMarkModType::NONE:
        return QStringLiteral("EMarkModType::NONE");
    }
    warnUnknown("EMarkModType", quint16(mod));
    return QString::number(quint16(mod));
}

QString ChartEnumPrinter::toString(EMarkType type)
{
    if (quint16(type) < MARK_TYPES_COUNT)
        return QLatin1String(kMarkTypeNames[quint16(type)]);
    warnUnknown("EMarkType", quint16(type));
    return QString::number(quint16(type));
}

const char* ChartEnumPrinter::displayId(EChartType type)
{
    return isValidChartType(type) ? kChartTypeIds[quint16(type)] : nullptr;
}

const char* ChartEnumPrinter::displayId(EMarkType type)
{
    return quint16(type) < MARK_TYPES_COUNT ? kMarkTypeIds[quint16(type)] : nullptr;
}

QString ChartEnumPrinter::displayName(EChartType type)
{
    if (const char* id = displayId(type))
        return qtTrId(id);
    warnUnknown("EChartType", quint16(type));
    return QString();
}

QString ChartEnumPrinter::displayName(EMarkType type)
{
    if (const char* id = displayId(type))
        return qtTrId(id);
    warnUnknown("EMarkType", quint16(type));
    return QString();
}

QString ChartEnumPrinter::displayName(EDTFDomain domain)
{
    return domain == EDTFDomain::DISTANCE ? qtTrId("lp_dtf_distance") : qtTrId("lp_dtf_time");
}

QString ChartEnumPrinter::unitName(EDTFDomain domain)
{
    return domain == EDTFDomain::DISTANCE ? qtTrId("lp_units_dtf_distance") : qtTrId("lp_units_dtf_time");
}

QString ChartEnumPrinter::unitName(ELossType type)
{
    return type == ELossType::DB_PER_M ? qtTrId("lp_units_loss_dbm") : qtTrId("lp_units_loss_db");
}

QString ChartEnumPrinter::labelName(EChartTargetLabels label)
{
    switch (label) {
    case EChartTargetLabels::TIME:
        return qtTrId("lp_dtf_time");
    case EChartTargetLabels::DISTANCE:
        return qtTrId("lp_dtf_distance");
    default:
        return qtTrId("lp_axis_title_frequency");
    }
}

QString ChartEnumPrinter::unitName(EChartTargetUnits unit)
{
    switch (unit) {
    case EChartTargetUnits::TIME:
        return qtTrId("lp_units_dtf_time");
    case EChartTargetUnits::DISTANCE:
        return qtTrId("lp_units_dtf_distance");
    default:
        return qtTrId("lp_units_mhz");
    }
}

} // namespace ZChart
