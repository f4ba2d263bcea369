#include "RenderTestSupport.h"
#include "platform/RecordingSurface.h"
#include "regional/RegionalModelHolder.h"
#include "render/ColorPalette.h"
#include "render/DrawSlice.h"
#include "render/LayerOverlay.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using platform::OpKind;
using platform::RecordingSurface;
using render_test::FillCoded;
using render_test::ReadAll;

namespace {

// One paint with the document's margins (left 250, right 100, top 200, bottom 150).
struct Painter {
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd{dir.path};
    CPlotSettings settings;
    CDrawingParameter layout;
    CData3DEx volume;
    RecordingSurface surface{platform::Rect{0, 0, 3000, -2000}};
    std::vector<PickedPoint> picks;
    int colourMode = 1;

    Painter()
    {
        layout.LeftMargin = 250;
        layout.TopMargin = 200;
        layout.BottomMargin = 150;
    }
    void Paint(int orientation, int index, const std::string& folder = "")
    {
        surface.ops.clear();
        SliceViewState view;
        view.orientation = orientation;
        view.planeIndex = index;
        view.stretch = volume.Stretch.get();
        view.client = surface.client;
        view.pickedCount = static_cast<int>(picks.size());
        view.pickedPoints = picks.empty() ? nullptr : picks.data();
        view.colourMode = colourMode;
        view.kiloMeter = 0;
        view.pickDisplay = picks.empty() ? 0 : 1;
        DrawSlice(settings, surface, folder, layout, volume, view);
    }
    std::vector<platform::DrawOp> Images() const { return surface.OpsOf(OpKind::Image); }
};

// A model whose layer tops deepen with x, which matches nothing for 400 < x < 600 and counts
// how often it was asked for its layers.
class TestModel : public CIntermediateModel {
public:
    TestModel()
    {
        InitGrid(2, 2, "");
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                CIntermediateData& r = Record(i, j);
                r.X = 1000.0f * i, r.Y = 1000.0f * j, r.LayerCount = 3;
                r.top[0] = 100, r.top[1] = i ? 0.0f : 50.0f, r.top[2] = i ? -300.0f : -100.0f;
            }
    }
    int QueryLogged(float x, float y, CIntermediateData& out, std::FILE* log) const override
    {
        if (gap && x > 400 && x < 600)
            return 0;
        return CIntermediateModel::QueryLogged(x, y, out, log);
    }
    int GetLayerCount() const override
    {
        ++asked;
        return CIntermediateModel::GetLayerCount();
    }
    bool gap = false;
    mutable int asked = 0;
};

} // namespace

TEST(DrawSlice, TextLinesOfAYZPlane)
{
    Painter p;
    FillCoded(p.volume, 5, 4, 6);
    p.volume.StepX = 50, p.volume.StartX = 100;
    p.Paint(PlaneX, 3);
    const auto texts = p.surface.OpsOf(OpKind::Text);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, "X : 250.000000 (m) : N = 3 ");
    EXPECT_EQ(texts[0].args, (std::vector<int>{10, -10}));
    EXPECT_EQ(texts[0].font.height, 35);
    EXPECT_EQ(texts[1].text, "X cells = 4 Y cells = 6 # of planes = 5");
    EXPECT_EQ(texts[1].args, (std::vector<int>{10, -60}));
    EXPECT_EQ(texts[2].text, "NX = 5 NY = 4 NZ = 6 : Min. = 0.000000 Max.= 534.000000");
    EXPECT_EQ(texts[2].args, (std::vector<int>{10, -110}));
    EXPECT_EQ(p.settings.DataRangeValid, 1);
    EXPECT_EQ(p.settings.OriginX, 250);
    EXPECT_EQ(p.settings.OriginY, -200);
    // Scale text below the plot, font and brush restored at the end.
    EXPECT_NE(p.surface.FindText("Scale=1/1000000 V/H=1.0"), nullptr);
    EXPECT_EQ(p.surface.font, platform::FontDesc{});
    EXPECT_EQ(p.surface.brush, platform::Brush{});

    // Overlong titles are cut, never overflow.
    p.volume.TitleX = std::string(5000, 'T');
    p.volume.TitleY = std::string(5000, 'Y');
    p.Paint(PlaneX, 3);
    EXPECT_EQ(p.surface.OpsOf(OpKind::Text)[0].text.size(), 799u);
    for (const auto& t : p.surface.Texts())
        EXPECT_LE(t.size(), 799u);
    // "%s (%s)" is formatted, then cut: the unit of an overlong title is lost.
    EXPECT_NE(p.surface.FindText(std::string(255, 'Y')), nullptr);
}

