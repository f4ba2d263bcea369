// Random media at full size, one measurement per process so that the peak resident set is that
// of the measured command alone. bench/speed_compare.py runs it beside the NumPy/SciPy version
// (bench/random_media_numpy.py) and dd.
//
//   bench_random_media synth N [field.f32]  Von Karman synthesis on N^3 cells (a = 5 cells,
//                                           h = 0.5, unit steps, no rotation); optionally writes
//                                           the field, x fastest, for a comparison
//   bench_random_media export N model.fd    the same synthesis, then the five-component FD model
//                                           written and committed (fsync) like the command does
//
// Prints one JSON object: seconds of each step, peak resident set (MiB), bytes and MB/s written.
// The scratch and report files go to the current directory.

#include "numeric/Allocation.h"
#include "platform/BinaryFile.h"
#include "platform/ScriptedUi.h"
#include "platform/Services.h"
#include "platform/Surface.h"
#include "platform/TextFile.h"
#include "random_media/Correlation.h"
#include "random_media/RandomFDModel.h"
#include "random_media/RandomField.h"
#include "random_media/Utility.h"
#include "volume/Data3D.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace {

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

double Now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double PeakRssMiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
}

int Threads()
{
#ifdef _OPENMP
    return omp_get_max_threads();
#else
    return 1;
#endif
}

int Usage()
{
    std::fprintf(stderr, "usage: bench_random_media synth N [field.f32] | export N model.fd\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string mode = argv[1];
    const int n = std::atoi(argv[2]);
    if ((mode != "synth" && mode != "export") || n < 8 || (mode == "export" && argc < 4))
        return Usage();

    platform::ScriptedUi ui;
    platform::ScopedServices services(platform::Services{nullptr, &ui, nullptr, nullptr, nullptr});
    NullSurface surface;

    RandomModelSettings s;
    s.correlationType = CorrelationVonKarman;
    s.ax = s.ay = s.az = 5;
    s.h = 0.5f;
    s.e = 0.05f;
    s.angle = 0;
    s.randomNoise = 0;

    CData3DEx volume;
    volume.NX = volume.NY = volume.NZ = n;
    volume.StepX = volume.StepY = volume.StepZ = 1;
    volume.Allocate(n, n, n);
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                volume.Values[z][y][x] = 0.0f;

    const double t0 = Now();
    const int made = VonKarmanNoise3D(s.correlationType, n, n, n, volume.Values, 1, 1, 1, s.ax, s.ay,
                                      s.az, s.e, s.h, s.angle, s.randomNoise, surface);
    const double t1 = Now();
    if (!made) {
        std::fprintf(stderr, "synthesis failed\n");
        return 1;
    }

    if (mode == "synth") {
        if (argc > 3) {
            std::FILE* f = std::fopen(argv[3], "wb");
            for (int z = 0; f && z < n; ++z)
                for (int y = 0; y < n; ++y)
                    std::fwrite(volume.Values[z][y], sizeof(float), static_cast<std::size_t>(n),
                                f);
            if (f)
                std::fclose(f);
        }
        std::printf("{\"n\": %d, \"threads\": %d, \"synthesis_s\": %.4f, \"peak_rss_mib\": %.1f}\n",
                    n, Threads(), t1 - t0, PeakRssMiB());
        return 0;
    }

    std::string error;
    auto file = platform::AtomicFile::Create(argv[3], &error);
    if (!file) {
        std::fprintf(stderr, "cannot create %s: %s\n", argv[3], error.c_str());
        return 1;
    }
    platform::TextFile report;
    report.Create("VonKarmanModel3D.txt");
    CUtility utility;
    const double t2 = Now();
    const bool written = ExportRandomFDModel(volume, s, *file, report, utility);
    const double t3 = Now();
    const bool committed = written && file->Commit(&error);
    const double t4 = Now();
    if (!committed) {
        std::fprintf(stderr, "export failed: %s\n", error.c_str());
        return 1;
    }
    const double bytes = 28.0 + 5.0 * 4.0 * n * static_cast<double>(n) * n;
    std::printf("{\"n\": %d, \"threads\": %d, \"synthesis_s\": %.4f, \"export_write_s\": %.4f, "
                "\"export_commit_s\": %.4f, \"export_s\": %.4f, \"bytes\": %.0f, "
                "\"export_mb_s\": %.1f, \"peak_rss_mib\": %.1f}\n",
                n, Threads(), t1 - t0, t3 - t2, t4 - t3, t4 - t2, bytes, bytes / 1e6 / (t4 - t2),
                PeakRssMiB());
    return 0;
}
