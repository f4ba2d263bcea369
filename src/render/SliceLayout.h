#pragma once
// Where every cell of a plane lies on the page: the picture's origin, the column width, the base
// row height and the areas of rows (one per stretch area, or one for the whole plane), each with
// the top edge and height it is painted at. The paint draws from it and the cursor readout finds
// cells with it, so both agree to the logical unit.
//
// Logical units are 0.1 mm with y upward; the page's top-left corner is (0, 0).

#include "platform/Surface.h"
#include "plot/DrawingParameter.h"
#include "render/PlotSettings.h"
#include "volume/Data3D.h"
#include "volume/StretchInfo.h"

#include <optional>
#include <vector>

// One area of rows: image rows [start, start + rows) drawn with rows of factor × the base row
// height, stacked below the area before it.
struct SliceArea {
    int start = 0;       // plane row of the area's first image row
    int rows = 0;        // image rows of the area (cells it reserves, also beyond the plane)
    float factor = 1.0f; // row-height factor
    int first = 0;       // plane rows the area shows: first..last, none when last < first
    int last = -1;
    int imageRows = 0;   // rows its image holds: rows, or only first..last for an absurd area
    float height = 0;    // drawn height, single precision (rows x row height x factor)
    int top = 0;         // y of the painted top edge
    int painted = 0;     // trunc(height): the area covers y in (top - painted, top]
    int imageHeight = 0; // height of the image copy: painted, or the part holding imageRows
};

// A cell of the plane: column 0 at the left, row 0 at the top of the picture.
struct SliceCell {
    int column = 0;
    int row = 0;
    bool operator==(const SliceCell&) const = default;
};

// A point on the page in logical units, not rounded.
struct SlicePoint {
    double x = 0;
    double y = 0;
};

// Room the fitted picture leaves, logical units: right of it for the colour scale and its labels,
// below it for the scale text.
inline constexpr int FitLegendRoom = 350;
inline constexpr int FitBottomRoom = 100;

class SliceLayout {
public:
    // The layout of plane kind orientation of volume, painted with settings' ScaleDenominator
    // and VHRatio, the margins, the stretch record (used on vertical planes while StretchOn is
    // set) and the client rectangle (logical units; sizes the picture of fitted volumes). With
    // the display option FitToWindow a map-scale section takes the largest scale at which it,
    // its V/H ratio and stretch kept, fits the usable area less room for the colour scale.
    static SliceLayout Compute(const CData3D& volume, int orientation,
                               const CPlotSettings& settings, const CDrawingParameter& margins,
                               const StretchInfo& stretch, const platform::Rect& client);

    // The cell painted under the point, or none (outside the picture, or on rows an area
    // reserves beyond the plane).
    std::optional<SliceCell> CellAt(double x, double y) const;
    // The painted top-left corner and centre of a cell (column 0..hcells-1, row 0..vcells-1).
    SlicePoint CellTopLeft(int column, int row) const;
    SlicePoint CellCentre(int column, int row) const;
    // Index in areas of the area showing plane row row, or -1.
    int AreaOfRow(int row) const;

    bool HasCells() const { return hcells > 0 && vcells > 0; }
    // Chooses the column width at which the picture fits the usable area (legend: leave room
    // for the colour scale); keeps the map scale when nothing fits.
    void FitMapScale(const CPlotSettings& settings, bool legend, double stepX);

    int orientation = PlaneZ;
    int hcells = 0, vcells = 0; // columns and rows of the plane
    float hstep = 0, vstep = 0; // cell sizes along the columns and the rows, axis units
    int originX = 0;            // top-left corner of the picture: (L, -T)
    int originY = 0;
    int usableWidth = 0; // client width less the left and right margins
    int usableHeight = 0;
    bool fixedScale = true;    // drawn at the map scale, else fitted to the usable area
    bool vertical = false;     // an XZ or YZ plane
    bool stretched = false;    // vertical and the stretch is on
    float scaleDenominator = 0; // S of the map scale in use (the fitted one when fitted)
    bool fittedScale = false;   // the map scale was chosen to fit the window
    float columnWidth = 0;     // u
    float rowHeight = 0;       // v: the row height at map scale and the base of stretched rows
    float fittedRowHeight = 0; // t: the row height of an unstretched fitted picture
    int imageWidth = 0;        // trunc(hcells x u)
    float imageHeight = 0;     // Ht: the sum of the areas' heights
    std::vector<SliceArea> areas;
};
