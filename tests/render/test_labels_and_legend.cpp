// What the reader of a plot sees around the image: tick labels that can be told apart and do
// not collide, a colour scale that shows every colour of the picture and leaves the header
// text readable, axis titles in the unit of their labels.

#include "RenderTestSupport.h"
#include "platform/RecordingSurface.h"
#include "render/AxisFrame.h"
#include "render/ColorPalette.h"
#include "render/ColorScale.h"
#include "render/DrawSlice.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using platform::OpKind;
using platform::RecordingSurface;

namespace {

// Width of a label, estimated on its own terms: Arial's digits are 0.56 of the em, the em a
// little under the cell height.
int Width(const std::string& text, int fontHeight)
{
    return static_cast<int>(0.5 * fontHeight * static_cast<double>(text.size()));
}

struct Label {
    int x, y;
    std::string text;
};

// Labels of the horizontal axis: plain text ops on the line below the bottom edge.
std::vector<Label> LabelsAtY(const RecordingSurface& s, int y)
{
    std::vector<Label> out;
    for (const auto& op : s.OpsOf(OpKind::Text))
        if (op.args[1] == y && op.font.escapement == 0)
            out.push_back({op.args[0], op.args[1], op.text});
    return out;
}

// Labels of the vertical axis: plain text ops in the label column left of the frame.
std::vector<Label> LabelsAtX(const RecordingSurface& s, int x)
{
    std::vector<Label> out;
    for (const auto& op : s.OpsOf(OpKind::Text))
        if (op.args[0] == x && op.font.escapement == 0)
            out.push_back({op.args[0], op.args[1], op.text});
    return out;
}

std::vector<std::string> Texts(const std::vector<Label>& labels)
{
    std::vector<std::string> out;
    for (const Label& l : labels)
        out.push_back(l.text);
    return out;
}

struct Frame {
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd{dir.path};
    RecordingSurface s;
    CAxisFrame f;
    int ax = 0, ay = 0;

    // x0 = 250, top = 200; depth labels grow downward.
    void Draw(float height, float width, int kiloMeter)
    {
        DrawAxisFrame(f, s, 250, 200, height, width, "h", "v", 0, 0, kiloMeter, 1, 0, ax, ay);
    }
};

} // namespace

TEST(TickLabels, NeighboursNeverReadTheSame)
{
    Frame fr;
    fr.f.HMin = 0, fr.f.HMax = 500; // 50 m ticks in km: "%4.1f" read 0.0 0.1 0.1 0.1 0.2 ...
    fr.f.VMin = 0, fr.f.VMax = 100; // 10 m ticks
    fr.Draw(1000.0f, 2000.0f, 1);
    const auto h = Texts(LabelsAtY(fr.s, -1200 - 30));
    EXPECT_EQ(h, (std::vector<std::string>{"0.00", "0.05", "0.10", "0.15", "0.20", "0.25", "0.30",
                                           "0.35", "0.40", "0.45", "0.50"}))
        << fr.s.Describe();
    const auto v = Texts(LabelsAtX(fr.s, 100));
    ASSERT_EQ(v.size(), 11u);
    EXPECT_EQ(v.front(), "0.00");
    EXPECT_EQ(v[1], "0.01");
    EXPECT_EQ(v.back(), "0.10");

    // Labels that already differ keep the precision the tick spacing gives.
    EXPECT_EQ(NumberLabels({0, 1000, 2000}, 1000, 1),
              (std::vector<std::string>{" 0.0", " 1.0", " 2.0"}));
    EXPECT_EQ(NumberLabels({0.5f, 0.6f}, 0.1f, 0), (std::vector<std::string>{" 0.5", " 0.6"}));
    // Without the kilometre flag a spacing whose labels round alike gets decimals too.
    const auto fine = NumberLabels({1.0f, 1.004f, 1.008f}, 0.004f, 0);
    EXPECT_NE(fine[0], fine[1]);
    EXPECT_NE(fine[1], fine[2]);
}

TEST(TickLabels, ZoomedOutOnlyEverySecondFifthOrTenthTickIsLabelled)
{
    Frame fr;
    fr.f.HMin = 0, fr.f.HMax = 128000; // the demo's width, at 1/10000000
    fr.f.VMin = 0, fr.f.VMax = 64000;
    fr.Draw(64.0f, 128.0f, 1);
    // Grid lines stay at every tick.
    EXPECT_EQ(fr.s.OpsOf(OpKind::LineTo).size(), 22u);

    const auto h = LabelsAtY(fr.s, -(200 + 64) - 30);
    ASSERT_FALSE(h.empty());
    EXPECT_EQ(h.front().text, " 0.0"); // the first tick keeps its label
    for (std::size_t i = 1; i < h.size(); ++i) {
        EXPECT_GE(h[i].x, h[i - 1].x + Width(h[i - 1].text, 35))
            << h[i - 1].text << " runs into " << h[i].text;
    }
    // Labelled ticks are every k-th tick, k one of 1, 2, 5, 10, at the tick positions.
    const int spacing = 12; // trunc(i x width x tick / range) = trunc(12.8 i)
    ASSERT_GE(h.size(), 2u);
    const int k = (h[1].x - h[0].x + 1) / spacing;
    EXPECT_TRUE(k == 2 || k == 5 || k == 10) << k;

    const auto v = LabelsAtX(fr.s, 100);
    ASSERT_FALSE(v.empty());
    for (std::size_t i = 1; i < v.size(); ++i)
        EXPECT_GE(v[i - 1].y - v[i].y, 35) << v[i - 1].text << " over " << v[i].text;
    EXPECT_EQ(v.front().text, " 0.0");
}

