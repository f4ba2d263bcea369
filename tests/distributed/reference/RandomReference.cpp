// The single-machine random FD model (the window's synthesis and export, called directly) with
// kalder-random-mpi's options, for the tests and the benchmark that compare the two programs.
// Writes the model file and "VonKarmanModel3D.txt" in the current directory's terms, and prints
// its time and peak RSS:
//   kalder-random-reference [kalder-random-mpi options] -o MODEL

#include "distributed/RandomMpiOptions.h"
#include "platform/BinaryFile.h"
#include "platform/RecordingSurface.h"
#include "platform/TextFile.h"
#include "random_media/Noise.h"
#include "random_media/RandomFDModel.h"
#include "random_media/RandomField.h"
#include "random_media/Utility.h"
#include "volume/Data3D.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    RandomMpiOptions o;
    std::string bad = ParseRandomMpiOptions({argv + 1, argv + argc}, o);
    if (bad.empty())
        bad = CheckRandomMpiOptions(o, 1);
    if (bad.empty() && (o.clock || o.seed != FixedNoiseSeed))
        bad = "the window's synthesis draws its noise from seed 10 only";
    if (!bad.empty()) {
        std::fprintf(stderr, "kalder-random-reference: %s\n", bad.c_str());
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();

    platform::TextFile report;
    report.Create("VonKarmanModel3D.txt");
    CUtility utility;
    std::string error;
    auto file = platform::AtomicFile::Create(o.output, &error);
    if (!file) {
        std::fprintf(stderr, "kalder-random-reference: %s\n", error.c_str());
        return 1;
    }
    CData3D volume;
    volume.NX = o.nx, volume.NY = o.ny, volume.NZ = o.nz;
    volume.Allocate(o.nx, o.ny, o.nz);
    volume.StepX = o.stepX, volume.StepY = o.stepY, volume.StepZ = o.stepZ;
    platform::RecordingSurface surface;
    const int made = VonKarmanNoise3D(
        o.model.correlationType, o.nx, o.ny, o.nz, volume.Values, o.stepX, o.stepY, o.stepZ, o.model.ax,
        o.model.ay, o.model.az, o.model.e, o.model.h, o.model.angle, o.model.randomNoise, surface);
    const double synthesised =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!made || !ExportRandomFDModel(volume, o.model, *file, report, utility) ||
        !file->Commit(&error)) {
        std::fprintf(stderr, "kalder-random-reference: the model was not made %s\n", error.c_str());
        return 1;
    }
    const double total =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("synthesis %.2f s, total %.2f s, peak RSS %.1f MiB\n", synthesised, total,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
