#pragma once

#include <QObject>
#include <QPair>
#include <QVector>
#include <QtGlobal>

#include "devicelink/DeviceTypes.h"

namespace ZData {
namespace DS {

// Frequency helpers on plain doubles in Hz.
inline double toKHz(double hz)
{
    return hz / 1000.0;
}
inline double toMHz(double hz)
{
    return hz / 1e6;
}
inline double toGHz(double hz)
{
    return hz / 1e9;
}
inline double fromKHz(quint64 count)
{
    return double(count) * 1000.0;
}
inline double fromMHz(quint64 count)
{
    return double(count) * 1e6;
}
inline double fromGHz(quint64 count)
{
    return double(count) * 1e9;
}
inline int compareFrequency(double a, double b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}
// Whole hertz, truncated toward zero; negative and NaN give 0, values of 2^63 and above are taken as
// unsigned and saturate at the largest 64-bit value.
inline quint64 toHz(double hz)
{
    if (!(hz > 0.0))
        return 0;
    if (hz >= 9223372036854775808.0)
        return hz >= 18446744073709551615.0 ? Q_UINT64_C(18446744073709551615) : quint64(hz);
    return quint64(qint64(hz));
}

// The one sweep of the program: start, stop and point count kept inside the device limits, handed
// out in slices of at most EProtocolSetup::SLICE_POINTS frequencies, the most one request carries.
class RangeSliced : public QObject
{
    Q_OBJECT

public:
    static constexpr double DEFAULT_DEVICE_MIN = 1.0 * 1000000;
    static constexpr double DEFAULT_DEVICE_MAX = 6200000000.0;
    static constexpr double MIN_STEP = 0.001;
    // Points of a sweep: two make the shortest one; the scan buffer and the trace files hold no more
    // than MAX_POINTS. A calibration holds fewer (CalibrationData::MAX_POINTS), which is why the
    // frequency page offers only counts up to that; scripts and the headless command may go further
    // and then measure uncorrected.
    static constexpr quint32 MIN_POINTS = 2;
    static constexpr quint32 MAX_POINTS = 2048;

    RangeSliced();
    RangeSliced(double start, double stop, quint32 points);
    RangeSliced(const RangeSliced& other);
    RangeSliced& operator=(const RangeSliced& other);

    void setStart(double f, bool notify = true);
    void setStop(double f, bool notify = true);
    void setCenter(double f, bool notify = true);
    void setSpan(double s, bool notify = true);
    void setPoints(quint32 n, bool notify = true);
    void setDeviceRange(double minimum, double maximum);
    void resetSlicing() { m_sliceCursor = 0; }

    double start() const { return m_start; }
    double stop() const { return m_stop; }
    double center() const { return m_center; }
    double span() const { return m_span; }
    quint32 points() const { return m_points; }
    double step() const { return m_step; }
    quint32 sliceCursor() const { return m_sliceCursor; }
    QPair<double, double> deviceRange() const { return {m_deviceMin, m_deviceMax}; }
    double maxSpan() const { return m_maxSpan; }
    double spanBetween(double a, double b) const { return qMin(b - a, m_maxSpan); }

    // Frequencies (Hz) of the next slice; signalReachedEnd is emitted before the last one is built.
    QVector<quint64> nextSlice();

signals:
    void signalUpdated();
    void signalReachedEnd();

private:
    void updateStep(bool notify);
    void copyFrom(const RangeSliced& other);

    double m_deviceMin = DEFAULT_DEVICE_MIN;
    double m_deviceMax = DEFAULT_DEVICE_MAX;
    double m_start = 0;
    double m_stop = 0;
    double m_center = 0;
    double m_span = 0;
    double m_maxSpan = DEFAULT_DEVICE_MAX - DEFAULT_DEVICE_MIN;
    quint32 m_points = 0;
    double m_step = 0;
    quint32 m_sliceCursor = 0;
};

} // namespace DS
} // namespace ZData
