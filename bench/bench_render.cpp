// One full paint of a 512 x 512 plane into a 1920 x 1080 QImage (data range already scanned),
// banded and with continuous shading through a 256-entry map; the data-range scan and the
// percentile clip (exact and sampled) of a 512^3 volume, timed separately.
#include "platform/Services.h"
#include "platform/qt/QtSurface.h"
#include "render/DrawSlice.h"
#include "render/ValueRange.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

void FillWaves(CData3D& v, int nx, int ny, int nz)
{
    v.NX = nx, v.NY = ny, v.NZ = nz;
    v.Allocate(nx, ny, nz);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                v.Values[z][y][x] = static_cast<float>((x * 7 + y * 13 + z * 3) % 1000);
}

// range(0): FixedScale (1 map scale, 0 fitted); range(1): 1 for continuous shading (viridis).
void BM_PaintPlane512(benchmark::State& state)
{
    CData3DEx volume;
    FillWaves(volume, 512, 512, 1);
    volume.StepX = volume.StepY = 100.0f; // 512 cells of 100 m at 1/1000000: 51.2 mm
    volume.FixedScale = state.range(0);   // 1: map scale; 0: fitted to the window
    CPlotSettings settings;
    settings.ScaleDenominator = 200000.0f; // 5 x larger: 256 mm wide at map scale
    volume.GetMinMax(settings.DataMin, settings.DataMax);
    settings.DataRangeValid = 1;
    if (state.range(1)) {
        settings.Display.ColourMap = ColourMapViridis;
        settings.Display.ContinuousShading = 1;
    }
    CDrawingParameter layout;
    QImage image(1920, 1080, QImage::Format_RGB32);
    const double dotsPerMm = 96.0 / 25.4;
    SliceViewState view;
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        platform::QtSurface surface(painter, dotsPerMm, dotsPerMm, QRectF(image.rect()));
        DrawVolumePlane(settings, surface, "", layout, volume, view);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintPlane512)
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond);

void BM_DataRangeScan512Cubed(benchmark::State& state)
{
    CData3DEx volume;
    FillWaves(volume, 512, 512, 512);
    for (auto _ : state) {
        float lo = 0, hi = 0;
        volume.GetMinMax(lo, hi);
        benchmark::DoNotOptimize(lo);
        benchmark::DoNotOptimize(hi);
    }
}
BENCHMARK(BM_DataRangeScan512Cubed)->Unit(benchmark::kMillisecond);

// range(0): 1 sampled (about a million cells), 0 exact. Skewed values, not the waves above,
// so that the selection bins are unevenly filled as in real models.
void BM_PercentileClip512Cubed(benchmark::State& state)
{
    CData3DEx volume;
    FillWaves(volume, 512, 512, 512);
    for (int z = 0; z < 512; ++z)
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 512; ++x)
                volume.Values[z][y][x] = volume.Values[z][y][x] * volume.Values[z][y][x];
    for (auto _ : state) {
        const PercentileRange r = VolumePercentiles(volume, 1.0, 99.0, state.range(0) != 0);
        benchmark::DoNotOptimize(r.low);
        benchmark::DoNotOptimize(r.high);
    }
}
BENCHMARK(BM_PercentileClip512Cubed)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    // The paint rewrites its dump files in the current directory.
    const auto dir = std::filesystem::temp_directory_path() / "kalder-bench-render";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
