#include "shell/KalderView.h"

#include "platform/Dialog.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "plot/Settings.h"
#include "random_media/MedianFilterCommand.h"
#include "random_media/RandomModelCommands.h"
#include "random_media/Utility.h"
#include "readers/TomographyFile.h"
#include "regional/AichiModel.h"
#include "regional/AverageVelocity.h"
#include "regional/StationModel.h"
#include "render/SliceLayout.h"
#include "shell/CommandIds.h"
#include "shell/CommandTable.h"
#include "shell/Dialogs.h"
#include "shell/ExchangeCommands.h"
#include "shell/SliceProfile.h"
#include "shell/VolumeSnapshot.h"
#include "spectral/SpectralCommands.h"
#include "volume/SnapshotSeries.h"
#include "volume/StretchInfo.h"
#include "volume/VolumeCommands.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

bool HasData(const CData3D& v)
{
    return v.NX >= 1 && v.NY >= 1 && v.NZ >= 1;
}
bool IsEmpty(const CData3D& v)
{
    return v.NX == 0 && v.NY == 0 && v.NZ == 0;
}

using platform::ProgressSurface;

void Repaint()
{
    platform::RequestRepaint();
}

ViewLoadMemory MemoryOf(const CKalderView& view)
{
    return {view.RememberedNX, view.RememberedNY, view.RememberedNZ, view.Component};
}

void Remember(CKalderView& view, const ViewLoadMemory& m)
{
    view.RememberedNX = m.RememberedNX;
    view.RememberedNY = m.RememberedNY;
    view.RememberedNZ = m.RememberedNZ;
    view.Component = m.Component;
}

// Copies the values in use of from into to, whose grid has the same extents: the values
// before a command that changed them in place.
void PutBackValues(const CData3D& from, CData3D& to)
{
    for (int z = 0; z < to.NZ; ++z)
        for (int y = 0; y < to.NY; ++y)
            std::copy_n(from.Values[z][y], to.NX, to.Values[z][y]);
}

} // namespace

CKalderView::CKalderView(CKalderDoc& doc) : Doc(doc)
{
    ReadSettings(ShutDownSettings());
    ReadSettingFloat(YMinPickKey, yMinPick);
    if (Doc.PlotSettings) {
        // A first start (no profile) fits the section to the window; the map scale is one
        // click away.
        CDisplayOptions& display = Doc.PlotSettings->Display;
        display.FitToWindow = 1;
        ReadSettings(display.Bindings());
    }
}

void CKalderView::SaveDisplayOptions()
{
    if (Doc.PlotSettings)
        WriteSettings(Doc.PlotSettings->Display.Bindings());
}

void CKalderView::SetDisplayOption(int& option, int value)
{
    option = value;
    SaveDisplayOptions();
    Repaint();
}

void CKalderView::OnDestroy()
{
    if (destroyed)
        return;
    destroyed = true;
    CData3DEx& v = theVolume();
    // The next start proposes the extents in use now.
    RememberedNX = v.NX;
    RememberedNY = v.NY;
    RememberedNZ = v.NZ;
    WriteSettings(ShutDownSettings());
    Doc.PlotSettings.reset();
    v.Stretch->SaveStretchSettings();
}

std::vector<SettingBinding> CKalderView::ShutDownSettings()
{
    // Proposed extents are never negative; the kilometre flag is a flag.
    return {IntSetting("NX", RememberedNX, 0), IntSetting("NY", RememberedNY, 0),
            IntSetting("NZ", RememberedNZ, 0), IntSetting("bKiloMeter", bKiloMeter, 0, 1)};
}

void CKalderView::ValuesChanged()
{
    ++ValuesVersion;
    Doc.SetModifiedFlag();
    if (Doc.PlotSettings) {
        Doc.PlotSettings->DataRangeValid = 0;
        Doc.PlotSettings->InvalidateAutoRange();
    }
}

void CKalderView::Apply(const CommandResult& r)
{
    if (r.Changed) {
        ValuesChanged();
        ClampPlaneIndex();
    }
    if (r.Repick && PickMode == 1)
        Pick();
    if (r.Repaint)
        Repaint();
}

void CKalderView::ClampPlaneIndex()
{
    CData3DEx& v = theVolume();
    int count = v.GetPlaneCount(v.PlaneKind);
    if (v.PlaneIndex > count - 1)
        v.PlaneIndex = count - 1;
    // An empty volume has no plane -1: stay at 0 so no paint or pick reads before the grid.
    if (v.PlaneIndex < 0)
        v.PlaneIndex = 0;
}

