#include "distributed/MemoryBudget.h"

#include <gtest/gtest.h>

TEST(MemoryBudget, ParsesMemAvailableInBytes)
{
    const std::string meminfo = "MemTotal:       24537112 kB\n"
                                "MemFree:        23000000 kB\n"
                                "MemAvailable:   23456789 kB\n"
                                "Buffers:           12345 kB\n";
    ASSERT_TRUE(ParseMemAvailable(meminfo).has_value());
    EXPECT_EQ(*ParseMemAvailable(meminfo), 23456789ull * 1024);
    EXPECT_FALSE(ParseMemAvailable("MemTotal: 1 kB\n").has_value());
    EXPECT_FALSE(ParseMemAvailable("MemAvailable: lots\n").has_value());
    EXPECT_FALSE(ParseMemAvailable("").has_value());
}

TEST(MemoryBudget, CgroupLimitLeavesMaxMinusCurrent)
{
    EXPECT_EQ(*CgroupMemoryLeft("8589934592\n", "1073741824\n"), 7516192768ull);
    EXPECT_EQ(*CgroupMemoryLeft("100\n", "200\n"), 0ull);
    EXPECT_FALSE(CgroupMemoryLeft("max\n", "1073741824\n").has_value());
    EXPECT_FALSE(CgroupMemoryLeft("", "").has_value());
}

TEST(MemoryBudget, EstimateCountsTwoArraysAndTheWorkSpace)
{
    // 256^3 on one rank: FFTW's r2c needs 256 * 256 * 129 complex values per array
    const std::int64_t alloc = 256LL * 256 * 129;
    const RankMemory m = EstimateRankMemory(alloc, 256, std::size_t{1} << 24);
    EXPECT_EQ(m.arrays, 2ull * alloc * 8);
    EXPECT_EQ(m.fftwWork, static_cast<std::uint64_t>(alloc) * 8);
    EXPECT_EQ(m.Total(), m.arrays + m.fftwWork + m.tables + m.runtime);
    EXPECT_GE(m.tables, (std::uint64_t{1} << 24) * 8);
    EXPECT_LT(EstimateRankMemory(alloc, 256, 0).tables, m.tables);
    // a rank without planes still holds its minimum
    EXPECT_GT(EstimateRankMemory(0, 8, 0).Total(), 0u);
}

TEST(MemoryBudget, FormatsBytesInBinaryUnits)
{
    EXPECT_EQ(FormatBytes(512), "512 B");
    EXPECT_EQ(FormatBytes(12 * 1024), "12.0 KiB");
    EXPECT_EQ(FormatBytes(3ull << 20), "3.0 MiB");
    EXPECT_EQ(FormatBytes(3ull << 29), "1.5 GiB");
}
