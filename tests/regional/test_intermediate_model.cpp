#include "regional/IntermediateModel.h"
#include "regional/RegionalModelHolder.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace {

using testing_support::ScopedCwd;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// 3 x 3 nodes, X = 1000 i, Y = 2000 j (metres); each record's values name its node:
// top[k] = 100 i + 10 j + k, Vp[k] = i + j, Vs[k] = 2 i, density[k] = j.
void BuildGrid(CIntermediateModel& m)
{
    m.InitGrid(3, 3, "none.dat");
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            CIntermediateData& r = m.Record(i, j);
            r.X = 1000.0f * i;
            r.Y = 2000.0f * j;
            r.LayerCount = 3;
            for (int k = 0; k < 6; ++k) {
                r.top[k] = 100.0f * i + 10.0f * j + k;
                r.Vp[k] = static_cast<float>(i + j);
                r.Vs[k] = 2.0f * i;
                r.density[k] = static_cast<float>(j);
            }
        }
}

} // namespace

TEST(IntermediateModel, FreshAndDegenerateGridsAnswerNothing)
{
    CIntermediateModel fresh;
    CIntermediateData out;
    out.top[0] = 7;
    EXPECT_EQ(fresh.GetLayerCount(), 0);
    EXPECT_EQ(fresh.QueryLogged(0, 0, out, nullptr), 0);
    EXPECT_EQ(out.top[0], 7);

    CIntermediateModel line; // one row of nodes: no cells
    line.InitGrid(1, 4, "x");
    EXPECT_EQ(line.GetLayerCount(), 6);
    EXPECT_EQ(line.QueryLogged(0, 0, out, nullptr), 0);

    CIntermediateModel grid;
    BuildGrid(grid);
    EXPECT_EQ(grid.GetLayerCount(), 3);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(grid.QueryLogged(nan, 100, out, nullptr), 0);
    EXPECT_EQ(out.top[0], 7); // untouched
}

TEST(IntermediateModel, InsideCellIsBilinear)
{
    CIntermediateModel grid;
    BuildGrid(grid);
    CIntermediateData out;
    out.LayerCount = 4;
    out.Latitude = 35.0f;
    // Cell (1, 0): x 1000..2000, y 0..2000; tx = 0.25, ty = 0.75.
    ASSERT_EQ(grid.QueryLogged(1250.0f, 1500.0f, out, nullptr), 1);
    for (int k = 0; k < 6; ++k) {
        // Independent: the values are linear in i and j, so bilinear reproduces them exactly.
        const double i = 1.25, j = 0.75;
        EXPECT_NEAR(out.top[k], 100 * i + 10 * j + k, 1e-4) << k;
        EXPECT_NEAR(out.Vp[k], i + j, 1e-6);
        EXPECT_NEAR(out.Vs[k], 2 * i, 1e-6);
        EXPECT_NEAR(out.density[k], j, 1e-6);
    }
    EXPECT_EQ(out.X, 1250.0f);
    EXPECT_EQ(out.Y, 1500.0f);
    EXPECT_EQ(out.LayerCount, 4); // interpolation leaves the count and latitude alone
    EXPECT_EQ(out.Latitude, 35.0f);

    // A non-linear corner set against the formula written out.
    CIntermediateData c00, c01, c10, c11, r;
    c00.X = 0, c00.Y = 0, c01.Y = 10, c10.X = 4;
    c00.top[2] = 1, c01.top[2] = 5, c10.top[2] = -3, c11.top[2] = 11;
    InterpolateColumns(c00, c01, c10, c11, 1.0f, 7.0f, r);
    const double tx = 0.25, ty = 0.7;
    EXPECT_NEAR(r.top[2],
                (1 - tx) * (1 - ty) * 1 + (1 - tx) * ty * 5 + tx * ty * 11 + tx * (1 - ty) * -3,
                1e-5);
    // Equal X on both sides of the cell: tx = 1, the i+1 records are used.
    c10.X = 0;
    InterpolateColumns(c00, c01, c10, c11, 123.0f, 0.0f, r);
    EXPECT_FLOAT_EQ(r.top[2], -3.0f);
}

TEST(IntermediateModel, EdgeAndCornerRulesInScanOrder)
{
    CIntermediateModel grid;
    BuildGrid(grid);
    CIntermediateData out;

    // Before the first row, y on the edge shared by columns 0 and 1: record (0, 0), unblended.
    ASSERT_EQ(grid.QueryLogged(-500.0f, 2000.0f, out, nullptr), 1);
    EXPECT_EQ(out.top[1], 1.0f);
    EXPECT_EQ(out.X, -500.0f);
    EXPECT_EQ(out.Y, 2000.0f);
    // Before the first row inside column 1: record (0, 1).
    grid.QueryLogged(-500.0f, 3000.0f, out, nullptr);
    EXPECT_EQ(out.top[0], 10.0f);
    // Beyond the last row in column 1: record (2, 1).
    grid.QueryLogged(9000.0f, 3000.0f, out, nullptr);
    EXPECT_EQ(out.top[0], 210.0f);
    // Beyond the last column within row 1: record (1, 2); before the first column: (1, 0).
    grid.QueryLogged(1500.0f, 9000.0f, out, nullptr);
    EXPECT_EQ(out.top[0], 120.0f);
    grid.QueryLogged(1500.0f, -9000.0f, out, nullptr);
    EXPECT_EQ(out.top[0], 100.0f);
    // The four corners.
    grid.QueryLogged(-1.0f, -1.0f, out, nullptr);
    EXPECT_EQ(out.top[0], 0.0f);
    grid.QueryLogged(-1.0f, 5000.0f, out, nullptr);
    EXPECT_EQ(out.top[0], 20.0f);
    grid.QueryLogged(3000.0f, 5000.0f, out, nullptr);
    EXPECT_EQ(out.top[0], 220.0f);
    grid.QueryLogged(3000.0f, -1.0f, out, nullptr);
    EXPECT_EQ(out.top[0], 200.0f);
    // A point on the edge between cells (0, 0) and (1, 0) takes the first cell: tx = 1 there.
    grid.QueryLogged(1000.0f, 1000.0f, out, nullptr);
    EXPECT_FLOAT_EQ(out.top[0], 105.0f);
}

TEST(IntermediateModel, QueryLogKeepsOnlyTheLastInterpolatedColumn)
{
    testing_support::TempDir dir;
    ScopedCwd cwd(dir.path);
    CIntermediateModel grid;
    BuildGrid(grid);
    CIntermediateData out;
    out.LayerCount = 2;
    grid.Query(500.0f, 1000.0f, out);
    grid.Query(1000.0f, 2000.0f, out);
    // On the far corner of cell (0, 0): record (1, 1), top[k] = 110 + k, Vp = 2, Vs = 2.
    EXPECT_EQ(ReadAll("test.txt"), "2 0.000000 0.000000 1000.000000 2000.000000  "
                                   "110.000000 2.000000 2.000000  111.000000 2.000000 2.000000 \n");
    grid.Query(-5.0f, -5.0f, out); // clamped: the log is truncated and stays empty
    EXPECT_EQ(ReadAll("test.txt"), "");
}

TEST(RegionalModelHolder, OneHolderNotLoadedAtStart)
{
    CRegionalModelHolder& h = theRegionalModelHolder();
    EXPECT_EQ(&h, &theRegionalModelHolder());
    EXPECT_EQ(h.Loaded, 0);
    ASSERT_TRUE(h.model);
    ASSERT_TRUE(h.probe);
    EXPECT_EQ(h.model->GetLayerCount(), 0);
}
