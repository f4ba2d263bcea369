// Where the paint puts each cell and where the cursor finds it: the images on the recording
// surface are read back row by row and compared with SliceLayout's cell-at-point.

#include "RenderTestSupport.h"
#include "platform/RecordingSurface.h"
#include "render/ColorPalette.h"
#include "render/DrawSlice.h"
#include "render/SliceLayout.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using platform::OpKind;
using platform::RecordingSurface;
using render_test::FillCoded;

namespace {

struct Area {
    int cells;
    float factor;
};

// A stretch table: NArea and the areas in use, plus what lies in the unused slots.
struct Table {
    std::string name;
    int nArea;
    std::vector<Area> slots; // up to five
};

struct Scene {
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd{dir.path};
    CPlotSettings settings;
    CDrawingParameter margins; // the document's defaults
    CData3DEx volume;
    RecordingSurface surface{platform::Rect{0, 0, 3000, -2000}};
    SliceViewState view;

    Scene()
    {
        FillCoded(volume, 12, 3, 64); // 64 planes of Z, as the demo has
        volume.StepX = volume.StepY = volume.StepZ = 1000;
        settings.ScaleDenominator = 2000000; // 5 units per 1000 m cell
    }
    void SetTable(const Table& t)
    {
        StretchInfo& st = *volume.Stretch;
        st.StretchOn = 1;
        st.NArea = t.nArea;
        for (int k = 0; k < StretchInfo::MaxAreas; ++k) {
            st.Boundary[k] = k < static_cast<int>(t.slots.size()) ? t.slots[k].cells : 0;
            st.Stretch[k] = k < static_cast<int>(t.slots.size()) ? t.slots[k].factor : 1.0f;
        }
    }
    void Paint(int orientation, int index)
    {
        surface.ops.clear();
        view.orientation = orientation;
        view.planeIndex = index;
        view.stretch = volume.Stretch.get();
        view.client = surface.client;
        DrawSlice(settings, surface, "", margins, volume, view);
    }
    SliceLayout Layout() const
    {
        return SliceLayout::Compute(volume, view.orientation, settings, margins, *volume.Stretch,
                                    surface.client);
    }
};

// The colour the picture gives plane cell (column, row) of an XZ plane at y index.
platform::Rgb Expected(const Scene& s, int y, int column, int row)
{
    const float value = s.volume.Values[row][y][column];
    return LevelColor(std::clamp(ValueToLevel(s.settings, value), 0, 36), 1);
}

// Reads the painted images back: image rows from the top of the picture down are plane rows
// 0, 1, 2, ... (each row drawn once), rows beyond the plane are background. Every painted cell
// centre must be found by the layout's cell-at-point as that cell, and its point-of-cell must
// be that centre.
void CheckPaintAgainstReadout(Scene& s, int y, const std::string& name)
{
    SCOPED_TRACE(name);
    s.Paint(PlaneY, y);
    const auto images = s.surface.OpsOf(OpKind::Image);
    const SliceLayout layout = s.Layout();
    ASSERT_FALSE(images.empty());
    int planeRow = 0;
    double expectedTop = s.settings.OriginY;
    std::vector<int> drawn(static_cast<std::size_t>(s.volume.NZ), 0);
    for (const auto& op : images) {
        const int x0 = op.args[0], top = op.args[1], width = op.args[2], height = op.args[3];
        const int rows = op.image.Height(), columns = op.image.Width();
        ASSERT_EQ(columns, s.volume.NX);
        EXPECT_EQ(top, expectedTop) << "areas stack without gaps";
        expectedTop = top - height;
        for (int r = 0; r < rows; ++r, ++planeRow) {
            const double cy = top - (r + 0.5) * height / rows;
            for (int i = 0; i < columns; ++i) {
                const double cx = x0 + (i + 0.5) * width / columns;
                const auto cell = layout.CellAt(cx, cy);
                if (planeRow >= s.volume.NZ) {
                    EXPECT_EQ(op.image.Pixel(i, r), s.surface.background);
                    EXPECT_FALSE(cell.has_value()) << "row " << planeRow << " is not in the plane";
                    continue;
                }
                ASSERT_EQ(op.image.Pixel(i, r), Expected(s, y, i, planeRow))
                    << "column " << i << ", image row " << r << ", plane row " << planeRow;
                ASSERT_TRUE(cell.has_value()) << "row " << planeRow;
                EXPECT_EQ(*cell, (SliceCell{i, planeRow}));
                const SlicePoint centre = layout.CellCentre(i, planeRow);
                EXPECT_NEAR(centre.x, cx, 1e-6);
                EXPECT_NEAR(centre.y, cy, 1e-6);
            }
            if (planeRow < s.volume.NZ)
                ++drawn[static_cast<std::size_t>(planeRow)];
        }
    }
    for (int z = 0; z < s.volume.NZ; ++z)
        EXPECT_EQ(drawn[static_cast<std::size_t>(z)], 1) << "row " << z << " drawn once";

    // Outside the picture nothing is found.
    EXPECT_FALSE(layout.CellAt(s.settings.OriginX - 0.5, s.settings.OriginY - 1).has_value());
    EXPECT_FALSE(layout.CellAt(s.settings.OriginX + 1, s.settings.OriginY + 0.5).has_value());
    EXPECT_FALSE(layout.CellAt(s.settings.OriginX + 1, expectedTop - 0.5).has_value());

    // The axis frame spans the picture: its bottom grid line lies on the last image's bottom
    // edge (each area's height is truncated on its own, the frame's once).
    int lowest = 0;
    for (const auto& op : s.surface.OpsOf(OpKind::LineTo))
        lowest = std::min(lowest, op.args[1]);
    EXPECT_NEAR(lowest, expectedTop, static_cast<double>(images.size()));
}

const std::vector<Table>& Tables()
{
    static const std::vector<Table> tables = {
        // The dialog edits four rows but not NArea: 20 x 3 then 1000 x 1 with NArea 1.
        {"areas in use end before NZ", 1, {{20, 3.0f}, {1000, 1.0f}}},
        {"second area runs past NZ", 2, {{10, 1.0f}, {100, 2.0f}}},
        {"three short areas, rest unstretched", 3, {{5, 2.0f}, {5, 0.5f}, {5, 4.0f}}},
        {"empty areas between", 5, {{0, 1.0f}, {30, 1.5f}, {0, 2.0f}, {10, 1.0f}, {5, 3.0f}}},
        {"one area exactly NZ", 1, {{64, 2.0f}}},
        {"first area alone runs past NZ", 1, {{90, 0.5f}}},
    };
    return tables;
}

} // namespace