void CKalderView::OnDraw(platform::Surface& surface)
{
    if (DrawEnabled != 1 || !Doc.PlotSettings)
        return;
    CData3DEx& v = theVolume();
    // A smaller volume loaded since the last navigation must not be drawn out of range.
    ClampPlaneIndex();
    if (!v.ExtentsFitAllocation())
        return;
    lastClient = surface.ClientRect();
    SliceViewState state;
    state.orientation = v.PlaneKind;
    state.planeIndex = v.PlaneIndex;
    state.stretch = v.Stretch.get();
    state.client = lastClient;
    state.pickedCount = PickedCount;
    state.pickedPoints = PickedPoints.empty() ? nullptr : PickedPoints.data();
    state.colourMode = ColourMode;
    state.kiloMeter = bKiloMeter;
    state.pickDisplay = PickMode;
    DrawSlice(*Doc.PlotSettings, surface, Doc.WorkingFolder, *Doc.DrawingParameter, v, state);
}

bool CKalderView::IsCheckable(int id)
{
    switch (id) {
    case ID_PICK_HORIZONTAL:
    case ID_MONOCHROME:
    case ID_KILOMETER:
    case ID_STRETCH_Z:
    case ID_READ_STRETCH_INFO:
    case ID_PLANE_Z:
    case ID_PLANE_Y:
    case ID_PLANE_X:
    case ID_FIT_TO_WINDOW:
    case ID_CONTINUOUS_SHADING:
    case ID_CLIP_PERCENTILES:
    case ID_SYMMETRIC_ABOUT_ZERO:
        return true;
    default:
        return id >= ID_COLOUR_MAP_FIRST && id <= ID_COLOUR_MAP_LAST;
    }
}

bool CKalderView::IsEnabled(int id) const
{
    const CData3DEx& v = theVolume();
    bool data = HasData(v);
    switch (id) {
    case ID_AUTO_CORRELATION:
        return CanAutoCorrelation(v);
    case ID_FORWARD_TRANSFORM:
        return CanForwardTransform(v);
    case ID_INVERSE_TRANSFORM:
        return CanInverseTransform(v);
    case ID_MEDIAN_FILTER:
        return CanMedianFilter(v);
    case ID_CLEAR_VOLUME:
        return !IsEmpty(v);
    case ID_EXPORT_PICTURE:
    case ID_FILE_EXPORT:
    case ID_CALCULATING_AVS:
    case ID_PROPERTY:
    case ID_OPEN_VELOCITY_MODEL_FILE:
    case ID_PICK_HORIZONTAL:
        return data;
    case ID_SAVE_PICKS:
    case ID_SET_MIN_PICK:
        return PickMode != 0;
    case ID_RANDOM_MODEL:
    case ID_IMPULSE_MODEL:
    case ID_VONKARMAN_AUTOCORRELATION:
    case ID_VONKARMAN_RANDOM:
    case ID_VONKARMAN_RANDOM_FD3D:
        return IsEmpty(v);
    case ID_OPEN_JAPAN_MAP:
        return false;
    case ID_EDIT_UNDO:
        return UndoCopy != nullptr;
    case ID_EDIT_REDO:
        return RedoCopy != nullptr;
    default:
        return true;
    }
}

bool CKalderView::IsChecked(int id) const
{
    const CData3DEx& v = theVolume();
    switch (id) {
    case ID_PICK_HORIZONTAL:
        return PickMode != 0;
    case ID_MONOCHROME:
        return ColourMode == 0;
    case ID_KILOMETER:
        return bKiloMeter == 1;
    case ID_STRETCH_Z:
        return IsStretchZDirectionChecked(v);
    case ID_READ_STRETCH_INFO:
        return IsReadStretchInformationChecked(v);
    case ID_PLANE_Z:
        return v.PlaneKind == PlaneZ;
    case ID_PLANE_Y:
        return v.PlaneKind == PlaneY;
    case ID_PLANE_X:
        return v.PlaneKind == PlaneX;
    default:
        break;
    }
    if (!Doc.PlotSettings)
        return false;
    const CDisplayOptions& d = Doc.PlotSettings->Display;
    switch (id) {
    case ID_FIT_TO_WINDOW:
        return d.FitToWindow != 0;
    case ID_CONTINUOUS_SHADING:
        return d.ContinuousShading != 0;
    case ID_CLIP_PERCENTILES:
        return d.ClipToPercentiles != 0;
    case ID_SYMMETRIC_ABOUT_ZERO:
        return d.SymmetricAboutZero != 0;
    default:
        if (id >= ID_COLOUR_MAP_FIRST && id <= ID_COLOUR_MAP_LAST)
            return ColourChoice(ColourMode, d.ColourMap).EffectiveMap() == id - ID_COLOUR_MAP_FIRST;
        return false;
    }
}

