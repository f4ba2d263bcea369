#include "RandomMediaTestSupport.h"

#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "random_media/RandomFDModel.h"
#include "random_media/Utility.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using rm_test::Numbers;
using rm_test::ReadLines;
using rm_test::ScratchCwd;

namespace {

// A unit field of nx x ny x nz cells: u(x, y, z) from a few chosen values, cycling.
void FillUnitField(CData3D& v, int nx, int ny, int nz, const std::vector<float>& pattern)
{
    v.NX = nx, v.NY = ny, v.NZ = nz;
    v.Allocate(nx, ny, nz);
    std::size_t i = 0;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                v.Values[z][y][x] = pattern[i++ % pattern.size()];
}

float FloatAt(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    float f = 0;
    std::memcpy(&f, bytes.data() + offset, 4);
    return f;
}

std::int32_t IntAt(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    std::int32_t i = 0;
    std::memcpy(&i, bytes.data() + offset, 4);
    return i;
}

// A file whose disk fills up after limit bytes.
class FullDisk : public platform::MemoryFile {
public:
    explicit FullDisk(std::size_t limit) : limit(limit) {}
    bool Write(const void* buffer, std::size_t count) override
    {
        if (data.size() + count > limit)
            return false;
        return MemoryFile::Write(buffer, count);
    }
    std::size_t limit;
};

RandomModelSettings Background()
{
    RandomModelSettings s;
    s.e = 0.1f;
    s.vp = 1730;
    s.vs = 440;
    s.density = 1900;
    return s;
}

} // namespace

TEST(ExportRandomFDModel, LayoutValuesAndReport)
{
    ScratchCwd cwd;
    CData3DEx v;
    const int nx = 4, ny = 3, nz = 2, n = nx * ny * nz;
    // 3 and 4 meet the P-wave cap of 1.3 vp; -2 and -20 show S-wave values without lower bound
    FillUnitField(v, nx, ny, nz, {3.0f, 4.0f, -2.0f, -20.0f, 0.5f});
    v.StepX = 25, v.StepY = 50, v.StepZ = 12.5f;
    v.Stretch->StretchOn = 1; // the file must stay readable as a plain five-block model
    const std::vector<float> u = [&] {
        std::vector<float> out;
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                for (int x = 0; x < nx; ++x)
                    out.push_back(v.Values[z][y][x]);
        return out;
    }();

    platform::MemoryFile file;
    platform::TextFile report;
    ASSERT_TRUE(report.Create("VonKarmanModel3D.txt"));
    CUtility utility;
    ASSERT_TRUE(ExportRandomFDModel(v, Background(), file, report, utility));
    report.Close();

    const std::vector<std::uint8_t>& b = file.data;
    ASSERT_EQ(b.size(), 28u + 5u * 4u * n);
    EXPECT_EQ(IntAt(b, 0), nx);
    EXPECT_EQ(IntAt(b, 4), ny);
    EXPECT_EQ(IntAt(b, 8), nz);
    EXPECT_EQ(FloatAt(b, 12), 25.0f);
    EXPECT_EQ(FloatAt(b, 16), 50.0f);
    EXPECT_EQ(FloatAt(b, 20), 12.5f);
    EXPECT_EQ(IntAt(b, 24), 0); // no layer-thickness block follows
    auto block = [&](int k, int i) {
        return FloatAt(b, 28 + 4 * (static_cast<std::size_t>(k) * n + i));
    };
    for (int i = 0; i < n; ++i) {
        const float w = u[i];
        if (w == 3.0f || w == 4.0f) {
            EXPECT_EQ(block(0, i), 2249.0f) << i;
        }
        if (w == -2.0f) {
            EXPECT_EQ(block(1, i), 352.0f) << i;
        }
        if (w == -20.0f) {
            EXPECT_EQ(block(1, i), -440.0f) << i;
        }
        EXPECT_EQ(block(0, i), std::min(2249.0f, 173.0f * w + 1730.0f)) << i;
        EXPECT_EQ(block(1, i), 44.0f * w + 440.0f) << i;
        EXPECT_EQ(block(2, i), 190.0f * w + 1900.0f) << i;
        EXPECT_EQ(block(3, i), 1000000.0f) << i;
        EXPECT_EQ(block(4, i), 1000000.0f) << i;
    }
    // the volume holds block 2, cell for cell
    for (int z = 0, i = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x, ++i)
                ASSERT_EQ(v.Values[z][y][x], block(1, i));

    const std::vector<std::string> lines = ReadLines("VonKarmanModel3D.txt");
    ASSERT_EQ(lines.size(), 2u + nz + 3u + 10u);
    EXPECT_EQ(lines[0].rfind("SD for all model = ", 0), 0u);
    EXPECT_EQ(lines[1].rfind("Average for all model = ", 0), 0u);
    double mean = 0;
    for (float w : u)
        mean += w;
    mean /= n;
    EXPECT_NEAR(Numbers(lines[1]).back(), mean, 1e-5);
    // level 0 and eleven numbers; with NY = 3 only the centre line (1, 1) lies in the grid
    const std::vector<double> level0 = Numbers(lines[2]);
    ASSERT_EQ(level0.size(), 11u);
    EXPECT_EQ(level0[0], 0.0);
    EXPECT_NEAR(level0[1], v.Values[0][1][1], 1e-4);
    EXPECT_NEAR(level0[2], u[1 * nx + 1], 1e-6);
    EXPECT_EQ(level0[3], 0.0);
    EXPECT_EQ(lines[2 + nz], "Number of data=24 ");
    double variance = 0;
    for (float w : u)
        variance += (w - mean) * (w - mean);
    variance /= n;
    EXPECT_NEAR(Numbers(lines[3 + nz]).back(), variance, 1e-4);
    EXPECT_NEAR(Numbers(lines[4 + nz]).back(), std::sqrt(variance), 1e-5);
    EXPECT_EQ(lines[5 + nz].rfind("SD(VS)=", 0), 0u);
    EXPECT_EQ(lines[10 + nz].rfind("SD(SD)=", 0), 0u);
}

