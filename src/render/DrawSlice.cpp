#include "render/DrawSlice.h"

#include "platform/TextFile.h"
#include "plot/Fonts.h"
#include "regional/RegionalModelHolder.h"
#include "render/AxisFrame.h"
#include "render/ColorPalette.h"
#include "render/ColorScale.h"
#include "render/LayerOverlay.h"
#include "render/SliceLayout.h"
#include "render/TextLimits.h"
#include "render/ValueRange.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

int ClampToInt(long long v)
{
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The geometry dump, rewritten at every paint; an empty folder means the current directory.
void OpenGeometryDump(platform::TextFile& dump, const std::string& folder,
                      const CPlotSettings& settings, const CData3D& volume, int pickedCount)
{
    dump.Create(platform::JoinPath(folder, "draw_2d_bmp_pixcel.txt"));
    dump.Printf("%d %d %d\n", settings.ManualAxis, volume.FixedScale, pickedCount);
}

// The colours of the picture: the view's colour mode with the map and shading of the settings.
ColourChoice Colours(const CPlotSettings& settings, const SliceViewState& view)
{
    return {view.colourMode, settings.Display.ColourMap, settings.Display.ContinuousShading};
}

// The colour range in use and what it was derived from, written under the colour scale.
std::string RangeNote(const CPlotSettings& s, const CData3D& volume)
{
    std::string how;
    const bool sampled = PercentilesSampled(volume, s.Display.ClipSampled != 0);
    if (s.Display.ClipToPercentiles)
        how = platform::Format("%g%% - %g%%%s", s.Display.ClipLowPercent, s.Display.ClipHighPercent,
                               sampled ? " sampled" : "");
    if (s.Display.SymmetricAboutZero)
        how += how.empty() ? "symmetric" : ", symmetric";
    return platform::Format("Range %g to %g (%s)", s.ContourMin, s.ContourMax, how.c_str());
}

// Title and unit of the plane's columns, rows and constant axis.
struct PlaneAxisNames {
    const std::string *columnTitle, *columnUnit;
    const std::string *rowTitle, *rowUnit;
    const std::string *planeTitle, *planeUnit;
};

PlaneAxisNames AxisNames(const CData3D& v, int orientation)
{
    switch (orientation) {
    case PlaneY:
        return {&v.TitleX, &v.UnitX, &v.TitleZ, &v.UnitZ, &v.TitleY, &v.UnitY};
    case PlaneX:
        return {&v.TitleY, &v.UnitY, &v.TitleZ, &v.UnitZ, &v.TitleX, &v.UnitX};
    default:
        return {&v.TitleY, &v.UnitY, &v.TitleX, &v.UnitX, &v.TitleZ, &v.UnitZ};
    }
}

// The three text lines at the top of the page; returns the rectangle they cover.
platform::Rect DrawHeaderLines(platform::Surface& surface, const CPlotSettings& settings,
                               const CData3D& volume, const SliceLayout& geometry, int planeIndex,
                               float c, int fontHeight)
{
    const PlaneAxisNames names = AxisNames(volume, geometry.orientation);
    const std::string lines[3] = {
        CutText(platform::Format("%s : %f (%s) : N = %d ", names.planeTitle->c_str(), c,
                                 names.planeUnit->c_str(), planeIndex),
                TextLineChars),
        CutText(platform::Format("X cells = %d Y cells = %d # of planes = %d", geometry.hcells,
                                 geometry.vcells, volume.GetPlaneCount(geometry.orientation)),
                TextLineChars),
        CutText(platform::Format("NX = %d NY = %d NZ = %d : Min. = %f Max.= %f", volume.NX,
                                 volume.NY, volume.NZ, settings.DataMin, settings.DataMax),
                TextLineChars)};
    int widest = 0;
    for (int i = 0; i < 3; ++i) {
        surface.TextOut(10, -10 - 50 * i, lines[i]);
        widest = std::max(widest, EstimateTextWidth(lines[i], fontHeight));
    }
    return {10, -10, 10 + widest, -110 - fontHeight};
}

// One image per area, one pixel per cell, filled with the window background.
std::vector<platform::PixelImage> MakeAreaImages(const SliceLayout& geometry,
                                                 platform::Rgb background)
{
    std::vector<platform::PixelImage> images;
    if (geometry.HasCells())
        for (const SliceArea& a : geometry.areas)
            images.emplace_back(geometry.hcells, a.imageRows, background);
    return images;
}

// Cells to colour levels, or to shades when shading is continuous; rows an area reserves beyond
// the plane keep the background.
void PaintCells(std::vector<platform::PixelImage>& images, const SliceLayout& geometry,
                const CPlotSettings& settings, const PlaneAccessor& value,
                const ColourChoice& colours)
{
    const ColourMapTable& map = GetColourMap(colours.EffectiveMap());
    const ShadeScale shade(settings);
    for (std::size_t k = 0; k < geometry.areas.size(); ++k) {
        const SliceArea& a = geometry.areas[k];
        platform::PixelImage& image = images[k];
        const int last = std::min(a.last, a.first + a.imageRows - 1);
        for (int j = a.first; j <= last; ++j) {
            const int y = j - a.start;
            if (colours.continuousShading) {
                for (int i = 0; i < geometry.hcells; ++i)
                    image.SetPixel(i, y, map.shade[shade(value(i, j))]);
                continue;
            }
            for (int i = 0; i < geometry.hcells; ++i) {
                const int level = std::clamp(ValueToLevel(settings, value(i, j)), 0, 36);
                image.SetPixel(i, y, map.level[level]);
            }
        }
    }
}

// Each image scaled onto the page at its area's place; an area cut to the rows that exist
// shows them at their own height and the background below.
void CopyAreaImages(platform::Surface& surface, const std::vector<platform::PixelImage>& images,
                    const SliceLayout& geometry, platform::Rgb background, platform::TextFile& dump)
{
    for (std::size_t k = 0; k < geometry.areas.size(); ++k) {
        const SliceArea& a = geometry.areas[k];
        if (a.imageRows == a.rows) {
            surface.StretchImage(images[k], geometry.originX, a.top, geometry.imageWidth,
                                 a.painted);
        } else {
            if (a.imageRows > 0)
                surface.StretchImage(images[k], geometry.originX, a.top, geometry.imageWidth,
                                     a.imageHeight);
            surface.FillRect(
                {geometry.originX, ClampToInt(static_cast<long long>(a.top) - a.imageHeight),
                 ClampToInt(static_cast<long long>(geometry.originX) + geometry.imageWidth),
                 ClampToInt(static_cast<long long>(a.top) - a.painted)},
                background);
        }
    }
    if (!geometry.stretched)
        dump.Printf("%d : %f %f : %f %f\n", geometry.orientation, double(geometry.hcells),
                    double(geometry.vcells), double(geometry.imageWidth),
                    double(geometry.areas[0].height));
}

// Ranges, shifts and titles of the two axes, and the frame's size.
struct AxisSetup {
    float hmin = 0, hmax = 0, vmin = 0, vmax = 0, hshift = 0, vshift = 0;
    std::string htitle, vtitle;
    float frameWidth = 0, frameHeight = 0;
};

AxisSetup SetUpAxes(CPlotSettings& settings, CAxisFrame& frame, const CData3D& volume,
                    const SliceLayout& geometry, int kiloMeter, int dateTime)
{
    AxisSetup a;
    a.frameWidth = static_cast<float>(geometry.hcells) * geometry.columnWidth;
    a.frameHeight = geometry.imageHeight;
    const PlaneAxisNames names = AxisNames(volume, geometry.orientation);
    // Dates are not kilometres: the date flag wins for the horizontal axis.
    const int hKm = dateTime == 1 ? 0 : kiloMeter;
    if (settings.ManualAxis == 0) {
        std::string unusedH, unusedV;
        volume.GetAxisLabels(geometry.orientation, a.hmin, a.vmin, unusedH, unusedV);
        a.htitle = AxisTitle(*names.columnTitle, *names.columnUnit, hKm);
        a.vtitle = AxisTitle(*names.rowTitle, *names.rowUnit, kiloMeter);
        a.hmax = a.hmin + static_cast<float>(geometry.hcells) * geometry.hstep;
        // The range the rows are drawn over, every area's rows at their factor.
        float sum = 0;
        for (const SliceArea& area : geometry.areas)
            sum += static_cast<float>(area.rows) * geometry.vstep * area.factor;
        a.vmax = a.vmin +
                 (geometry.stretched ? sum : static_cast<float>(geometry.vcells) * geometry.vstep);
        settings.AxisX.Min = a.hmin;
        settings.AxisY.Min = a.vmin;
    } else {
        const int o = geometry.orientation;
        const CAxisRecord& h = o == PlaneY ? settings.AxisX : settings.AxisY;
        const CAxisRecord& r = o == PlaneZ ? settings.AxisX : settings.AxisZ;
        a.hmin = h.Min, a.hmax = h.Max, a.hshift = h.Shift;
        a.vmin = r.Min, a.vmax = r.Max, a.vshift = r.Shift;
        a.htitle = ManualAxisTitle(h.Title, *names.columnUnit, hKm);
        a.vtitle = ManualAxisTitle(r.Title, *names.rowUnit, kiloMeter);
        frame.Manual = 1;
        frame.HTick = h.Interval;
        frame.VTick = r.Interval;
        if (geometry.fixedScale)
            a.frameHeight = (a.vmax - a.vmin) / geometry.vstep * geometry.rowHeight;
    }
    frame.HMin = a.hmin, frame.HMax = a.hmax;
    frame.VMin = a.vmin, frame.VMax = a.vmax;
    return a;
}

void DrawPickedPoints(platform::Surface& surface, const CPlotSettings& settings,
                      const SliceLayout& geometry, const AxisSetup& axes,
                      const SliceViewState& view, platform::TextFile& dump)
{
    dump.Printf("%d %f %f %f\n", settings.OriginX, axes.hmin, axes.hmax, axes.frameWidth);
    dump.Printf("%d %f %f %f\n", settings.OriginY, axes.vmin, axes.vmax, axes.frameHeight);
    const float hstep = geometry.hstep, vstep = geometry.vstep;
    for (int p = 0; p < view.pickedCount; ++p) {
        const PickedPoint& pt = view.pickedPoints[p];
        const int px =
            TruncToInt((pt.x + hstep * 0.5) * axes.frameWidth / (double(geometry.hcells) * hstep) +
                       settings.OriginX);
        const int py = TruncToInt((axes.vmax - pt.y) * axes.frameHeight /
                                      (static_cast<float>(geometry.vcells) * vstep) -
                                  static_cast<float>(settings.OriginY));
        dump.Printf("%d %f %f %d %d\n", p, pt.x, pt.y, px, py);
        if (std::abs(static_cast<long long>(px)) < (1LL << 30) &&
            std::abs(static_cast<long long>(py)) < (1LL << 30))
            surface.Ellipse(px - 6, -py + 6, px + 6, -py - 6);
    }
}

// Everything around the image: layer lines, axis frame, scale text, colour scale, picks.
void DrawPlotFrame(CPlotSettings& settings, platform::Surface& surface,
                   const CDrawingParameter& layout, const CData3D& volume,
                   const SliceLayout& geometry, const SliceViewState& view, float c,
                   const platform::Rect& header, platform::TextFile& dump)
{
    CRegionalModelHolder& holder = theRegionalModelHolder();
    if (geometry.vertical && holder.Loaded == 1)
        DrawLayerOverlay(holder, surface, geometry.orientation, c,
                         geometry.columnWidth / geometry.hstep, geometry.rowHeight / geometry.hstep,
                         settings.OriginX, settings.OriginY, geometry.hcells / 10,
                         geometry.hstep * 10.0f);

    const int dateTime = geometry.orientation == PlaneY && volume.DataType == 2 ? 1 : 0;
    CAxisFrame frame;
    const AxisSetup axes = SetUpAxes(settings, frame, volume, geometry, view.kiloMeter, dateTime);
    dump.Printf("%d : x %f y %f\n", settings.ManualAxis, axes.hmin, axes.vmin);
    dump.Printf("%f %f : %f\n", axes.frameWidth, axes.frameHeight, geometry.imageHeight);

    int ax = 0, ay = 0;
    DrawAxisFrame(frame, surface, settings.OriginX, layout.TopMargin, axes.frameHeight,
                  axes.frameWidth, CutText(axes.htitle, TitleChars),
                  CutText(axes.vtitle, TitleChars), axes.hshift, axes.vshift, view.kiloMeter,
                  geometry.vertical ? volume.ZAxisDown : 0, dateTime, ax, ay);

    const long long scaleY =
        -static_cast<long long>(ay) - static_cast<long long>(settings.ScaleTextRow) * 150;
    surface.TextOut(ClampToInt(static_cast<long long>(ax) - 500), ClampToInt(scaleY),
                    CutText(platform::Format("Scale=1/%.0f V/H=%.1f", geometry.scaleDenominator,
                                             settings.VHRatio),
                            TextLineChars));

    if (volume.DrawColourScale == 1) {
        const ColourChoice colours = Colours(settings, view);
        const bool note = settings.ManualContour == 0 && RangeOptionsActive(settings.Display);
        // When the plot ends above the client's bottom edge (a fitted plot, a page), the legend
        // and its note do too; a plot drawn beyond it at a fixed scale takes its legend along.
        const long long clientBottom = std::min(view.client.top, view.client.bottom);
        long long floor = NoLegendFloor;
        if (-static_cast<long long>(ay) >= clientBottom)
            floor = clientBottom + (note ? LegendNoteDrop : 0);
        DrawColorScale(settings, surface, ax, ay, colours, header, floor);
        DrawColorScaleEnds(settings, surface, ax, ay, colours, header, floor);
        if (note)
            DrawColorScaleNote(settings, surface, ax, ay, RangeNote(settings, volume), header,
                               floor);
    }

    dump.Printf("nPickedData=%d\n", view.pickedCount);
    if (view.pickDisplay == 1 && view.pickedCount > 0 && view.pickedPoints)
        DrawPickedPoints(surface, settings, geometry, axes, view, dump);
}

} // namespace