bool CKalderView::OnCommand(int id)
{
    CData3DEx& v = theVolume();
    switch (id) {
    case ID_PREVIOUS:
    case ID_NEXT:
    case ID_FAST_BACK:
    case ID_FAST_FORWARD:
    case ID_UP:
    case ID_DOWN:
    case ID_PLANE_Z:
    case ID_PLANE_Y:
    case ID_PLANE_X:
    case ID_FIRST_PLANE:
    case ID_LAST_PLANE:
        Navigate(id);
        return true;
    case ID_FIT_TO_WINDOW:
        if (Doc.PlotSettings) {
            CPlotSettings& s = *Doc.PlotSettings;
            // Leaving the fitted view keeps the picture's size: the map scale takes the fitted
            // scale.
            if (s.Display.FitToWindow && s.ScaleInUse > 0)
                s.ScaleDenominator = s.ScaleInUse;
            SetDisplayOption(s.Display.FitToWindow, s.Display.FitToWindow ? 0 : 1);
        }
        return true;
    case ID_CONTINUOUS_SHADING:
        if (Doc.PlotSettings)
            SetDisplayOption(Doc.PlotSettings->Display.ContinuousShading,
                             Doc.PlotSettings->Display.ContinuousShading ? 0 : 1);
        return true;
    case ID_SYMMETRIC_ABOUT_ZERO:
        if (Doc.PlotSettings) {
            // The option acts on the automatic range.
            Doc.PlotSettings->ManualContour = 0;
            SetDisplayOption(Doc.PlotSettings->Display.SymmetricAboutZero,
                             Doc.PlotSettings->Display.SymmetricAboutZero ? 0 : 1);
        }
        return true;
    case ID_CLIP_PERCENTILES:
        OnClipPercentiles();
        return true;
    case ID_CLEAR_VOLUME:
        ClearVolume();
        return true;
    case ID_EDIT_UNDO:
        OnUndo();
        return true;
    case ID_EDIT_REDO:
        OnRedo();
        return true;
    case ID_STRETCH_Z:
        OnStretchZDirection(v);
        return true;
    case ID_SETUP_STRETCH:
        if (OnSetupStretch(v))
            Doc.SetModifiedFlag(); // the stretch table is saved with the values
        return true;
    case ID_READ_STRETCH_INFO:
        OnReadStretchInformation(v);
        return true;
    case ID_SCALE:
        OnScale();
        return true;
    case ID_CONTOUR_SETUP:
        OnContourSetup();
        return true;
    case ID_AXIS_SETUP:
        OnAxisSetup();
        return true;
    case ID_MONOCHROME:
        ColourMode = ColourMode != 1 ? 1 : 0;
        Repaint();
        return true;
    case ID_COLOUR_MAP_FIRST + ColourMapClassic:
    case ID_COLOUR_MAP_FIRST + ColourMapMonochrome:
    case ID_COLOUR_MAP_FIRST + ColourMapViridis:
    case ID_COLOUR_MAP_FIRST + ColourMapCividis:
    case ID_COLOUR_MAP_FIRST + ColourMapMagma:
    case ID_COLOUR_MAP_FIRST + ColourMapBlueWhiteRed:
    case ID_COLOUR_MAP_FIRST + ColourMapTurbo:
        if (Doc.PlotSettings) {
            // Monochrome is the grey colour mode of the "Monochrome" command; every other map
            // is drawn in colour mode.
            const int map = id - ID_COLOUR_MAP_FIRST;
            ColourMode = map == ColourMapMonochrome ? 0 : 1;
            if (map != ColourMapMonochrome)
                SetDisplayOption(Doc.PlotSettings->Display.ColourMap, map);
            else
                Repaint();
        }
        return true;
    case ID_KILOMETER:
        bKiloMeter = bKiloMeter != 1 ? 1 : 0;
        Repaint();
        return true;
    case ID_SETUP_ORIGIN:
        return true;
    case ID_PROPERTY:
        OnProperty();
        return true;
    case ID_GET_DATA:
        OnGetData();
        return true;
    case ID_PICK_HORIZONTAL:
        OnPickHorizontal();
        return true;
    case ID_SET_MIN_PICK:
        OnSetMinPick();
        return true;
    case ID_SAVE_PICKS:
        SavePicks();
        return true;
    case ID_OPEN_RAYTRACING_MODEL:
        OnOpenRaytracingModel();
        return true;
    case ID_OPEN_BINARY_NO_HEADER:
        OnOpenBinaryNoHeader();
        return true;
    case ID_FD_VELOCITY_MODEL:
        OnVelocityModel();
        return true;
    case ID_TEST_DATA:
        OnTestData();
        return true;
    case ID_IMPULSE_MODEL:
        OnImpulseModel();
        return true;
    case ID_FORWARD_TRANSFORM:
        OnForwardTransform();
        return true;
    case ID_INVERSE_TRANSFORM:
        OnInverseTransform();
        return true;
    case ID_AUTO_CORRELATION:
        OnAutoCorrelation();
        return true;
    case ID_MEDIAN_FILTER:
        OnMedianFilter();
        return true;
    case ID_OPEN_VELOCITY_MODEL_FILE:
        // The regional commands read and write their files in the current directory.
        if (OnOpenVelocityModelFile().Repaint)
            Repaint();
        return true;
    case ID_EXTRACT_1D_MODEL:
        OnExtract1DModel();
        return true;
    case ID_CALCULATING_AVS:
        OnCalculatingAVS(v);
        return true;
    case ID_OPEN_AFT:
        OnOpenAft();
        return true;
    case ID_FILE_IMPORT:
        // The imported model replaces the volume: unsaved changes are asked about first.
        if (Doc.SaveModified())
            Apply(OnImportExchange(Doc, v));
        return true;
    case ID_FILE_EXPORT:
        OnExportExchange(Doc, v);
        return true;
    case ID_FD_APPEND_ALL:
        OnAppendAll();
        return true;
    case ID_EXTRACT_2D_SLICE: {
        CUtility utility; // the series commands keep their utility object (and "utility.txt")
        OnExtract2DSlice();
        return true;
    }
    case ID_RANDOM_MODEL:
        Apply(RandomVelocityModelCommand(v));
        return true;
    case ID_VONKARMAN_AUTOCORRELATION:
        RunOnSnapshot([](CData3DEx& volume) { return VonKarmanAutoCorrelationCommand(volume); });
        return true;
    case ID_VONKARMAN_RANDOM:
        RunOnSnapshot([](CData3DEx& volume) {
            ProgressSurface surface;
            return VonKarmanRandomCommand(volume, surface);
        });
        return true;
    case ID_VONKARMAN_RANDOM_FD3D:
        RunOnSnapshot([](CData3DEx& volume) {
            ProgressSurface surface;
            return VonKarmanRandomFD3DCommand(volume, surface);
        });
        return true;
    default:
        return false;
    }
}

