#pragma once

#include <QVector>

#include "measurement/TScanPoint.h"

namespace ZData {
namespace CAL {

// Several sweeps of the same standard made into one, point by point: the values more than three
// robust standard deviations (1.4826 times the median distance) from the median are glitches and are
// dropped before the mean is taken.
class RobustSweepMean
{
public:
    static constexpr double OUTLIER_SIGMAS = 3.0;

    // out gets the frequencies of the first sweep and as many points as the shortest sweep has.
    static void combine(const QVector<TScanPoints>& sweeps, TScanPoints& out);
};

} // namespace CAL
} // namespace ZData