void DrawSlice(CPlotSettings& settings, platform::Surface& surface, const std::string& folder,
               const CDrawingParameter& layout, const CData3D& volume, const SliceViewState& view)
{
    platform::TextFile dump;
    OpenGeometryDump(dump, folder, settings, volume, view.pickedCount);

    const StretchInfo& stretch = view.stretch ? *view.stretch : *volume.Stretch;
    const SliceLayout geometry =
        SliceLayout::Compute(volume, view.orientation, settings, layout, stretch, view.client);
    settings.OriginX = geometry.originX;
    settings.OriginY = geometry.originY;
    settings.ScaleInUse = geometry.scaleDenominator;

    CFontSetup fonts;
    InitFontSetup(fonts);
    const platform::FontDesc textFont = CreateTextFont(fonts);
    const platform::FontDesc oldFont = surface.SelectFont(textFont);

    // The data range, scanned only when stale.
    const bool readable = volume.IsAllocated(1) && volume.ExtentsFitAllocation();
    if (settings.DataRangeValid == 0 && geometry.HasCells() && readable) {
        volume.GetMinMax(settings.DataMin, settings.DataMax);
        settings.DataRangeValid = 1;
        // New values: percentiles of the old ones no longer hold, even under an equal range.
        settings.InvalidateAutoRange();
    }

    const float c = volume.GetPlaneCoordinate(view.orientation, view.planeIndex);
    const platform::Rect header =
        DrawHeaderLines(surface, settings, volume, geometry, view.planeIndex, c, textFont.height);
    dump.Printf("X : %d %f %f\n", geometry.hcells, geometry.hstep,
                geometry.hcells * geometry.hstep);
    dump.Printf("Y : %d %f %f\n", geometry.vcells, geometry.vstep,
                geometry.vcells * geometry.vstep);

    const platform::Rgb background = surface.WindowBackground();
    std::vector<platform::PixelImage> images = MakeAreaImages(geometry, background);

    if (settings.ManualContour == 0) {
        float lo = settings.DataMin, hi = settings.DataMax;
        if (RangeOptionsActive(settings.Display) && geometry.HasCells() && readable)
            AutomaticRange(settings, volume, lo, hi);
        SetAutoContours(settings, lo, hi);
    }

    // A plane index outside the volume leaves the images blank.
    const int planeCount = volume.GetPlaneCount(view.orientation);
    if (geometry.HasCells() && readable && view.planeIndex >= 0 && view.planeIndex < planeCount)
        PaintCells(images, geometry, settings, volume.Plane(view.orientation, view.planeIndex),
                   Colours(settings, view));
    if (geometry.HasCells())
        CopyAreaImages(surface, images, geometry, background, dump);

    // Red fills the picked-point circles.
    const platform::Brush oldBrush =
        surface.SelectBrush(platform::Brush{platform::MakeRgb(255, 0, 0), false});
    if (geometry.HasCells())
        DrawPlotFrame(settings, surface, layout, volume, geometry, view, c, header, dump);

    surface.SelectBrush(oldBrush);
    surface.SelectFont(oldFont);
    dump.Close();
}

void DrawVolumePlane(CPlotSettings& settings, platform::Surface& surface, const std::string& folder,
                     const CDrawingParameter& layout, const CData3D& volume,
                     const SliceViewState& view)
{
    SliceViewState state = view;
    state.orientation = volume.PlaneKind;
    state.planeIndex = volume.PlaneIndex;
    state.stretch = volume.Stretch.get();
    state.client = surface.ClientRect();
    DrawSlice(settings, surface, folder, layout, volume, state);
}
