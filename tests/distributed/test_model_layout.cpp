// The model layout, cell values and report of the distributed program against the
// single-machine export (ExportRandomFDModel) on the same unit field.

#include "DistributedTestSupport.h"
#include "distributed/ModelLayout.h"
#include "distributed/ModelReport.h"
#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "random_media/RandomFDModel.h"
#include "random_media/Utility.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

// A unit field with a repeatable spread of values, extreme ones included (the P-wave cap).
void FillField(CData3D& v, int nx, int ny, int nz)
{
    v.NX = nx, v.NY = ny, v.NZ = nz;
    v.Allocate(nx, ny, nz);
    v.StepX = 2, v.StepY = 0.5f, v.StepZ = 1.25f;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                v.Values[z][y][x] = std::sin(0.37f * x + 1.3f * y - 0.71f * z) * 2.0f +
                                    (x == 3 && y == 4 ? 5.0f : 0.0f) - 0.125f;
}

RandomModelSettings Settings()
{
    RandomModelSettings s;
    s.e = 0.1f, s.vp = 1730, s.vs = 440, s.density = 1900;
    return s;
}

} // namespace

TEST(ModelLayout, OffsetsOfTheBlocksAndPlanes)
{
    EXPECT_EQ(ModelBlockOffset(0, 4, 3, 2, 0), 28);
    EXPECT_EQ(ModelBlockOffset(0, 4, 3, 2, 1), 28 + 4 * 12);
    EXPECT_EQ(ModelBlockOffset(1, 4, 3, 2, 0), 28 + 4 * 24);
    EXPECT_EQ(ModelBlockOffset(4, 4, 3, 2, 1), 28 + 4 * 24 * 4 + 4 * 12);
    EXPECT_EQ(ModelFileBytes(128, 128, 128), 41943068); // 28 + 5 * 4 * 128^3
    // beyond 2^31 and 2^32 bytes
    EXPECT_EQ(ModelFileBytes(2048, 2048, 2048), 28LL + 20LL * 2048 * 2048 * 2048);
}

TEST(ModelLayout, ProfileLinesCentredOnEachAxis)
{
    const ProfileLines cube(64, 64);
    EXPECT_EQ(cube.x, (std::array<int, 5>{32, 12, 52, 32, 32}));
    EXPECT_EQ(cube.y, (std::array<int, 5>{32, 32, 32, 12, 52}));
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(cube.Inside(i));
    const ProfileLines thin(32, 64);
    EXPECT_EQ(thin.x[0], 16);
    EXPECT_FALSE(thin.Inside(1)); // x = -4
    EXPECT_FALSE(thin.Inside(2)); // x = 36
    EXPECT_TRUE(thin.Inside(3));
}

TEST(ModelLayout, CellsAndHeaderEqualTheSingleMachineExport)
{
    testing_support::TempDir dir;
    testing_support::ScopedCwd cwd(dir.path);
    const int nx = 6, ny = 5, nz = 4;
    CData3D volume;
    FillField(volume, nx, ny, nz);
    std::vector<float> u;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            u.insert(u.end(), volume.Values[z][y], volume.Values[z][y] + nx);

    platform::MemoryFile file;
    platform::TextFile report;
    report.Create("report.txt");
    CUtility utility;
    const RandomModelSettings s = Settings();
    ASSERT_TRUE(ExportRandomFDModel(volume, s, file, report, utility));

    ASSERT_EQ(static_cast<std::int64_t>(file.data.size()), ModelFileBytes(nx, ny, nz));
    const auto header = ModelHeader(nx, ny, nz, 2, 0.5f, 1.25f);
    EXPECT_EQ(std::memcmp(file.data.data(), header.data(), header.size()), 0);

    const ModelCells cells(s);
    bool capped = false;
    for (int block = 0; block < ModelBlocks; ++block)
        for (std::size_t i = 0; i < u.size(); ++i) {
            float written;
            std::memcpy(&written, file.data.data() + ModelBlockOffset(block, nx, ny, nz, 0) + 4 * i,
                        4);
            ASSERT_EQ(written, cells.Block(block, u[i])) << "block " << block << " cell " << i;
            capped = capped || (block == 0 && written == cells.vpCap);
        }
    EXPECT_TRUE(capped); // the field's peak of 6.9 reaches the P-wave cap
    EXPECT_EQ(cells.vpCap, 2249.0f);
    EXPECT_EQ(cells.Vs(-20.0f), -440.0f); // no lower bound
}

TEST(ModelReport, EqualsTheSingleMachineReport)
{
    testing_support::TempDir dir;
    testing_support::ScopedCwd cwd(dir.path);
    const int n = 48; // the profile lines at +-20 cells lie inside
    CData3D volume;
    FillField(volume, n, n, n);
    const RandomModelSettings s = Settings();
    const ModelCells cells(s);
    CUtility utility;

    // the distributed program's statistics, computed here in one piece
    ModelStatistics stats;
    stats.count = static_cast<std::int64_t>(n) * n * n;
    double sum = 0;
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                sum += volume.Values[z][y][x];
    stats.mean = static_cast<float>(sum / static_cast<double>(stats.count));
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const double d = static_cast<double>(stats.mean) - volume.Values[z][y][x];
                stats.sumSquares += d * d;
            }
    const ProfileLines lines(n, n);
    std::vector<float> vsProfile(5 * n), uProfile(5 * n);
    for (int line = 0; line < 5; ++line)
        for (int z = 0; z < n; ++z) {
            const float v = volume.Values[z][lines.y[line]][lines.x[line]];
            uProfile[line * n + z] = v;
            vsProfile[line * n + z] = cells.Vs(v);
        }
    {
        platform::TextFile mine;
        mine.Create("mine.txt");
        WriteModelReport(mine, stats, n, vsProfile, uProfile, utility);
    }
    {
        platform::TextFile theirs;
        theirs.Create("theirs.txt");
        platform::MemoryFile file;
        ASSERT_TRUE(ExportRandomFDModel(volume, s, file, theirs, utility));
    }
    const auto got = mpi_test::Lines(mpi_test::ReadText("mine.txt"));
    const auto want = mpi_test::Lines(mpi_test::ReadText("theirs.txt"));
    ASSERT_EQ(got.size(), 2u + n + 3 + 10);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        const auto a = mpi_test::Numbers(got[i]), b = mpi_test::Numbers(want[i]);
        ASSERT_EQ(a.size(), b.size()) << got[i];
        // the mean is summed in double here and in float there: the last printed digit may move
        for (std::size_t k = 0; k < a.size(); ++k)
            EXPECT_NEAR(a[k], b[k], 2e-6 * std::max(1.0, std::fabs(b[k])))
                << got[i] << " | " << want[i];
        EXPECT_EQ(got[i].substr(0, 4), want[i].substr(0, 4));
    }
}