void CKalderView::Navigate(int id)
{
    CData3DEx& v = theVolume();
    CPlotSettings* settings = Doc.PlotSettings.get();
    bool repick = false;
    auto clampHigh = [&v]() {
        int count = v.GetPlaneCount(v.PlaneKind);
        if (v.PlaneIndex >= count - 1)
            v.PlaneIndex = count - 1;
    };
    switch (id) {
    case ID_PREVIOUS:
        v.PlaneIndex = std::max(v.PlaneIndex - 1, 0);
        repick = true;
        break;
    case ID_NEXT:
        v.PlaneIndex += 1;
        clampHigh();
        repick = true;
        break;
    case ID_FAST_BACK:
        v.PlaneIndex = std::max(v.PlaneIndex - 10, 0);
        repick = true;
        break;
    case ID_FAST_FORWARD:
        v.PlaneIndex += 10;
        clampHigh();
        repick = true;
        break;
    case ID_UP:
    case ID_DOWN:
        if (!settings)
            break;
        // Zooming leaves the fitted view at the scale it showed.
        if (settings->Display.FitToWindow) {
            if (settings->ScaleInUse > 0)
                settings->ScaleDenominator = settings->ScaleInUse;
            settings->Display.FitToWindow = 0;
            SaveDisplayOptions();
        }
        if (id == ID_UP)
            settings->ScaleDenominator /= 1.5f;
        else
            settings->ScaleDenominator *= 1.5f;
        break;
    case ID_FIRST_PLANE:
        v.PlaneIndex = 0;
        repick = true;
        break;
    case ID_LAST_PLANE:
        v.PlaneIndex = v.GetPlaneCount(v.PlaneKind) - 1;
        repick = true;
        break;
    case ID_PLANE_Z:
        v.PlaneKind = PlaneZ;
        clampHigh();
        break;
    case ID_PLANE_Y:
        v.PlaneKind = PlaneY;
        clampHigh();
        break;
    case ID_PLANE_X:
        v.PlaneKind = PlaneX;
        clampHigh();
        break;
    default:
        return;
    }
    // With no planes the clamp above gives -1; no plane -1 exists, so stay at 0.
    if (v.PlaneIndex < 0)
        v.PlaneIndex = 0;
    if (repick && PickMode == 1)
        Pick();
    Repaint();
}

