#include "regional/AverageVelocity.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using testing_support::ReadWholeFile;

void SetAreas(CData3D& v, std::vector<std::pair<int, float>> areas)
{
    v.Stretch->NArea = static_cast<int>(areas.size());
    for (std::size_t m = 0; m < areas.size(); ++m) {
        v.Stretch->Boundary[m] = areas[m].first;
        v.Stretch->Stretch[m] = areas[m].second;
    }
}

constexpr auto& FillUniform = testing_support::FillConstant;

struct AvsFile {
    std::int32_t nx = 0, ny = 0, planes = 0;
    float step[3] = {};
    std::vector<float> values;
};

AvsFile ReadAvs(const std::string& path)
{
    const std::string bytes = ReadWholeFile(path);
    AvsFile f;
    if (bytes.size() < 24)
        return f;
    std::memcpy(&f.nx, bytes.data(), 4);
    std::memcpy(&f.ny, bytes.data() + 4, 4);
    std::memcpy(&f.planes, bytes.data() + 8, 4);
    std::memcpy(f.step, bytes.data() + 12, 12);
    f.values.resize((bytes.size() - 24) / 4);
    std::memcpy(f.values.data(), bytes.data() + 24, f.values.size() * 4);
    return f;
}

} // namespace

TEST(AverageVelocity, WalkStopsBelowTheDepthLimit)
{
    testing_support::HeadlessServices services;
    CData3DEx v;
    FillUniform(v, 2, 2, 200, 1.0f);
    v.StepZ = 100;
    SetAreas(v, {{100, 1.0f}});
    EXPECT_EQ(AverageVelocityCells(v).size(), 81u); // 8100 > 8000: planes 0..80

    v.StepZ = 1000; // exactly 8000 after 8 cells: the walk goes on to the 9th
    SetAreas(v, {{20, 1.0f}});
    EXPECT_EQ(AverageVelocityCells(v).size(), 9u);

    v.StepZ = 100; // 50 cells of 100 and 16 of 200: 8200, planes 0..65
    SetAreas(v, {{50, 1.0f}, {100, 2.0f}});
    const std::vector<float> cells = AverageVelocityCells(v);
    ASSERT_EQ(cells.size(), 66u);
    EXPECT_EQ(cells[49], 100.0f);
    EXPECT_EQ(cells[50], 200.0f);

    SetAreas(v, {{10, 1.0f}}); // the areas end at 1000: all ten cells
    EXPECT_EQ(AverageVelocityCells(v).size(), 10u);

    // The default single area of 1000 cells on 5 planes of 1: the walk stops at the last plane
    // instead of reading beyond it.
    FillUniform(v, 3, 2, 5, 2.0f);
    v.StepZ = 1;
    SetAreas(v, {{1000, 1.0f}});
    EXPECT_EQ(AverageVelocityCells(v).size(), 5u);
    for (float a : ComputeAverageVelocity(v))
        EXPECT_EQ(a, 2.0f);

    SetAreas(v, {}); // no areas: 0/0
    for (float a : ComputeAverageVelocity(v))
        EXPECT_TRUE(std::isnan(a));
}

