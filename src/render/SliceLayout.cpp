#include "render/SliceLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Above this many pixels an area image holds only the rows the plane has and the rest of the
// area is filled with the background, so an absurd stretch boundary (a profile value of
// 2^31 - 1) cannot exhaust memory. Below it the image keeps its full height.
constexpr long long MaxAreaPixels = 1LL << 24;

int ClampToInt(long long v)
{
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Plane rows first..last of rows reserved from start, clamped to the rows that exist.
SliceArea MakeArea(long long start, long long rows, float factor, int vcells)
{
    SliceArea a;
    a.start = ClampToInt(start);
    a.rows = ClampToInt(rows);
    a.factor = factor;
    a.first = ClampToInt(std::min<long long>(start, vcells));
    a.last = ClampToInt(std::min<long long>(start + rows - 1, static_cast<long long>(vcells) - 1));
    return a;
}

// The areas of rows of a stretched plane: the stretch areas in use, then, when they end before
// the last row, one more area of factor 1 holding the rest, so every row is drawn exactly once.
std::vector<SliceArea> StretchAreas(const StretchInfo& stretch, int vcells)
{
    std::vector<SliceArea> areas;
    long long start = 0;
    for (int k = 0; k < stretch.AreaCount(); ++k) {
        const long long rows = std::max(stretch.Boundary[k], 0);
        areas.push_back(MakeArea(start, rows, stretch.Stretch[k], vcells));
        start += rows;
    }
    if (start < vcells)
        areas.push_back(MakeArea(start, vcells - start, 1.0f, vcells));
    return areas;
}

} // namespace

SliceLayout SliceLayout::Compute(const CData3D& volume, int orientation,
                                 const CPlotSettings& settings, const CDrawingParameter& margins,
                                 const StretchInfo& stretch, const platform::Rect& client)
{
    SliceLayout l;
    l.orientation = orientation;
    l.originX = margins.LeftMargin;
    l.originY = -margins.TopMargin;
    l.usableWidth = ClampToInt(std::llabs(static_cast<long long>(client.right) - client.left) -
                               margins.RightMargin - margins.LeftMargin);
    l.usableHeight = ClampToInt(std::llabs(static_cast<long long>(client.top) - client.bottom) -
                                margins.BottomMargin - margins.TopMargin);
    volume.GetPlaneGeometry(orientation, l.hcells, l.vcells, l.hstep, l.vstep);
    l.fixedScale = volume.FixedScale == 1;
    l.vertical = orientation == PlaneY || orientation == PlaneX;
    l.stretched = l.vertical && stretch.StretchOn != 0;

    if (l.stretched) {
        l.areas = StretchAreas(stretch, l.vcells);
    } else {
        l.areas.push_back(MakeArea(0, l.vcells, 1.0f, l.vcells));
    }

    // Cell sizes, logical units per cell.
    l.scaleDenominator = settings.ScaleDenominator;
    if (l.fixedScale) {
        // Width at 1/S of a cell of StepX metres, in 0.1 mm; StepX for every orientation.
        l.columnWidth =
            static_cast<float>(double(volume.StepX) * 10000.0 / settings.ScaleDenominator);
        if (settings.Display.FitToWindow)
            l.FitMapScale(settings, volume.DrawColourScale == 1, double(volume.StepX));
    } else if (l.HasCells()) {
        l.columnWidth = static_cast<float>(l.usableWidth) / static_cast<float>(l.hcells);
        l.fittedRowHeight = static_cast<float>(l.usableHeight) / static_cast<float>(l.vcells);
    }
    l.rowHeight = l.vertical ? l.columnWidth * settings.VHRatio : l.columnWidth;
    l.imageWidth = TruncToInt(static_cast<float>(l.hcells) * l.columnWidth);

    // Heights and painted edges; the areas stack downward from the origin.
    int top = l.originY;
    for (SliceArea& a : l.areas) {
        const int present = std::max(a.last - a.first + 1, 0);
        a.imageRows = a.rows;
        if (static_cast<long long>(a.rows) * l.hcells > MaxAreaPixels && a.rows > present)
            a.imageRows = present;
        if (l.stretched) {
            a.height = static_cast<float>(a.rows) * l.rowHeight * a.factor;
        } else {
            a.height =
                static_cast<float>(l.vcells) * (l.fixedScale ? l.rowHeight : l.fittedRowHeight);
        }
        a.top = top;
        a.painted = TruncToInt(a.height);
        a.imageHeight = a.imageRows == a.rows
                            ? a.painted
                            : TruncToInt(static_cast<float>(a.imageRows) * l.rowHeight * a.factor);
        top = ClampToInt(static_cast<long long>(top) - a.painted);
        l.imageHeight += a.height;
    }
    return l;
}

