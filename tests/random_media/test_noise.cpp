#include "numeric/Allocation.h"
#include "random_media/Noise.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The state after stepping draws times, one Next() at a time.
std::uint32_t Stepped(std::uint32_t seed, std::uint64_t draws)
{
    CRandomGenerator g(seed);
    for (std::uint64_t i = 0; i < draws; ++i)
        g.Next();
    return g.State();
}

std::uint32_t Jumped(std::uint32_t seed, std::uint64_t draws)
{
    CRandomGenerator g(seed);
    g.Discard(draws);
    return g.State();
}

} // namespace

TEST(CRandomGenerator, DiscardEqualsSteppingForSmallCounts)
{
    for (std::uint32_t seed : {0u, 1u, 10u, 0xFFFFFFFFu, 123456789u})
        for (std::uint64_t k = 0; k <= 70; ++k)
            EXPECT_EQ(Jumped(seed, k), Stepped(seed, k)) << "seed " << seed << " k " << k;
}

TEST(CRandomGenerator, DiscardEqualsSteppingForLargeCounts)
{
    // slab starts of real grids: 64^3 split in 4, 256^3 split in 2, and odd counts
    for (std::uint64_t k : {65536ull, 3ull * 65536, 8388608ull, 1000003ull, 16777215ull})
        EXPECT_EQ(Jumped(10, k), Stepped(10, k)) << "k " << k;
}

TEST(CRandomGenerator, DiscardThenNextContinuesTheSequence)
{
    CRandomGenerator stepped(10);
    std::vector<int> draws;
    for (int i = 0; i < 5000; ++i)
        draws.push_back(stepped.Next());
    for (int start : {0, 1, 2, 17, 4095, 4999}) {
        CRandomGenerator g(10);
        g.Discard(static_cast<std::uint64_t>(start));
        for (int i = start; i < 5000; ++i)
            ASSERT_EQ(g.Next(), draws[static_cast<std::size_t>(i)]) << "start " << start;
    }
}

TEST(CRandomGenerator, DiscardComposes)
{
    // jumps of j then k land where one jump of j + k does, beyond 2^32 as well
    const std::uint64_t j = 5000000000ull, k = 7777777777ull;
    CRandomGenerator a(10);
    a.Discard(j);
    a.Discard(k);
    EXPECT_EQ(a.State(), Jumped(10, j + k));
}

TEST(CRandomGenerator, PeriodIsTwoToThe32)
{
    // c odd and a - 1 divisible by 4: the full period, so a jump of 2^32 returns to the seed
    EXPECT_EQ(Jumped(10, 1ull << 32), 10u);
    EXPECT_EQ(Jumped(10, (1ull << 32) + 3), Stepped(10, 3));
    EXPECT_NE(Jumped(10, 1ull << 31), 10u);
}

TEST(FillUniformNoiseRows, MatchesTheWholeGridBitForBit)
{
    const int nx = 12, ny = 5, nz = 7;
    float*** whole = f3tensor(0, nz, 0, ny, 0, nx);
    FillUniformNoise(nx, ny, nz, whole, 0);

    // every split of the z planes, into rows padded to 2 (nx / 2 + 1) floats as FFTW keeps them
    const std::size_t stride = 2 * (nx / 2 + 1);
    for (int z0 = 0; z0 < nz; ++z0)
        for (int z1 = z0 + 1; z1 <= nz; ++z1) {
            const std::size_t rows = static_cast<std::size_t>(z1 - z0) * ny;
            std::vector<float> slab(rows * stride, 99.0f);
            FillUniformNoiseRows(FixedNoiseSeed, static_cast<std::uint64_t>(z0) * nx * ny, nx, rows,
                                 slab.data(), stride);
            for (int z = z0; z < z1; ++z)
                for (int y = 0; y < ny; ++y) {
                    const float* row =
                        slab.data() + (static_cast<std::size_t>(z - z0) * ny + y) * stride;
                    ASSERT_EQ(std::memcmp(row, whole[z][y], sizeof(float) * nx), 0)
                        << "z " << z << " y " << y << " slab " << z0 << ".." << z1;
                    EXPECT_EQ(row[nx], 99.0f); // the padding is left alone
                }
        }
    FreeTensor3(whole, 0, nz, 0, ny, 0, nx);
}

TEST(FillUniformNoiseRows, FirstCellFromSeedTen)
{
    float v = 0;
    FillUniformNoiseRows(FixedNoiseSeed, 0, 1, 1, &v, 1);
    EXPECT_EQ(v, 71.0f / 32768.0f - 0.5f);
}

TEST(UniformNoiseSeed, FixedUnlessFromTheClock)
{
    EXPECT_EQ(UniformNoiseSeed(0), 10u);
    EXPECT_EQ(UniformNoiseSeed(2), 10u);
}

TEST(FillUniformNoise, AnotherSeedStartsItsOwnSequence_TheClockFlagStillWins)
{
    float*** t = f3tensor(0, 1, 0, 1, 0, 2);
    // seed 11: s = 11 * 214013 + 2531011 = 4885154, draw (s >> 16) & 0x7FFF = 74
    FillUniformNoise(2, 1, 1, t, 0, 11);
    EXPECT_EQ(t[0][0][0], 74.0f / 32768.0f - 0.5f);
    float first = 0;
    FillUniformNoiseRows(11, 1, 1, 1, &first, 1);
    EXPECT_EQ(t[0][0][1], first);
    FillUniformNoise(2, 1, 1, t, 0);
    EXPECT_EQ(t[0][0][0], 71.0f / 32768.0f - 0.5f); // the default stays 10
    FreeTensor3(t, 0, 1, 0, 1, 0, 2);
}
