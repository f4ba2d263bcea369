// Kalder's 3D FFT (forward + inverse, complex float tensors) against FFTW's single-precision
// 3D transform with the same thread count (plans by FFTW_MEASURE, and FFTW_ESTIMATE for
// reference) from 64^3 to 512^3, and the seven-point median filter on 256^3.
// bench/spectral_compare.py runs this program and the NumPy/SciPy counterparts in one go.

#include "numeric/Allocation.h"
#include "platform/Surface.h"
#include "spectral/Fft.h"
#include "spectral/MedianFilter.h"
#include "volume/Data3D.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <random>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace {

int Threads()
{
#ifdef _OPENMP
    return omp_get_max_threads();
#else
    return 1;
#endif
}

// Progress texts go nowhere.
class NullSurface : public platform::Surface {
public:
    platform::Rect ClientRect() override { return {}; }
    platform::Point DeviceToLogical(platform::Point p) override { return p; }
    platform::Point LogicalToDevice(platform::Point p) override { return p; }
    platform::Pen SelectPen(const platform::Pen& p) override { return p; }
    platform::Brush SelectBrush(const platform::Brush& b) override { return b; }
    platform::FontDesc SelectFont(const platform::FontDesc& f) override { return f; }
    void Rectangle(int, int, int, int) override {}
    void Ellipse(int, int, int, int) override {}
    void FillRect(const platform::Rect&, platform::Rgb) override {}
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void Polyline(const std::vector<platform::Point>&) override {}
    void TextOut(int, int, const std::string&) override {}
    void StretchImage(const platform::PixelImage&, int, int, int, int) override {}
    platform::Rgb WindowBackground() override { return 0; }
};

void KalderFft3D(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    float*** re = f3tensor(0, n, 0, n, 0, n);
    float*** im = f3tensor(0, n, 0, n, 0, n);
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> u(-1, 1);
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                re[z][y][x] = u(rng), im[z][y][x] = u(rng);
    NullSurface surface;
    for (auto _ : state) {
        Fft3DForward(n, n, n, re, im, surface);
        Fft3DInverse(n, n, n, re, im, surface);
        benchmark::ClobberMemory();
    }
    state.counters["threads"] = Threads();
    FreeTensor3(re, 0, n, 0, n, 0, n);
    FreeTensor3(im, 0, n, 0, n, 0, n);
}

// Forward and backward, unnormalised (FFTW leaves the 1/N to the caller). The plans are made
// before timing, with FFTW_MEASURE (the fair comparison) or FFTW_ESTIMATE (for reference); the
// data are filled after planning, since measuring overwrites the array.
void FftwFft3D(benchmark::State& state, unsigned flags)
{
    const int n = static_cast<int>(state.range(0));
    const std::size_t cells = static_cast<std::size_t>(n) * n * n;
    fftwf_init_threads();
    fftwf_plan_with_nthreads(Threads());
    auto* data = fftwf_alloc_complex(cells);
    fftwf_plan fwd = fftwf_plan_dft_3d(n, n, n, data, data, FFTW_FORWARD, flags);
    fftwf_plan bwd = fftwf_plan_dft_3d(n, n, n, data, data, FFTW_BACKWARD, flags);
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> u(-1, 1);
    for (std::size_t i = 0; i < cells; ++i)
        data[i][0] = u(rng), data[i][1] = u(rng);
    for (auto _ : state) {
        fftwf_execute(fwd);
        fftwf_execute(bwd);
        benchmark::ClobberMemory();
    }
    state.counters["threads"] = Threads();
    fftwf_destroy_plan(fwd);
    fftwf_destroy_plan(bwd);
    fftwf_free(data);
    fftwf_cleanup_threads();
}
void FftwMeasureFft3D(benchmark::State& state)
{
    FftwFft3D(state, FFTW_MEASURE);
}
void FftwEstimateFft3D(benchmark::State& state)
{
    FftwFft3D(state, FFTW_ESTIMATE);
}

void KalderMedian(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    CData3DEx volume;
    volume.NX = volume.NY = volume.NZ = n;
    volume.Allocate(n, n, n);
    std::mt19937 rng(2);
    std::uniform_real_distribution<float> u(0, 1);
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                volume.Values[z][y][x] = u(rng);
    for (auto _ : state) {
        MedianFilter3D(volume);
        benchmark::ClobberMemory();
    }
    state.counters["threads"] = Threads();
}

} // namespace

// 64^3 to 512^3; the sizes run in the same order for both programs.
BENCHMARK(KalderFft3D)
    ->RangeMultiplier(2)
    ->Range(64, 512)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(FftwMeasureFft3D)
    ->RangeMultiplier(2)
    ->Range(64, 512)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(FftwEstimateFft3D)
    ->RangeMultiplier(2)
    ->Range(64, 512)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(KalderMedian)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
