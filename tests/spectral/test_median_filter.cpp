#include "spectral/MedianFilter.h"

#include "support/VolumeBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

constexpr auto& MakeVolume = testing_support::FillConstant;

constexpr auto& Flat = testing_support::Flatten;

// Reference: sort the numbers of the window of existing neighbours, take the k-th largest.
float ReferenceCell(const std::vector<float>& src, int nx, int ny, int nz, int x, int y, int z)
{
    auto at = [&](int i, int j, int k) {
        return src[(static_cast<std::size_t>(k) * ny + j) * nx + i];
    };
    std::vector<float> w{at(x, y, z)};
    const int d[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    for (const auto& o : d) {
        const int i = x + o[0], j = y + o[1], k = z + o[2];
        if (i >= 0 && i < nx && j >= 0 && j < ny && k >= 0 && k < nz)
            w.push_back(at(i, j, k));
    }
    std::vector<float> nums;
    for (float f : w)
        if (!std::isnan(f))
            nums.push_back(f);
    if (nums.empty())
        return w[0];
    std::sort(nums.begin(), nums.end(), std::greater<float>());
    return nums[(nums.size() - 1) / 2];
}

bool SameValue(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

} // namespace

TEST(SelectMedian, KthLargestOfTheNumbers)
{
    const float seven[] = {5, 1, 7, 3, 2, 6, 4};
    EXPECT_EQ(SelectMedian(seven, 7), 4.0f);
    const float six[] = {5, 1, 3, 2, 6, 4};
    EXPECT_EQ(SelectMedian(six, 6), 4.0f); // upper middle: 3rd largest
    const float four[] = {1, 2, 3, 4};
    EXPECT_EQ(SelectMedian(four, 4), 3.0f);
    const float one[] = {-7.5f};
    EXPECT_EQ(SelectMedian(one, 1), -7.5f);
    // values at or below -100000 are ordinary numbers
    const float low[] = {-200000, -200000, -200000, -200000, -200000, -200000, -200000};
    EXPECT_EQ(SelectMedian(low, 7), -200000.0f);
    const float mixed[] = {-300000, -100000, -500000};
    EXPECT_EQ(SelectMedian(mixed, 3), -300000.0f);
    // NaN never selected: median of the numbers {1, 2, 9}
    const float withNaN[] = {kNaN, 9, 1, kNaN, 2};
    EXPECT_EQ(SelectMedian(withNaN, 5), 2.0f);
    const float allNaN[] = {kNaN, kNaN};
    EXPECT_TRUE(std::isnan(SelectMedian(allNaN, 2)));
    // infinities are numbers
    const float inf[] = {-INFINITY, -INFINITY, 0};
    EXPECT_EQ(SelectMedian(inf, 3), -INFINITY);
    // more than 21 values: the first
    std::vector<float> many(22, 1.0f);
    many[0] = 42.0f;
    EXPECT_EQ(SelectMedian(many.data(), 22), 42.0f);
}

TEST(MedianFilter3D, SpecialCases)
{
    CData3DEx v;
    EXPECT_EQ(MedianFilter3D(v), 0); // no data

    MakeVolume(v, 8, 8, 8, 3.25f);
    ASSERT_EQ(MedianFilter3D(v), 1);
    for (float f : Flat(v))
        ASSERT_EQ(f, 3.25f);

    MakeVolume(v, 8, 8, 8, 0.0f);
    v.Values[4][4][4] = 100.0f;
    ASSERT_EQ(MedianFilter3D(v), 1);
    for (float f : Flat(v))
        ASSERT_EQ(f, 0.0f);

    // corner with 2, 3, 4 in its neighbours: 2nd largest of four
    MakeVolume(v, 8, 8, 8, 0.0f);
    v.Values[0][0][0] = 1, v.Values[1][0][0] = 2, v.Values[0][1][0] = 3, v.Values[0][0][1] = 4;
    ASSERT_EQ(MedianFilter3D(v), 1);
    EXPECT_EQ(v.Values[0][0][0], 3.0f);

    // a volume entirely below -100000 survives
    MakeVolume(v, 6, 5, 4, -200000.0f);
    ASSERT_EQ(MedianFilter3D(v), 1);
    for (float f : Flat(v))
        ASSERT_EQ(f, -200000.0f);

    MakeVolume(v, 1, 1, 1, -250000.0f);
    ASSERT_EQ(MedianFilter3D(v), 1);
    EXPECT_EQ(v.Values[0][0][0], -250000.0f);
}

// The vectorised rows, the padded faces, thin axes, NaN rows and the z chunks all agree with a
// plain reference, and filtering twice is filtering the once-filtered volume.
TEST(MedianFilter3D, MatchesReferenceOnRandomVolumes)
{
    // thin axes, and depths across the filter's z chunks (16, 17, 33 and 37 planes)
    const int shapes[][3] = {{17, 9, 6},  {1, 1, 5},  {2, 3, 1},  {2, 2, 2},  {3, 1, 7},
                             {40, 33, 3}, {5, 4, 37}, {3, 3, 17}, {9, 2, 16}, {1, 6, 33}};
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> level(-5, 5);
    for (const auto& s : shapes) {
        const int nx = s[0], ny = s[1], nz = s[2];
        CData3DEx v;
        MakeVolume(v, nx, ny, nz, 0);
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                for (int x = 0; x < nx; ++x)
                    v.Values[z][y][x] = level(rng) * 0.5f; // many ties
        if (nx * ny * nz > 20)
            v.Values[nz / 2][ny / 2][nx / 2] = kNaN, v.Values[0][ny - 1][1] = kNaN;
        // infinities tie with the pads that stand in for missing neighbours on the faces
        v.Values[nz - 1][0][nx - 1] = std::numeric_limits<float>::infinity();
        v.Values[0][ny / 2][0] = -std::numeric_limits<float>::infinity();
        for (int pass = 0; pass < 2; ++pass) {
            const auto before = Flat(v);
            ASSERT_EQ(MedianFilter3D(v), 1);
            const auto after = Flat(v);
            for (int z = 0; z < nz; ++z)
                for (int y = 0; y < ny; ++y)
                    for (int x = 0; x < nx; ++x) {
                        const float want = ReferenceCell(before, nx, ny, nz, x, y, z);
                        ASSERT_TRUE(SameValue(v.Values[z][y][x], want))
                            << nx << "x" << ny << "x" << nz << " pass " << pass << " at " << x
                            << "," << y << "," << z << ": " << v.Values[z][y][x] << " vs " << want;
                    }
        }
    }
}

TEST(MedianFilter3D, KeepsExtentsNarrowerThanAllocation)
{
    CData3DEx v;
    v.Allocate(10, 10, 10);
    for (int z = 0; z <= 10; ++z)
        for (int y = 0; y <= 10; ++y)
            for (int x = 0; x <= 10; ++x)
                v.Values[z][y][x] = 7.0f;
    v.NX = 4, v.NY = 5, v.NZ = 6;
    v.Values[2][2][2] = 50.0f;
    ASSERT_EQ(MedianFilter3D(v), 1);
    EXPECT_EQ(v.Values[2][2][2], 7.0f);
    EXPECT_EQ(v.NX, 4);
    EXPECT_EQ(v.NZ, 6);
}
