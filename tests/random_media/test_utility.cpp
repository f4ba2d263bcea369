#include "random_media/MedianFilterCommand.h"
#include "random_media/Utility.h"

#include "numeric/Allocation.h"

#include "support/VolumeBuilders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/TestServices.h"

namespace {

using InScratchDir = testing_support::ScratchWorkingDir;

constexpr auto& Flat = testing_support::Flatten;

} // namespace

TEST(CUtility, CreatesOrTruncatesUtilityTxt)
{
    InScratchDir scratch;
    {
        std::ofstream old("utility.txt");
        old << "left over";
    }
    {
        CUtility u;
        EXPECT_TRUE(u.HasFile());
    }
    EXPECT_EQ(std::filesystem::file_size("utility.txt"), 0u);

    // a folder in the way: no file, statistics still work, nothing closed twice
    std::filesystem::remove("utility.txt");
    std::filesystem::create_directory("utility.txt");
    CUtility u;
    EXPECT_FALSE(u.HasFile());
    const float v[] = {1, 2, 3, 4};
    EXPECT_FLOAT_EQ(u.Mean1D(4, v), 2.5f);
}

TEST(CUtility, MeansAndPopulationVariances)
{
    InScratchDir scratch;
    CUtility u;
    const float v[] = {2, 4, 4, 4, 5, 5, 7, 9};
    EXPECT_FLOAT_EQ(u.Mean1D(8, v), 5.0f);
    EXPECT_FLOAT_EQ(u.Variance1D(8, v), 4.0f);
    EXPECT_EQ(u.Mean1D(0, v), -10000000.0f);
    EXPECT_EQ(u.Variance1D(-1, v), -10000000.0f);

    // 2 x 3 x 4 cells holding x + 10 y + 100 z, against a double-precision computation
    float*** t = f3tensor(0, 4, 0, 3, 0, 2);
    double sum = 0, sq = 0;
    for (int z = 0; z < 4; ++z)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 2; ++x) {
                t[z][y][x] = static_cast<float>(x + 10 * y + 100 * z);
                sum += t[z][y][x];
            }
    const double mean = sum / 24;
    for (int z = 0; z < 4; ++z)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 2; ++x)
                sq += (mean - t[z][y][x]) * (mean - t[z][y][x]);
    EXPECT_FLOAT_EQ(u.Mean3D(2, 3, 4, t), static_cast<float>(mean));
    EXPECT_FLOAT_EQ(u.Variance3D(2, 3, 4, t), static_cast<float>(sq / 24));
    EXPECT_EQ(u.Mean3D(2, 0, 4, t), -10000000.0f);
    EXPECT_EQ(u.Variance3D(0, 3, 4, t), -10000000.0f);
    FreeTensor3(t, 0, 4, 0, 3, 0, 2);
}

// The shell's undo stand-in: a CopyFrom copy before the command, swapped back and forth.
TEST(MedianFilterCommand, FiltersAndUndoRedoRestoreValues)
{
    InScratchDir scratch;
    CData3DEx volume;
    EXPECT_FALSE(CanMedianFilter(volume));
    const CommandResult none = MedianFilterCommand(volume);
    EXPECT_EQ(none.Done, 0);
    EXPECT_FALSE(none.Repaint);

    volume.NX = volume.NY = volume.NZ = 10;
    volume.Allocate(10, 10, 10);
    for (int z = 0; z < 10; ++z)
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                volume.Values[z][y][x] = static_cast<float>((x * 7 + y * 3 + z * 5) % 11);
    ASSERT_TRUE(CanMedianFilter(volume));
    const auto original = Flat(volume);

    auto undo = std::make_unique<CData3DEx>();
    undo->CopyFrom(volume);
    std::filesystem::remove("utility.txt");
    const CommandResult o = MedianFilterCommand(volume);
    EXPECT_EQ(o.Done, 1);
    EXPECT_TRUE(o.Repaint);
    EXPECT_TRUE(o.Repick);
    EXPECT_TRUE(o.Changed); // new values: the data range is scanned again
    EXPECT_TRUE(std::filesystem::exists("utility.txt"));
    const auto filtered = Flat(volume);
    EXPECT_NE(filtered, original);

    // Undo
    auto redo = std::make_unique<CData3DEx>();
    redo->CopyFrom(volume);
    volume.CopyFrom(*undo);
    undo.reset();
    EXPECT_EQ(Flat(volume), original);
    // Redo
    undo = std::make_unique<CData3DEx>();
    undo->CopyFrom(volume);
    volume.CopyFrom(*redo);
    redo.reset();
    EXPECT_EQ(Flat(volume), filtered);
    // Undo again
    volume.CopyFrom(*undo);
    EXPECT_EQ(Flat(volume), original);
}
