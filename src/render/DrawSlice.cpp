#include "render/DrawSlice.h"

#include "platform/TextFile.h"
#include "plot/Fonts.h"
#include "regional/RegionalModelHolder.h"
#include "render/AxisFrame.h"
#include "render/ColorPalette.h"
#include "render/ColorScale.h"
#include "render/LayerOverlay.h"
#include "render/TextLimits.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

// Rows of one stretch area: image rows [start, start + rows), of which the plane rows
// [first, last] exist (last < first when none do).
struct Area {
    int start = 0;
    int rows = 0;
    float factor = 1.0f;
    int first = 0;
    int last = -1;
};

// Above this many pixels an area image is cut to the rows the plane has and the rest of the area
// is filled with the background, so an absurd stretch boundary (a profile value of 2^31 - 1)
// cannot exhaust memory. Below it the image keeps its full height as always.
constexpr long long MaxAreaPixels = 1LL << 24;

int ClampToInt(long long v)
{
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The value of column i, row j of the plane; row 0 is the top of the image. Values are
// [z][y][x]: XY planes put the largest X at the top, XZ and YZ planes Z index 0.
struct PlaneReader {
    const CData3D& v;
    int orientation;
    int z; // the XY plane's Z layer, counted from the far end when ZAxisDown is 0
    int planeIndex;

    float operator()(int i, int j) const
    {
        switch (orientation) {
        case PlaneZ:
            return v.Values[z][i][v.NX - 1 - j];
        case PlaneY:
            return v.Values[j][planeIndex][i];
        default:
            return v.Values[j][i][planeIndex];
        }
    }
};

} // namespace