TEST(DrawSlice, KeepsTheDataRangeUntilCleared)
{
    Painter p;
    FillCoded(p.volume, 3, 3, 3);
    p.Paint(PlaneZ, 0);
    EXPECT_EQ(p.settings.DataMax, 222.0f);
    p.volume.Values[0][0][0] = -5; // an edit keeps the range shown before
    p.Paint(PlaneZ, 0);
    EXPECT_EQ(p.settings.DataMin, 0.0f);
    p.settings.DataRangeValid = 0;
    p.Paint(PlaneZ, 0);
    EXPECT_EQ(p.settings.DataMin, -5.0f);
}

TEST(DrawSlice, ImageAtMapScaleAndFittedToTheWindow)
{
    Painter p;
    FillCoded(p.volume, 10, 20, 30);
    p.volume.StepX = 100; // u = 100 m * 10000 / S
    p.settings.ScaleDenominator = 100000;
    p.settings.VHRatio = 2;
    p.Paint(PlaneZ, 4); // 20 columns (Y) x 10 rows (X), v = u
    ASSERT_EQ(p.Images().size(), 1u);
    EXPECT_EQ(p.Images()[0].args, (std::vector<int>{250, -200, 200, 100}));
    EXPECT_EQ(p.Images()[0].image.Width(), 20);
    EXPECT_EQ(p.Images()[0].image.Height(), 10);
    // Row 0 is the largest X; column i is Y = i: value 9 + 10 i + 400.
    CPlotSettings levels = p.settings;
    EXPECT_EQ(p.Images()[0].image.Pixel(3, 0),
              LevelColor(std::clamp(ValueToLevel(levels, 439.0f), 0, 36), 1));
    EXPECT_EQ(p.Images()[0].image.Pixel(3, 9),
              LevelColor(std::clamp(ValueToLevel(levels, 430.0f), 0, 36), 1));

    p.Paint(PlaneY, 2); // 10 columns (X) x 30 rows (Z), v = 2 u
    EXPECT_EQ(p.Images()[0].args, (std::vector<int>{250, -200, 100, 600}));

    // Fitted: W = 3000 - 100 - 250 = 2650, H = 2000 - 150 - 200 = 1650, whatever S is.
    p.volume.SetPhaseVelocityVsDistance();
    p.Paint(PlaneY, 2);
    auto args = p.Images()[0].args;
    EXPECT_NEAR(args[2], 2650, 1);
    EXPECT_NEAR(args[3], 1650, 1);
    p.settings.ScaleDenominator = 7;
    p.surface.client = {0, 0, 2000, -1500};
    p.Paint(PlaneY, 2);
    args = p.Images()[0].args;
    EXPECT_NEAR(args[2], 1650, 1);
    EXPECT_NEAR(args[3], 1150, 1);
    EXPECT_EQ(p.surface.FindText("Scale=1/7 V/H=2.0") != nullptr, true);
    // Phase-velocity data has no colour scale.
    EXPECT_TRUE(p.surface.OpsOf(OpKind::Rectangle).empty());
}

TEST(DrawSlice, XYPlaneWithZAxisUpShowsTheFarLayer)
{
    Painter p;
    FillCoded(p.volume, 2, 2, 10);
    p.volume.ZAxisDown = 0;
    p.volume.StepZ = 5, p.volume.StartZ = 1;
    p.settings.ManualContour = 1;
    p.settings.ContourMin = 0, p.settings.ContourMax = 1000, p.settings.ContourCount = 1000;
    p.Paint(PlaneZ, 2); // shows z = 7, titled 2 * 5 + 1
    EXPECT_EQ(p.surface.Texts()[0], "Z : 11.000000 (m) : N = 2 ");
    // Value at column 0, row 1 (x = 0): 700; level trunc(700 * 36 / 1000) = 25.
    EXPECT_EQ(p.Images()[0].image.Pixel(0, 1), LevelColor(25, 1));
}