TEST(AverageVelocity, CommandWritesTheMapAndReportsFailures)
{
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    CData3DEx v;
    FillUniform(v, 4, 3, 120, 3.5f);
    v.StepX = 250, v.StepY = 125, v.StepZ = 100;
    SetAreas(v, {{120, 1.0f}});
    CommandResult result = OnCalculatingAVS(v, dir.path);
    EXPECT_FALSE(result.Repaint);
    EXPECT_FALSE(result.Changed);
    EXPECT_EQ(result.Bytes, 24 + 4 * 3 * 4);
    EXPECT_TRUE(services.ui.MessageTexts().empty());
    AvsFile f = ReadAvs(dir.File("avs.dat"));
    EXPECT_EQ(f.nx, 4);
    EXPECT_EQ(f.ny, 3);
    EXPECT_EQ(f.planes, 1);
    EXPECT_EQ(f.step[0], 250.0f);
    EXPECT_EQ(f.step[1], 125.0f);
    EXPECT_EQ(f.step[2], 100.0f);
    ASSERT_EQ(f.values.size(), 12u);
    for (float a : f.values)
        EXPECT_FLOAT_EQ(a, 3.5f);
    EXPECT_EQ(v.Values[0][0][0], 3.5f); // volume untouched

    // A folder that does not exist: reported, nothing written.
    result = OnCalculatingAVS(v, dir.File("missing"));
    EXPECT_EQ(result.Bytes, 0);
    ASSERT_EQ(services.ui.MessageTexts().size(), 1u);
    EXPECT_NE(services.ui.MessageTexts()[0].find("avs.dat"), std::string::npos);

    // No data: reported, the earlier file kept.
    CData3DEx empty;
    services.ui.ClearLog();
    result = OnCalculatingAVS(empty, dir.path);
    EXPECT_EQ(result.Bytes, 0);
    EXPECT_EQ(services.ui.MessageTexts().size(), 1u);
    EXPECT_EQ(ReadAvs(dir.File("avs.dat")).values.size(), 12u);
}

// A layered volume with values varying by column, through two stretch areas, against the same
// walk written independently in NumPy (float32 throughout).
TEST(AverageVelocity, MatchesNumPyOnLayeredVolume)
{
    if (::access(KALDER_SYSTEM_PYTHON, X_OK) != 0)
        FAIL() << "cross-check tool missing (scripts/setup installs it): " << KALDER_SYSTEM_PYTHON
               << " is not available";
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    CData3DEx v;
    const int nx = 7, ny = 5, nz = 90;
    v.NX = nx, v.NY = ny, v.NZ = nz;
    v.Allocate(nx, ny, nz);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                v.Values[z][y][x] = 0.3f + 0.045f * z + 0.01f * x + 0.02f * y + (z % 7) * 0.013f;
    v.StepZ = 125;
    SetAreas(v, {{20, 1.0f}, {2, 2.0f}, {75, 4.0f}});
    ASSERT_EQ(OnCalculatingAVS(v, dir.path).Bytes, 24 + nx * ny * 4);

    {
        std::ofstream raw(dir.File("volume.raw"), std::ios::binary);
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                raw.write(reinterpret_cast<const char*>(v.Values[z][y]), nx * 4);
    }
    std::ofstream(dir.File("avs.py")) << R"(import sys
import numpy as np
d = sys.argv[1]
nx, ny, nz = 7, 5, 90
v = np.fromfile(d + '/volume.raw', dtype=np.float32).reshape(nz, ny, nx)
h_list = [np.float32(125.0 * 1.0)] * 20 + [np.float32(125.0 * 2.0)] * 2 + [np.float32(125.0 * 4.0)] * 75
total = np.float32(0)
time = np.zeros((ny, nx), dtype=np.float32)
for l, h in enumerate(h_list):
    if l >= nz:
        break
    total = np.float32(total + h)
    time = (time + h / v[l]).astype(np.float32)
    if total > np.float32(8000.0):
        break
(total / time).astype(np.float32).tofile(d + '/expected.raw')
)";
    const std::string command =
        std::string(KALDER_SYSTEM_PYTHON) + " " + dir.File("avs.py") + " " + dir.path;
    if (std::system(command.c_str()) != 0)
        FAIL() << "cross-check tool missing (scripts/setup installs it): "
               << "NumPy is not available to " << KALDER_SYSTEM_PYTHON;
    const std::string expected = ReadWholeFile(dir.File("expected.raw"));
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(nx * ny * 4));
    const AvsFile f = ReadAvs(dir.File("avs.dat"));
    ASSERT_EQ(f.values.size(), static_cast<std::size_t>(nx * ny));
    for (int n = 0; n < nx * ny; ++n) {
        float e = 0;
        std::memcpy(&e, expected.data() + 4 * n, 4);
        EXPECT_FLOAT_EQ(f.values[n], e) << n;
    }
}
