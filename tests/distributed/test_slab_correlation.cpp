#include "distributed/SlabCorrelation.h"
#include "numeric/Allocation.h"
#include "random_media/Correlation.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// VonKarmanFunction3D's whole grid against the slab sampler on every split into two slabs and
// on single planes, bit for bit.
void ExpectSlabsEqualWholeGrid(const CorrelationGrid& g)
{
    testing_support::TempDir dir; // VonKarmanFunction3D writes its text file here
    testing_support::ScopedCwd cwd(dir.path);
    float*** whole = f3tensor(0, g.nz, 0, g.ny, 0, g.nx);
    ASSERT_EQ(VonKarmanFunction3D(g.type, g.nx, g.ny, g.nz, whole, g.stepX, g.stepY, g.stepZ, g.ax,
                                  g.ay, g.az, g.e, g.h, g.angle),
              1);
    const std::size_t stride = 2 * (g.nx / 2 + 1);
    auto check = [&](int z0, int planes) {
        std::vector<float> slab(static_cast<std::size_t>(planes) * g.ny * stride, -7.0f);
        SampleCorrelationSlab(g, z0, planes, slab.data(), stride);
        for (int p = 0; p < planes; ++p)
            for (int y = 0; y < g.ny; ++y) {
                const float* row = slab.data() + (static_cast<std::size_t>(p) * g.ny + y) * stride;
                ASSERT_EQ(std::memcmp(row, whole[z0 + p][y], sizeof(float) * g.nx), 0)
                    << "z " << z0 + p << " y " << y;
                if (static_cast<std::size_t>(g.nx) < stride) {
                    EXPECT_EQ(row[g.nx], -7.0f); // padding untouched
                }
            }
    };
    for (int split = 0; split <= g.nz; ++split) {
        check(0, split);
        check(split, g.nz - split);
    }
    FreeTensor3(whole, 0, g.nz, 0, g.ny, 0, g.nx);
}

CorrelationGrid Grid(int type, int nx, int ny, int nz)
{
    CorrelationGrid g;
    g.type = type;
    g.nx = nx, g.ny = ny, g.nz = nz;
    g.ax = 5, g.ay = 5, g.az = 5;
    g.e = 0.1f, g.h = 0.5f;
    return g;
}

} // namespace

TEST(SampleCorrelationSlab, VonKarmanCubeEqualsTheWholeGridBitForBit)
{
    ExpectSlabsEqualWholeGrid(Grid(CorrelationVonKarman, 16, 16, 16));
}

TEST(SampleCorrelationSlab, RotatedUnequalStepsAndDistancesEqualTheWholeGrid)
{
    CorrelationGrid g = Grid(CorrelationVonKarman, 12, 10, 14);
    g.stepX = 0.7f, g.stepY = 1.3f, g.stepZ = 2.1f;
    g.ax = 3.3f, g.ay = 1.9f, g.az = 6.5f;
    g.h = 0.27f, g.e = 0.08f, g.angle = 37.5f;
    ExpectSlabsEqualWholeGrid(g);
}

TEST(SampleCorrelationSlab, ExponentialWithOddExtentsEqualsTheWholeGrid)
{
    CorrelationGrid g = Grid(CorrelationExponential, 9, 7, 11);
    g.angle = 90;
    g.stepZ = 3;
    ExpectSlabsEqualWholeGrid(g);
}

TEST(SampleCorrelationSlab, TypesWithoutFunctionGiveZeros)
{
    for (int type : {CorrelationHomogeneous, CorrelationReadModel, CorrelationRandomNoise}) {
        const CorrelationGrid g = Grid(type, 8, 8, 8);
        std::vector<float> slab(8 * 8 * 8, 1.0f);
        SampleCorrelationSlab(g, 0, 8, slab.data(), 8);
        for (float v : slab)
            ASSERT_EQ(v, 0.0f) << "type " << type;
    }
}

TEST(SampleCorrelationSlab, EvaluatesEachDistinctDistanceOnce)
{
    // 32^3 cells with unit steps and no rotation: r depends on (|X|, |Y|, |Z|) only, so at most
    // 17^3 distinct values (fewer, as the sum of squares repeats)
    const CorrelationGrid g = Grid(CorrelationVonKarman, 32, 32, 32);
    std::vector<float> slab(32 * 32 * 32);
    const std::size_t evaluations = SampleCorrelationSlab(g, 0, 32, slab.data(), 32);
    EXPECT_GT(evaluations, 0u);
    EXPECT_LE(evaluations, 17u * 17 * 17);
    // the peak sits at the centre cell (16, 16, 16)
    EXPECT_EQ(slab[(16 * 32 + 16) * 32 + 16], g.e * g.e);
}

TEST(CorrelationTableSlots, TwiceTheCellsUpToTheCap)
{
    EXPECT_EQ(CorrelationTableSlots(CorrelationExponential, 1000), 0u);
    EXPECT_EQ(CorrelationTableSlots(CorrelationRandomNoise, 1000), 0u);
    EXPECT_EQ(CorrelationTableSlots(CorrelationVonKarman, 1000), 2048u);
    EXPECT_EQ(CorrelationTableSlots(CorrelationVonKarman, 1024), 2048u);
    EXPECT_EQ(CorrelationTableSlots(CorrelationVonKarman, 0), 1u);
    EXPECT_EQ(CorrelationTableSlots(CorrelationVonKarman, std::size_t{1} << 30),
              std::size_t{1} << 24);
}
