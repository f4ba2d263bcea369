#include "render/ColorPalette.h"
#include "render/PlotSettings.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

TEST(ValueToLevel, AutomaticContoursUseTwoThirdsOfTheLevels)
{
    CPlotSettings s;
    SetAutoContours(s, 100.0f, 340.0f);
    EXPECT_EQ(s.ContourCount, 24);
    EXPECT_FLOAT_EQ(s.ContourInterval, 10.0f);
    EXPECT_EQ(ValueToLevel(s, 100.0f), 0);  // DataMin
    EXPECT_EQ(ValueToLevel(s, 340.0f), 36); // DataMax: k = n
    EXPECT_EQ(ValueToLevel(s, 219.9f), 16); // just below the middle: k = 11
    EXPECT_EQ(ValueToLevel(s, 220.0f), 18); // the middle: k = 12
    std::set<int> seen;
    for (int i = 0; i <= 24000; ++i)
        seen.insert(ValueToLevel(s, 100.0f + 0.01f * i));
    for (int level = 2; level <= 35; level += 3)
        EXPECT_EQ(seen.count(level), 0u) << level;
    EXPECT_EQ(seen.size(), 25u); // 0, 1, 3, 4, ..., 34, 36
    EXPECT_EQ(seen.count(34), 1u);
}

TEST(ValueToLevel, ManualContoursOutsideTheRangeAndDegenerateLevels)
{
    CPlotSettings s;
    s.ContourMin = 0, s.ContourMax = 100, s.ContourInterval = 30;
    SetManualContours(s);
    EXPECT_EQ(s.ManualContour, 1);
    EXPECT_EQ(s.ContourCount, 3);            // trunc(3.33 + 0.5)
    EXPECT_EQ(ValueToLevel(s, -1.0f), 0);    // a little below: trunc toward zero gives k = 0
    EXPECT_EQ(ValueToLevel(s, -50.0f), -12); // further below: the caller clamps to 0
    EXPECT_GE(ValueToLevel(s, 1000.0f), 36);

    // An interval more than twice the range gives no interval at all, never a division by 0.
    s.ContourInterval = 250;
    SetManualContours(s);
    EXPECT_EQ(s.ContourCount, 0);
    EXPECT_EQ(ValueToLevel(s, 50.0f), 0);
    s.ContourInterval = 0;
    SetManualContours(s);
    EXPECT_EQ(s.ContourCount, 0);

    // Equal ends, NaN and huge values: level 0 or a saturated level, no undefined conversion.
    SetAutoContours(s, 5.0f, 5.0f);
    EXPECT_EQ(ValueToLevel(s, 5.0f), 0);
    SetAutoContours(s, 0.0f, 1.0f);
    EXPECT_EQ(ValueToLevel(s, std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_GE(ValueToLevel(s, 3.0e38f), 36);
    EXPECT_LE(ValueToLevel(s, -3.0e38f), 0);
    EXPECT_EQ(TruncToInt(std::numeric_limits<double>::infinity()), std::numeric_limits<int>::max());
    EXPECT_EQ(TruncToInt(-2.7), -2);
}

TEST(ColorPalette, BothTables)
{
    using platform::MakeRgb;
    EXPECT_EQ(LevelColor(0, 1), MakeRgb(255, 0, 255));
    EXPECT_EQ(LevelColor(5, 1), MakeRgb(255, 0, 0));
    EXPECT_EQ(LevelColor(13, 1), MakeRgb(255, 255, 0));
    EXPECT_EQ(LevelColor(25, 1), MakeRgb(0, 255, 0));
    EXPECT_EQ(LevelColor(28, 1), MakeRgb(0, 170, 75));
    EXPECT_EQ(LevelColor(35, 1), MakeRgb(0, 0, 255));
    EXPECT_EQ(LevelColor(36, 1), MakeRgb(0, 0, 255));
    for (int i = 0; i <= 36; ++i) {
        const int g = static_cast<int>(std::floor(i * 255.0 / 36.0 + 0.5));
        EXPECT_EQ(LevelColor(i, 0), MakeRgb(g, g, g)) << i;
        EXPECT_EQ(LevelColor(i, 2), MakeRgb(g, g, g)) << i;
    }
    EXPECT_EQ(LevelColor(18, 0), MakeRgb(128, 128, 128));
}

TEST(PlotSettings, ScaleComesFromTheProfile)
{
    testing_support::HeadlessServices services;
    {
        CPlotSettings s;
        EXPECT_EQ(s.ScaleDenominator, 1000000.0f);
        EXPECT_EQ(s.OriginX, 250);
        EXPECT_EQ(s.OriginY, -250);
        EXPECT_EQ(s.DataRangeValid, 0);
    }
    services.profile.WriteString("General", "SCALE", "50000.000000");
    CPlotSettings s;
    EXPECT_EQ(s.ScaleDenominator, 50000.0f);
}