void DrawSlice(CPlotSettings& settings, platform::Surface& surface, const std::string& folder,
               const CDrawingParameter& layout, const CData3D& volume, int orientation,
               int planeIndex, const StretchInfo& stretch, const platform::Rect& client,
               int pickedCount, const PickedPoint* pickedPoints, int colourMode, int kiloMeter,
               int pickDisplay)
{
    // 1. The geometry dump; an empty folder means the current directory.
    platform::TextFile dump;
    dump.Create(platform::JoinPath(folder, "draw_2d_bmp_pixcel.txt"));
    dump.Printf("%d %d %d\n", settings.ManualAxis, volume.FixedScale, pickedCount);

    // 2. Origin and usable area, logical units.
    settings.OriginX = layout.LeftMargin;
    settings.OriginY = -layout.TopMargin;
    const int W = ClampToInt(std::llabs(static_cast<long long>(client.right) - client.left) -
                             layout.RightMargin - layout.LeftMargin);
    const int H = ClampToInt(std::llabs(static_cast<long long>(client.top) - client.bottom) -
                             layout.BottomMargin - layout.TopMargin);

    // 3.
    CFontSetup fonts;
    InitFontSetup(fonts);
    CAxisFrame frame;

    // 4. Plane geometry and cell sizes (logical units per cell).
    int hcells = 0, vcells = 0;
    float hstep = 0, vstep = 0;
    volume.GetPlaneGeometry(orientation, hcells, vcells, hstep, vstep);
    const bool hasCells = hcells > 0 && vcells > 0;
    const bool fixedScale = volume.FixedScale == 1;
    float u = 0, t = 0;
    if (fixedScale) {
        // Width at 1/S of a cell of StepX metres, in 0.1 mm; StepX for every orientation.
        u = static_cast<float>(double(volume.StepX) * 10000.0 / settings.ScaleDenominator);
    } else if (hasCells) {
        u = static_cast<float>(W) / static_cast<float>(hcells);
        t = static_cast<float>(H) / static_cast<float>(vcells);
    }
    const bool vertical = orientation == PlaneY || orientation == PlaneX;
    const float v = vertical ? u * settings.VHRatio : u;

    // 5. Areas of rows: the stretch areas on vertical planes, else one area of all rows.
    const bool stretched = vertical && stretch.StretchOn != 0;
    std::vector<Area> areas;
    if (stretched) {
        long long start = 0;
        const long long lastRow = static_cast<long long>(volume.NZ) - 1;
        for (int k = 0; k < stretch.AreaCount(); ++k) {
            Area a;
            const long long rows = std::max(stretch.Boundary[k], 0);
            a.rows = static_cast<int>(rows);
            a.start = ClampToInt(start);
            a.factor = stretch.Stretch[k];
            // Plane rows of the area, clamped to the rows that exist.
            a.first = ClampToInt(std::min(start, lastRow + 1));
            a.last = ClampToInt(std::min(start + rows - 1, lastRow));
            areas.push_back(a);
            start += rows;
        }
    } else {
        Area a;
        a.rows = vcells;
        a.first = 0;
        a.last = vcells - 1;
        areas.push_back(a);
    }

    // 6. Title of the plane.
    const std::string* title = &volume.TitleZ;
    const std::string* unit = &volume.UnitZ;
    if (orientation == PlaneY)
        title = &volume.TitleY, unit = &volume.UnitY;
    else if (orientation == PlaneX)
        title = &volume.TitleX, unit = &volume.UnitX;
    const float c = volume.GetPlaneCoordinate(orientation, planeIndex);
    const std::string titleLine = CutText(
        platform::Format("%s : %f (%s) : N = %d ", title->c_str(), c, unit->c_str(), planeIndex),
        TextLineChars);

    // 7.
    const platform::FontDesc oldFont = surface.SelectFont(CreateTextFont(fonts));

    // 8. The data range, scanned only when stale.
    const bool readable = volume.IsAllocated(1) && volume.ExtentsFitAllocation();
    if (settings.DataRangeValid == 0 && hasCells && readable) {
        volume.GetMinMax(settings.DataMin, settings.DataMax);
        settings.DataRangeValid = 1;
    }

    // 9.
    surface.TextOut(10, -10, titleLine);
    surface.TextOut(10, -60,
                    CutText(platform::Format("X cells = %d Y cells = %d # of planes = %d", hcells,
                                             vcells, volume.GetPlaneCount(orientation)),
                            TextLineChars));
    surface.TextOut(
        10, -110,
        CutText(platform::Format("NX = %d NY = %d NZ = %d : Min. = %f Max.= %f", volume.NX,
                                 volume.NY, volume.NZ, settings.DataMin, settings.DataMax),
                TextLineChars));

    // 10.
    dump.Printf("X : %d %f %f\n", hcells, hstep, hcells * hstep);
    dump.Printf("Y : %d %f %f\n", vcells, vstep, vcells * vstep);

    // 11. One image per area, one pixel per cell, filled with the window background.
    const platform::Rgb background = surface.WindowBackground();
    std::vector<platform::PixelImage> images;
    std::vector<int> imageRows; // rows each image holds (a cut area holds fewer than a.rows)
    if (hasCells) {
        for (const Area& a : areas) {
            int rows = a.rows;
            const int present = std::max(a.last - a.first + 1, 0);
            if (static_cast<long long>(rows) * hcells > MaxAreaPixels && rows > present)
                rows = present;
            images.emplace_back(hcells, rows, background);
            imageRows.push_back(rows);
        }
    }

    // 12.
    if (settings.ManualContour == 0)
        SetAutoContours(settings, settings.DataMin, settings.DataMax);

    // 13. Cells to colour levels; a plane index outside the volume leaves the background.
    const int planeCount = volume.GetPlaneCount(orientation);
    if (hasCells && readable && planeIndex >= 0 && planeIndex < planeCount) {
        const int z = volume.ZAxisDown != 0 ? planeIndex : volume.NZ - 1 - planeIndex;
        const PlaneReader value{volume, orientation, z, planeIndex};
        CColorPalette palette;
        for (std::size_t k = 0; k < areas.size(); ++k) {
            const Area& a = areas[k];
            platform::PixelImage& image = images[k];
            const int last = std::min(a.last, a.first + imageRows[k] - 1);
            for (int j = a.first; j <= last; ++j) {
                const int y = j - a.start;
                for (int i = 0; i < hcells; ++i) {
                    const int level = std::clamp(ValueToLevel(settings, value(i, j)), 0, 36);
                    image.SetPixel(i, y, palette.Color(level, colourMode));
                }
            }
        }
    }

    // 14. Each image scaled onto the page; stretched areas stack downward.
    const int imageWidth = TruncToInt(static_cast<float>(hcells) * u);
    float Ht = 0;
    if (hasCells) {
        if (stretched) {
            int y = settings.OriginY;
            for (std::size_t k = 0; k < areas.size(); ++k) {
                const Area& a = areas[k];
                const float h = static_cast<float>(a.rows) * v * a.factor;
                const int hInt = TruncToInt(h);
                if (imageRows[k] == a.rows) {
                    surface.StretchImage(images[k], settings.OriginX, y, imageWidth, hInt);
                } else {
                    // A cut area: the rows present at their own height, then background.
                    const int shown = TruncToInt(static_cast<float>(imageRows[k]) * v * a.factor);
                    if (imageRows[k] > 0)
                        surface.StretchImage(images[k], settings.OriginX, y, imageWidth, shown);
                    surface.FillRect(
                        {settings.OriginX, ClampToInt(static_cast<long long>(y) - shown),
                         ClampToInt(static_cast<long long>(settings.OriginX) + imageWidth),
                         ClampToInt(static_cast<long long>(y) - hInt)},
                        background);
                }
                y = ClampToInt(static_cast<long long>(y) - hInt);
                Ht += h;
            }
        } else {
            const float h = static_cast<float>(vcells) * (fixedScale ? v : t);
            surface.StretchImage(images[0], settings.OriginX, settings.OriginY, imageWidth,
                                 TruncToInt(h));
            dump.Printf("%d : %f %f : %f %f\n", orientation, double(hcells), double(vcells),
                        double(imageWidth), double(h));
            Ht = h;
        }
    }

    // 15.
    const platform::Brush oldBrush =
        surface.SelectBrush(platform::Brush{platform::MakeRgb(255, 0, 0), false});

    // 16.
    if (hasCells) {
        CRegionalModelHolder& holder = theRegionalModelHolder();
        if (vertical && holder.Loaded == 1)
            DrawLayerOverlay(holder, surface, orientation, c, u / hstep, v / hstep,
                             settings.OriginX, settings.OriginY, hcells / 10, hstep * 10.0f);

        float hmin = 0, vmin = 0, hmax = 0, vmax = 0, hshift = 0, vshift = 0;
        std::string htitle, vtitle;
        float frameHeight = Ht;
        const float frameWidth = static_cast<float>(hcells) * u;
        if (settings.ManualAxis == 0) {
            volume.GetAxisLabels(orientation, hmin, vmin, htitle, vtitle);
            hmax = hmin + static_cast<float>(hcells) * hstep;
            if (stretched) {
                float sum = 0;
                for (const Area& a : areas)
                    sum += static_cast<float>(a.rows) * vstep * a.factor;
                vmax = vmin + sum;
            } else {
                vmax = vmin + static_cast<float>(vcells) * vstep;
            }
            settings.AxisX.Min = hmin;
            settings.AxisY.Min = vmin;
        } else {
            const CAxisRecord& h = orientation == PlaneY ? settings.AxisX : settings.AxisY;
            const CAxisRecord& r = orientation == PlaneZ ? settings.AxisX : settings.AxisZ;
            hmin = h.Min, hmax = h.Max, hshift = h.Shift, htitle = h.Title;
            vmin = r.Min, vmax = r.Max, vshift = r.Shift, vtitle = r.Title;
            frame.Manual = 1;
            frame.HTick = h.Interval;
            frame.VTick = r.Interval;
            if (fixedScale)
                frameHeight = (vmax - vmin) / vstep * v;
        }
        frame.HMin = hmin, frame.HMax = hmax;
        frame.VMin = vmin, frame.VMax = vmax;

        dump.Printf("%d : x %f y %f\n", settings.ManualAxis, hmin, vmin);
        dump.Printf("%f %f : %f\n", frameWidth, frameHeight, Ht);

        const int dateTime = orientation == PlaneY && volume.DataType == 2 ? 1 : 0;
        int ax = 0, ay = 0;
        DrawAxisFrame(frame, surface, settings.OriginX, layout.TopMargin, frameHeight, frameWidth,
                      CutText(htitle, TitleChars), CutText(vtitle, TitleChars), hshift, vshift,
                      kiloMeter, vertical ? volume.ZAxisDown : 0, dateTime, ax, ay);

        const long long scaleY =
            -static_cast<long long>(ay) - static_cast<long long>(settings.ScaleTextRow) * 150;
        surface.TextOut(ClampToInt(static_cast<long long>(ax) - 500), ClampToInt(scaleY),
                        CutText(platform::Format("Scale=1/%.0f V/H=%.1f", settings.ScaleDenominator,
                                                 settings.VHRatio),
                                TextLineChars));

        if (volume.DrawColourScale == 1)
            DrawColorScale(settings, surface, ax, ay, colourMode);

        dump.Printf("nPickedData=%d\n", pickedCount);

        if (pickDisplay == 1 && pickedCount > 0 && pickedPoints) {
            dump.Printf("%d %f %f %f\n", settings.OriginX, hmin, hmax, frameWidth);
            dump.Printf("%d %f %f %f\n", settings.OriginY, vmin, vmax, frameHeight);
            for (int p = 0; p < pickedCount; ++p) {
                const PickedPoint& pt = pickedPoints[p];
                const int px =
                    TruncToInt((pt.x + hstep * 0.5) * frameWidth / (double(hcells) * hstep) +
                               settings.OriginX);
                const int py =
                    TruncToInt((vmax - pt.y) * frameHeight / (static_cast<float>(vcells) * vstep) -
                               static_cast<float>(settings.OriginY));
                dump.Printf("%d %f %f %d %d\n", p, pt.x, pt.y, px, py);
                if (std::abs(static_cast<long long>(px)) < (1LL << 30) &&
                    std::abs(static_cast<long long>(py)) < (1LL << 30))
                    surface.Ellipse(px - 6, -py + 6, px + 6, -py - 6);
            }
        }
    }

    // 17.
    surface.SelectBrush(oldBrush);
    surface.SelectFont(oldFont);
    dump.Close();
}

void DrawVolumePlane(CPlotSettings& settings, platform::Surface& surface, const std::string& folder,
                     const CDrawingParameter& layout, const CData3D& volume,
                     const SliceViewState& view)
{
    DrawSlice(settings, surface, folder, layout, volume, volume.PlaneKind, volume.PlaneIndex,
              *volume.Stretch, surface.ClientRect(), view.pickedCount, view.pickedPoints,
              view.colourMode, view.kiloMeter, view.pickDisplay);
}
