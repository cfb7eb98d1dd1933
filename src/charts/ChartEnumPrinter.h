#pragma once

#include <QString>

#include "charts/ChartTypes.h"

namespace ZChart {

// Texts of the chart enumerations for logs, settings and display. An unknown value gives its number
// (or an empty display name) and a warning naming the type.
class ChartEnumPrinter
{
public:
    static QString tag() { return QStringLiteral("ZChart::ChartEnumPrinter"); }

    static QString toString(EChartType type);
    static QString toString(EChartArrangeCorners corner);
    static QString toString(EMarkModType mod);
    static QString toString(EMarkType type);

    // Translated display names; an empty text for a value without one.
    static QString displayName(EChartType type);
    static QString displayName(EDTFDomain domain);
    static QString displayName(EMarkType type);
    static QString unitName(EDTFDomain domain);
    static QString unitName(ELossType type);
    static QString labelName(EChartTargetLabels label);
    static QString unitName(EChartTargetUnits unit);

    static const char* displayId(EChartType type);
    static const char* displayId(EMarkType type);

private:
    static void warnUnknown(const char* typeName, quint32 value);
};

} // namespace ZChart
