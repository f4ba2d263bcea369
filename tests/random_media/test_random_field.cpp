#include "RandomMediaTestSupport.h"

#include "numeric/Allocation.h"
#include "platform/RecordingSurface.h"
#include "random_media/Correlation.h"
#include "random_media/Noise.h"
#include "random_media/RandomField.h"
#include "spectral/Fft.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"

#include "support/VolumeBuilders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _OPENMP
#include <omp.h>
#endif

using rm_test::Numbers;
using rm_test::ReadLines;
using rm_test::ScratchCwd;

namespace {

// A volume of nx x ny x nz cells, filled with fill.
constexpr auto& MakeVolume = testing_support::FillConstant;

constexpr auto& Flat = testing_support::Flatten;

// Population standard deviation in double, independent of the statistics object.
double StdDev(const std::vector<float>& v)
{
    double mean = 0;
    for (float f : v)
        mean += f;
    mean /= static_cast<double>(v.size());
    double sum = 0;
    for (float f : v)
        sum += (f - mean) * (f - mean);
    return std::sqrt(sum / static_cast<double>(v.size()));
}

// Von Karman values from scipy: argv = e h r1 r2 ...
const char* const kVonKarmanScript = R"(
import sys
import numpy as np
from scipy.special import kv, gamma
e, h = float(sys.argv[1]), float(sys.argv[2])
r = np.array([float(a) for a in sys.argv[3:]])
c = e * e * 2.0 ** (1.0 - h) / gamma(h) * r ** h * kv(h, r)
print(" ".join(repr(float(v)) for v in c))
)";

// The whole synthesis in numpy: noise from the generator, model grid, shaping, unit deviation.
// argv = nx ny nz sx sy sz ax ay az e h angle type; prints the grid C then the field F,
// both in [z][y][x] order.
const char* const kSynthesisScript = R"(
import sys
import numpy as np
from scipy.special import kv, gamma
a = sys.argv[1:]
nx, ny, nz = int(a[0]), int(a[1]), int(a[2])
sx, sy, sz, ax, ay, az, e, h, angle = (float(v) for v in a[3:12])
kind = int(a[12])
n = nx * ny * nz
s = 10
noise = np.empty(n)
for i in range(n):
    s = (s * 214013 + 2531011) & 0xFFFFFFFF
    noise[i] = ((s >> 16) & 0x7FFF) / 32768.0 - 0.5
noise = noise.reshape(nz, ny, nx)
z, y, x = np.meshgrid(np.arange(nz), np.arange(ny), np.arange(nx), indexing="ij")
X = nx * sx * 0.5 - x * sx
Y = ny * sy * 0.5 - y * sy
Z = nz * sz * 0.5 - z * sz
t = np.deg2rad(angle)
Xr = X * np.cos(t) - Z * np.sin(t)
Zr = X * np.sin(t) + Z * np.cos(t)
r = np.sqrt((Xr / ax) ** 2 + (Y / ay) ** 2 + (Zr / az) ** 2)
if kind == 4:
    C = e * e * np.exp(-r)
else:
    rs = np.where(r > 0, r, 1.0)
    C = np.where(r > 0, e * e * 2.0 ** (1.0 - h) / gamma(h) * rs ** h * kv(h, rs), e * e)
    C = np.where(r > 400, 0.0, C)
F = np.fft.ifftn(np.fft.fftn(noise) * np.sqrt(np.abs(np.fft.fftn(C)))).real
F = F / F.std()
print(" ".join(repr(float(v)) for v in C.ravel()))
print(" ".join(repr(float(v)) for v in F.ravel()))
)";

} // namespace

