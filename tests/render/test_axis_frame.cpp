#include "RenderTestSupport.h"
#include "platform/RecordingSurface.h"
#include "render/AxisFrame.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <algorithm>

using platform::OpKind;
using platform::RecordingSurface;

namespace {

struct Line {
    int x1, y1, x2, y2;
    bool operator==(const Line&) const = default;
};

std::vector<Line> Lines(const RecordingSurface& s)
{
    std::vector<Line> out;
    int x = 0, y = 0;
    for (const auto& op : s.ops) {
        if (op.kind == OpKind::MoveTo)
            x = op.args[0], y = op.args[1];
        if (op.kind == OpKind::LineTo) {
            out.push_back({x, y, op.args[0], op.args[1]});
            x = op.args[0], y = op.args[1];
        }
    }
    return out;
}

bool HasLine(const RecordingSurface& s, Line l)
{
    for (const Line& m : Lines(s))
        if (m == l)
            return true;
    return false;
}

} // namespace

TEST(AxisFrame, AutomaticRangesGiveElevenTicksAndNoClosingLines)
{
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd(dir.path);
    RecordingSurface s;
    CAxisFrame f;
    f.HMin = 0, f.HMax = 1000, f.VMin = 0, f.VMax = 1000;
    int ax = 0, ay = 0;
    DrawAxisFrame(f, s, 250, 200, 1000.0f, 2000.0f, "Y (m)", "Z (m)", 0, 0, 0, 1, 0, ax, ay);
    EXPECT_EQ(f.HCount, 11);
    EXPECT_EQ(f.VCount, 11);
    EXPECT_EQ(Lines(s).size(), 22u); // grid only
    EXPECT_EQ(ax, 2250);
    EXPECT_EQ(ay, 1200);
    // Depth labels grow downward: 0 at the top, 1000 at the bottom edge, "%4.0f".
    ASSERT_NE(s.FindText("   0"), nullptr);
    EXPECT_EQ(s.FindText("   0")->args, (std::vector<int>{100, -200 + 20}));
    EXPECT_EQ(s.FindText("1000")->args, (std::vector<int>{100, -1200 + 20}));
    // Grid lines pen: 2 units, black.
    EXPECT_EQ(s.OpsOf(OpKind::LineTo)[0].pen, (platform::Pen{2, platform::MakeRgb(0, 0, 0)}));
    // Horizontal labels anchored at the left edge, under the bottom edge.
    const auto texts = s.OpsOf(OpKind::Text);
    bool found = false;
    for (const auto& t : texts)
        if (t.text == " 500" && t.args == std::vector<int>{250 + 1000 - 50, -1200 - 30})
            found = true;
    EXPECT_TRUE(found) << s.Describe();
    // Titles: vertical one rotated at x0 - 200, horizontal one larger, centred less 150.
    const auto* vt = s.FindText("Z (m)");
    ASSERT_NE(vt, nullptr);
    EXPECT_EQ(vt->font.escapement, -900);
    EXPECT_EQ(vt->args, (std::vector<int>{50, -(200 + 550)}));
    const auto* ht = s.FindText("Y (m)");
    ASSERT_NE(ht, nullptr);
    EXPECT_EQ(ht->font.height, 40);
    EXPECT_EQ(ht->args, (std::vector<int>{250 + 1000 - 150, -1200 - 80}));
    EXPECT_EQ(render_test::ReadAll("axis.txt"), ""); // dates only
}

TEST(AxisFrame, ManualVerticalAxisWithRemainder)
{
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd(dir.path);
    for (int down : {0, 1}) {
        RecordingSurface s;
        CAxisFrame f;
        f.Manual = 1;
        f.HMin = 0, f.HMax = 1000, f.HTick = 100;
        f.VMin = 0, f.VMax = 1000, f.VTick = 300;
        int ax = 0, ay = 0;
        DrawAxisFrame(f, s, 250, 200, 1000.0f, 1000.0f, "h", "v", 0, 0, 0, down, 0, ax, ay);
        EXPECT_EQ(f.VCount, 4);
        // Ticks 100, 400, 700, 1000 units below the top edge (y = -200).
        const char* labels[2][4] = {{" 900", " 600", " 300", "   0"},
                                    {"   0", " 300", " 600", " 900"}};
        const int ys[4] = {300, 600, 900, 1200};
        for (int i = 0; i < 4; ++i) {
            const auto* t = s.FindText(labels[down][i]);
            ASSERT_NE(t, nullptr) << labels[down][i];
            EXPECT_EQ(t->args, (std::vector<int>{100, -ys[i] + 20}));
            EXPECT_TRUE(HasLine(s, {250, -ys[i], 1250, -ys[i]}));
        }
        EXPECT_TRUE(HasLine(s, {250, -200, 1250, -200})); // closing line on the top edge
        EXPECT_EQ(Lines(s).size(), 4u + 1u + 11u);        // no closing line on the right
        EXPECT_EQ(ay, 1200);
    }
}

