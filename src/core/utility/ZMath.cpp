#include "core/utility/ZMath.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace ZCore {
namespace UtilityModules {

quint64 ZMath::nextPowerOfTwo(quint64 n)
{
    quint64 p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

namespace {

// Everything of a transform that depends only on its size and direction: the bit-reversal order and
// the twiddle factors of every stage. The twiddles come from the single-precision recurrence
// w := w + w * step, so a planned transform gives exactly the numbers of one computed stage by stage
// (the distance-to-fault readouts must not depend on whether a plan was cached); it just does not
// recompute them, and it runs the butterflies on split real and imaginary arrays
// that the compiler can process four at a time.
struct TFftPlan
{
    int size = 0;
    bool inverse = false;
    std::vector<int> reversed;    // reversed[i]: the input index that lands at i
    std::vector<float> twiddleRe; // stage of half-length m at offset m - 1
    std::vector<float> twiddleIm;
};

const TFftPlan& planFor(int n, bool inverse)
{
    // A handful of sizes is ever used at once (the sweep's and the interpolated grid's).
    static std::vector<std::unique_ptr<TFftPlan>> plans;
    for (const auto& plan : plans)
        if (plan->size == n && plan->inverse == inverse)
            return *plan;
    if (plans.size() >= 8)
        plans.erase(plans.begin());
    auto plan = std::make_unique<TFftPlan>();
    plan->size = n;
    plan->inverse = inverse;
    plan->reversed.resize(size_t(n));
    for (int i = 0; i < n; ++i)
        plan->reversed[size_t(i)] = i;
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(plan->reversed[size_t(i)], plan->reversed[size_t(j)]);
    }
    plan->twiddleRe.resize(size_t(std::max(n - 1, 0)));
    plan->twiddleIm.resize(size_t(std::max(n - 1, 0)));
    const float pi = float(M_PI);
    for (int m = 1; m < n; m <<= 1) {
        const float theta = (inverse ? pi : -pi) / float(m);
        const float alpha = std::sin(theta / 2.0f);
        const float beta = std::sin(theta);
        const TComplex step(-2.0f * alpha * alpha, beta);
        TComplex w(1.0f, 0.0f);
        for (int j = 0; j < m; ++j) {
            plan->twiddleRe[size_t(m - 1 + j)] = w.real();
            plan->twiddleIm[size_t(m - 1 + j)] = w.imag();
            w = w + w * step;
        }
    }
    plans.push_back(std::move(plan));
    return *plans.back();
}

// One stage of butterflies over blocks of 2m: t = w * b; b = a - t; a = a + t.
void butterflies(float* re, float* im, const float* wr, const float* wi, int n, int m)
{
    for (int block = 0; block < n; block += 2 * m) {
        float* ar = re + block;
        float* ai = im + block;
        float* br = ar + m;
        float* bi = ai + m;
        int j = 0;
#if defined(__GNUC__)
        using v4 = float __attribute__((vector_size(16)));
        for (; j + 4 <= m; j += 4) {
            v4 xr, xi, yr, yi, cr, ci;
            std::memcpy(&xr, ar + j, sizeof xr);
            std::memcpy(&xi, ai + j, sizeof xi);
            std::memcpy(&yr, br + j, sizeof yr);
            std::memcpy(&yi, bi + j, sizeof yi);
            std::memcpy(&cr, wr + j, sizeof cr);
            std::memcpy(&ci, wi + j, sizeof ci);
            const v4 tr = cr * yr - ci * yi;
            const v4 ti = cr * yi + ci * yr;
            const v4 nbr = xr - tr, nbi = xi - ti, nar = xr + tr, nai = xi + ti;
            std::memcpy(br + j, &nbr, sizeof nbr);
            std::memcpy(bi + j, &nbi, sizeof nbi);
            std::memcpy(ar + j, &nar, sizeof nar);
            std::memcpy(ai + j, &nai, sizeof nai);
        }
#endif
        for (; j < m; ++j) {
            const float tr = wr[j] * br[j] - wi[j] * bi[j];
            const float ti = wr[j] * bi[j] + wi[j] * br[j];
            br[j] = ar[j] - tr;
            bi[j] = ai[j] - ti;
            ar[j] = ar[j] + tr;
            ai[j] = ai[j] + ti;
        }
    }
}

} // namespace

void ZMath::fft(TComplexVector& vector)
{
    transform(vector, false, 1.0f);
}

void ZMath::ifft(TComplexVector& vector, bool normalise)
{
    if (vector.isEmpty())
        return;
    padToPowerOfTwo(vector, TComplex(0.0f, 0.0f));
    transform(vector, true, normalise ? 1.0f / float(vector.size()) : 1.0f);
}

void ZMath::transform(TComplexVector& vector, bool inverse, float scale)
{
    if (vector.isEmpty())
        return;
    padToPowerOfTwo(vector, TComplex(0.0f, 0.0f));
    const int n = vector.size();
    const TFftPlan& plan = planFor(n, inverse);

    static std::vector<float> re, im;
    re.resize(size_t(n));
    im.resize(size_t(n));
    const TComplex* in = vector.constData();
    const int* order = plan.reversed.data();
    float* r = re.data();
    float* q = im.data();
    int first = 1;
    if (n >= 4) {
        // The first two stages fused into the reordering pass. Their twiddle 1 leaves t = b exactly,
        // so only the second twiddle of the second stage is multiplied out.
        const float w1r = plan.twiddleRe[2], w1i = plan.twiddleIm[2];
        for (int i = 0; i < n; i += 4) {
            const TComplex& x0 = in[order[i]];
            const TComplex& x1 = in[order[i + 1]];
            const TComplex& x2 = in[order[i + 2]];
            const TComplex& x3 = in[order[i + 3]];
            const float a0r = x0.real() + x1.real(), a0i = x0.imag() + x1.imag();
            const float a1r = x0.real() - x1.real(), a1i = x0.imag() - x1.imag();
            const float b0r = x2.real() + x3.real(), b0i = x2.imag() + x3.imag();
            const float b1r = x2.real() - x3.real(), b1i = x2.imag() - x3.imag();
            const float tr = w1r * b1r - w1i * b1i;
            const float ti = w1r * b1i + w1i * b1r;
            r[i] = a0r + b0r;
            q[i] = a0i + b0i;
            r[i + 2] = a0r - b0r;
            q[i + 2] = a0i - b0i;
            r[i + 1] = a1r + tr;
            q[i + 1] = a1i + ti;
            r[i + 3] = a1r - tr;
            q[i + 3] = a1i - ti;
        }
        first = 4;
    } else {
        for (int i = 0; i < n; ++i) {
            r[i] = in[order[i]].real();
            q[i] = in[order[i]].imag();
        }
    }
    for (int m = first; m < n; m <<= 1)
        butterflies(r, q, plan.twiddleRe.data() + (m - 1), plan.twiddleIm.data() + (m - 1), n, m);
    TComplex* out = vector.data();
    if (scale == 1.0f) {
        for (int i = 0; i < n; ++i)
            out[i] = TComplex(re[size_t(i)], im[size_t(i)]);
    } else {
        for (int i = 0; i < n; ++i)
            out[i] = TComplex(re[size_t(i)] * scale, im[size_t(i)] * scale);
    }
}

ZData::TScanPoint ZMath::linearInterpolation(const ZData::TScanPoints& table, quint64 frequency,
                                             bool allowExtrapolation)
{
    ZData::TScanPoint result;
    result.frequency = frequency;
    const int n = table.size();
    if (n == 0)
        return result;
    if (n == 1) {
        result.re = table[0].re;
        result.im = table[0].im;
        return result;
    }
    return interpolateAt(table, segmentOf(table, frequency, 0), frequency, allowExtrapolation);
}

int ZMath::segmentOf(const ZData::TScanPoints& table, quint64 frequency, int from)
{
    const int n = table.size();
    if (frequency >= table[n - 2].frequency)
        return n - 2;
    int k = from;
    while (frequency > table[k + 1].frequency)
        ++k;
    return k;
}

void ZMath::linearInterpolation(const ZData::TScanPoints& table, ZData::TScanPoints& targets,
                                bool allowExtrapolation)
{
    const int n = table.size();
    if (n < 2) {
        for (ZData::TScanPoint& target : targets)
            target = linearInterpolation(table, target.frequency, allowExtrapolation);
        return;
    }
    // The targets of a grid rise, so the segment of the next one is never before the last: the
    // search walks on from there instead of starting over at the first point.
    int k = 0;
    quint64 previous = 0;
    for (ZData::TScanPoint& target : targets) {
        if (target.frequency < previous)
            k = 0;
        previous = target.frequency;
        k = segmentOf(table, target.frequency, std::min(k, n - 2));
        const ZData::TScanPoint value = interpolateAt(table, k, target.frequency, allowExtrapolation);
        target.re = value.re;
        target.im = value.im;
    }
}

ZData::TScanPoint ZMath::interpolateAt(const ZData::TScanPoints& table, int k, quint64 frequency,
                                       bool allowExtrapolation)
{
    ZData::TScanPoint result;
    result.frequency = frequency;
    const ZData::TScanPoint& p0 = table[k];
    const ZData::TScanPoint& p1 = table[k + 1];

    ZData::TScanPoint y0 = p0;
    ZData::TScanPoint y1 = p1;
    if (!allowExtrapolation) {
        if (frequency < p0.frequency)
            y1 = p0;
        else if (frequency > p1.frequency)
            y0 = p1;
    }

    // Two points at one frequency give no slope: the nearer side's value is held instead.
    if (p1.frequency == p0.frequency) {
        const ZData::TScanPoint& held = frequency <= p0.frequency ? y0 : y1;
        result.re = held.re;
        result.im = held.im;
        return result;
    }

    // Signed differences: below the table the offset is negative and must not wrap around.
    const float span = float(qint64(p1.frequency) - qint64(p0.frequency));
    const float offset = float(qint64(frequency) - qint64(p0.frequency));
    const float slopeRe = (y1.re - y0.re) / span;
    const float slopeIm = (y1.im - y0.im) / span;
    result.re = y0.re + slopeRe * offset;
    result.im = y0.im + slopeIm * offset;
    return result;
}

} // namespace UtilityModules
} // namespace ZCore