TEST(RandomGenerator, SequenceFromSeedAndUniformNoise)
{
    // s <- s * 214013 + 2531011 (mod 2^32), draw = bits 16..30; worked from seed 10
    CRandomGenerator g(10);
    const int expected[] = {71, 16899, 3272, 13694, 13697, 18296};
    for (int want : expected)
        EXPECT_EQ(g.Next(), want);
    // the state wraps modulo 2^32 rather than overflowing
    g.Seed(0xFFFFFFFFu);
    EXPECT_EQ(g.Next(), static_cast<int>(((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF));

    const int nx = 16, ny = 8, nz = 4;
    float*** a = f3tensor(0, nz, 0, ny, 0, nx);
    float*** b = f3tensor(0, nz, 0, ny, 0, nx);
    FillUniformNoise(nx, ny, nz, a, 0);
    FillUniformNoise(nx, ny, nz, b, 0);
    EXPECT_EQ(a[0][0][0], 71.0f / 32768.0f - 0.5f);
    EXPECT_EQ(a[0][0][1], 16899.0f / 32768.0f - 0.5f);
    // x innermost, then y, then z: cell [0][1][0] is draw number nx + 1
    CRandomGenerator order(10);
    for (int i = 0; i < nx; ++i)
        order.Next();
    EXPECT_EQ(a[0][1][0], static_cast<float>(order.Next()) / 32768.0f - 0.5f);
    bool same = true, differs = false;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                EXPECT_GE(a[z][y][x], -0.5f);
                EXPECT_LE(a[z][y][x], 0.5f - 1.0f / 32768.0f);
                same = same && a[z][y][x] == b[z][y][x];
            }
    EXPECT_TRUE(same);
    // seeded from the clock: not the fixed-seed noise
    FillUniformNoise(nx, ny, nz, b, 1);
    for (int x = 0; x < nx; ++x)
        differs = differs || a[0][0][x] != b[0][0][x];
    EXPECT_TRUE(differs);
    FreeTensor3(a, 0, nz, 0, ny, 0, nx);
    FreeTensor3(b, 0, nz, 0, ny, 0, nx);
}

TEST(CorrelationValue, VonKarmanAgreesWithScipyAndLimits)
{
    if (!rm_test::HavePython())
        FAIL() << "cross-check tool missing (scripts/setup installs it): "
               << "no " << KALDER_SYSTEM_PYTHON;
    ScratchCwd cwd;
    const float lags[] = {0.001f, 0.1f, 0.5f, 1.0f, 2.5f, 7.0f, 30.0f, 120.0f, 399.0f};
    for (float h : {0.5f, 0.25f, 0.8f}) {
        const float e = 0.1f;
        std::string args = std::to_string(e) + " " + std::to_string(h);
        for (float r : lags)
            args += " " + std::to_string(r);
        const std::vector<double> ref = rm_test::RunPython(kVonKarmanScript, args);
        ASSERT_EQ(ref.size(), std::size(lags)) << "h = " << h;
        for (std::size_t i = 0; i < std::size(lags); ++i) {
            const float got = CorrelationValue(CorrelationVonKarman, lags[i], e, h);
            EXPECT_NEAR(got, ref[i], 2e-6 * std::fabs(ref[i]) + 1e-40)
                << "h = " << h << ", r = " << lags[i];
        }
    }
    EXPECT_EQ(CorrelationValue(CorrelationVonKarman, 0.0f, 0.2f, 0.5f), 0.2f * 0.2f);
    EXPECT_EQ(CorrelationValue(CorrelationVonKarman, -1.0f, 0.2f, 0.5f), 0.2f * 0.2f);
    EXPECT_EQ(CorrelationValue(CorrelationVonKarman, 400.5f, 0.2f, 0.5f), 0.0f);
    // tends to e^2 at small r; a Hurst number of 0 or below has no correlation, but no fault
    EXPECT_NEAR(CorrelationValue(CorrelationVonKarman, 1e-6f, 0.2f, 0.5f), 0.04f, 1e-4f);
    EXPECT_EQ(CorrelationValue(CorrelationVonKarman, 1.0f, 0.2f, 0.0f), 0.0f);
    EXPECT_EQ(CorrelationValue(CorrelationVonKarman, 1.0f, 0.2f, -0.5f), 0.0f);
    EXPECT_TRUE(std::isfinite(CorrelationValue(CorrelationVonKarman, 1e-4f, 0.2f, 200.0f)));
    EXPECT_FLOAT_EQ(CorrelationValue(CorrelationExponential, 2.0f, 0.3f, 0.5f),
                    0.09f * std::exp(-2.0f));
    for (int type : {-1, 0, 1, 2, 5})
        EXPECT_EQ(CorrelationValue(type, 0.0f, 0.3f, 0.5f), 0.0f) << type;
}

TEST(VonKarmanFunction3D, CentredRotatedAndRefusedForZeroDistance)
{
    ScratchCwd cwd;
    CData3DEx v;
    const int n = 16, c = n / 2;
    const float e = 0.2f, step = 25.0f;
    MakeVolume(v, n, n, n, -7.0f);
    // exponential with the cell size as correlation distance: e^2 at the centre, e^2/e one cell
    // away along X
    ASSERT_EQ(VonKarmanFunction3D(CorrelationExponential, n, n, n, v.Values, step, step, step, step,
                                  2 * step, 4 * step, e, 0.5f, 0.0f),
              1);
    EXPECT_FLOAT_EQ(v.Values[c][c][c], e * e);
    EXPECT_FLOAT_EQ(v.Values[c][c][c + 1], e * e * std::exp(-1.0f));
    EXPECT_FLOAT_EQ(v.Values[c][c + 2][c], e * e * std::exp(-1.0f));
    EXPECT_FLOAT_EQ(v.Values[c + 4][c][c], e * e * std::exp(-1.0f));
    EXPECT_FLOAT_EQ(v.Values[0][0][0], e * e * std::exp(-std::sqrt(64.0f + 16.0f + 4.0f)));
    std::vector<std::string> lines = ReadLines("VonKarmanFunction3D.txt");
    ASSERT_EQ(lines.size(), 1u + n);
    EXPECT_EQ(lines[0], "e=0.200000 h=0.500000 ax25.000000 ay=50.000000 az=100.000000 ");
    // one line per z along the centre vertical: x, y, z : X', Y, Z' : r value
    EXPECT_EQ(lines[1 + c], "200.000000 200.000000 200.000000 : 0.000000 0.000000 0.000000  : "
                            "0.000000 0.040000 ");

    // 90 degrees: an offset d along X is divided by az
    ASSERT_EQ(VonKarmanFunction3D(CorrelationExponential, n, n, n, v.Values, 1, 1, 1, 2, 3, 5, e,
                                  0.5f, 90.0f),
              1);
    for (int d = 1; d <= 3; ++d)
        EXPECT_NEAR(v.Values[c][c][c + d], e * e * std::exp(-d / 5.0f), 1e-7f) << d;
    EXPECT_NEAR(v.Values[c + 1][c][c], e * e * std::exp(-1 / 2.0f), 1e-7f);

    // a zero correlation distance: header only, values untouched
    MakeVolume(v, n, n, n, -7.0f);
    for (int which = 0; which < 3; ++which) {
        const float d[3] = {which == 0 ? 0.0f : 5.0f, which == 1 ? 0.0f : 5.0f,
                            which == 2 ? 0.0f : 5.0f};
        EXPECT_EQ(VonKarmanFunction3D(CorrelationVonKarman, n, n, n, v.Values, 1, 1, 1, d[0], d[1],
                                      d[2], e, 0.5f, 0.0f),
                  0);
        EXPECT_EQ(ReadLines("VonKarmanFunction3D.txt").size(), 1u);
    }
    for (float f : Flat(v))
        ASSERT_EQ(f, -7.0f);
}

TEST(VonKarmanNoise3D, MatchesNumpySynthesisWithUnitDeviation)
{
    if (!rm_test::HavePython())
        FAIL() << "cross-check tool missing (scripts/setup installs it): "
               << "no " << KALDER_SYSTEM_PYTHON;
    ScratchCwd cwd;
    testing_support::HeadlessServices services;
    platform::RecordingSurface surface;
    // unequal extents and steps, an anisotropic rotated model: catches any axis mix-up
    const int nx = 16, ny = 32, nz = 8;
    const float sx = 10, sy = 20, sz = 5, ax = 30, ay = 90, az = 12, e = 0.05f, h = 0.3f,
                angle = 30;
    for (int type : {CorrelationVonKarman, CorrelationExponential}) {
        CData3DEx v;
        MakeVolume(v, nx, ny, nz, 0.0f);
        ASSERT_EQ(VonKarmanNoise3D(type, nx, ny, nz, v.Values, sx, sy, sz, ax, ay, az, e, h, angle,
                                   0, surface),
                  1);
        const std::vector<float> field = Flat(v);
        EXPECT_NEAR(StdDev(field), 1.0, 1e-5);

        char args[256];
        std::snprintf(args, sizeof args, "%d %d %d %g %g %g %g %g %g %g %g %g %d", nx, ny, nz,
                      static_cast<double>(sx), static_cast<double>(sy), static_cast<double>(sz),
                      static_cast<double>(ax), static_cast<double>(ay), static_cast<double>(az),
                      static_cast<double>(e), static_cast<double>(h), static_cast<double>(angle),
                      type);
        const std::vector<double> ref = rm_test::RunPython(kSynthesisScript, args);
        const std::size_t n = field.size();
        ASSERT_EQ(ref.size(), 2 * n);
        double worst = 0;
        for (std::size_t i = 0; i < n; ++i)
            worst = std::max(worst, std::fabs(field[i] - ref[n + i]));
        EXPECT_LT(worst, 2e-4) << "type " << type;

        // the model grid alone, against the same reference
        VonKarmanFunction3D(type, nx, ny, nz, v.Values, sx, sy, sz, ax, ay, az, e, h, angle);
        const std::vector<float> grid = Flat(v);
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_NEAR(grid[i], ref[i], 1e-5 * e * e) << "type " << type << ", cell " << i;
    }
    EXPECT_FALSE(surface.Texts().empty()); // the transforms' progress texts
}

TEST(VonKarmanNoise3D, ScratchSpectraAndDiagnosticFiles)
{
    ScratchCwd cwd;
    testing_support::HeadlessServices services;
    platform::RecordingSurface surface;
    const int nx = 8, ny = 16, nz = 32;
    CData3DEx v;
    MakeVolume(v, nx, ny, nz, 0.0f);
    ASSERT_EQ(VonKarmanNoise3D(CorrelationVonKarman, nx, ny, nz, v.Values, 1, 1, 1, 3, 3, 3, 0.1f,
                               0.5f, 0, 0, surface),
              1);
    const std::vector<float> first = Flat(v);
    EXPECT_TRUE(services.ui.messages.empty());

    // Spectra: per row [z][y], nx real parts then nx imaginary parts. Check the X wavenumbers 0
    // and 1 of row [0][0], a plain DFT of the noise in double.
    const std::uintmax_t bytes = static_cast<std::uintmax_t>(nx) * ny * nz * 8;
    ASSERT_EQ(std::filesystem::file_size("RandomModel.dat"), bytes);
    ASSERT_EQ(std::filesystem::file_size("AutoCorrelationModel.dat"), bytes);
    float*** noise = f3tensor(0, nz, 0, ny, 0, nx);
    FillUniformNoise(nx, ny, nz, noise, 0);
    const double pi = 3.14159265358979323846;
    double re0 = 0, re1 = 0, im1 = 0;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                const double w = noise[z][y][x];
                re0 += w;
                re1 += w * std::cos(2 * pi * x / nx);
                im1 -= w * std::sin(2 * pi * x / nx);
            }
    FreeTensor3(noise, 0, nz, 0, ny, 0, nx);
    std::vector<float> row(2 * nx);
    {
        std::ifstream in("RandomModel.dat", std::ios::binary);
        in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size() * 4));
    }
    EXPECT_NEAR(row[0], re0, 1e-3);
    EXPECT_NEAR(row[1], re1, 1e-3);
    EXPECT_NEAR(row[nx + 0], 0.0, 1e-3);
    EXPECT_NEAR(row[nx + 1], im1, 1e-3);

    // The model spectrum file holds the transform of the sampled model, every float exactly
    // (row [z][y]: nx real parts, then nx imaginary parts).
    {
        CData3DEx grid, gridIm;
        MakeVolume(grid, nx, ny, nz, 0.0f);
        MakeVolume(gridIm, nx, ny, nz, 0.0f);
        ASSERT_EQ(VonKarmanFunction3D(CorrelationVonKarman, nx, ny, nz, grid.Values, 1, 1, 1, 3, 3,
                                      3, 0.1f, 0.5f, 0),
                  1);
        ASSERT_EQ(Fft3DForward(nx, ny, nz, grid.Values, gridIm.Values, surface), 1);
        std::vector<float> file(static_cast<std::size_t>(2) * nx * ny * nz);
        std::ifstream in("AutoCorrelationModel.dat", std::ios::binary);
        in.read(reinterpret_cast<char*>(file.data()),
                static_cast<std::streamsize>(file.size() * sizeof(float)));
        ASSERT_TRUE(in.good());
        std::size_t at = 0;
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y) {
                for (int x = 0; x < nx; ++x)
                    ASSERT_EQ(file[at + x], grid.Values[z][y][x]) << z << " " << y << " " << x;
                for (int x = 0; x < nx; ++x)
                    ASSERT_EQ(file[at + nx + x], gridIm.Values[z][y][x])
                        << z << " " << y << " " << x;
                at += 2 * static_cast<std::size_t>(nx);
            }
    }

    // "VonKarmanNoise3D.txt": SD(1), "1 nz", nz profile lines, SD(2)
    std::vector<std::string> lines = ReadLines("VonKarmanNoise3D.txt");
    ASSERT_EQ(lines.size(), 3u + nz);
    EXPECT_EQ(lines[0].rfind("SD(1)=", 0), 0u);
    EXPECT_GT(Numbers(lines[0]).back(), 0.0);
    EXPECT_EQ(lines[1], "1 32 ");
    const std::vector<double> level5 = Numbers(lines[2 + 5]);
    ASSERT_EQ(level5.size(), 2u);
    EXPECT_EQ(level5[0], 5.0);
    EXPECT_NEAR(level5[1], first[(5 * ny + ny / 2) * nx + nx / 2], 1e-6);
    EXPECT_EQ(lines.back().rfind("SD(2)=", 0), 0u);
    EXPECT_NEAR(Numbers(lines.back()).back(), 1.0, 2e-6);

    // the lag tables: header, then lag, measured and model value per lag
    const char* files[] = {"VonKarmanNoise3D_ac_x.txt", "VonKarmanNoise3D_ac_y.txt",
                           "VonKarmanNoise3D_ac_z.txt"};
    const int counts[] = {nx, ny, nz};
    const char* names[] = {"ax", "ay", "az"};
    for (int axis = 0; axis < 3; ++axis) {
        lines = ReadLines(files[axis]);
        ASSERT_EQ(lines.size(), 1u + counts[axis]) << files[axis];
        EXPECT_EQ(lines[0].rfind("1 " + std::to_string(counts[axis]) + " " + names[axis] +
                                     "=3.000000 e=0.100000 h=0.500000 sd",
                                 0),
                  0u)
            << lines[0];
        const std::vector<double> lag0 = Numbers(lines[1]);
        ASSERT_EQ(lag0.size(), 3u);
        EXPECT_EQ(lag0[0], 0.0);
        EXPECT_GT(lag0[1], 0.0); // the zero lag of an auto-correlation is a sum of squares
        EXPECT_NEAR(lag0[2], 0.01, 1e-6);
        const std::vector<double> lag2 = Numbers(lines[3]);
        EXPECT_NEAR(lag2[2], CorrelationValue(CorrelationVonKarman, 2.0f / 3.0f, 0.1f, 0.5f), 1e-6);
    }

    // the same settings again: the same field
    MakeVolume(v, nx, ny, nz, 0.0f);
    ASSERT_EQ(VonKarmanNoise3D(CorrelationVonKarman, nx, ny, nz, v.Values, 1, 1, 1, 3, 3, 3, 0.1f,
                               0.5f, 0, 0, surface),
              1);
    EXPECT_EQ(Flat(v), first);
}