TEST(AxisTitles, SayTheUnitTheLabelsShow)
{
    EXPECT_EQ(AxisTitle("X", "m", 1), "X (km)");
    EXPECT_EQ(AxisTitle("X", "m", 0), "X (m)");
    EXPECT_EQ(AxisTitle("T", "s", 1), "T (1000 s)");
    // Manual records hold the bare title; a unit already written is kept or converted.
    EXPECT_EQ(ManualAxisTitle("Depth", "m", 1), "Depth (km)");
    EXPECT_EQ(ManualAxisTitle("Depth (m)", "m", 1), "Depth (km)");
    EXPECT_EQ(ManualAxisTitle("Depth (km)", "m", 1), "Depth (km)");
    EXPECT_EQ(ManualAxisTitle("Depth (ft)", "m", 1), "Depth (ft)");
    EXPECT_EQ(ManualAxisTitle("Depth", "m", 0), "Depth (m)");
}

namespace {

// A demo-sized volume whose values grow with depth: 2200 + 100 z + 10 x.
struct Page {
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd{dir.path};
    CPlotSettings settings;
    CDrawingParameter margins; // the document's defaults: top 150
    CData3DEx volume;
    RecordingSurface surface;
    SliceViewState view;

    explicit Page(platform::Rect client = {0, 0, 4000, -3000}) : surface(client)
    {
        volume.NX = 128, volume.NY = 96, volume.NZ = 64;
        volume.Allocate(128, 96, 64);
        for (int z = 0; z < 64; ++z)
            for (int y = 0; y < 96; ++y)
                for (int x = 0; x < 128; ++x)
                    volume.Values[z][y][x] = 2200.0f + 100.0f * z + 10.0f * x;
        volume.StepX = volume.StepY = volume.StepZ = 1000;
    }
    void Paint(int colourMode = 1, int kiloMeter = 1)
    {
        surface.ops.clear();
        view.orientation = PlaneY;
        view.planeIndex = 48;
        view.client = surface.client;
        view.colourMode = colourMode;
        view.kiloMeter = kiloMeter;
        DrawSlice(settings, surface, "", margins, volume, view);
    }
};

} // namespace

TEST(ColourScale, ShowsEveryColourThePictureShows)
{
    struct Case {
        const char* name;
        bool manual;
        float min, max, interval;
    };
    const Case cases[] = {
        {"automatic", false, 0, 0, 0},
        {"manual 5000-7000 by 250", true, 5000, 7000, 250},
        {"manual 5000-7000 by 300 (7 intervals, not dividing the range)", true, 5000, 7000, 300},
        {"manual 5000-7000 by 800 (2 intervals)", true, 5000, 7000, 800},
    };
    for (const Case& c : cases)
        for (int colourMode : {1, 0}) {
            SCOPED_TRACE(std::string(c.name) + (colourMode == 1 ? ", rainbow" : ", grey"));
            Page p;
            if (c.manual) {
                p.settings.ContourMin = c.min;
                p.settings.ContourMax = c.max;
                p.settings.ContourInterval = c.interval;
                SetManualContours(p.settings);
            }
            p.Paint(colourMode);
            std::set<platform::Rgb> painted, legend;
            for (const auto& op : p.surface.OpsOf(OpKind::Image))
                painted.insert(op.image.Pixels().begin(), op.image.Pixels().end());
            for (const auto& op : p.surface.OpsOf(OpKind::Rectangle))
                legend.insert(op.brush.color);
            ASSERT_FALSE(legend.empty());
            for (platform::Rgb colour : painted)
                EXPECT_TRUE(legend.count(colour))
                    << "painted colour " << platform::RgbRed(colour) << ","
                    << platform::RgbGreen(colour) << "," << platform::RgbBlue(colour)
                    << " is not in the colour scale";
        }
}

