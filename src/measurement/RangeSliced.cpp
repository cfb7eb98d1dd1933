#include "measurement/RangeSliced.h"

#include <cmath>

namespace ZData {
namespace DS {

RangeSliced::RangeSliced() = default;

RangeSliced::RangeSliced(double start, double stop, quint32 points)
{
    m_stop = stop;
    m_points = qMax<quint32>(points, 2);
    m_span = qMin(m_maxSpan, stop - start);
    setStart(start, false);
}

RangeSliced::RangeSliced(const RangeSliced& other) : QObject(nullptr)
{
    copyFrom(other);
}

RangeSliced& RangeSliced::operator=(const RangeSliced& other)
{
    if (this != &other)
        copyFrom(other);
    return *this;
}

void RangeSliced::copyFrom(const RangeSliced& other)
{
    m_deviceMin = other.m_deviceMin;
    m_deviceMax = other.m_deviceMax;
    m_start = other.m_start;
    m_stop = other.m_stop;
    m_center = other.m_center;
    m_span = other.m_span;
    m_maxSpan = other.m_maxSpan;
    m_points = other.m_points;
    m_step = other.m_step;
    m_sliceCursor = other.m_sliceCursor;
}

void RangeSliced::setStart(double f, bool notify)
{
    m_start = qBound(m_deviceMin, f, m_deviceMax);
    if (m_start > m_stop) {
        if (m_start + m_span > m_deviceMax)
            m_span = m_deviceMax - m_start;
    } else {
        m_span = qMin(m_stop - m_start, m_maxSpan);
    }
    m_stop = m_start + m_span;
    m_center = m_start + m_span / 2;
    updateStep(notify);
}

void RangeSliced::setStop(double f, bool notify)
{
    m_stop = qBound(m_deviceMin, f, m_deviceMax);
    if (m_stop <= m_start) {
        const double t = m_stop - m_span;
        if (t < m_deviceMin || t > m_deviceMax)
            m_span = m_stop - m_deviceMin;
        m_start = m_stop - m_span;
    } else {
        m_span = m_stop - m_start;
    }
    m_center = m_stop - m_span / 2;
    updateStep(notify);
}

void RangeSliced::setCenter(double f, bool notify)
{
    m_center = qBound(m_deviceMin, f, m_deviceMax);
    double half = m_span / 2;
    bool cut = true;
    if (m_center - half < m_deviceMin)
        half = m_center - m_deviceMin;
    else if (m_center + half > m_deviceMax)
        half = m_deviceMax - m_center;
    else
        cut = false;
    if (cut)
        m_span = 2 * half;
    m_start = m_center - m_span / 2;
    m_stop = m_center + m_span / 2;
    updateStep(notify);
}

void RangeSliced::setSpan(double s, bool notify)
{
    m_span = qBound(0.0, s, m_maxSpan);
    const double half = m_span / 2;
    if (m_center - half < m_deviceMin)
        m_center = m_deviceMin + half;
    else if (m_center + half > m_deviceMax)
        m_center = m_deviceMax - half;
    m_start = m_center - half;
    m_stop = m_center + half;
    updateStep(notify);
}

void RangeSliced::setPoints(quint32 n, bool notify)
{
    m_points = qMax<quint32>(n, MIN_POINTS);
    updateStep(notify);
}

void RangeSliced::setDeviceRange(double minimum, double maximum)
{
    m_deviceMin = minimum;
    m_deviceMax = maximum;
    m_maxSpan = ((maximum - minimum) / 1e6) * 1e6;
}

void RangeSliced::updateStep(bool notify)
{
    // A sweep that never went through a setter has fewer than 2 points; it still gets the minimum step.
    m_step = m_points >= 2 ? m_span / double(m_points - 1) : 0.0;
    if (!(m_step > MIN_STEP))
        m_step = MIN_STEP;
    if (notify)
        emit signalUpdated();
}

QVector<quint64> RangeSliced::nextSlice()
{
    const quint32 first = m_sliceCursor;
    quint64 end = quint64(first) + quint64(EProtocolSetup::SLICE_POINTS);
    if (end >= m_points) {
        end = m_points;
        m_sliceCursor = 0;
        // Receivers (the calibration measurement) must learn about the last slice before it goes out.
        emit signalReachedEnd();
    } else {
        m_sliceCursor = quint32(end);
    }
    qint64 count = qint64(end) - qint64(first);
    if (count < 0)
        return {};
    if (count == 0)
        count = 1;
    const double sliceStart = m_start + double(first) * m_step;
    const double sliceEnd = sliceStart + double(count) * m_step;
    QVector<quint64> result(static_cast<int>(count));
    for (int i = 0; i < count; ++i)
        result[i] = toHz(qMin(sliceStart + double(i) * m_step, sliceEnd));
    return result;
}

} // namespace DS
} // namespace ZData