TEST(VonKarmanNoise3D, RefusalsAndDegenerateModels)
{
    ScratchCwd cwd;
    testing_support::HeadlessServices services;
    platform::RecordingSurface surface;

    // 100 cells is no power of two: values untouched, the four diagnostic files empty
    CData3DEx v;
    MakeVolume(v, 100, 100, 100, 3.0f);
    EXPECT_EQ(VonKarmanNoise3D(CorrelationVonKarman, 100, 100, 100, v.Values, 1, 1, 1, 5, 5, 5,
                               0.1f, 0.5f, 0, 0, surface),
              0);
    for (float f : Flat(v))
        ASSERT_EQ(f, 3.0f);
    EXPECT_EQ(services.ui.MessageTexts(),
              std::vector<std::string>{"Error! Number of cells is not equal to power of 2. NX = "
                                       "100 is not a power of 2 from 8 to 65536."});
    for (const char* name : {"VonKarmanNoise3D.txt", "VonKarmanNoise3D_ac_x.txt",
                             "VonKarmanNoise3D_ac_y.txt", "VonKarmanNoise3D_ac_z.txt"}) {
        ASSERT_TRUE(std::filesystem::exists(name)) << name;
        EXPECT_EQ(std::filesystem::file_size(name), 0u) << name;
    }
    EXPECT_FALSE(std::filesystem::exists("RandomModel.dat"));

    // A model that is zero everywhere: a zero field (never 0/0), told unless asked for
    const int n = 8;
    MakeVolume(v, n, n, n, 3.0f);
    struct Case {
        int type;
        float ax;
        bool told;
    };
    for (Case c : {Case{CorrelationRandomNoise, 5, true}, Case{CorrelationVonKarman, 0, true},
                   Case{CorrelationHomogeneous, 5, false}}) {
        services.ui.ClearLog();
        EXPECT_EQ(VonKarmanNoise3D(c.type, n, n, n, v.Values, 1, 1, 1, c.ax, 5, 5, 0.1f, 0.5f, 0, 0,
                                   surface),
                  1);
        for (float f : Flat(v))
            ASSERT_EQ(f, 0.0f) << "type " << c.type;
        EXPECT_EQ(services.ui.messages.size(), c.told ? 1u : 0u) << "type " << c.type;
        const std::vector<std::string> lines = ReadLines("VonKarmanNoise3D.txt");
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "SD(2)=0.000000 ");
    }

    // A scratch file that cannot be written: said so, result 0, a zero field
    services.ui.ClearLog();
    std::filesystem::remove("RandomModel.dat");
    std::filesystem::create_directory("RandomModel.dat");
    MakeVolume(v, n, n, n, 3.0f);
    EXPECT_EQ(VonKarmanNoise3D(CorrelationVonKarman, n, n, n, v.Values, 1, 1, 1, 2, 2, 2, 0.1f,
                               0.5f, 0, 0, surface),
              0);
    ASSERT_EQ(services.ui.messages.size(), 1u);
    EXPECT_NE(services.ui.messages[0].text.find("\"RandomModel.dat\""), std::string::npos);
    for (float f : Flat(v))
        ASSERT_EQ(f, 0.0f);
}