TEST(AxisFrame, KilometreDateAndPrecisionLabels)
{
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd(dir.path);
    {
        RecordingSurface s;
        CAxisFrame f;
        f.Manual = 1;
        f.HMin = 500, f.HMax = 12500, f.HTick = 12000;
        f.VMin = 0, f.VMax = 1, f.VTick = 0.5f;
        int ax = 0, ay = 0;
        DrawAxisFrame(f, s, 0, 0, 100.0f, 100.0f, "", "", 0, 0, 1, 0, 0, ax, ay);
        EXPECT_NE(s.FindText("12.5"), nullptr) << s.Describe();
        EXPECT_NE(s.FindText(" 0.5"), nullptr);
    }
    {
        RecordingSurface s;
        CAxisFrame f;
        f.Manual = 1;
        f.HMin = 86400, f.HMax = 86400 + 7200, f.HTick = 3600;
        f.VMin = 0, f.VMax = 1, f.VTick = 0.5f;
        int ax = 0, ay = 0;
        // The date flag wins over the kilometre flag.
        DrawAxisFrame(f, s, 0, 0, 100.0f, 100.0f, "", "", 0, 0, 1, 0, 1, ax, ay);
        EXPECT_NE(s.FindText("1/2 0:0"), nullptr) << s.Describe();
        EXPECT_NE(s.FindText("1/2 2:0"), nullptr);
        const std::string dump = render_test::ReadAll("axis.txt");
        EXPECT_EQ(dump.substr(0, dump.find('\n') + 1),
                  "0 3600.000000 86400.000000 0.000000 86400.000000 86400 1/2\n");
        EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 3);
    }
    EXPECT_EQ(DateTickLabel(86400.0f * 40, 86400.0f), "2/10");
    EXPECT_EQ(DateTickLabel(1.0e30f, 60.0f), "0/0 -1:-1");
    EXPECT_EQ(TickLabel(0.015f, 0.005f), "0.015");
    EXPECT_EQ(TickLabel(0.5f, 0.1f), " 0.5");
    EXPECT_EQ(TickLabel(0.25f, 0.05f), "0.25");
    EXPECT_EQ(TickLabel(1500.0f, 100.0f), "1500");
}

TEST(AxisFrame, DegenerateRangesAndSpacingsDrawNoTicks)
{
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd(dir.path);
    {
        // Zero-width horizontal range: no frame, the image's edges reported.
        RecordingSurface s;
        CAxisFrame f;
        f.HMin = 5, f.HMax = 5, f.VMin = 0, f.VMax = 10;
        int ax = 0, ay = 0;
        DrawAxisFrame(f, s, 250, 200, 300.0f, 400.0f, "h", "v", 0, 0, 0, 0, 0, ax, ay);
        EXPECT_TRUE(s.OpsOf(OpKind::LineTo).empty());
        EXPECT_TRUE(s.OpsOf(OpKind::Text).empty());
        EXPECT_EQ(ax, 650);
        EXPECT_EQ(ay, 500);
    }
    {
        // Manual spacing 0 on the vertical axis, absurdly small on the horizontal one.
        RecordingSurface s;
        CAxisFrame f;
        f.Manual = 1;
        f.HMin = 0, f.HMax = 1000, f.HTick = 1.0e-6f;
        f.VMin = 0, f.VMax = 1000, f.VTick = 0;
        int ax = 0, ay = 0;
        DrawAxisFrame(f, s, 250, 200, 300.0f, 400.0f, "h", "v", 0, 0, 0, 0, 0, ax, ay);
        EXPECT_EQ(f.VCount, 0);
        EXPECT_EQ(f.HCount, 0);
        for (const auto& t : s.Texts())
            EXPECT_TRUE(t == "h" || t == "v") << t;
    }
}