TEST(ExportRandomFDModel, RoundTripThroughReadFDModelAndFullDisk)
{
    ScratchCwd cwd;
    testing_support::HeadlessServices services;
    CData3DEx v;
    const int nx = 8, ny = 6, nz = 5;
    FillUnitField(v, nx, ny, nz, {0.25f, -1.5f, 2.0f, 0.0f, -0.75f, 1.25f, 3.5f});
    v.StepX = v.StepY = v.StepZ = 10;
    const std::string path = cwd.File("model.dat");
    {
        std::string error;
        auto file = platform::AtomicFile::Create(path, &error);
        ASSERT_TRUE(file) << error;
        platform::TextFile report;
        CUtility utility;
        ASSERT_TRUE(ExportRandomFDModel(v, Background(), *file, report, utility));
        ASSERT_TRUE(file->Commit(&error)) << error;
    }
    EXPECT_EQ(std::filesystem::file_size(path), 28u + 5u * 4u * nx * ny * nz);

    // each component read back by the FD model reader ("Data size" confirmed as proposed)
    for (int component = 0; component < 5; ++component) {
        CData3DEx back;
        services.ui.AnswerForm({true, {}});
        ASSERT_GT(back.ReadFDModel(path, component, 0, 1), 0) << component;
        ASSERT_EQ(back.NX, nx);
        ASSERT_EQ(back.NY, ny);
        ASSERT_EQ(back.NZ, nz);
        EXPECT_EQ(back.StepZ, 10.0f);
        EXPECT_EQ(back.Stretch->StretchOn, 0);
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                for (int x = 0; x < nx; ++x) {
                    const float s = v.Values[z][y][x];    // the S-wave model
                    const float w = (s - 440.0f) / 44.0f; // its unit field, exact here
                    const float want[5] = {std::min(2249.0f, 173.0f * w + 1730.0f), s,
                                           190.0f * w + 1900.0f, 1000000.0f, 1000000.0f};
                    ASSERT_EQ(back.Values[z][y][x], want[component])
                        << component << " " << x << " " << y << " " << z;
                }
    }

    // A disk that fills up in the middle of block 3: reported, and the volume still ends as the
    // S-wave model
    FillUnitField(v, nx, ny, nz, {1.0f, -1.0f});
    FullDisk full(28 + 4 * nx * ny * nz * 2 + 100);
    platform::TextFile report;
    CUtility utility;
    EXPECT_FALSE(ExportRandomFDModel(v, Background(), full, report, utility));
    EXPECT_EQ(v.Values[0][0][0], 484.0f);
    EXPECT_EQ(v.Values[0][0][1], 396.0f);
}