TEST(DrawSlice, StretchAreasStackDownward)
{
    Painter p;
    FillCoded(p.volume, 10, 3, 30);
    p.volume.StepX = 100, p.volume.StepZ = 10;
    p.settings.ScaleDenominator = 100000; // u = v = 10
    StretchInfo& st = *p.volume.Stretch;
    st.StretchOn = 1, st.NArea = 2;
    st.Boundary[0] = 10, st.Boundary[1] = 20;
    st.Stretch[0] = 1, st.Stretch[1] = 2;
    p.Paint(PlaneY, 1);
    const auto images = p.Images();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].args, (std::vector<int>{250, -200, 100, 100}));
    EXPECT_EQ(images[1].args, (std::vector<int>{250, -300, 100, 400}));
    EXPECT_EQ(images[0].image.Height(), 10);
    EXPECT_EQ(images[1].image.Height(), 20);
    // Second area starts at Z index 10: value x + 10 + 100 z.
    CPlotSettings s = p.settings;
    EXPECT_EQ(images[1].image.Pixel(4, 0),
              LevelColor(std::clamp(ValueToLevel(s, 4 + 10 + 1000.0f), 0, 36), 1));
    // Vertical range vmin + (10 + 40) StepZ: bottom label 500 with depth labels.
    ASSERT_NE(p.surface.FindText(" 500"), nullptr) << p.surface.Describe();
    EXPECT_EQ(p.surface.FindText(" 500")->args[1], -(200 + 500) + 20);
    EXPECT_NE(
        ReadAll(p.dir.File("draw_2d_bmp_pixcel.txt")).find("100.000000 500.000000 : 500.000000\n"),
        std::string::npos);

    // An area reaching beyond NZ keeps its full height; its extra rows stay background.
    st.Boundary[1] = 40;
    p.Paint(PlaneY, 1);
    ASSERT_EQ(p.Images().size(), 2u);
    EXPECT_EQ(p.Images()[1].args[3], 800);
    EXPECT_EQ(p.Images()[1].image.Pixel(0, 25), p.surface.background);

    // More than five areas are drawn as five; an absurd boundary does not allocate its rows.
    st.NArea = 7;
    for (int k = 0; k < 5; ++k)
        st.Boundary[k] = 2, st.Stretch[k] = 1;
    st.Boundary[4] = std::numeric_limits<int>::max();
    p.Paint(PlaneX, 1);
    ASSERT_EQ(p.Images().size(), 5u);
    EXPECT_EQ(p.Images()[4].image.Height(), 22); // the 22 rows that exist
}

TEST(DrawSlice, EmptyPlaneDrawsTheTextLinesOnly)
{
    Painter p;
    p.Paint(PlaneZ, 0);
    EXPECT_EQ(p.surface.Texts().size(), 3u);
    EXPECT_TRUE(p.Images().empty());
    EXPECT_EQ(p.settings.DataRangeValid, 0);
    EXPECT_EQ(p.surface.Texts()[2], "NX = 0 NY = 0 NZ = 0 : Min. = 0.000000 Max.= 0.000000");
}

TEST(DrawSlice, DumpFileAndPickedPoints)
{
    Painter p;
    FillCoded(p.volume, 10, 4, 5);
    p.volume.StepX = 100, p.volume.StepZ = 100;
    p.settings.ScaleDenominator = 100000; // u = v = 10 per cell of 100 m
    p.picks = {{150.0f, 250.0f}};
    p.Paint(PlaneY, 0, p.dir.path);
    // px = (150 + 50) * 100 / 1000 + 250; py = (500 - 250) * 50 / 500 + 200.
    const auto circles = p.surface.OpsOf(OpKind::Ellipse);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].args, (std::vector<int>{264, -219, 276, -231}));
    EXPECT_EQ(circles[0].brush.color, platform::MakeRgb(255, 0, 0));
    EXPECT_EQ(ReadAll(p.dir.File("draw_2d_bmp_pixcel.txt")),
              "0 1 1\n"
              "X : 10 100.000000 1000.000000\n"
              "Y : 5 100.000000 500.000000\n"
              "1 : 10.000000 5.000000 : 100.000000 50.000000\n"
              "0 : x 0.000000 y 0.000000\n"
              "100.000000 50.000000 : 50.000000\n"
              "nPickedData=1\n"
              "250 0.000000 1000.000000 100.000000\n"
              "-200 0.000000 500.000000 50.000000\n"
              "0 150.000000 250.000000 270 225\n");
    // An empty folder writes the dump in the current directory, not in the root.
    p.Paint(PlaneY, 0, "");
    EXPECT_EQ(ReadAll("draw_2d_bmp_pixcel.txt").substr(0, 6), "0 1 1\n");
}

