// The profile values read at start-up on an arbitrary hand-edited INI text: "key=value" lines
// (section headers and lines without '=' are skipped, as the real profile files them elsewhere)
// go to section "General". Whatever the values, the records hold only usable settings and a
// small volume painted in the window stays inside it.
#include "FuzzSupport.h"

#include "platform/Profile.h"
#include "platform/RecordingSurface.h"
#include "render/DrawSlice.h"
#include "render/PlotSettings.h"
#include "volume/Data3D.h"
#include "volume/StretchInfo.h"

#include <cmath>

namespace {

platform::MemoryProfile& Profile()
{
    static platform::MemoryProfile profile;
    return profile;
}

void LoadIni(const std::uint8_t* data, std::size_t size)
{
    Profile().Clear();
    std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && !line.empty() && line[0] != '[')
            Profile().WriteString("General", line.substr(0, eq), line.substr(eq + 1));
        start = end + 1;
    }
}

void CheckRecords(const CData3DEx& volume, const CPlotSettings& settings)
{
    const StretchInfo& s = *volume.Stretch;
    if (s.NArea < 1 || s.NArea > StretchInfo::MaxAreas || (s.StretchOn != 0 && s.StretchOn != 1))
        std::abort();
    for (int i = 0; i < StretchInfo::MaxAreas; ++i)
        if (s.Boundary[i] < 0 || !(s.Stretch[i] >= StretchInfo::MinFactor) ||
            !(s.Stretch[i] <= StretchInfo::MaxFactor))
            std::abort();
    if (volume.bReadStretchInfo != 0 && volume.bReadStretchInfo != 1)
        std::abort();
    if (!(settings.ScaleDenominator >= MinScaleDenominator) ||
        !(settings.ScaleDenominator <= MaxScaleDenominator))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    platform::InstallServices(platform::Services{&Profile(), &fuzz::Ui()});
    SetVolumeMemoryLimit(1u << 20);
    fuzz::Scratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::InputScope scope;
    LoadIni(data, size);
    CData3DEx volume; // reads "bReadStretchInfo" and the stretch keys
    CPlotSettings settings; // reads "SCALE"
    CheckRecords(volume, settings);

    // A small unstretched section fitted to the window: nothing may be drawn outside it.
    volume.Allocate(6, 4, 5);
    volume.NX = 6, volume.NY = 4, volume.NZ = 5;
    for (int z = 0; z < 5; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                volume.Values[z][y][x] = static_cast<float>(x + 10 * y + 100 * z);
    volume.StepX = volume.StepY = volume.StepZ = 1000;
    volume.FixedScale = 0;
    volume.PlaneKind = PlaneY;
    volume.Stretch->StretchOn = 0;
    platform::RecordingSurface surface;
    CDrawingParameter layout;
    SliceViewState view;
    DrawVolumePlane(settings, surface, fuzz::Scratch(), layout, volume, view);
    const platform::Rect c = surface.client;
    for (const platform::DrawOp& op : surface.ops)
        if (op.kind == platform::OpKind::Image && op.args.size() >= 4 &&
            (op.args[0] < c.left || op.args[0] + op.args[2] > c.right || op.args[1] > c.top ||
             op.args[1] - op.args[3] < c.bottom))
            std::abort();
    return 0;
}