void SliceLayout::FitMapScale(const CPlotSettings& settings, bool legend, double stepX)
{
    if (!HasCells())
        return;
    // Rows in units of the column width: every area's rows at its factor, times V/H.
    double rowUnits = 0;
    for (const SliceArea& a : areas)
        rowUnits += static_cast<double>(a.rows) * (stretched ? a.factor : 1.0);
    if (vertical)
        rowUnits *= settings.VHRatio;
    const double width = static_cast<double>(usableWidth) - (legend ? FitLegendRoom : 0);
    const double height = static_cast<double>(usableHeight) - FitBottomRoom;
    double u = width / hcells;
    if (rowUnits > 0)
        u = std::min(u, height / rowUnits);
    // A window too small for any picture keeps the map scale.
    if (!(u > 0) || !std::isfinite(u))
        return;
    columnWidth = static_cast<float>(u);
    scaleDenominator = static_cast<float>(stepX * 10000.0 / u);
    fittedScale = true;
}

std::optional<SliceCell> SliceLayout::CellAt(double x, double y) const
{
    if (!HasCells() || imageWidth <= 0)
        return std::nullopt;
    // A scaled copy puts image column i on [i, i + 1) x imageWidth / hcells from the origin.
    const double across = x - originX;
    if (!(across >= 0) || across >= imageWidth)
        return std::nullopt;
    const int column = std::min(static_cast<int>(across * hcells / imageWidth), hcells - 1);
    for (const SliceArea& a : areas) {
        const double depth = a.top - y; // below the area's top edge
        if (!(depth >= 0) || depth >= a.imageHeight || a.imageRows <= 0)
            continue;
        const int r =
            std::min(static_cast<int>(depth * a.imageRows / a.imageHeight), a.imageRows - 1);
        const long long row = static_cast<long long>(a.start) + r;
        if (row < a.first || row > a.last)
            return std::nullopt; // rows the area reserves beyond the plane
        return SliceCell{column, static_cast<int>(row)};
    }
    return std::nullopt;
}

int SliceLayout::AreaOfRow(int row) const
{
    for (std::size_t k = 0; k < areas.size(); ++k)
        if (row >= areas[k].first && row <= areas[k].last)
            return static_cast<int>(k);
    return -1;
}

SlicePoint SliceLayout::CellTopLeft(int column, int row) const
{
    SlicePoint p;
    if (hcells > 0)
        p.x = originX + static_cast<double>(column) * imageWidth / hcells;
    const int k = AreaOfRow(row);
    if (k < 0)
        return p;
    const SliceArea& a = areas[static_cast<std::size_t>(k)];
    p.y = a.top - static_cast<double>(row - a.start) * a.imageHeight / a.imageRows;
    return p;
}

SlicePoint SliceLayout::CellCentre(int column, int row) const
{
    SlicePoint p = CellTopLeft(column, row);
    if (hcells > 0)
        p.x += 0.5 * imageWidth / hcells;
    const int k = AreaOfRow(row);
    if (k >= 0) {
        const SliceArea& a = areas[static_cast<std::size_t>(k)];
        p.y -= 0.5 * a.imageHeight / a.imageRows;
    }
    return p;
}
