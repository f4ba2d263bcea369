#include "volume/StretchInfo.h"

#include "platform/BinaryFile.h"
#include "platform/Dialog.h"
#include "platform/Services.h"
#include "plot/Settings.h"
#include "volume/Data3D.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

void StretchInfo::Reset()
{
    StretchOn = 0;
    NArea = 1;
    for (int i = 0; i < MaxAreas; ++i) {
        Boundary[i] = 0;
        Stretch[i] = 1.0f;
    }
    Boundary[0] = 1000;
}

int StretchInfo::AreaCount() const
{
    return std::clamp(NArea, 1, MaxAreas);
}

namespace {

// The twelve profile keys of the record, in the order they are written: "StretchOn", "NArea",
// "Boundary0" .. "Boundary4", "Stretch0" .. "Stretch4".
std::vector<SettingBinding> Bindings(StretchInfo& s)
{
    // NArea is clamped after the read; a negative cell count or a factor that would draw a row
    // flat or thousands of times its height keeps the default.
    std::vector<SettingBinding> b = {IntSetting("StretchOn", s.StretchOn, 0, 1),
                                     IntSetting("NArea", s.NArea)};
    for (int i = 0; i < StretchInfo::MaxAreas; ++i)
        b.push_back(IntSetting("Boundary" + std::to_string(i), s.Boundary[i], 0));
    for (int i = 0; i < StretchInfo::MaxAreas; ++i)
        b.push_back(FloatSetting("Stretch" + std::to_string(i), s.Stretch[i],
                                 StretchInfo::MinFactor, StretchInfo::MaxFactor));
    return b;
}

} // namespace

void StretchInfo::LoadStretchSettings()
{
    Reset();
    ReadSettings(Bindings(*this));
    NArea = AreaCount();
}

void StretchInfo::SaveStretchSettings() const
{
    StretchInfo copy = *this;
    WriteSettings(Bindings(copy));
}

int StretchInfo::ReadStretchBlock(platform::BinaryFile& file)
{
    std::int32_t n = 0;
    if (!file.ReadInt32(n) || n < 0)
        return 0;
    // An empty table has nothing to apply; the record keeps its areas and the trailer goes on.
    if (n == 0)
        return 1;
    int boundary[MaxAreas] = {};
    float stretch[MaxAreas] = {};
    // A hostile count is bounded by the file: the loop ends at the first short read.
    for (std::int64_t i = 0; i < n; ++i) {
        std::int32_t b = 0;
        float s = 0;
        if (!file.ReadInt32(b) || !file.ReadFloat(s))
            return 0;
        if (i < MaxAreas) {
            boundary[i] = b;
            stretch[i] = s;
        } else {
            // Areas beyond the fifth join it, so the drawn depth range is kept.
            boundary[MaxAreas - 1] = static_cast<int>(std::clamp<long long>(
                static_cast<long long>(boundary[MaxAreas - 1]) + b, INT32_MIN, INT32_MAX));
        }
    }
    NArea = std::min<int>(n, MaxAreas);
    for (int i = 0; i < MaxAreas; ++i) {
        Boundary[i] = i < NArea ? boundary[i] : 0;
        Stretch[i] = i < NArea ? stretch[i] : stretch[NArea - 1];
    }
    return 1;
}

bool StretchInfo::WriteStretchBlock(platform::BinaryFile& file) const
{
    int n = AreaCount();
    bool ok = file.WriteInt32(n);
    for (int i = 0; i < n; ++i)
        ok = file.WriteInt32(Boundary[i]) && file.WriteFloat(Stretch[i]) && ok;
    return ok;
}

