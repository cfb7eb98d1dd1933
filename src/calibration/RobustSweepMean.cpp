#include "calibration/RobustSweepMean.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ZData {
namespace CAL {

namespace {

// For an even count the mean of the two middle values: with the lower one alone, two sweeps would
// always lose the one farther from it.
double median(std::vector<double>& v)
{
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(mid), v.end());
    const double upper = v[mid];
    if (v.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(v.begin(), v.begin() + std::ptrdiff_t(mid));
    return (lower + upper) / 2;
}

} // namespace

void RobustSweepMean::combine(const QVector<TScanPoints>& sweeps, TScanPoints& out)
{
    out.clear();
    if (sweeps.isEmpty())
        return;
    int points = sweeps.first().size();
    for (const TScanPoints& s : sweeps)
        points = qMin(points, s.size());
    out = sweeps.first().mid(0, points);
    if (sweeps.size() == 1)
        return;
    const size_t n = size_t(sweeps.size());
    std::vector<double> re(n), im(n), dist(n), scratch(n);
    for (int k = 0; k < points; ++k) {
        for (size_t i = 0; i < n; ++i) {
            re[i] = sweeps[int(i)][k].re;
            im[i] = sweeps[int(i)][k].im;
        }
        scratch = re;
        const double medRe = median(scratch);
        scratch = im;
        const double medIm = median(scratch);
        for (size_t i = 0; i < n; ++i)
            dist[i] = std::hypot(re[i] - medRe, im[i] - medIm);
        scratch = dist;
        const double limit = OUTLIER_SIGMAS * 1.4826 * median(scratch);
        double sumRe = 0, sumIm = 0;
        int kept = 0;
        for (size_t i = 0; i < n; ++i) {
            if (dist[i] <= limit) {
                sumRe += re[i];
                sumIm += im[i];
                ++kept;
            }
        }
        // Half the values or more lie within the median distance, so some are always kept.
        out[k].re = float(sumRe / qMax(kept, 1));
        out[k].im = float(sumIm / qMax(kept, 1));
    }
}

} // namespace CAL
} // namespace ZData
