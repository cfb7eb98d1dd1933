// Correcting received points with an open/short/load calibration: on the calibration's own grid
// (direct path) and on another grid (interpolated path).
#include <QVector>

#include <complex>

#include "BenchSupport.h"
#include "calibration/CalibrationData.h"

using ZData::TScanPoint;
using ZData::TScanPoints;
using ZData::CAL::CalibrationData;

namespace {

constexpr quint64 CAL_START = 1000000;
constexpr quint64 CAL_STOP = 1000000 + 999ULL * 2000000; // 1000 points, 2 MHz apart, across the 100 MHz seam

CalibrationData& calibration()
{
    static CalibrationData* data = [] {
        auto* c = new CalibrationData;
        c->setRange(CAL_START, CAL_STOP, 1000, 0);
        for (int i = 0; i < 1000; ++i) {
            const float phase = 0.01f * float(i);
            c->setValue(CalibrationData::OPEN, i, std::polar(0.95f, -phase));
            c->setValue(CalibrationData::SHORT, i, std::polar(0.93f, 3.1f - phase));
            c->setValue(CalibrationData::LOAD, i, std::complex<float>(0.02f, 0.01f));
        }
        return c;
    }();
    return *data;
}

TScanPoints rawSweep(int points)
{
    TScanPoints sweep(points);
    for (int i = 0; i < points; ++i) {
        sweep[i].re = 0.3f + 0.0001f * float(i);
        sweep[i].im = -0.2f;
    }
    return sweep;
}

// args: sweep points, points corrected per call, 1 = same grid as the calibration.
void BM_Correct(benchmark::State& state)
{
    const int points = int(state.range(0));
    const int count = int(state.range(1));
    const bool onGrid = state.range(2) != 0;
    CalibrationData::TSweepGrid grid;
    if (onGrid) {
        grid.start = double(CAL_START);
        grid.stop = double(CAL_STOP);
    } else {
        grid.start = 1.5e6; // off the calibration frequencies, inside its range
        grid.stop = 1.9e9;
    }
    grid.points = quint32(points);
    grid.step = (grid.stop - grid.start) / (points - 1);
    const CalibrationData& cal = calibration();
    const TScanPoints raw = rawSweep(points);
    TScanPoints buffer = raw;
    for (auto _ : state) {
        // Correction works in place; restoring the raw values is part of every round but cheap beside it.
        std::copy(raw.constBegin(), raw.constBegin() + count, buffer.begin());
        cal.correct(buffer.data(), 0, count, grid);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_Correct)
    ->ArgNames({"sweep", "points", "on_grid"})
    ->Args({1000, 126, 1})
    ->Args({1000, 126, 0})
    ->Args({1000, 1000, 1})
    ->Args({2048, 126, 0})
    ->Args({2048, 2048, 0});

} // namespace

TOLVEK_BENCHMARK_MAIN()