void CKalderView::OnScale()
{
    CPlotSettings& s = *Doc.PlotSettings;
    CDlgScale dlg;
    dlg.Scale = s.Display.FitToWindow && s.ScaleInUse > 0 ? s.ScaleInUse : s.ScaleDenominator;
    dlg.VHRatio = s.VHRatio;
    if (!platform::RunDialog(dlg))
        return;
    // A scale or ratio of 0 or below (or not a number) mirrors or collapses the picture.
    if (!(dlg.Scale > 0) || !std::isfinite(dlg.Scale) || !(dlg.VHRatio > 0) ||
        !std::isfinite(dlg.VHRatio)) {
        platform::GetUi().MessageBox(
            "The scale 1/S and the V/H ratio must be numbers greater than 0; nothing was "
            "changed.");
        return;
    }
    s.ScaleDenominator = dlg.Scale;
    s.VHRatio = dlg.VHRatio;
    // A scale chosen by hand is drawn at that scale, not fitted.
    if (s.Display.FitToWindow) {
        s.Display.FitToWindow = 0;
        SaveDisplayOptions();
    }
    Repaint();
}

void CKalderView::OnClipPercentiles()
{
    CPlotSettings& s = *Doc.PlotSettings;
    CDlgClipPercentiles dlg;
    dlg.Clip = 1;
    dlg.Lower = s.Display.ClipLowPercent;
    dlg.Upper = s.Display.ClipHighPercent;
    dlg.Sampled = s.Display.ClipSampled;
    if (!platform::RunDialog(dlg))
        return;
    if (!(dlg.Lower >= 0 && dlg.Upper <= 100 && dlg.Lower < dlg.Upper)) {
        platform::GetUi().MessageBox("The percentiles must satisfy 0 <= lower < upper <= 100; "
                                     "nothing was changed.");
        return;
    }
    s.Display.ClipLowPercent = dlg.Lower;
    s.Display.ClipHighPercent = dlg.Upper;
    s.Display.ClipSampled = dlg.Sampled ? 1 : 0;
    // The clip replaces manual contours: it acts on the automatic range.
    if (dlg.Clip)
        s.ManualContour = 0;
    SetDisplayOption(s.Display.ClipToPercentiles, dlg.Clip ? 1 : 0);
}

void CKalderView::RunCancellable(const std::function<CommandResult()>& run,
                                 const std::function<void()>& restore)
{
    const CommandResult r = run();
    // A command that stopped at the user's request leaves the volume as it found it; one that
    // finished keeps its result even when Cancel came too late.
    const bool stopped = !r.Changed && platform::GetUi().CancelRequested();
    platform::GetUi().EndProgress();
    if (stopped) {
        restore();
        return;
    }
    Apply(r);
}

void CKalderView::RunOnSnapshot(const std::function<CommandResult(CData3DEx&)>& run)
{
    CData3DEx& v = theVolume();
    std::optional<VolumeSnapshot> before;
    try {
        before.emplace(v);
    } catch (const std::bad_alloc&) {
        platform::GetUi().MessageBox("Not enough memory to keep a copy of the volume for Cancel; "
                                     "nothing was changed.");
        return;
    }
    RunCancellable([&] { return run(v); }, [&] { before->Restore(v); });
}

void CKalderView::GoToPlane(int index)
{
    CData3DEx& v = theVolume();
    const int count = v.GetPlaneCount(v.PlaneKind);
    v.PlaneIndex = std::clamp(index, 0, std::max(count - 1, 0));
    if (PickMode == 1)
        Pick();
    Repaint();
}

int CKalderView::PlaneCount() const
{
    const CData3DEx& v = theVolume();
    return std::max(v.GetPlaneCount(v.PlaneKind), 0);
}

float CKalderView::PlaneCoordinate(int index) const
{
    const CData3DEx& v = theVolume();
    return v.GetPlaneCoordinate(v.PlaneKind, index);
}

SliceLayout CKalderView::CurrentLayout() const
{
    const CData3DEx& v = theVolume();
    if (!Doc.PlotSettings)
        return {};
    return SliceLayout::Compute(v, v.PlaneKind, *Doc.PlotSettings, *Doc.DrawingParameter,
                                *v.Stretch, lastClient);
}

platform::Point CKalderView::PageExtent() const
{
    // The picture with the colour scale and its labels to its right, the axis labels and the
    // scale text below it, and at least the header lines.
    const SliceLayout l = CurrentLayout();
    const CDrawingParameter& m = *Doc.DrawingParameter;
    constexpr int HeaderWidth = 2000;
    const long long right =
        static_cast<long long>(l.originX) + l.imageWidth + FitLegendRoom + m.RightMargin;
    const long long bottom = static_cast<long long>(m.TopMargin) + TruncToInt(l.imageHeight) +
                             m.BottomMargin + FitBottomRoom;
    auto limit = [](long long v) { return static_cast<int>(std::clamp<long long>(v, 1, 1000000)); };
    return {limit(std::max<long long>(right, HeaderWidth)), limit(bottom)};
}

std::optional<SliceCell> CKalderView::CellAtPoint(int x, int y) const
{
    const CData3DEx& v = theVolume();
    if (!Doc.PlotSettings || !HasData(v) || !v.ExtentsFitAllocation() || v.PlaneIndex < 0 ||
        v.PlaneIndex >= v.GetPlaneCount(v.PlaneKind))
        return std::nullopt;
    return CurrentLayout().CellAt(x, y);
}

