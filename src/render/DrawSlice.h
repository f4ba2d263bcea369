#pragma once
// The one routine that paints the view: three text lines, the selected plane as a colour image
// (one image pixel per cell, copied scaled without smoothing), the regional layer lines, the axis
// frame, the scale text, the colour scale and the picked points. Rewrites the geometry dump
// "draw_2d_bmp_pixcel.txt" in the given folder at every call.
//
// Logical units are 0.1 mm with y upward and the page's top-left corner at (0, 0).

#include "platform/Surface.h"
#include "plot/DrawingParameter.h"
#include "render/PlotSettings.h"
#include "volume/Data3D.h"
#include "volume/StretchInfo.h"

#include <string>

// A picked point in axis coordinates: x along the horizontal axis, y along the vertical axis.
struct PickedPoint {
    float x = 0;
    float y = 0;
};

// settings: read, and written (origin, data range, automatic contours, AxisX/AxisY.Min).
// folder: the working folder of the dump; empty means the current directory.
// orientation / planeIndex: PlaneKind and PlaneIndex of the volume.
// client: the view's client rectangle in logical units.
// pickedPoints: pickedCount points, or null. colourMode: 1 rainbow, else grey.
// kiloMeter: 1 labels axes in km. pickDisplay: 1 draws the picked points.
void DrawSlice(CPlotSettings& settings, platform::Surface& surface, const std::string& folder,
               const CDrawingParameter& layout, const CData3D& volume, int orientation,
               int planeIndex, const StretchInfo& stretch, const platform::Rect& client,
               int pickedCount, const PickedPoint* pickedPoints, int colourMode, int kiloMeter,
               int pickDisplay);

// The view state DrawSlice reads, gathered for callers that render outside a view.
struct SliceViewState {
    int pickedCount = 0;
    const PickedPoint* pickedPoints = nullptr;
    int colourMode = 1;
    int kiloMeter = 0;
    int pickDisplay = 0;
};

// DrawSlice of the volume's own plane choice and stretch record.
void DrawVolumePlane(CPlotSettings& settings, platform::Surface& surface, const std::string& folder,
                     const CDrawingParameter& layout, const CData3D& volume,
                     const SliceViewState& view);
