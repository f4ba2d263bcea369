// Colour maps and continuous shading: the tables, and that the colour scale shows every colour
// the picture paints, for every map, banded and continuous.
#include "RenderTestSupport.h"
#include "platform/RecordingSurface.h"
#include "render/ColorPalette.h"
#include "render/ColorScale.h"
#include "render/DrawSlice.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using platform::OpKind;
using platform::RecordingSurface;
using platform::Rgb;

namespace {

struct PaintResult {
    std::set<Rgb> plane;  // colours of the cells
    std::set<Rgb> legend; // colours of the bands, end boxes and the continuous bar
};

// One paint of a 40 x 30 XZ plane whose values run beyond the contour range on both sides.
PaintResult PaintWith(int colourMode, int map, int continuous, bool manualRange)
{
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd{dir.path};
    CData3DEx v;
    v.Allocate(40, 3, 30);
    v.NX = 40, v.NY = 3, v.NZ = 30;
    for (int z = 0; z < 30; ++z)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 40; ++x)
                v.Values[z][y][x] = std::sin(0.3f * x) * 50.0f + 2.0f * z - 20.0f;
    CPlotSettings s;
    s.ScaleDenominator = 200.0f; // 40 cells of 1 m: 200 mm wide
    s.Display.ColourMap = map;
    s.Display.ContinuousShading = continuous;
    if (manualRange) {
        s.ContourMin = -30, s.ContourMax = 30, s.ContourInterval = 5;
        SetManualContours(s);
    }
    CDrawingParameter layout;
    RecordingSurface r{platform::Rect{0, 0, 4000, -3000}};
    SliceViewState view;
    view.orientation = PlaneY;
    view.planeIndex = 1;
    view.client = r.client;
    view.colourMode = colourMode;
    DrawSlice(s, r, "", layout, v, view);

    PaintResult out;
    const auto images = r.OpsOf(OpKind::Image);
    EXPECT_GE(images.size(), 1u);
    for (Rgb c : images.front().image.Pixels())
        out.plane.insert(c);
    for (std::size_t i = 1; i < images.size(); ++i)
        for (Rgb c : images[i].image.Pixels())
            out.legend.insert(c);
    for (const auto& op : r.OpsOf(OpKind::Rectangle))
        if (!op.brush.hollow)
            out.legend.insert(op.brush.color);
    return out;
}

} // namespace

TEST(ColourMaps, EveryPaintedColourAppearsInTheScale)
{
    for (int map = 0; map < ColourMapCount; ++map)
        for (int continuous = 0; continuous <= 1; ++continuous)
            for (bool manual : {false, true}) {
                // Monochrome is the grey colour mode.
                const int mode = map == ColourMapMonochrome ? 0 : 1;
                const PaintResult p = PaintWith(mode, map, continuous, manual);
                SCOPED_TRACE(ColourMapName(map) + (continuous ? " continuous" : " banded") +
                             (manual ? " manual" : " automatic"));
                EXPECT_GT(p.plane.size(), continuous ? 100u : 10u);
                for (Rgb c : p.plane)
                    EXPECT_TRUE(p.legend.count(c)) << "colour " << std::hex << c;
            }
}

TEST(ColourMaps, DescribedPalettesStayTheDefault)
{
    // Classic and Monochrome bands are the 37-level tables; the grey mode wins over any map.
    const CColorPalette palette;
    for (int l = 0; l < LevelCount; ++l) {
        EXPECT_EQ(GetColourMap(ColourMapClassic).level[l], palette.Rainbow[l]);
        EXPECT_EQ(GetColourMap(ColourMapMonochrome).level[l], palette.Grey[l]);
    }
    EXPECT_EQ(ColourChoice(0, ColourMapViridis).EffectiveMap(), ColourMapMonochrome);
    EXPECT_EQ(ColourChoice(1, 99).EffectiveMap(), ColourMapClassic);
    EXPECT_EQ(ColourChoice().EffectiveMap(), ColourMapClassic);
    // Continuous classic runs through the levels: level l sits at shade l x 255 / 36.
    EXPECT_EQ(GetColourMap(ColourMapClassic).shade[0], palette.Rainbow[0]);
    EXPECT_EQ(GetColourMap(ColourMapClassic).shade[255], palette.Rainbow[36]);
    EXPECT_EQ(GetColourMap(ColourMapMonochrome).shade[128], platform::MakeRgb(128, 128, 128));
}