bool CKalderView::ClearVolume()
{
    if (!Doc.SaveModified())
        return false;
    CData3DEx& v = theVolume();
    v.Release();
    v.ReleaseAux();
    v.NX = v.NY = v.NZ = 0;
    v.IsSpectrum = 0;
    v.PlaneIndex = 0;
    PickedCount = 0;
    PickedPoints.clear();
    if (Doc.PlotSettings) {
        Doc.PlotSettings->DataRangeValid = 0;
        Doc.PlotSettings->InvalidateAutoRange();
    }
    ++ValuesVersion;
    // Nothing is left to save.
    Doc.SetModifiedFlag(false);
    Repaint();
    return true;
}

void CKalderView::OnContourSetup()
{
    CPlotSettings& s = *Doc.PlotSettings;
    CDlgContour dlg;
    dlg.Minimum = s.ContourMin;
    dlg.Maximum = s.ContourMax;
    dlg.Interval = s.ContourInterval;
    if (!platform::RunDialog(dlg))
        return;
    // An interval of 0 or below gives no finite number of bands: refuse it and keep the levels.
    if (!(dlg.Interval > 0)) {
        platform::GetUi().MessageBox("The contour interval must be greater than 0.");
        return;
    }
    s.ContourMin = dlg.Minimum;
    s.ContourMax = dlg.Maximum;
    s.ContourInterval = dlg.Interval;
    SetManualContours(s);
    Repaint();
}

void CKalderView::OnAxisSetup()
{
    CPlotSettings& s = *Doc.PlotSettings;
    CData3DEx& v = theVolume();
    CAxisRecord* axes[3] = {&s.AxisX, &s.AxisY, &s.AxisZ};
    float* shifts[3] = {&v.ShiftX, &v.ShiftY, &v.ShiftZ};
    std::string* titles[3] = {&v.TitleX, &v.TitleY, &v.TitleZ};
    const float extents[3] = {static_cast<float>(v.NX) * v.StepX,
                              static_cast<float>(v.NY) * v.StepY,
                              static_cast<float>(v.NZ) * v.StepZ};
    CDlgManualAxis dlg;
    for (int i = 0; i < 3; ++i) {
        axes[i]->Shift = *shifts[i];
        axes[i]->Title = *titles[i];
        dlg.Minimum[i] = axes[i]->Min;
        if (s.ManualAxis) {
            dlg.Maximum[i] = axes[i]->Max;
            dlg.Interval[i] = axes[i]->Interval;
        } else {
            dlg.Maximum[i] = extents[i];
            dlg.Interval[i] = std::fabs(dlg.Maximum[i] - dlg.Minimum[i]) / 10.0f;
        }
        dlg.Shift[i] = axes[i]->Shift;
        dlg.Title[i] = axes[i]->Title;
    }
    if (!platform::RunDialog(dlg))
        return;
    for (int i = 0; i < 3; ++i) {
        axes[i]->Min = dlg.Minimum[i];
        axes[i]->Max = dlg.Maximum[i];
        axes[i]->Interval = dlg.Interval[i];
        axes[i]->Shift = dlg.Shift[i];
        axes[i]->Title = dlg.Title[i];
        *shifts[i] = dlg.Shift[i];
        *titles[i] = dlg.Title[i];
    }
    s.ManualAxis = 1;
    Repaint();
}

void CKalderView::OnProperty()
{
    CData3DEx& v = theVolume();
    CDlgDataProperty dlg;
    dlg.Title[0] = v.TitleX, dlg.Title[1] = v.TitleY, dlg.Title[2] = v.TitleZ;
    dlg.Unit[0] = v.UnitX, dlg.Unit[1] = v.UnitY, dlg.Unit[2] = v.UnitZ;
    dlg.StartX = v.StartX;
    dlg.StartY = v.StartY;
    dlg.StartZ = v.StartZ;
    dlg.Step[0] = v.StepX, dlg.Step[1] = v.StepY, dlg.Step[2] = v.StepZ;
    dlg.DataType = v.DataType;
    if (!platform::RunDialog(dlg))
        return;
    v.TitleX = dlg.Title[0], v.TitleY = dlg.Title[1], v.TitleZ = dlg.Title[2];
    v.UnitX = dlg.Unit[0], v.UnitY = dlg.Unit[1], v.UnitZ = dlg.Unit[2];
    v.StartX = static_cast<float>(dlg.StartX);
    v.StartY = dlg.StartY;
    v.StartZ = dlg.StartZ;
    v.StepX = dlg.Step[0], v.StepY = dlg.Step[1], v.StepZ = dlg.Step[2];
    v.DataType = dlg.DataType;
    Doc.SetModifiedFlag(); // steps, starts and data type are saved with the values
    Repaint();
}

