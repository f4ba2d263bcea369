// The automatic colour range beside the data's: percentiles (checked against NumPy), symmetry
// about zero, and the histogram of the values.
#include "RenderTestSupport.h"
#include "platform/RecordingSurface.h"
#include "render/DrawSlice.h"
#include "render/ValueRange.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <random>
#include <sstream>

namespace {

// A volume of skewed random values (an exponential tail), so percentiles differ from a linear
// interpolation of the range.
void FillSkewed(CData3D& v, int nx, int ny, int nz, unsigned seed)
{
    v.Allocate(nx, ny, nz);
    v.NX = nx, v.NY = ny, v.NZ = nz;
    std::mt19937 gen(seed);
    std::exponential_distribution<float> tail(0.5f);
    std::normal_distribution<float> body(0.0f, 1.0f);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                v.Values[z][y][x] = body(gen) + tail(gen) - 3.0f;
}

// NumPy's percentiles of the volume's values, written as raw float32 in storage order.
std::vector<double> NumpyPercentiles(const CData3D& v, const std::string& dir,
                                     const std::vector<double>& percents)
{
    const std::string raw = dir + "/values.f32";
    {
        std::ofstream out(raw, std::ios::binary);
        for (int z = 0; z < v.NZ; ++z)
            for (int y = 0; y < v.NY; ++y)
                out.write(reinterpret_cast<const char*>(v.Values[z][y]),
                          static_cast<std::streamsize>(sizeof(float) * v.NX));
    }
    std::ostringstream cmd;
    cmd << KALDER_SYSTEM_PYTHON << " -c \"import numpy as np, sys; "
        << "a = np.fromfile('" << raw << "', dtype=np.float32).astype(np.float64); "
        << "print(' '.join(repr(float(np.percentile(a, float(p)))) for p in sys.argv[1:]))\"";
    for (double p : percents)
        cmd << ' ' << p;
    std::vector<double> out;
    std::FILE* pipe = ::popen(cmd.str().c_str(), "r");
    if (!pipe)
        return out;
    double x = 0;
    while (std::fscanf(pipe, "%lf", &x) == 1)
        out.push_back(x);
    ::pclose(pipe);
    return out;
}

} // namespace

TEST(ValueRange, ExactPercentilesEqualNumpy)
{
    testing_support::TempDir dir;
    CData3DEx v;
    FillSkewed(v, 61, 47, 33, 7); // 94 611 cells: ranks fall between cells
    const std::vector<double> percents = {0, 1, 2.5, 50, 97.3, 99, 100};
    const std::vector<double> expected = NumpyPercentiles(v, dir.path, percents);
    ASSERT_EQ(expected.size(), percents.size()) << "Debian's python3 with NumPy is needed";
    for (std::size_t i = 0; i + 1 < percents.size(); ++i) {
        const PercentileRange r = VolumePercentiles(v, percents[i], percents[i + 1], false);
        ASSERT_TRUE(r.valid);
        // The same order statistics and the same interpolation: equal to rounding.
        EXPECT_NEAR(r.low, expected[i], 1e-9 * (1 + std::fabs(expected[i]))) << percents[i];
        EXPECT_NEAR(r.high, expected[i + 1], 1e-9 * (1 + std::fabs(expected[i + 1])));
    }
}

TEST(ValueRange, SampledPercentilesWithinHalfAPercentOfTheRange)
{
    testing_support::TempDir dir;
    CData3DEx v;
    FillSkewed(v, 160, 150, 130, 11); // 3.1 million cells: sampled from about 1 million
    const std::vector<double> expected = NumpyPercentiles(v, dir.path, {1, 99});
    ASSERT_EQ(expected.size(), 2u);
    float lo = 0, hi = 0;
    v.GetMinMax(lo, hi);
    const PercentileRange r = VolumePercentiles(v, 1, 99, true);
    ASSERT_TRUE(r.valid);
    EXPECT_NEAR(r.low, expected[0], 0.005 * (hi - lo));
    EXPECT_NEAR(r.high, expected[1], 0.005 * (hi - lo));
}

TEST(ValueRange, NonFiniteCellsAndDegenerateVolumes)
{
    CData3DEx v;
    v.Allocate(4, 1, 1);
    v.NX = 4, v.NY = 1, v.NZ = 1;
    v.Values[0][0][0] = std::nanf("");
    v.Values[0][0][1] = 1;
    v.Values[0][0][2] = std::numeric_limits<float>::infinity();
    v.Values[0][0][3] = 3;
    PercentileRange r = VolumePercentiles(v, 0, 100, false);
    ASSERT_TRUE(r.valid); // the finite values 1 and 3
    EXPECT_EQ(r.low, 1);
    EXPECT_EQ(r.high, 3);
    for (int x = 0; x < 4; ++x)
        v.Values[0][0][x] = 5;
    r = VolumePercentiles(v, 1, 99, false);
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.low, 5);
    EXPECT_EQ(r.high, 5);
    CData3DEx empty;
    EXPECT_FALSE(VolumePercentiles(empty, 1, 99, false).valid);
    std::vector<float> dense = {std::nanf(""), 2, 4};
    r = Percentiles(dense, 50, 50);
    EXPECT_EQ(r.low, 3); // NumPy: halfway between 2 and 4
}

