#include "random_media/RandomModelCommands.h"

#include "platform/BinaryFile.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "random_media/Correlation.h"
#include "random_media/Noise.h"
#include "random_media/RandomFDModel.h"
#include "random_media/RandomField.h"
#include "random_media/RandomModelDialog.h"
#include "random_media/Utility.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"

#include <memory>
#include <optional>
#include <string>

namespace {

enum class ModelKind { AutoCorrelation, Random, FD3D };

void Message(const std::string& text)
{
    platform::GetUi().MessageBox(text);
}

// True when tensors cube tensors of n cells per axis fit the memory limit; otherwise says so.
bool CubeFits(int n, int tensors)
{
    const unsigned long long one = VolumeAllocationBytes(n, n, n);
    const unsigned long long limit = VolumeMemoryLimit();
    if (one != 0 && one <= limit / static_cast<unsigned long long>(tensors))
        return true;
    Message(platform::Format("Not enough memory for a model of %d * %d * %d cells (%llu MB "
                             "needed, %llu MB available).",
                             n, n, n, one * tensors / (1024 * 1024), limit / (1024 * 1024)));
    return false;
}

// The volume becomes a cube of n cells per axis, all 0.
void MakeCube(CData3D& volume, int n)
{
    volume.NX = volume.NY = volume.NZ = n;
    volume.Allocate(n, n, n);
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                volume.Values[z][y][x] = 0.0f;
}

CommandResult Done(int done)
{
    CommandResult o;
    o.Done = done;
    o.Changed = done == 1;
    o.Repaint = done == 1;
    return o;
}

CommandResult RunModelCommand(ModelKind kind, CData3D& volume, platform::Surface* progress,
                              const std::string& modelPath, std::uint32_t seed = FixedNoiseSeed)
{
    // The report is created (truncated) even when only the FD3D command writes into it.
    platform::TextFile report;
    report.Create("VonKarmanModel3D.txt");
    std::optional<CUtility> utility;
    if (kind == ModelKind::FD3D)
        utility.emplace();

    RandomModelSettings s;
    ReadRandomModelSettings(s);
    s.seed = seed;
    if (!RunRandomModelDialog(s))
        return {};
    WriteRandomModelSettings(s);

    const int n = ModelCellCount(s.modelSize);
    // the synthesis holds the volume and a scratch tensor, the export the volume and a copy
    if (!CubeFits(n, kind == ModelKind::AutoCorrelation ? 1 : 2))
        return {};

    std::unique_ptr<platform::AtomicFile> modelFile;
    if (kind == ModelKind::FD3D) {
        // before the volume changes, so an unwritable path costs nothing
        std::string error;
        modelFile = platform::AtomicFile::Create(modelPath, &error);
        if (!modelFile) {
            Message(
                platform::Format("Cannot create \"%s\": %s.", modelPath.c_str(), error.c_str()));
            return {};
        }
    }

    MakeCube(volume, n);
    switch (kind) {
    case ModelKind::AutoCorrelation:
        // Hundreds of millions of Bessel evaluations for the large cubes: say what is running.
        platform::GetUi().ShowProgress(
            platform::Format("VonKarman auto-correlation model: %d x %d x %d cells", n, n, n));
        return Done(VonKarmanFunction3D(s.correlationType, n, n, n, volume.Values, volume.StepX,
                                        volume.StepY, volume.StepZ, s.ax, s.ay, s.az, s.e, s.h,
                                        s.angle));
    case ModelKind::Random:
        return Done(VonKarmanNoise3D(s.correlationType, n, n, n, volume.Values, volume.StepX,
                                     volume.StepY, volume.StepZ, s.ax, s.ay, s.az, s.e, s.h,
                                     s.angle, s.randomNoise, *progress, s.seed));
    case ModelKind::FD3D:
        break;
    }

    bool volumeChanged = false;
    const int written =
        VonKarmanModelFD3D(volume, s, *modelFile, report, *utility, *progress, &volumeChanged);
    if (!volumeChanged)
        return {}; // the synthesis failed and said why; nothing was written
    std::string error;
    if (!written) {
        modelFile->Close();
        Message(platform::Format("Cannot write \"%s\": a write failed (disk full?). The file "
                                 "was not changed.",
                                 modelPath.c_str()));
    } else if (!modelFile->Commit(&error)) {
        Message(platform::Format("Cannot write \"%s\": %s. The file was not changed.",
                                 modelPath.c_str(), error.c_str()));
    } else {
        return Done(1);
    }
    // The volume holds the S-wave model all the same: show it.
    CommandResult o = Done(0);
    o.Changed = true;
    o.Repaint = true;
    return o;
}

} // namespace

CommandResult VonKarmanAutoCorrelationCommand(CData3D& volume)
{
    return RunModelCommand(ModelKind::AutoCorrelation, volume, nullptr, {});
}

CommandResult VonKarmanRandomCommand(CData3D& volume, platform::Surface& progress,
                                     std::uint32_t seed)
{
    return RunModelCommand(ModelKind::Random, volume, &progress, {}, seed);
}

CommandResult VonKarmanRandomFD3DCommand(CData3D& volume, platform::Surface& progress,
                                         std::uint32_t seed)
{
    std::optional<std::string> path =
        platform::GetUi().SaveFile("*.dat", "Finite-difference model(*.dat)", "*.dat");
    if (!path || path->empty())
        return {};
    return RunModelCommand(ModelKind::FD3D, volume, &progress, *path, seed);
}

CommandResult RandomVelocityModelCommand(CData3D& volume)
{
    const int n = 256;
    if (!CubeFits(n, 1))
        return {};
    volume.AllocateCube(n);
    FillUniformNoise(n, n, n, volume.Values, 0);
    CommandResult o;
    o.Done = 1;
    o.Changed = true;
    o.Repaint = true;
    return o;
}