void CKalderView::OnGetData()
{
    CData3DEx& v = theVolume();
    CDlgCellNumber dlg;
    dlg.X = GetDataCell[0];
    dlg.Y = GetDataCell[1];
    dlg.Z = GetDataCell[2];
    if (!platform::RunDialog(dlg))
        return;
    GetDataCell[0] = dlg.X;
    GetDataCell[1] = dlg.Y;
    GetDataCell[2] = dlg.Z;
    if (dlg.X < 0 || dlg.X >= v.NX || dlg.Y < 0 || dlg.Y >= v.NY || dlg.Z < 0 || dlg.Z >= v.NZ ||
        !v.ExtentsFitAllocation()) {
        platform::GetUi().MessageBox(platform::Format(
            "X=%d Y=%d Z=%d is outside the volume: X, Y and Z must lie in 0..%d, 0..%d and "
            "0..%d.",
            dlg.X, dlg.Y, dlg.Z, v.NX - 1, v.NY - 1, v.NZ - 1));
        return;
    }
    platform::GetUi().MessageBox(platform::Format("X=%d Y=%d Z=%d Data=%f", dlg.X, dlg.Y, dlg.Z,
                                                  v.GetValue(dlg.X, dlg.Y, dlg.Z)));
}

int CKalderView::Pick()
{
    CData3DEx& v = theVolume();
    int columns = 0, rows = 0;
    float columnStep = 0, rowStep = 0;
    v.GetPlaneGeometry(v.PlaneKind, columns, rows, columnStep, rowStep);
    int planes = v.GetPlaneCount(v.PlaneKind);
    if (columns <= 0 || rows <= 0 || columnStep == 0 || rowStep == 0)
        return 0;
    // Never read a plane that is not there (a plane index left from a larger volume).
    if (v.PlaneIndex < 0 || v.PlaneIndex >= planes || !v.ExtentsFitAllocation())
        return 0;
    PickedCount = 0;
    PickedPoints.assign(static_cast<std::size_t>(columns), PickedPoint{});
    const PlaneAccessor plane = v.Plane(v.PlaneKind, v.PlaneIndex);
    for (int i = 0; i < columns; ++i) {
        float best = 0, bestY = 0;
        for (int n = rows - 1; n >= 0; --n) {
            float y = static_cast<float>(rows - 1 - n) * rowStep;
            float value = plane(i, n);
            if (y >= yMinPick && best < value) {
                best = value;
                bestY = y;
            }
        }
        PickedPoints[static_cast<std::size_t>(i)] = {static_cast<float>(i) * columnStep, bestY};
        ++PickedCount;
    }
    return 1;
}

void CKalderView::SavePicks()
{
    if (PickedCount <= 0)
        return;
    CData3DEx& v = theVolume();
    std::string path = platform::JoinPath(
        Doc.WorkingFolder, platform::Format("PickDataHorizontal_%d.txt", v.PlaneIndex));
    platform::AtomicTextFile file; // a failed save keeps the picks saved before
    std::string error;
    if (!file.Create(path, &error)) {
        platform::GetUi().MessageBox("Cannot write the picked data to " + path + ": " + error +
                                     ".");
        return;
    }
    float c = v.GetPlaneCoordinate(v.PlaneKind, v.PlaneIndex);
    for (int i = 0; i < PickedCount; ++i) {
        const PickedPoint& p = PickedPoints[static_cast<std::size_t>(i)];
        file.Printf("%f %f %f %f\n", p.x, p.y, c, p.y / c / 3);
    }
    if (!file.Commit(&error)) {
        platform::GetUi().MessageBox("Cannot write the picked data to " + path + ": " + error +
                                     ". The file was not changed.");
        return;
    }
    platform::GetUi().MessageBox(
        platform::Format("Picked %d data and saved as %s", PickedCount, path.c_str()));
}

void CKalderView::OnPickHorizontal()
{
    if (PickMode == 1) {
        PickMode = 0;
        Repaint();
        return;
    }
    PickMode = 1;
    if (Pick() == 1)
        Repaint();
}

void CKalderView::OnSetMinPick()
{
    CDlgGetFloat dlg;
    dlg.Prompt = "Minimum value to pcik = ";
    dlg.Value = yMinPick;
    if (!platform::RunDialog(dlg))
        return;
    yMinPick = dlg.Value;
    WriteSettingFloat(YMinPickKey, yMinPick);
    if (Pick() == 1)
        Repaint();
}

void CKalderView::SaveUndoCopy()
{
    UndoCopy = std::make_unique<CData3DEx>();
    UndoCopy->CopyFrom(theVolume());
}