TEST(ColourMaps, PublishedTablesEndsAndNames)
{
    // The first and last entries of matplotlib's tables, rounded to 8 bits.
    EXPECT_EQ(GetColourMap(ColourMapViridis).shade[0], platform::MakeRgb(68, 1, 84));
    EXPECT_EQ(GetColourMap(ColourMapViridis).shade[255], platform::MakeRgb(253, 231, 37));
    EXPECT_EQ(GetColourMap(ColourMapMagma).shade[0], platform::MakeRgb(0, 0, 4));
    EXPECT_EQ(GetColourMap(ColourMapCividis).shade[0], platform::MakeRgb(0, 34, 78));
    EXPECT_EQ(GetColourMap(ColourMapTurbo).shade[0], platform::MakeRgb(48, 18, 59));
    // Diverging: blue low, white in the middle, red high.
    const ColourMapTable& bwr = GetColourMap(ColourMapBlueWhiteRed);
    EXPECT_GT(platform::RgbBlue(bwr.shade[0]), platform::RgbRed(bwr.shade[0]));
    EXPECT_GT(platform::RgbRed(bwr.shade[255]), platform::RgbBlue(bwr.shade[255]));
    EXPECT_GE(platform::RgbGreen(bwr.level[18]), 240);
    for (int map = 0; map < ColourMapCount; ++map)
        EXPECT_EQ(ColourMapFromName(ColourMapName(map)), map);
    EXPECT_EQ(ColourMapFromName("VIRIDIS"), ColourMapViridis);
    EXPECT_EQ(ColourMapFromName("jet"), -1);
}

TEST(ColourMaps, ShadeOfAValue)
{
    CPlotSettings s;
    SetAutoContours(s, -10.0f, 10.0f);
    EXPECT_EQ(ValueToShade(s, -10.0f), 0);
    EXPECT_EQ(ValueToShade(s, 10.0f), 255);
    EXPECT_EQ(ValueToShade(s, 0.0f), 128); // 127.5 rounds up
    EXPECT_EQ(ValueToShade(s, -1e30f), 0);
    EXPECT_EQ(ValueToShade(s, 1e30f), 255);
    EXPECT_EQ(ValueToShade(s, std::nanf("")), 0);
    SetAutoContours(s, 5.0f, 5.0f); // no width: every value shade 0
    EXPECT_EQ(ValueToShade(s, 7.0f), 0);
}

TEST(ColourMaps, ContinuousScaleIsOneBarWithTheSameLabels)
{
    CPlotSettings s;
    SetAutoContours(s, 0.0f, 240.0f);
    s.OriginY = -200;
    RecordingSurface banded, smooth;
    DrawColorScale(s, banded, 1000, 1200, ColourChoice(1, ColourMapViridis, 0));
    DrawColorScale(s, smooth, 1000, 1200, ColourChoice(1, ColourMapViridis, 1));
    EXPECT_EQ(banded.Texts(), smooth.Texts());
    const auto bars = smooth.OpsOf(OpKind::Image);
    ASSERT_EQ(bars.size(), 1u);
    // From the bottom of band 0 to the top of band 24, across the band column.
    EXPECT_EQ(bars[0].args, (std::vector<int>{1070, -150, 40, 1250}));
    // Top row is the highest value's shade, bottom row the lowest's.
    const platform::PixelImage& bar = bars[0].image;
    EXPECT_EQ(bar.Pixel(0, 0), GetColourMap(ColourMapViridis).shade[255]);
    EXPECT_EQ(bar.Pixel(0, bar.Height() - 1), GetColourMap(ColourMapViridis).shade[0]);
    // Label 12 (120) sits at the middle of band 12, where the bar shows value 120.
    const int middleRow = bar.Height() / 2;
    EXPECT_NEAR(platform::RgbGreen(bar.Pixel(0, middleRow)),
                platform::RgbGreen(GetColourMap(ColourMapViridis).shade[ValueToShade(s, 120)]), 3);
}