// The synthesis gives the same field, bit for bit, with one thread or two (the transforms, the
// sampled model, the streamed scratch files and the statistics all keep their order).
TEST(VonKarmanNoise3D, SameFieldForAnyThreadCount)
{
    ScratchCwd cwd;
    testing_support::HeadlessServices services;
    platform::RecordingSurface surface;
    const int nx = 64, ny = 32, nz = 16;
    std::vector<float> fields[2];
    std::string reports[2];
    for (int threads : {1, 2}) {
#ifdef _OPENMP
        omp_set_num_threads(threads);
#endif
        CData3DEx v;
        MakeVolume(v, nx, ny, nz, 0.0f);
        ASSERT_EQ(VonKarmanNoise3D(CorrelationVonKarman, nx, ny, nz, v.Values, 2, 1, 3, 9, 5, 12,
                                   0.1f, 0.4f, 25, 0, surface),
                  1);
        fields[threads - 1] = Flat(v);
        reports[threads - 1] = testing_support::ReadWholeFile("VonKarmanNoise3D.txt");
    }
#ifdef _OPENMP
    omp_set_num_threads(omp_get_num_procs());
#endif
    EXPECT_EQ(fields[0], fields[1]);
    EXPECT_EQ(reports[0], reports[1]);
    EXPECT_FALSE(reports[0].empty());
}