void CKalderView::SaveRedoCopy()
{
    RedoCopy = std::make_unique<CData3DEx>();
    RedoCopy->CopyFrom(theVolume());
}

void CKalderView::OnUndo()
{
    if (!UndoCopy)
        return;
    SaveRedoCopy();
    theVolume().CopyFrom(*UndoCopy);
    UndoCopy.reset();
    ValuesChanged();
    Repaint();
}

void CKalderView::OnRedo()
{
    if (!RedoCopy)
        return;
    SaveUndoCopy();
    theVolume().CopyFrom(*RedoCopy);
    RedoCopy.reset();
    ValuesChanged();
    Repaint();
}

void CKalderView::OnOpenRaytracingModel()
{
    std::vector<std::string> paths =
        platform::GetUi().OpenFiles("Raytracing model file(*.*)", false);
    if (paths.empty())
        return;
    if (theVolume().ReadVolumeFile(paths.front(), 0) > 0) {
        ValuesChanged();
        ClampPlaneIndex();
        Repaint();
    }
}

void CKalderView::OnOpenBinaryNoHeader()
{
    ViewLoadMemory memory = MemoryOf(*this);
    CommandResult r = ::OnOpenBinaryNoHeader(theVolume(), memory);
    Remember(*this, memory);
    Apply(r);
}

void CKalderView::OnVelocityModel()
{
    ViewLoadMemory memory = MemoryOf(*this);
    CommandResult r = OnVelocityModelWithHeader(theVolume(), memory);
    Remember(*this, memory);
    Apply(r);
}

void CKalderView::OnAppendAll()
{
    CUtility utility; // the series commands keep their utility object (and "utility.txt")
    ViewLoadMemory memory = MemoryOf(*this);
    CommandResult r = OnAppendAllFiles(theVolume(), memory, DrawEnabled);
    Remember(*this, memory);
    DrawEnabled = 1;
    Apply(r);
}

void CKalderView::OnOpenAft()
{
    Apply(OnOpenAftFile(theVolume()));
}

void CKalderView::OnTestData()
{
    theVolume().FillTestData();
    ValuesChanged();
    ClampPlaneIndex();
    Repaint();
}

void CKalderView::OnImpulseModel()
{
    theVolume().FillImpulse(128);
    ValuesChanged();
    ClampPlaneIndex();
    Repaint();
}

void CKalderView::OnForwardTransform()
{
    RunOnSnapshot([](CData3DEx& volume) {
        ProgressSurface surface;
        return ForwardTransformCommand(volume, surface);
    });
}

void CKalderView::OnInverseTransform()
{
    RunOnSnapshot([](CData3DEx& volume) {
        ProgressSurface surface;
        return InverseTransformCommand(volume, surface);
    });
}

void CKalderView::OnAutoCorrelation()
{
    RunOnSnapshot([](CData3DEx& volume) {
        ProgressSurface surface;
        return AutoCorrelationCommand(volume, surface);
    });
}

void CKalderView::OnMedianFilter()
{
    // The filter changes values in place: keep the undo copy first. It also serves Cancel,
    // which puts the values back from it and the earlier undo copy back in its place, so no
    // second copy of the volume is needed.
    std::unique_ptr<CData3DEx> earlier = std::move(UndoCopy);
    SaveUndoCopy();
    platform::GetUi().ShowProgress("Median filter");
    RunCancellable([] { return MedianFilterCommand(theVolume()); },
                   [this, &earlier] {
                       PutBackValues(*UndoCopy, theVolume());
                       UndoCopy = std::move(earlier);
                   });
}

std::string CKalderView::DescribePoint(int x, int y) const
{
    const CData3DEx& v = theVolume();
    const CPlotSettings* ps = Doc.PlotSettings.get();
    if (!ps || !HasData(v) || !v.ExtentsFitAllocation())
        return {};
    const int kind = v.PlaneKind;
    if (v.PlaneIndex < 0 || v.PlaneIndex >= v.GetPlaneCount(kind))
        return {};
    // The cells where the last paint put them.
    const SliceLayout geometry =
        SliceLayout::Compute(v, kind, *ps, *Doc.DrawingParameter, *v.Stretch, lastClient);
    const std::optional<SliceCell> cell = geometry.CellAt(x, y);
    if (!cell)
        return {};
    const int column = cell->column, row = cell->row;
    float value = v.GetPlaneValue(kind, v.PlaneIndex, column, row);
    const CellCoordinates c = CellCoordinatesOf(v, kind, column, row);
    const std::string& hName = c.horizontalTitle;
    const std::string& vName = c.verticalTitle;
    const double hCoord = c.horizontal, vCoord = c.vertical;
    return platform::Format("Column %d, Row %d   %s = %g, %s = %g   Value = %g", column, row,
                            hName.c_str(), hCoord, vName.c_str(), vCoord, value);
}
