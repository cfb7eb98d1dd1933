#pragma once

#include <QPointF>
#include <QVector>

#include "charts/TDTFConfig.h"
#include "core/utility/ZMath.h"
#include "measurement/TScanPoint.h"

namespace ZChart {

// Distance-to-fault computations: the window limits derived from the scan range, the window setters
// with their clamping rules, unit conversions, the inverse-FFT time response and the peak search.
// Works on a TDTFConfig owned by the caller; no widgets.
class DTFTransform
{
public:
    static constexpr double SPEED_OF_LIGHT = 299792458.0;
    static constexpr double NS_PER_S = 1e9;
    static constexpr int MIN_SPAN_BINS = 128;
    static constexpr float EMPTY_Y = -999.0f;

    struct TRange
    {
        double min = 0.0;
        double max = 0.0;
    };

    // Display units: ns for TIME, metres for DISTANCE.
    static double toDisplay(const TDTFConfig& config, double ns);
    static double fromDisplay(const TDTFConfig& config, double value);
    static double convert(double value, EDTFDomain from, EDTFDomain to, double velocityFactor);

    // Limits from a scan range (start and stop in Hz, point count); a span of 0 or less changes nothing.
    static void updateLimits(TDTFConfig& config, double startHz, double stopHz, quint32 points);
    // Start 0, span = max(max_time, min_span).
    static void resetWindow(TDTFConfig& config);
    // Applies a stored window (ns) after the limits have been recomputed.
    static void restoreWindow(TDTFConfig& config, double startNs, double stopNs);

    // Setters take display units.
    static void setStart(TDTFConfig& config, double value);
    static void setStop(TDTFConfig& config, double value);
    static void setCenter(TDTFConfig& config, double value);
    static void setSpan(TDTFConfig& config, double value);
    static void setDomain(TDTFConfig& config, EDTFDomain domain);
    static void setVelocityFactor(TDTFConfig& config, double factor);

    // Ranges and values in display units.
    static TRange startRange(const TDTFConfig& config);
    static TRange stopRange(const TDTFConfig& config);
    static TRange centerRange(const TDTFConfig& config);
    static TRange spanRange(const TDTFConfig& config);
    static double maxTimeDisplay(const TDTFConfig& config);

    // x_k = (1/N) sum C[n] e^{+j2pi nk/Nfft}, k < Nfft (the next power of two not below N).
    static ZCore::UtilityModules::TComplexVector timeResponse(const ZData::TScanPoints& points);
    // Chart points: x = k * MAXd / Nfft, y = 20 log10 |x_k|; a zero magnitude gives zeroMagnitudeY
    // (a view passes the bottom of its axis). The points are read only.
    static QVector<QPointF> transform(const ZData::TScanPoints& points, const TDTFConfig& config,
                                      float zeroMagnitudeY = 0.0f);
    // Absolute indices of up to `count` peaks inside the displayed window, strongest first, each at
    // least the guard distance from the ones before it.
    static QVector<int> findPeaks(const QVector<QPointF>& points, const TDTFConfig& config, int count);

private:
    static double maxNs(const TDTFConfig& config) { return config.max_time * NS_PER_S; }
    static double minNs(const TDTFConfig& config) { return config.min_span * NS_PER_S; }
    static void startRule(TDTFConfig& config, double ns);
    static void stopRule(TDTFConfig& config, double ns);
    static void centerRule(TDTFConfig& config, double ns);
    static void spanRule(TDTFConfig& config, double ns);
};

} // namespace ZChart
