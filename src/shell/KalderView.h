#pragma once
// The view: the per-window state (colour mode, kilometre labels, picks, undo and redo copies,
// remembered dialog values), the paint entry, every command of the view by id, and the update
// rules that enable and check the menu and toolbar.

#include "platform/Surface.h"
#include "plot/Settings.h"
#include "render/DrawSlice.h"
#include "render/SliceLayout.h"
#include "shell/KalderDoc.h"
#include "volume/Data3D.h"
#include "volume/VolumeCommands.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class Surface;
}

class CKalderView {
public:
    // Reads "NX", "NY", "NZ", "bKiloMeter" and "yMinPick" from the profile.
    explicit CKalderView(CKalderDoc& doc);

    // Shut-down: writes the volume's extents, "bKiloMeter" and the stretch settings to the
    // profile and releases the document's plot settings. Runs once; later calls do nothing.
    void OnDestroy();

    // Paint entry, for the screen, printing and print preview alike.
    void OnDraw(platform::Surface& surface);

    // Runs the command; false when the view has no handler for the id (framework commands).
    bool OnCommand(int id);
    // Update rules: whether the command is enabled, and whether it shows a check mark.
    bool IsEnabled(int id) const;
    bool IsChecked(int id) const;
    // True for commands whose check mark the update rules set.
    static bool IsCheckable(int id);

    // Picks, for every column of the plane on screen, the row with the largest value at or
    // above yMinPick. Returns 1 when picked, 0 when the plane has no cells or a zero step.
    int Pick();
    // Writes the picks to "PickDataHorizontal_<plane index>.txt" in the working folder.
    void SavePicks();
    void SaveUndoCopy();
    void SaveRedoCopy();

    // Brings PlaneIndex into 0..count-1 of the current plane kind (0 when there are no planes).
    void ClampPlaneIndex();
    // After any change of the volume's values or extents: the document holds unsaved changes
    // and the next paint rescans the data range (header and colour levels).
    void ValuesChanged();
    // What a command asks of the view once it returns: the one place where results are applied.
    void Apply(const CommandResult& r);

    // Shows plane index (clamped to the planes of the current kind), as the navigation
    // buttons do: picks follow the plane and the view repaints.
    void GoToPlane(int index);
    // The plane count of the current kind and the coordinate of a plane of it.
    int PlaneCount() const;
    float PlaneCoordinate(int index) const;
    // The layout of the plane as the last paint placed it (client rectangle of that paint).
    SliceLayout CurrentLayout() const;
    // The page the picture needs, logical units from the top-left corner (width, height > 0):
    // the scrolling stops at its edge.
    platform::Point PageExtent() const;
    // The cell of the plane on screen under a logical point, or none.
    std::optional<SliceCell> CellAtPoint(int x, int y) const;
    // Empties the volume after the question about unsaved changes; false when cancelled.
    bool ClearVolume();
    // Writes the display options to the profile.
    void SaveDisplayOptions();

    // Readout for the status bar: the plane's column and row under a logical point, their
    // coordinates and the cell value; empty when the point is outside the image.
    std::string DescribePoint(int x, int y) const;

    CKalderDoc& Doc;

    int DrawEnabled = 1;
    int GetDataCell[3] = {0, 0, 0};
    int RememberedNX = 0, RememberedNY = 0, RememberedNZ = 0;
    int Component = 0;
    int ColourMode = 1;
    int bKiloMeter = 1;
    std::unique_ptr<CData3DEx> UndoCopy;
    std::unique_ptr<CData3DEx> RedoCopy;
    int PickMode = 0;
    int PickedCount = 0;
    std::vector<PickedPoint> PickedPoints;
    float yMinPick = 120.0f;
    // Counts the changes of the volume's values the view was told of (ValuesChanged, clearing),
    // so windows derived from the values know when to refresh.
    long long ValuesVersion = 0;

private:
    // The keys read at start and written at shut-down, with the members that hold them.
    std::vector<SettingBinding> ShutDownSettings();
    static constexpr const char* YMinPickKey = "yMinPick"; // written when it is set
    void Navigate(int id);
    void OnScale();
    void OnClipPercentiles();
    // The long commands the user may stop (the progress window's Cancel). A stopped command
    // leaves the volume as before it: restore puts back what the command changed; one that
    // finished is applied even when Cancel came too late.
    void RunCancellable(const std::function<CommandResult()>& run,
                        const std::function<void()>& restore);
    // Cancellable on a copy of the volume taken first (cheap for an empty volume; values and
    // the spectral grid in use otherwise). Runs nothing when the copy does not fit in memory.
    void RunOnSnapshot(const std::function<CommandResult(CData3DEx&)>& run);
    // Toggles or sets a display option, remembers it and repaints.
    void SetDisplayOption(int& option, int value);
    void OnContourSetup();
    void OnAxisSetup();
    void OnProperty();
    void OnGetData();
    void OnPickHorizontal();
    void OnSetMinPick();
    void OnUndo();
    void OnRedo();
    void OnOpenRaytracingModel();
    void OnOpenBinaryNoHeader();
    void OnVelocityModel();
    void OnAppendAll();
    void OnOpenAft();
    void OnTestData();
    void OnImpulseModel();
    void OnForwardTransform();
    void OnInverseTransform();
    void OnAutoCorrelation();
    void OnMedianFilter();

    bool destroyed = false;
    platform::Rect lastClient{}; // client rectangle of the last paint, logical units
};