TEST(DrawSlice, HostileSettingsDrawWithoutUndefinedConversions)
{
    Painter p;
    FillCoded(p.volume, 8, 8, 8);
    p.settings.ScaleDenominator = 0; // u infinite
    p.settings.VHRatio = std::numeric_limits<float>::quiet_NaN();
    p.settings.ScaleTextRow = std::numeric_limits<int>::max();
    p.Paint(PlaneY, 3);
    p.settings.ScaleDenominator = 1e-20f; // finite but absurd page sizes
    p.Paint(PlaneY, 3);
    p.settings.ScaleDenominator = 0;
    p.Paint(PlaneX, 99); // a plane index beyond the volume reads no cell
    EXPECT_EQ(p.Images()[0].image.Pixel(0, 0), p.surface.background);
    p.volume.StepX = 0, p.volume.StepZ = 0;
    p.settings.ScaleDenominator = 1e-30f;
    p.picks = {{1e30f, -1e30f}};
    p.Paint(PlaneY, 1);
    p.settings.ManualAxis = 1; // manual records all zero: zero-width ranges, no frame
    p.settings.ManualContour = 1;
    p.settings.ContourCount = 0;
    p.Paint(PlaneZ, 1);
    EXPECT_TRUE(p.surface.OpsOf(OpKind::Rectangle).empty());
}

TEST(LayerOverlay, LinesFollowTheLayerTops)
{
    TestModel* model = new TestModel;
    CRegionalModelHolder holder;
    holder.Select(std::unique_ptr<CIntermediateModel>(model), std::make_unique<CIntermediateData>(),
                  0, 0);
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd(dir.path);
    {
        RecordingSurface s;
        // XZ plane at y = 500; samples at x = 0, 500, 1000; 0.1 units per metre across,
        // 0.2 down.
        DrawLayerOverlay(holder, s, 1, 500.0f, 0.1f, 0.2f, 250, -200, 3, 500.0f);
        const auto lines = s.OpsOf(OpKind::Polyline);
        ASSERT_EQ(lines.size(), 3u);
        using P = platform::Point;
        EXPECT_EQ(lines[0].points, (std::vector<P>{{250, -200}, {300, -200}, {350, -200}}));
        EXPECT_EQ(lines[1].points, (std::vector<P>{{250, -210}, {300, -215}, {350, -220}}));
        EXPECT_EQ(lines[2].points, (std::vector<P>{{250, -240}, {300, -260}, {350, -280}}));
    }
    {
        // The middle sample matches nothing: the probe keeps the first sample's depths.
        model->gap = true;
        RecordingSurface s;
        DrawLayerOverlay(holder, s, 1, 500.0f, 0.1f, 0.2f, 250, -200, 3, 500.0f);
        const auto lines = s.OpsOf(OpKind::Polyline);
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[2].points[1], (platform::Point{300, -240}));
        EXPECT_EQ(lines[2].points[2], (platform::Point{350, -280}));
    }
    {
        // YZ plane with offsets: the query point is (c - xoff, a - yoff).
        model->gap = false;
        holder.XOffset = 1000;
        RecordingSurface s;
        DrawLayerOverlay(holder, s, 2, 1500.0f, 0.1f, 0.2f, 250, -200, 2, 500.0f);
        EXPECT_EQ(s.OpsOf(OpKind::Polyline)[2].points[0], (platform::Point{250, -260}));
    }
    {
        // Fewer than ten columns: no samples, but the layer count was asked for.
        const int before = model->asked;
        RecordingSurface s;
        DrawLayerOverlay(holder, s, 1, 0.0f, 1.0f, 1.0f, 0, 0, 0, 10.0f);
        EXPECT_TRUE(s.ops.empty());
        EXPECT_EQ(model->asked, before + 1);
    }
}

TEST(LayerOverlay, DrawnOnVerticalPlanesOnlyOnceLoaded)
{
    CRegionalModelHolder& holder = theRegionalModelHolder();
    holder.Select(std::make_unique<TestModel>(), std::make_unique<CIntermediateData>(), 0, 0);
    Painter p;
    FillCoded(p.volume, 25, 25, 5);
    p.volume.StepX = p.volume.StepY = p.volume.StepZ = 100;
    p.Paint(PlaneY, 0);
    EXPECT_TRUE(p.surface.OpsOf(OpKind::Polyline).empty()); // not loaded yet
    holder.Loaded = 1;
    p.Paint(PlaneY, 0);
    const auto lines = p.surface.OpsOf(OpKind::Polyline);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points.size(), 2u); // trunc(25 / 10) samples
    p.Paint(PlaneZ, 0);
    EXPECT_TRUE(p.surface.OpsOf(OpKind::Polyline).empty());
    holder.Loaded = 0;
    holder.Select(std::make_unique<CIntermediateModel>(), std::make_unique<CIntermediateData>(), 0,
                  0);
}