TEST(SliceLayout, EveryRowIsDrawnOnceWhereTheReadoutFindsIt)
{
    Scene s;
    for (const Table& t : Tables()) {
        s.SetTable(t);
        CheckPaintAgainstReadout(s, 1, t.name);
    }
    s.volume.Stretch->StretchOn = 0;
    CheckPaintAgainstReadout(s, 2, "stretch off");
    // Fitted to the window: the base row height follows the usable width.
    s.volume.FixedScale = 0;
    s.SetTable(Tables()[0]);
    CheckPaintAgainstReadout(s, 0, "fitted, areas end before NZ");
}

TEST(SliceLayout, VerticalRangeCoversEveryRowAtItsFactor)
{
    Scene s;
    s.SetTable(Tables()[0]); // 20 rows x 3, then the 44 rows left x 1
    s.settings.ScaleDenominator = 1000000;
    s.volume.StepZ = 100; // the labels follow StepZ; cells stay 10 units high
    s.Paint(PlaneY, 1);
    // vmax = (20 x 3 + 44) x 100 = 10400: the bottom label (depth grows downward).
    const auto* bottom = s.surface.FindText("10400");
    ASSERT_NE(bottom, nullptr) << s.surface.Describe();
    EXPECT_EQ(bottom->args[1], -(150 + 600 + 440) + 20);
    const SliceLayout layout = s.Layout();
    ASSERT_EQ(layout.areas.size(), 2u);
    EXPECT_EQ(layout.areas[1].start, 20);
    EXPECT_EQ(layout.areas[1].rows, 44);
    EXPECT_EQ(layout.areas[1].factor, 1.0f);
    EXPECT_EQ(layout.imageHeight, 1040.0f);
}

TEST(SliceLayout, PointOfCellOnAnXYPlaneAndOutsideThePlane)
{
    Scene s;
    s.volume.Stretch->StretchOn = 1; // ignored on XY planes
    s.Paint(PlaneZ, 3);
    const SliceLayout layout = s.Layout();
    ASSERT_EQ(layout.areas.size(), 1u);
    // 3 columns (Y) of 5 units, 12 rows (X) of 5 units.
    const SlicePoint p = layout.CellTopLeft(2, 7);
    EXPECT_EQ(p.x, 150 + 10);
    EXPECT_EQ(p.y, -150 - 35);
    EXPECT_EQ(layout.CellAt(p.x + 2.5, p.y - 2.5), (SliceCell{2, 7}));
    EXPECT_FALSE(layout.CellAt(150 + 15, -160).has_value()); // right of the last column
    EXPECT_FALSE(layout.CellAt(150, -150 - 60).has_value()); // below the last row
}

TEST(SliceLayout, PictureAndPlaneAccessorReadTheSameXYLayer)
{
    Scene s;
    s.settings.ManualContour = 1;
    s.settings.ContourMin = 0, s.settings.ContourMax = 7200, s.settings.ContourCount = 72;
    for (int down : {1, 2, 0}) {
        s.volume.ZAxisDown = down;
        s.Paint(PlaneZ, 5);
        const auto images = s.surface.OpsOf(OpKind::Image);
        ASSERT_EQ(images.size(), 1u);
        for (int row = 0; row < 12; ++row)
            for (int column = 0; column < 3; ++column) {
                const float value = s.volume.GetPlaneValue(PlaneZ, 5, column, row);
                EXPECT_EQ(images[0].image.Pixel(column, row),
                          LevelColor(std::clamp(ValueToLevel(s.settings, value), 0, 36), 1))
                    << "ZAxisDown " << down;
            }
    }
}
