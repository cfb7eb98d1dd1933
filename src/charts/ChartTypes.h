#pragma once

#include <QHash>
#include <QtGlobal>

#include "charts/TDTFConfig.h"

namespace ZChart {

// What a chart view shows. UNSET is a view that has not been given a type yet.
enum class EChartType : quint16
{
    SMITH = 0,
    POLAR = 1,
    PHASE = 2,
    LIN_MAG = 3,
    LOG_MAG = 4,
    SWR = 5,
    DTF = 6,
    LOSS = 7,
    UNSET = 0xFFFF
};

constexpr int CHART_TYPES_COUNT = 8;

inline bool isValidChartType(EChartType type)
{
    return quint16(type) < CHART_TYPES_COUNT;
}
inline bool isComplexPlane(EChartType type)
{
    return type == EChartType::SMITH || type == EChartType::POLAR;
}
inline bool isFrequencyChart(EChartType type)
{
    return isValidChartType(type) && !isComplexPlane(type) && type != EChartType::DTF;
}

enum class EChartArrangeCorners : quint32
{
    UL = 0,
    UR = 1,
    BL = 2,
    BR = 3,
    NONE = 0xFFFFFFFF
};

enum class EDTFUnits : quint16
{
    TIME = 0,
    DISTANCE = 1
};

enum class EChartTargetLabels : quint16
{
    FREQUENCY = 0,
    TIME = 1,
    DISTANCE = 2
};

enum class EChartTargetUnits : quint16
{
    FREQUENCY = 0,
    TIME = 1,
    DISTANCE = 2
};

enum class ELossType : quint16
{
    DB = 0,
    DB_PER_M = 1
};

enum class EMarkType : quint16
{
    RE_IM = 0,
    MAG = 1,
    LMAG = 2,
    SWR = 3,
    IMPED = 4,
    ADMIT = 5,
    LOSS = 6,
    DTF_POINT = 7,
    DTF_PEAK = 8,
    TRACE = 9,
    MIN_VALUE = 10,
    MAX_VALUE = 11
};

constexpr int MARK_TYPES_COUNT = 12;

enum class EMarkModType : quint16
{
    REFERENCE = 0,
    DELTA = 1,
    NONE = 0xFFFF
};

inline uint qHash(EChartType key, uint seed = 0)
{
    return ::qHash(quint16(key), seed);
}
inline uint qHash(EMarkType key, uint seed = 0)
{
    return ::qHash(quint16(key), seed);
}

} // namespace ZChart
