#pragma once

#include <QVector>
#include <QtDebug>

#include <complex>

#include "measurement/TScanPoint.h"

namespace ZCore {
namespace UtilityModules {

using TComplex = std::complex<float>;
using TComplexVector = QVector<TComplex>;

// Numeric routines: vector padding, the radix-2 FFT of the distance-to-fault view and linear
// interpolation of scan points.
class ZMath
{
public:
    template <class T>
    static void padVector(QVector<T>& vector, int targetSize, const T& value)
    {
        if (vector.size() >= targetSize) {
            qWarning().noquote().nospace() << " >> "
                                           << "ZCore::UtilityModules::ZMath::padVector"
                                           << "..";
            qWarning().noquote().nospace()
                << ">> vector size must be smaller than target size: " << vector.size() << " > "
                << targetSize;
            return;
        }
        vector.reserve(targetSize);
        vector.insert(vector.size(), targetSize - vector.size(), value);
    }

    static bool isPowerOfTwo(quint64 n) { return n != 0 && (n & (n - 1)) == 0; }
    // Smallest power of two not below n (1 for n = 0).
    static quint64 nextPowerOfTwo(quint64 n);

    template <class T>
    static void padToPowerOfTwo(QVector<T>& vector, const T& value)
    {
        if (!isPowerOfTwo(quint64(vector.size())))
            padVector(vector, int(nextPowerOfTwo(quint64(vector.size()))), value);
    }

    // In place; the vector is first padded with zeros to a power-of-two length.
    static void fft(TComplexVector& vector);
    static void ifft(TComplexVector& vector, bool normalise);

    // Value of the table (sorted by frequency, at least two points) at the given frequency.
    static ZData::TScanPoint linearInterpolation(const ZData::TScanPoints& table, quint64 frequency,
                                                 bool allowExtrapolation);

    // The table's values at the targets' frequencies, written into the targets; for rising target
    // frequencies (a grid) the search walks forward. Same results as one call per target.
    static void linearInterpolation(const ZData::TScanPoints& table, ZData::TScanPoints& targets,
                                    bool allowExtrapolation);

private:
    // Index k of the segment [k, k + 1] the frequency falls in, searching from `from` on.
    static int segmentOf(const ZData::TScanPoints& table, quint64 frequency, int from);
    static ZData::TScanPoint interpolateAt(const ZData::TScanPoints& table, int k, quint64 frequency,
                                           bool allowExtrapolation);
    // Planned radix-2 transform; the result is multiplied by scale.
    static void transform(TComplexVector& vector, bool inverse, float scale);
};

} // namespace UtilityModules
} // namespace ZCore
