#include "volume/SeriesNames.h"

#include <gtest/gtest.h>

namespace {

TEST(SeriesNames, SplitsFolderPrefixNumberText)
{
    SeriesName a = SplitSeriesName("/data/run 7/snap12.dat");
    EXPECT_EQ(a.Folder, "/data/run 7");
    EXPECT_EQ(a.FileName, "snap12.dat");
    EXPECT_EQ(a.Prefix, "snap");
    EXPECT_EQ(a.NumberText, "12");
    EXPECT_EQ(a.Number, 12);

    // Zero padding stays in the number text, not in the value.
    SeriesName padded = SplitSeriesName("snap0012.dat");
    EXPECT_EQ(padded.Folder, "");
    EXPECT_EQ(padded.NumberText, "0012");
    EXPECT_EQ(padded.Number, 12);
    EXPECT_EQ(SplitSeriesName("x000.dat").Number, 0);

    // Only the first run of digits counts; digits in the folder do not.
    SeriesName second = SplitSeriesName("/r2/vp_3_17.dat");
    EXPECT_EQ(second.Prefix, "vp_");
    EXPECT_EQ(second.NumberText, "3");
    EXPECT_EQ(second.Number, 3);

    SeriesName digitsFirst = SplitSeriesName("42snap.dat");
    EXPECT_EQ(digitsFirst.Prefix, "");
    EXPECT_EQ(digitsFirst.Number, 42);

    SeriesName root = SplitSeriesName("/s5.dat");
    EXPECT_EQ(root.Folder, "/");
    EXPECT_EQ(root.FileName, "s5.dat");
}

TEST(SeriesNames, NamesWithoutUsableNumber)
{
    SeriesName none = SplitSeriesName("/d/model.dat");
    EXPECT_EQ(none.Prefix, "model.dat"); // the whole name
    EXPECT_EQ(none.NumberText, "");
    EXPECT_FALSE(none.HasNumber());

    SeriesName empty = SplitSeriesName("/d/");
    EXPECT_EQ(empty.FileName, "");
    EXPECT_FALSE(empty.HasNumber());

    EXPECT_EQ(SplitSeriesName("s2147483647.dat").Number, 2147483647);
    SeriesName huge = SplitSeriesName("s2147483648.dat");
    EXPECT_EQ(huge.NumberText, "2147483648");
    EXPECT_FALSE(huge.HasNumber());
    EXPECT_FALSE(SplitSeriesName("s99999999999999999999999.dat").HasNumber());
}

TEST(SeriesNames, NumberListIsAscendingWithoutDuplicatesAndBounded)
{
    SeriesNumberList list;
    EXPECT_EQ(list.Insert(3), 0);
    EXPECT_EQ(list.Insert(1), 0);
    EXPECT_EQ(list.Insert(2), 1);
    EXPECT_EQ(list.Insert(2), -1);
    EXPECT_EQ(list.Insert(-4), -1);
    EXPECT_EQ(list.Numbers(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(list.Contains(2));
    EXPECT_FALSE(list.Contains(4));

    SeriesNumberList full;
    for (int i = SeriesNumberList::MaxNumbers; i > 0; --i)
        ASSERT_GE(full.Insert(i * 2), 0);
    EXPECT_TRUE(full.IsFull());
    EXPECT_EQ(full.Insert(1), -1);
    EXPECT_EQ(full.Count(), SeriesNumberList::MaxNumbers);
    EXPECT_EQ(full.At(0), 2);
    EXPECT_EQ(full.At(SeriesNumberList::MaxNumbers - 1), 2 * SeriesNumberList::MaxNumbers);
}

} // namespace
