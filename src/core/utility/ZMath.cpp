#include "core/utility/ZMath.h"

#include <cmath>

namespace ZCore {
namespace UtilityModules {

quint64 ZMath::nextPowerOfTwo(quint64 n)
{
    quint64 p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

void ZMath::fft(TComplexVector& vector)
{
    transform(vector, false);
}

void ZMath::ifft(TComplexVector& vector, bool normalise)
{
    transform(vector, true);
    if (normalise && !vector.isEmpty()) {
        const float scale = 1.0f / float(vector.size());
        for (TComplex& x : vector)
            x *= scale;
    }
}

void ZMath::transform(TComplexVector& vector, bool inverse)
{
    if (vector.isEmpty())
        return;
    padToPowerOfTwo(vector, TComplex(0.0f, 0.0f));
    const int n = vector.size();

    // Bit-reversal permutation.
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(vector[i], vector[j]);
    }

    // Butterflies; the twiddle factor advances by the trigonometric recurrence, not by a sin/cos per step.
    TComplex* x = vector.data();
    const float pi = float(M_PI);
    for (int m = 1; m < n; m <<= 1) {
        const float theta = (inverse ? pi : -pi) / float(m);
        const float alpha = std::sin(theta / 2.0f);
        const float beta = std::sin(theta);
        const TComplex step(-2.0f * alpha * alpha, beta);
        TComplex w(1.0f, 0.0f);
        for (int j = 0; j < m; ++j) {
            for (int i = j; i < n; i += 2 * m) {
                const TComplex t = w * x[i + m];
                x[i + m] = x[i] - t;
                x[i] = x[i] + t;
            }
            w = w + w * step;
        }
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

    int k = n - 2;
    if (frequency < table[n - 2].frequency) {
        k = 0;
        while (frequency > table[k + 1].frequency)
            ++k;
    }
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