int StretchInfo::ReadLayerThickness(platform::BinaryFile& file, int count, float cellSize)
{
    LayerThickness.clear();
    std::int32_t flag = 0;
    bool gotFlag = file.ReadInt32(flag);
    if (!gotFlag || flag != 1 || count < 1)
        return 0;
    // Never allocate more than the file can supply.
    std::int64_t length = file.Length();
    std::int64_t remaining = length >= 0 ? length - file.Tell() : -1;
    NArea = 1;
    if (remaining >= 0 && static_cast<std::int64_t>(count) * 4 > remaining) {
        file.Seek(0, platform::SeekFrom::End);
        return 0;
    }
    LayerThickness.assign(static_cast<std::size_t>(count), 0.0f);
    std::size_t want = static_cast<std::size_t>(count) * 4;
    if (file.Read(LayerThickness.data(), want) < want)
        return 0;

    Stretch[0] = LayerThickness[0] / cellSize;
    Boundary[0] = 1;
    for (int i = 1; i < count; ++i) {
        float t = LayerThickness[i];
        float prev = LayerThickness[i - 1];
        bool same = t == prev; // a NaN never equals anything, so it starts a new run
        if (!same && NArea < MaxAreas) {
            ++NArea;
            Stretch[NArea - 1] = t / cellSize;
            Boundary[NArea - 1] = 1;
        } else {
            // Further runs beyond the fifth are merged into it.
            ++Boundary[NArea - 1];
        }
    }
    for (int i = NArea; i < MaxAreas; ++i) {
        Boundary[i] = 0;
        Stretch[i] = Stretch[NArea - 1];
    }
    return 1;
}

void StretchInfo::TruncateAreas(int total)
{
    int n = AreaCount();
    long long a = 0;
    for (int i = 0; i < n; ++i) {
        NArea = i + 1;
        long long b = a + Boundary[i];
        if (total < b) {
            Boundary[i] = static_cast<int>(total - a);
            return;
        }
        a = b;
    }
}

float StretchInfo::StretchedHeight(float rowHeight) const
{
    float h = 0;
    for (int i = 0; i < AreaCount(); ++i)
        h += static_cast<float>(Boundary[i]) * rowHeight * Stretch[i];
    return h;
}

void CDlgStretch::Describe(platform::Form& form)
{
    form.caption = "Set Z axis stretch";
    // The fields carry no labels; the table headings only say which is which.
    form.BeginGrid({"0", "1", "2", "3"}, {"Stretch", "Cells"});
    for (int i = 0; i < 4; ++i) {
        form.Float("", Stretch[i]);
        form.Int("", Boundary[i]);
    }
}

void OnStretchZDirection(CData3D& volume)
{
    volume.Stretch->StretchOn = volume.Stretch->StretchOn == 0 ? 1 : 0;
    platform::RequestRepaint();
}

bool IsStretchZDirectionChecked(const CData3D& volume)
{
    return volume.Stretch->StretchOn == 1;
}

bool OnSetupStretch(CData3D& volume)
{
    StretchInfo& s = *volume.Stretch;
    CDlgStretch dlg;
    for (int i = 0; i < 4; ++i) {
        dlg.Stretch[i] = s.Stretch[i];
        dlg.Boundary[i] = s.Boundary[i];
    }
    if (!platform::RunDialog(dlg))
        return false;
    for (int i = 0; i < 4; ++i) {
        s.Stretch[i] = dlg.Stretch[i];
        s.Boundary[i] = dlg.Boundary[i];
    }
    // The areas the dialog fills are the areas in use: otherwise a second area entered on a
    // record of one area would never be drawn. A fifth area, which only files bring and the
    // dialog does not show, stays while it holds cells.
    int used = 1;
    for (int i = 0; i < 4; ++i)
        if (s.Boundary[i] > 0)
            used = i + 1;
    if (s.AreaCount() == StretchInfo::MaxAreas && s.Boundary[StretchInfo::MaxAreas - 1] > 0)
        used = StretchInfo::MaxAreas;
    s.NArea = used;
    platform::RequestRepaint();
    return true;
}

void OnReadStretchInformation(CData3D& volume)
{
    volume.bReadStretchInfo = volume.bReadStretchInfo != 1 ? 1 : 0;
    WriteSettingInt("bReadStretchInfo", volume.bReadStretchInfo);
}

bool IsReadStretchInformationChecked(const CData3D& volume)
{
    return volume.bReadStretchInfo != 0;
}
