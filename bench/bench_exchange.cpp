// Reading a 512 x 512 x 512 float32 volume (512 MiB of values) from the page cache in each
// exchange format, against reading the same values as a volume file in the same run. Every read
// goes into one volume whose allocation is reused, as reloading theVolume does. Prints the ratio
// of the best times; the target is at most 2 for every format except the compressed ones (zlib
// VTK blocks and deflated NetCDF-4 chunks), whose decompression alone takes longer.
#include "exchange/NetcdfFile.h"
#include "exchange/NpyFile.h"
#include "exchange/SegyFile.h"
#include "exchange/VtiFile.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int N = 512; // cells per side
constexpr std::int64_t Bytes = std::int64_t{4} * N * N * N;

std::string folder;
std::map<std::string, double> best; // seconds, by case name
CData3DEx* target = nullptr;

std::string File(const std::string& name)
{
    return (std::filesystem::path(folder) / name).string();
}

void Require(bool ok, const std::string& what)
{
    if (!ok) {
        std::fprintf(stderr, "bench_exchange: %s failed\n", what.c_str());
        std::exit(1);
    }
}

void Check(const ExchangeResult& r, const std::string& what)
{
    Require(r.Ok(), what + ": " + r.Error);
}

// The files of every case, then each read once so that all of them sit in the page cache.
void WriteFiles()
{
    CData3DEx v;
    v.AllocateCube(N);
    for (int z = 0; z < N; ++z)
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x)
                v.Values[z][y][x] = 1500.0f + static_cast<float>(x + y) * 0.5f + z * 4.0f;
    v.StepX = v.StepY = v.StepZ = 10.0f;
    Require(SaveVolumeFile(v, File("v.vol")), "volume file");
    Check(WriteNpyFile(v, File("v.npy")), "npy");
    Check(WriteVtiFile(v, File("v.vti")), "vti");
    VtiWriteOptions zlib;
    zlib.Compress = true;
    Check(WriteVtiFile(v, File("z.vti"), zlib), "compressed vti");
    Check(WriteNetcdfFile(v, File("v.nc")), "netcdf");
    NetcdfWriteOptions deflate;
    deflate.DeflateLevel = 1;
    Check(WriteNetcdfFile(v, File("z.nc"), deflate), "deflated netcdf");
    Check(WriteSegyFile(v, File("v.sgy")), "segy");
    for (const char* name : {"v.vol", "v.npy", "v.vti", "z.vti", "v.nc", "z.nc", "v.sgy"}) {
        std::string command = "cat '" + File(name) + "' > /dev/null";
        Require(std::system(command.c_str()) == 0, "cat");
    }
}

void Run(benchmark::State& state, const std::string& name, const std::function<void()>& read)
{
    double& b = best.try_emplace(name, std::numeric_limits<double>::infinity()).first->second;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        read();
        b = std::min(b,
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        if (target->NX != N || target->NY != N || target->NZ != N)
            state.SkipWithError("wrong extents");
    }
    state.SetBytesProcessed(state.iterations() * Bytes);
}

void BM_VolumeFile(benchmark::State& s)
{
    Run(s, "volume file", [] { target->ReadVolumeFile(File("v.vol"), 1); });
}
void BM_Npy(benchmark::State& s)
{
    Run(s, "NumPy .npy", [] { Check(ReadNpyFile(File("v.npy"), *target), "read npy"); });
}
void BM_VtiRaw(benchmark::State& s)
{
    Run(s, "VTK .vti raw", [] { Check(ReadVtiFile(File("v.vti"), *target), "read vti"); });
}
void BM_VtiZlib(benchmark::State& s)
{
    Run(s, "VTK .vti zlib", [] { Check(ReadVtiFile(File("z.vti"), *target), "read zlib vti"); });
}
void BM_Netcdf(benchmark::State& s)
{
    Run(s, "NetCDF-4", [] { Check(ReadNetcdfFile(File("v.nc"), *target), "read netcdf"); });
}
void BM_NetcdfDeflate(benchmark::State& s)
{
    Run(s, "NetCDF-4 deflate", [] { Check(ReadNetcdfFile(File("z.nc"), *target), "read nc"); });
}
void BM_Segy(benchmark::State& s)
{
    Run(s, "SEG-Y", [] { Check(ReadSegyFile(File("v.sgy"), *target), "read segy"); });
}

BENCHMARK(BM_VolumeFile)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Npy)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_VtiRaw)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_VtiZlib)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Netcdf)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_NetcdfDeflate)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Segy)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    const char* tmp = std::getenv("TMPDIR");
    folder = (std::filesystem::path(tmp ? tmp : "/tmp") /
              ("kalder_bench_exchange_" + std::to_string(::getpid())))
                 .string();
    std::filesystem::create_directories(folder);
    WriteFiles();
    CData3DEx volume;
    target = &volume;
    volume.ReadVolumeFile(File("v.vol"), 1); // the allocation every case reuses
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    const double base = best["volume file"];
    std::printf("best volume file read %.1f ms\n", base * 1e3);
    for (const auto& [name, seconds] : best)
        if (name != "volume file")
            std::printf("%-18s %8.1f ms  ratio %.2f\n", name.c_str(), seconds * 1e3,
                        seconds / base);
    std::printf("(target <= 2 except the compressed formats)\n");
    return 0;
}