TEST(ColourScale, OverAndUnderBoxesSitApartAtTheEnds)
{
    CPlotSettings s;
    SetAutoContours(s, 0.0f, 240.0f);
    s.OriginY = -200;
    RecordingSurface r;
    DrawColorScaleEnds(s, r, 1000, 1200, 1);
    const auto boxes = r.OpsOf(OpKind::Rectangle);
    ASSERT_EQ(boxes.size(), 2u);
    // The bar runs from -1400 to -150: the over box 25 above it, the under box 25 below.
    EXPECT_EQ(boxes[0].args, (std::vector<int>{1070, -125, 1110, -75}));
    EXPECT_EQ(boxes[0].brush.color, LevelColor(36, 1));
    EXPECT_EQ(boxes[1].args, (std::vector<int>{1070, -1475, 1110, -1425}));
    EXPECT_EQ(boxes[1].brush.color, LevelColor(0, 1));
    EXPECT_NE(r.FindText(">= 240.000"), nullptr);
    EXPECT_NE(r.FindText("< 0.000"), nullptr);
    EXPECT_EQ(r.brush, platform::Brush{});

    // A picture close under the page's top edge: the legend moves down to stay on the page.
    s.OriginY = -20;
    RecordingSurface high;
    DrawColorScale(s, high, 1000, 1200, 1);
    DrawColorScaleEnds(s, high, 1000, 1200, 1);
    for (const auto& op : high.ops) {
        if (op.kind == OpKind::Rectangle) {
            EXPECT_LT(std::max(op.args[1], op.args[3]), 0);
        }
        if (op.kind == OpKind::Text) {
            EXPECT_LT(op.args[1], 0) << op.text;
        }
    }

    // No bar, no boxes.
    s.ContourCount = 0;
    RecordingSurface none;
    DrawColorScaleEnds(s, none, 1000, 1200, 1);
    EXPECT_TRUE(none.ops.empty());
}

TEST(ColourScale, NeverCoversTheHeaderText)
{
    Page p;
    p.settings.ScaleDenominator = 10000000; // 1 unit per cell: a plot 12.8 mm wide
    p.Paint();
    const auto texts = p.surface.OpsOf(OpKind::Text);
    ASSERT_GE(texts.size(), 3u);
    int headerRight = 0;
    for (int i = 0; i < 3; ++i)
        headerRight = std::max(headerRight, texts[i].args[0] + Width(texts[i].text, 35));
    const int headerBottom = -110 - 35;
    auto clear = [&](int left, int right, int top, const std::string& what) {
        if (left < headerRight) {
            EXPECT_LE(top, headerBottom) << what << " reaches into the header";
        }
    };
    const auto boxes = p.surface.OpsOf(OpKind::Rectangle);
    ASSERT_FALSE(boxes.empty());
    const int legendLeft = boxes[0].args[0];
    for (const auto& b : boxes)
        clear(b.args[0], b.args[2], std::max(b.args[1], b.args[3]), "a colour box");
    for (std::size_t i = 3; i < texts.size(); ++i)
        if (texts[i].args[0] > legendLeft)
            clear(texts[i].args[0], texts[i].args[0] + Width(texts[i].text, 35), texts[i].args[1],
                  "label " + texts[i].text);

    // Where the header is not in the way, the legend stays where the plot puts it: band 0 at
    // y = 0 x e - ay + OriginY with ay = 150 + 640.
    Page wide;
    wide.Paint();
    const auto bands = wide.surface.OpsOf(OpKind::Rectangle);
    ASSERT_GE(bands.size(), 25u);
    EXPECT_EQ(bands[0].args[1], -790 - 150);
}

TEST(ColourScale, StaysOnAShortPageThePlotFits)
{
    // A wide, short page: the plot fitted to it ends near the bottom edge, and the legend, moved
    // down below the header, would end beyond it.
    const int bottom = -750;
    Page p(platform::Rect{0, 0, 2970, bottom});
    p.settings.Display.FitToWindow = true;
    p.Paint();
    const auto boxes = p.surface.OpsOf(OpKind::Rectangle);
    ASSERT_GE(boxes.size(), 27u) << "the bands and both end boxes are drawn";
    for (const auto& b : boxes)
        EXPECT_GE(std::min(b.args[1], b.args[3]), bottom) << "a colour box below the page";
    for (const auto& t : p.surface.OpsOf(OpKind::Text))
        EXPECT_GE(t.args[1] - 35, bottom) << "\"" << t.text << "\" below the page";

    // At a fixed scale whose plot runs beyond the bottom edge anyway, the legend keeps its bands
    // as high as on a tall page.
    Page tall, beyond(platform::Rect{0, 0, 4800, bottom});
    tall.settings.ScaleDenominator = beyond.settings.ScaleDenominator = 50000;
    tall.Paint();
    beyond.Paint();
    const auto a = tall.surface.OpsOf(OpKind::Rectangle),
               b = beyond.surface.OpsOf(OpKind::Rectangle);
    ASSERT_GE(a.size(), 2u);
    ASSERT_GE(b.size(), 2u);
    EXPECT_EQ(a[0].args[1] - a[0].args[3], b[0].args[1] - b[0].args[3]);
}
