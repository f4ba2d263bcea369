#pragma once
// The one routine that paints the view: three text lines, the selected plane as a colour image
// (one image pixel per cell, copied scaled without smoothing), the regional layer lines, the axis
// frame, the scale text, the colour scale and the picked points. Rewrites the geometry dump
// "draw_2d_bmp_pixcel.txt" in the given folder at every call.
//
// Logical units are 0.1 mm with y upward and the page's top-left corner at (0, 0).

#include "platform/Surface.h"
#include "plot/DrawingParameter.h"
#include "render/ColorPalette.h"
#include "render/PlotSettings.h"
#include "volume/Data3D.h"
#include "volume/StretchInfo.h"

#include <string>

// A picked point in axis coordinates: x along the horizontal axis, y along the vertical axis.
struct PickedPoint {
    float x = 0;
    float y = 0;
};

// What DrawSlice takes from the view: the plane shown, its stretch record, the client rectangle
// and the view's own state.
struct SliceViewState {
    int orientation = PlaneZ;             // PlaneKind of the volume
    int planeIndex = 0;                   // PlaneIndex of the volume
    const StretchInfo* stretch = nullptr; // the Z stretch; null means the volume's own record
    platform::Rect client;                // the view's client rectangle, logical units
    int pickedCount = 0;
    const PickedPoint* pickedPoints = nullptr; // pickedCount points, or null
    int colourMode = 1;                        // 1 rainbow, else grey
    int kiloMeter = 0;                         // 1 labels the axes in km
    int pickDisplay = 0;                       // 1 draws the picked points
};

// settings: read, and written (origin, data range, automatic contours, AxisX/AxisY.Min).
// folder: the working folder of the dump; empty means the current directory.
void DrawSlice(CPlotSettings& settings, platform::Surface& surface, const std::string& folder,
               const CDrawingParameter& layout, const CData3D& volume, const SliceViewState& view);

// DrawSlice of the volume's own plane choice and stretch record in the surface's client
// rectangle; only the view's picks, colour mode, kilometre flag and pick display are used.
void DrawVolumePlane(CPlotSettings& settings, platform::Surface& surface, const std::string& folder,
                     const CDrawingParameter& layout, const CData3D& volume,
                     const SliceViewState& view);
