#include "platform/RecordingSurface.h"
#include "render/ColorPalette.h"
#include "render/ColorScale.h"

#include <gtest/gtest.h>

using platform::OpKind;
using platform::RecordingSurface;

TEST(ColorScale, BandsAndLabelsFollowTheBottomEdge)
{
    CPlotSettings s;
    SetAutoContours(s, 0.0f, 240.0f); // interval 10
    s.OriginY = -200;
    {
        RecordingSurface r;
        DrawColorScale(s, r, 1000, 1200, 1);
        const auto bands = r.OpsOf(OpKind::Rectangle);
        ASSERT_EQ(bands.size(), 25u);
        EXPECT_EQ(bands.front().args, (std::vector<int>{1070, -1400, 1110, -1350}));
        EXPECT_EQ(bands.back().args, (std::vector<int>{1070, -200, 1110, -150})); // 50 + OriginY
        // Bands 0 and 1 share the first interval's colour; band i shows interval i - 1.
        EXPECT_EQ(bands[0].brush.color, LevelColor(0, 1));
        EXPECT_EQ(bands[1].brush.color, LevelColor(0, 1));
        EXPECT_EQ(bands[2].brush.color, LevelColor(1, 1));
        EXPECT_EQ(bands[13].brush.color, LevelColor(18, 1));
        EXPECT_EQ(bands[24].brush.color, LevelColor(34, 1));
        const auto labels = r.OpsOf(OpKind::Text);
        ASSERT_EQ(labels.size(), 25u); // e = 50: every band labelled
        EXPECT_EQ(labels[0].text, "0.000");
        EXPECT_EQ(labels[0].args, (std::vector<int>{1120, -1375 + 40}));
        EXPECT_EQ(labels[24].text, "240.000");
        // The brush is restored after every band.
        EXPECT_EQ(r.brush, platform::Brush{});
    }
    {
        RecordingSurface r;
        DrawColorScale(s, r, 1000, 500, 0);
        EXPECT_EQ(r.OpsOf(OpKind::Rectangle).size(), 25u);
        const auto labels = r.OpsOf(OpKind::Text);
        ASSERT_EQ(labels.size(), 7u); // e = 20: i = 0, 4, ..., 24
        EXPECT_EQ(labels[1].text, "40.000");
        // i = 0: y0 = -700, (2 y0 + e) / 2 + 40.
        EXPECT_EQ(labels[0].args, (std::vector<int>{1120, -690 + 40}));
        EXPECT_EQ(r.OpsOf(OpKind::Rectangle)[0].brush.color, LevelColor(0, 0));
    }
    {
        // ay = 600: e = 25, every second band labelled.
        RecordingSurface r;
        DrawColorScale(s, r, 0, 600, 1);
        EXPECT_EQ(r.OpsOf(OpKind::Text).size(), 13u);
    }
}

TEST(ColorScale, LeftOutWithoutFiniteBands)
{
    CPlotSettings s;
    s.ContourMin = 0, s.ContourMax = 10, s.ContourInterval = 30;
    SetManualContours(s); // count 0
    RecordingSurface r;
    DrawColorScale(s, r, 1000, 1200, 1);
    EXPECT_TRUE(r.ops.empty());
    SetAutoContours(s, 0, 10);
    DrawColorScale(s, r, 1000, 12, 1); // bands below one unit
    EXPECT_TRUE(r.ops.empty());
}