TEST(ValueRange, AutomaticRangeClipsAndCentres)
{
    testing_support::HeadlessServices services;
    CData3DEx v;
    v.Allocate(101, 1, 1);
    v.NX = 101, v.NY = 1, v.NZ = 1;
    for (int x = 0; x <= 100; ++x)
        v.Values[0][0][x] = static_cast<float>(x) - 20.0f; // -20 .. 80
    CPlotSettings s;
    v.GetMinMax(s.DataMin, s.DataMax);
    float lo = 0, hi = 0;
    s.Display.ClipToPercentiles = 1;
    s.Display.ClipLowPercent = 10;
    s.Display.ClipHighPercent = 90;
    ASSERT_TRUE(AutomaticRange(s, v, lo, hi));
    EXPECT_FLOAT_EQ(lo, -10.0f);
    EXPECT_FLOAT_EQ(hi, 70.0f);
    s.Display.SymmetricAboutZero = 1; // the options changed: derived again
    ASSERT_TRUE(AutomaticRange(s, v, lo, hi));
    EXPECT_FLOAT_EQ(lo, -70.0f);
    EXPECT_FLOAT_EQ(hi, 70.0f);
    s.Display.ClipToPercentiles = 0;
    ASSERT_TRUE(AutomaticRange(s, v, lo, hi));
    EXPECT_FLOAT_EQ(lo, -80.0f);
    EXPECT_FLOAT_EQ(hi, 80.0f);
}

TEST(ValueRange, PaintUsesTheClippedRangeAndWritesItUnderTheScale)
{
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    render_test::ScopedCwd cwd{dir.path};
    CData3DEx v;
    v.Allocate(101, 2, 2);
    v.NX = 101, v.NY = 2, v.NZ = 2;
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x <= 100; ++x)
                v.Values[z][y][x] = static_cast<float>(x);
    CPlotSettings s;
    s.Display.ClipToPercentiles = 1;
    CDrawingParameter layout;
    platform::RecordingSurface r{platform::Rect{0, 0, 4000, -3000}};
    SliceViewState view;
    view.orientation = PlaneY;
    view.client = r.client;
    DrawSlice(s, r, "", layout, v, view);
    EXPECT_FLOAT_EQ(s.ContourMin, 1.0f);
    EXPECT_FLOAT_EQ(s.ContourMax, 99.0f);
    EXPECT_TRUE(r.FindText("Range 1 to 99 (1% - 99%)")) << r.Describe();
    // New values with the same minimum and maximum (a rescan of the range): new percentiles.
    for (int x = 1; x < 100; ++x)
        v.Values[0][0][x] = v.Values[1][0][x] = v.Values[0][1][x] = v.Values[1][1][x] = 50.0f;
    s.DataRangeValid = 0;
    DrawSlice(s, r, "", layout, v, view);
    EXPECT_FLOAT_EQ(s.ContourMin, 50.0f);
    EXPECT_FLOAT_EQ(s.ContourMax, 50.0f);
    // Without the options the described range and no note.
    s.Display.ClipToPercentiles = 0;
    r.ops.clear();
    DrawSlice(s, r, "", layout, v, view);
    EXPECT_FLOAT_EQ(s.ContourMin, 0.0f);
    EXPECT_FLOAT_EQ(s.ContourMax, 100.0f);
    for (const std::string& t : r.Texts())
        EXPECT_NE(t.rfind("Range ", 0), 0u) << t;
}

TEST(ValueRange, HistogramCountsSumToTheCellCount)
{
    CData3DEx v;
    FillSkewed(v, 37, 23, 19, 3);
    const ValueHistogram h = VolumeHistogram(v, 100);
    ASSERT_EQ(h.counts.size(), 100u);
    EXPECT_EQ(std::accumulate(h.counts.begin(), h.counts.end(), std::int64_t{0}), 37 * 23 * 19);
    EXPECT_EQ(h.nonFinite, 0);
    float lo = 0, hi = 0;
    v.GetMinMax(lo, hi);
    EXPECT_EQ(h.min, lo);
    EXPECT_EQ(h.max, hi);
    EXPECT_GT(h.counts.front(), 0); // the minimum and the maximum are counted
    EXPECT_GT(h.counts.back(), 0);
    // Counts per bin equal an independent count.
    const double perValue = 100 / (h.max - h.min);
    std::int64_t inBin7 = 0;
    for (int z = 0; z < 19; ++z)
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                if (std::min(static_cast<int>((v.Values[z][y][x] - h.min) * perValue), 99) == 7)
                    ++inBin7;
    EXPECT_EQ(h.counts[7], inBin7);
    v.Values[0][0][0] = std::nanf("");
    const ValueHistogram g = VolumeHistogram(v, 10);
    EXPECT_EQ(std::accumulate(g.counts.begin(), g.counts.end(), std::int64_t{0}) + g.nonFinite,
              37 * 23 * 19);
    EXPECT_EQ(g.nonFinite, 1);
}
