// Fit to window: a map-scale section of any cell size fills most of the window, keeps its V/H
// ratio and stretch, and leaves room for the colour scale.
#include "RenderTestSupport.h"
#include "platform/RecordingSurface.h"
#include "render/DrawSlice.h"
#include "render/SliceLayout.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <algorithm>

using platform::OpKind;
using platform::RecordingSurface;

namespace {

// A window of 1100 x 780 pixels at 96 dpi, in logical units.
const platform::Rect Window{0, 0, 2910, -2064};

CDrawingParameter DocumentMargins()
{
    CDrawingParameter m;
    m.LeftMargin = 250;
    m.TopMargin = 200;
    m.BottomMargin = 150;
    return m;
}

struct Picture {
    int width = 0, height = 0, left = 0, top = 0;
    std::string scaleText;
};

Picture PaintFitted(CData3DEx& v, int orientation, float vh = 1.0f, bool fit = true)
{
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd{dir.path};
    CPlotSettings s;
    s.Display.FitToWindow = fit ? 1 : 0;
    s.VHRatio = vh;
    RecordingSurface r{Window};
    SliceViewState view;
    view.orientation = orientation;
    view.client = Window;
    view.stretch = v.Stretch.get();
    DrawSlice(s, r, "", DocumentMargins(), v, view);
    Picture p;
    const auto images = r.OpsOf(OpKind::Image);
    if (images.empty())
        return p;
    // x, y, width, height of the first area's copy; stacked areas add their heights.
    p.left = images[0].args[0];
    p.top = images[0].args[1];
    p.width = images[0].args[2];
    for (std::size_t i = 0; i < images.size(); ++i)
        if (images[i].args[0] == p.left && images[i].args[2] == p.width)
            p.height += images[i].args[3];
    for (const std::string& t : r.Texts())
        if (t.rfind("Scale=1/", 0) == 0)
            p.scaleText = t;
    return p;
}

void MakeVolume(CData3DEx& v, int nx, int ny, int nz, float step)
{
    render_test::FillCoded(v, nx, ny, nz);
    v.StepX = v.StepY = v.StepZ = step;
}

} // namespace

TEST(FitToWindow, FillsMostOfTheWindowForMetreAndKilometreCells)
{
    const int width = Window.right, height = -Window.bottom;
    for (float step : {1.0f, 1000.0f})
        for (int orientation : {PlaneZ, PlaneY, PlaneX}) {
            CData3DEx v;
            MakeVolume(v, 120, 80, 40, step);
            const Picture p = PaintFitted(v, orientation);
            SCOPED_TRACE(testing::Message() << "step " << step << " plane " << orientation);
            EXPECT_TRUE(p.width >= 0.7 * width || p.height >= 0.7 * height)
                << p.width << " x " << p.height;
            // Inside the window with the colour scale's room to its right.
            EXPECT_LE(p.left + p.width + FitLegendRoom, width - 100 + 1);
            EXPECT_LE(-p.top + p.height, height - 150 - FitBottomRoom + 1);
        }
}

TEST(FitToWindow, KeepsTheVHRatioAndReportsTheScaleInUse)
{
    CData3DEx v;
    MakeVolume(v, 100, 10, 25, 1.0f); // XZ: 100 columns, 25 rows
    const Picture flat = PaintFitted(v, PlaneY, 1.0f);
    EXPECT_NEAR(static_cast<double>(flat.height) / flat.width, 25.0 / 100.0, 0.01);
    const Picture tall = PaintFitted(v, PlaneY, 3.0f);
    EXPECT_NEAR(static_cast<double>(tall.height) / tall.width, 75.0 / 100.0, 0.01);
    // Cells of 1 m over 2160 units of 0.1 mm: about 1/463.
    const double u = static_cast<double>(flat.width) / 100; // units per 1 m cell
    char expected[64];
    std::snprintf(expected, sizeof expected, "Scale=1/%.0f V/H=1.0", 10000.0 / u);
    EXPECT_NEAR(std::atof(flat.scaleText.c_str() + 8), 10000.0 / u, 10000.0 / u * 0.01)
        << flat.scaleText << " vs " << expected;
}

TEST(FitToWindow, OffKeepsTheMapScale)
{
    CData3DEx v;
    MakeVolume(v, 120, 80, 40, 1.0f);
    // 120 cells of 1 m at 1/1000000: 1.2 units wide.
    const Picture p = PaintFitted(v, PlaneY, 1.0f, false);
    EXPECT_EQ(p.width, 1);
    EXPECT_EQ(p.scaleText, "Scale=1/1000000 V/H=1.0");
}

TEST(FitToWindow, StretchedAreasFitTogether)
{
    CData3DEx v;
    MakeVolume(v, 60, 4, 30, 100.0f);
    v.Stretch->StretchOn = 1;
    v.Stretch->NArea = 2;
    v.Stretch->Boundary[0] = 10, v.Stretch->Stretch[0] = 1.0f;
    v.Stretch->Boundary[1] = 20, v.Stretch->Stretch[1] = 4.0f;
    const Picture p = PaintFitted(v, PlaneY);
    // Rows 10 x 1 + 20 x 4 = 90 column widths high against 60 wide: height-limited.
    EXPECT_NEAR(static_cast<double>(p.height) / p.width, 90.0 / 60.0, 0.02);
    EXPECT_GE(p.height, 0.7 * -Window.bottom);
}

TEST(FitToWindow, FittedVolumesOfPhaseVelocityDataStayAsDescribed)
{
    // FixedScale 0 fills the usable area in both directions whatever the option says.
    CData3DEx v;
    MakeVolume(v, 50, 20, 30, 1.0f);
    v.FixedScale = 0;
    const Picture p = PaintFitted(v, PlaneY);
    EXPECT_NEAR(p.width, 2910 - 250 - 100, 1);
}
