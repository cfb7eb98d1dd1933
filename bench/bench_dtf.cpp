// The inverse FFT and the distance-to-fault transform of the library, with the same transforms
// through FFTW in the same run as the reference (FFTW is used here only, never in the program).
#include <cmath>
#include <complex>

#include "BenchSupport.h"
#include "charts/DTFTransform.h"
#include "core/utility/ZMath.h"

#ifdef TOLVEK_HAVE_FFTW
#include <fftw3.h>
#endif

using ZChart::DTFTransform;
using ZChart::TDTFConfig;
using ZCore::UtilityModules::TComplex;
using ZCore::UtilityModules::TComplexVector;
using ZCore::UtilityModules::ZMath;
using ZData::TScanPoints;

namespace {

TScanPoints sweep(int n)
{
    TScanPoints points(n);
    for (int i = 0; i < n; ++i) {
        const std::complex<float> s = 0.5f * std::polar(1.0f, -0.37f * float(i)) + 0.05f;
        points[i].frequency = quint64(1000000 + i * 2000000);
        points[i].re = s.real();
        points[i].im = s.imag();
    }
    return points;
}

TDTFConfig configFor(int n)
{
    TDTFConfig config;
    DTFTransform::updateLimits(config, 1e6, 1e6 + 2e6 * (n - 1), quint32(n));
    DTFTransform::resetWindow(config);
    return config;
}

TComplexVector complexOf(const TScanPoints& points)
{
    TComplexVector c;
    for (const auto& p : points)
        c.append(TComplex(p.re, p.im));
    return c;
}

void BM_InverseFFT_ZMath(benchmark::State& state)
{
    const TComplexVector input = complexOf(sweep(int(state.range(0))));
    for (auto _ : state) {
        TComplexVector c = input; // padded in place to the next power of two
        ZMath::ifft(c, true);
        benchmark::DoNotOptimize(c.data());
    }
}
BENCHMARK(BM_InverseFFT_ZMath)->Arg(1000)->Arg(2048);

void BM_DTF_Library(benchmark::State& state)
{
    const int n = int(state.range(0));
    const TScanPoints points = sweep(n);
    const TDTFConfig config = configFor(n);
    for (auto _ : state) {
        const QVector<QPointF> out = DTFTransform::transform(points, config);
        benchmark::DoNotOptimize(out.constData());
    }
}
BENCHMARK(BM_DTF_Library)->Arg(1000)->Arg(2048);

#ifdef TOLVEK_HAVE_FFTW

// The same inverse transform: zero-padded to the next power of two, normalised by 1/Nfft.
struct FloatPlan
{
    explicit FloatPlan(int n) : nfft(int(ZMath::nextPowerOfTwo(quint64(n))))
    {
        buffer = fftwf_alloc_complex(size_t(nfft));
        plan = fftwf_plan_dft_1d(nfft, buffer, buffer, FFTW_BACKWARD, FFTW_MEASURE);
    }
    ~FloatPlan()
    {
        fftwf_destroy_plan(plan);
        fftwf_free(buffer);
    }
    void load(const TScanPoints& points)
    {
        for (int i = 0; i < nfft; ++i) {
            buffer[i][0] = i < points.size() ? points[i].re : 0.0f;
            buffer[i][1] = i < points.size() ? points[i].im : 0.0f;
        }
    }
    int nfft;
    fftwf_complex* buffer;
    fftwf_plan plan;
};

struct DoublePlan
{
    explicit DoublePlan(int n) : nfft(int(ZMath::nextPowerOfTwo(quint64(n))))
    {
        buffer = fftw_alloc_complex(size_t(nfft));
        plan = fftw_plan_dft_1d(nfft, buffer, buffer, FFTW_BACKWARD, FFTW_MEASURE);
    }
    ~DoublePlan()
    {
        fftw_destroy_plan(plan);
        fftw_free(buffer);
    }
    int nfft;
    fftw_complex* buffer;
    fftw_plan plan;
};

void BM_InverseFFT_FFTWf(benchmark::State& state)
{
    const TScanPoints points = sweep(int(state.range(0)));
    FloatPlan p(points.size());
    for (auto _ : state) {
        p.load(points);
        fftwf_execute(p.plan);
        const float scale = 1.0f / float(p.nfft);
        for (int i = 0; i < p.nfft; ++i) {
            p.buffer[i][0] *= scale;
            p.buffer[i][1] *= scale;
        }
        benchmark::DoNotOptimize(p.buffer);
    }
}
BENCHMARK(BM_InverseFFT_FFTWf)->Arg(1000)->Arg(2048);

void BM_InverseFFT_FFTWd(benchmark::State& state)
{
    const TScanPoints points = sweep(int(state.range(0)));
    DoublePlan p(points.size());
    for (auto _ : state) {
        for (int i = 0; i < p.nfft; ++i) {
            p.buffer[i][0] = i < points.size() ? points[i].re : 0.0;
            p.buffer[i][1] = i < points.size() ? points[i].im : 0.0;
        }
        fftw_execute(p.plan);
        const double scale = 1.0 / double(p.nfft);
        for (int i = 0; i < p.nfft; ++i) {
            p.buffer[i][0] *= scale;
            p.buffer[i][1] *= scale;
        }
        benchmark::DoNotOptimize(p.buffer);
    }
}
BENCHMARK(BM_InverseFFT_FFTWd)->Arg(1000)->Arg(2048);

// The whole distance-to-fault output (scale by Nfft/N, dB, axis) with FFTW doing the transform.
void BM_DTF_FFTWf(benchmark::State& state)
{
    const int n = int(state.range(0));
    const TScanPoints points = sweep(n);
    const TDTFConfig config = configFor(n);
    FloatPlan p(n);
    const double maxDisplay = DTFTransform::maxTimeDisplay(config);
    for (auto _ : state) {
        p.load(points);
        fftwf_execute(p.plan);
        QVector<QPointF> out(p.nfft);
        const float scale = 1.0f / float(n); // 1/Nfft normalisation times Nfft/N
        for (int k = 0; k < p.nfft; ++k) {
            const float magnitude = std::hypot(p.buffer[k][0] * scale, p.buffer[k][1] * scale);
            const float y = magnitude > 0.0f ? 20.0f * std::log10(magnitude) : 0.0f;
            out[k] = QPointF(double(k) * maxDisplay / p.nfft, double(y));
        }
        benchmark::DoNotOptimize(out.constData());
    }
}
BENCHMARK(BM_DTF_FFTWf)->Arg(1000)->Arg(2048);

// Accuracy beside speed: the largest difference between the library's and FFTW's inverse transform.
void BM_InverseFFT_MaxErrorVsFFTWd(benchmark::State& state)
{
    const TScanPoints points = sweep(int(state.range(0)));
    DoublePlan p(points.size());
    for (int i = 0; i < p.nfft; ++i) {
        p.buffer[i][0] = i < points.size() ? points[i].re : 0.0;
        p.buffer[i][1] = i < points.size() ? points[i].im : 0.0;
    }
    fftw_execute(p.plan);
    double maxError = 0.0;
    for (auto _ : state) {
        TComplexVector c = complexOf(points);
        ZMath::ifft(c, true);
        maxError = 0.0;
        for (int i = 0; i < p.nfft; ++i)
            maxError = std::max(
                maxError, std::abs(std::complex<double>(c[i]) -
                                   std::complex<double>(p.buffer[i][0], p.buffer[i][1]) / double(p.nfft)));
    }
    state.counters["max_abs_error"] = maxError;
}
BENCHMARK(BM_InverseFFT_MaxErrorVsFFTWd)->Arg(1000)->Arg(2048)->Iterations(1);

#endif

} // namespace

TOLVEK_BENCHMARK_MAIN()
