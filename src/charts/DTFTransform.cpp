#include "charts/DTFTransform.h"

#include <algorithm>
#include <cmath>

namespace ZChart {

using ZCore::UtilityModules::TComplex;
using ZCore::UtilityModules::TComplexVector;
using ZCore::UtilityModules::ZMath;

namespace {

// Lower bound wins when the limits cross (a sweep of fewer than 128 points has MIN above MAX).
double limit(double value, double low, double high)
{
    return std::max(low, std::min(high, value));
}

} // namespace

double DTFTransform::convert(double value, EDTFDomain from, EDTFDomain to, double velocityFactor)
{
    if (from == to)
        return value;
    if (to == EDTFDomain::TIME)
        return value * NS_PER_S / (velocityFactor * SPEED_OF_LIGHT);
    return velocityFactor * SPEED_OF_LIGHT * value / NS_PER_S;
}

double DTFTransform::toDisplay(const TDTFConfig& config, double ns)
{
    return convert(ns, EDTFDomain::TIME, config.domain, config.velocity_factor);
}

double DTFTransform::fromDisplay(const TDTFConfig& config, double value)
{
    return convert(value, config.domain, EDTFDomain::TIME, config.velocity_factor);
}

void DTFTransform::updateLimits(TDTFConfig& config, double startHz, double stopHz, quint32 points)
{
    const double span = stopHz - startHz;
    if (!(span > 0.0))
        return;
    const double nfft = double(ZMath::nextPowerOfTwo(points));
    // Worked in hundredths of a nanosecond so that the rounding to 0.01 ns is exact: N * 1e11 / (2 span)
    // is one correctly rounded division, where going through seconds first would land a hair below
    // an exact value and floor it a whole step down.
    const double maxHundredths = std::floor(double(points) * 1e11 / (2.0 * span));
    // Fewer than 128 transformed points would put the minimum span above the whole time range and
    // invert every setter's limits; the whole range is then the smallest window there is.
    const double minHundredths = std::min(std::ceil(maxHundredths * MIN_SPAN_BINS / nfft), maxHundredths);
    config.max_time = maxHundredths / 1e11;
    config.min_span = minHundredths / 1e11;

    const double maxTime = maxHundredths / 100.0;
    const double minSpan = minHundredths / 100.0;
    if (minSpan > config.span)
        config.span = minSpan;
    if (config.start + config.span > maxTime)
        config.span = maxTime - config.start;
}

void DTFTransform::resetWindow(TDTFConfig& config)
{
    startRule(config, 0.0);
    spanRule(config, std::max(maxNs(config), minNs(config)));
}

void DTFTransform::restoreWindow(TDTFConfig& config, double startNs, double stopNs)
{
    startRule(config, startNs);
    stopRule(config, stopNs);
}

void DTFTransform::setStart(TDTFConfig& config, double value)
{
    startRule(config, fromDisplay(config, value));
}

void DTFTransform::setStop(TDTFConfig& config, double value)
{
    stopRule(config, fromDisplay(config, value));
}

void DTFTransform::setCenter(TDTFConfig& config, double value)
{
    centerRule(config, fromDisplay(config, value));
}

void DTFTransform::setSpan(TDTFConfig& config, double value)
{
    spanRule(config, fromDisplay(config, value));
}

void DTFTransform::setDomain(TDTFConfig& config, EDTFDomain domain)
{
    config.domain = domain;
    config.view_domain = domain;
}

void DTFTransform::setVelocityFactor(TDTFConfig& config, double factor)
{
    config.velocity_factor = factor;
}

void DTFTransform::startRule(TDTFConfig& c, double ns)
{
    const double max = maxNs(c), min = minNs(c);
    const double s = limit(ns, 0.0, max - min);
    c.start = s;
    if (s > c.stop) {
        if (s + c.span > max)
            c.span = max - s;
    } else {
        c.span = std::max(c.stop - s, min);
    }
    c.stop = s + c.span;
    c.center = s + c.span / 2.0;
}

void DTFTransform::stopRule(TDTFConfig& c, double ns)
{
    const double max = maxNs(c), min = minNs(c);
    const double e = limit(ns, min, max);
    c.stop = e;
    if (c.start < e) {
        c.span = std::max(e - c.start, min);
        c.start = e - c.span;
        c.center = e - c.span / 2.0;
        return;
    }
    const double t = e - c.span;
    if (t >= 0.0 && t <= max) {
        c.start = t;
        c.center = e - c.span / 2.0;
    } else {
        c.span = e;
        c.start = 0.0;
        c.center = e / 2.0;
    }
}

void DTFTransform::centerRule(TDTFConfig& c, double ns)
{
    const double max = maxNs(c), min = minNs(c);
    const double m = limit(ns, min / 2.0, (max - min) / 2.0);
    c.center = m;
    c.start = m - c.span / 2.0;
    if (c.start >= 0.0 && c.start <= max - min) {
        c.stop = m + c.span / 2.0;
        if (c.stop > max) {
            c.span = 2.0 * (max - m);
            c.start = m - c.span / 2.0;
            c.stop = m + c.span / 2.0;
        }
    } else {
        c.span = 2.0 * m;
        c.start = 0.0;
        c.stop = 2.0 * m;
    }
}

void DTFTransform::spanRule(TDTFConfig& c, double ns)
{
    const double max = maxNs(c), min = minNs(c);
    const double w = limit(ns, min, max);
    c.span = w;
    c.start = c.center - w / 2.0;
    if (c.start >= 0.0 && c.start <= max - min) {
        c.stop = c.center + w / 2.0;
        if (c.stop > max) {
            c.center = max - w / 2.0;
            c.start = c.center - w / 2.0;
            c.stop = c.center + w / 2.0;
        }
    } else {
        c.center = w / 2.0;
        c.start = 0.0;
        c.stop = w;
    }
}

DTFTransform::TRange DTFTransform::startRange(const TDTFConfig& c)
{
    return {0.0, toDisplay(c, maxNs(c) - minNs(c))};
}

DTFTransform::TRange DTFTransform::stopRange(const TDTFConfig& c)
{
    return {toDisplay(c, minNs(c)), toDisplay(c, maxNs(c))};
}

DTFTransform::TRange DTFTransform::centerRange(const TDTFConfig& c)
{
    return {toDisplay(c, minNs(c) / 2.0), toDisplay(c, (maxNs(c) - minNs(c)) / 2.0)};
}

DTFTransform::TRange DTFTransform::spanRange(const TDTFConfig& c)
{
    return stopRange(c);
}

double DTFTransform::maxTimeDisplay(const TDTFConfig& c)
{
    return toDisplay(c, maxNs(c));
}

TComplexVector DTFTransform::timeResponse(const ZData::TScanPoints& points)
{
    TComplexVector c;
    const int n = points.size();
    if (n == 0)
        return c;
    c.reserve(int(ZMath::nextPowerOfTwo(quint64(n))));
    for (const ZData::TScanPoint& p : points)
        c.append(TComplex(p.re, p.im));
    ZMath::ifft(c, true);
    // The inverse transform normalised by Nfft; the sweep holds only N of those samples.
    const float scale = float(c.size()) / float(n);
    for (TComplex& x : c)
        x *= scale;
    return c;
}

QVector<QPointF> DTFTransform::transform(const ZData::TScanPoints& points, const TDTFConfig& config,
                                         float zeroMagnitudeY)
{
    const TComplexVector x = timeResponse(points);
    QVector<QPointF> out(x.size());
    const double maxDisplay = maxTimeDisplay(config);
    const double nfft = double(x.size());
    for (int k = 0; k < x.size(); ++k) {
        const float magnitude = std::abs(x[k]);
        const float y = magnitude > 0.0f ? 20.0f * std::log10(magnitude) : zeroMagnitudeY;
        out[k] = QPointF(double(k) * maxDisplay / nfft, double(y));
    }
    return out;
}

QVector<int> DTFTransform::findPeaks(const QVector<QPointF>& points, const TDTFConfig& config, int count)
{
    QVector<int> peaks(std::max(count, 0), 0);
    const int m = points.size();
    if (m == 0 || peaks.isEmpty())
        return peaks;
    const double bin = maxTimeDisplay(config) / double(m);
    if (!(bin > 0.0) || !std::isfinite(bin))
        return peaks;
    // Window bounds computed in double and clipped before conversion, so odd windows never index outside.
    const double first = std::max(0.0, toDisplay(config, config.start) / bin);
    const int i0 = int(std::min(first, double(m)));
    const int n = int(std::max(0.0, std::min(toDisplay(config, config.span) / bin, double(m))));
    QVector<QPointF> window = points.mid(i0, n);
    peaks.fill(i0);
    const int guard = int(double(n) * 0.075);
    const int size = window.size();
    for (int p = 0; p < peaks.size() && size > 0; ++p) {
        int best = 0;
        for (int j = 1; j < size; ++j)
            if (window[j].y() > window[best].y())
                best = j;
        peaks[p] = i0 + best;
        for (int j = std::max(0, best - guard); j <= std::min(size - 1, best + guard); ++j)
            window[j] = QPointF(0.0, double(EMPTY_Y));
    }
    return peaks;
}

} // namespace ZChart
