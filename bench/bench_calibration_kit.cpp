// What a calibration kit and averaged standards cost: solving a 1000-point calibration with a kit's
// standards when it completes, and the robust mean of 16 sweeps of 1000 points per standard, each
// beside one 1000-point sweep's correction timed in the same round (the ratio is the figure to read).
#include <QVector>

#include <chrono>
#include <complex>
#include <random>

#include "BenchSupport.h"
#include "calibration/CalibrationData.h"
#include "calibration/CalibrationKit.h"
#include "calibration/RobustSweepMean.h"

using ZData::TScanPoint;
using ZData::TScanPoints;
using ZData::CAL::CalibrationData;
using ZData::CAL::CalibrationKit;

namespace {

constexpr int POINTS = 1000;
constexpr quint64 START = 1000000;
constexpr quint64 STEP = 6000000;

CalibrationData measuredCalibration()
{
    CalibrationData c;
    c.setRange(START, START + (POINTS - 1) * STEP, POINTS, 0);
    for (int i = 0; i < POINTS; ++i) {
        const float phase = 0.01f * float(i);
        c.setValue(CalibrationData::OPEN, i, std::polar(0.95f, -phase));
        c.setValue(CalibrationData::SHORT, i, std::polar(0.93f, 3.1f - phase));
        c.setValue(CalibrationData::LOAD, i, std::complex<float>(0.02f, 0.01f));
    }
    c.setTypesPresent(CalibrationData::FULL);
    return c;
}

CalibrationKit smaKit()
{
    CalibrationKit k;
    k.name = QStringLiteral("sma");
    k.open.c[0] = 50;
    k.open.line.delayPs = 30;
    k.open.line.lossGOhmPerS = 2;
    k.shortStd.l[0] = 20;
    k.shortStd.line.delayPs = 30;
    k.load.rOhm = 51;
    return k;
}

// One 1000-point sweep corrected on the calibration grid: the baseline of every figure here.
double correctionNs(const CalibrationData& cal, TScanPoints& buffer, const TScanPoints& raw)
{
    CalibrationData::TSweepGrid grid{double(cal.start()), double(cal.stop()), POINTS, double(STEP)};
    const auto t0 = std::chrono::steady_clock::now();
    std::copy(raw.constBegin(), raw.constEnd(), buffer.begin());
    cal.correct(buffer.data(), 0, POINTS, grid);
    benchmark::DoNotOptimize(buffer.data());
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
}

void reportRatio(benchmark::State& state, double workNs, double baselineNs)
{
    state.counters["x_sweep_correction"] = baselineNs > 0 ? workNs / baselineNs : 0;
    state.counters["sweep_correction_us"] = baselineNs / 1000 / double(state.iterations());
}

void BM_ApplyKit1000(benchmark::State& state)
{
    const CalibrationData measured = measuredCalibration();
    const CalibrationKit kit = smaKit();
    QVector<double> freqs(POINTS);
    for (int i = 0; i < POINTS; ++i)
        freqs[i] = double(START + quint64(i) * STEP);
    TScanPoints raw(POINTS), buffer(POINTS);
    for (int i = 0; i < POINTS; ++i)
        raw[i] = {START + quint64(i) * STEP, 0.3f, -0.2f};
    double workNs = 0, baselineNs = 0;
    CalibrationData cal = measured;
    for (auto _ : state) {
        cal = measured;
        const auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(kit.idealize(cal, freqs));
        workNs += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
        baselineNs += correctionNs(cal, buffer, raw);
    }
    reportRatio(state, workNs, baselineNs);
}
BENCHMARK(BM_ApplyKit1000)->Unit(benchmark::kMicrosecond);

void BM_RobustMean16x1000(benchmark::State& state)
{
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    QVector<TScanPoints> sweeps;
    for (int s = 0; s < 16; ++s) {
        TScanPoints sweep(POINTS);
        for (int i = 0; i < POINTS; ++i)
            sweep[i] = {START + quint64(i) * STEP, 0.9f + noise(rng), 0.1f + noise(rng)};
        sweeps.append(sweep);
    }
    const CalibrationData cal = measuredCalibration();
    TScanPoints out, buffer(POINTS);
    double workNs = 0, baselineNs = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        ZData::CAL::RobustSweepMean::combine(sweeps, out);
        benchmark::DoNotOptimize(out.data());
        workNs += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
        baselineNs += correctionNs(cal, buffer, sweeps.first());
    }
    reportRatio(state, workNs, baselineNs);
}
BENCHMARK(BM_RobustMean16x1000)->Unit(benchmark::kMicrosecond);

} // namespace

TOLVEK_BENCHMARK_MAIN()
