// Loading a 512 x 512 x 512 volume file (512 MiB of values) from the page cache, against `cat`
// copying the same file to /dev/null in the same run. Prints the ratio of the best times.
#include "platform/BinaryFile.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <unistd.h>

namespace {

constexpr int N = 512; // cells per side

std::string path;
double bestFresh = std::numeric_limits<double>::infinity(); // seconds
double bestReload = std::numeric_limits<double>::infinity();
double bestCat = std::numeric_limits<double>::infinity();

double Seconds(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void CatToDevNull()
{
    std::string command = "cat '" + path + "' > /dev/null";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "cat failed\n");
}

void WriteTestFile()
{
    CData3DEx v;
    v.AllocateCube(N);
    for (int z = 0; z < N; ++z)
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x)
                v.Values[z][y][x] = static_cast<float>(x + y + z);
    if (!SaveVolumeFile(v, path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    CatToDevNull(); // into the page cache
}

void Load(benchmark::State& state, CData3DEx& v, double& best)
{
    auto t0 = std::chrono::steady_clock::now();
    std::int64_t bytes = v.ReadVolumeFile(path, 1);
    best = std::min(best, Seconds(t0));
    if (bytes != std::int64_t{4} * N * N * N)
        state.SkipWithError("short read");
}

// The first load of a run: a fresh volume, whose new allocation is faulted in page by page.
void BM_ReadVolumeFile_Fresh(benchmark::State& state)
{
    for (auto _ : state) {
        CData3DEx v;
        Load(state, v, bestFresh);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{4} * N * N * N);
}

// Later loads of the same size into theVolume: the allocation is reused.
void BM_ReadVolumeFile_Reload(benchmark::State& state)
{
    CData3DEx v;
    v.ReadVolumeFile(path, 1);
    for (auto _ : state)
        Load(state, v, bestReload);
    state.SetBytesProcessed(state.iterations() * std::int64_t{4} * N * N * N);
}

void BM_CatToDevNull(benchmark::State& state)
{
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        CatToDevNull();
        bestCat = std::min(bestCat, Seconds(t0));
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{4} * N * N * N);
}

BENCHMARK(BM_ReadVolumeFile_Fresh)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadVolumeFile_Reload)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_CatToDevNull)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    const char* tmp = std::getenv("TMPDIR");
    path = (std::filesystem::path(tmp ? tmp : "/tmp") /
            ("kalder_bench_volume_" + std::to_string(::getpid()) + ".vol"))
               .string();
    WriteTestFile();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(path);
    std::printf("best cat %.1f ms; reload %.1f ms, ratio %.2f; fresh volume %.1f ms, ratio %.2f "
                "(target <= 1.5)\n",
                bestCat * 1e3, bestReload * 1e3, bestReload / bestCat, bestFresh * 1e3,
                bestFresh / bestCat);
    return 0;
}
