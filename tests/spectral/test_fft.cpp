#include "spectral/Fft.h"

#include "SpectralTestSupport.h"
#include "platform/RecordingSurface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#ifdef _OPENMP
#include <omp.h>
#endif

using namespace spectral_test;

namespace {

constexpr const char* kNumpyLines = R"(
import sys, numpy as np
d = sys.argv[1]
lengths = np.fromfile(d + '/lengths.i32', dtype='<i4')
data = np.fromfile(d + '/lines.f64', dtype='<f8')
fwd, inv = [], []
pos = 0
for n in lengths:
    re = data[pos:pos + n]; im = data[pos + n:pos + 2 * n]; pos += 2 * n
    x = re + 1j * im
    f = np.fft.fft(x); b = np.fft.ifft(x)
    fwd += [f.real, f.imag]; inv += [b.real, b.imag]
np.concatenate(fwd).astype('<f8').tofile(d + '/fwd.f64')
np.concatenate(inv).astype('<f8').tofile(d + '/inv.f64')
)";

constexpr const char* kNumpyGrid = R"(
import sys, numpy as np
d, nx, ny, nz = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
re = np.fromfile(d + '/re.f32', dtype='<f4').astype(np.float64).reshape(nz, ny, nx)
im = np.fromfile(d + '/im.f32', dtype='<f4').astype(np.float64).reshape(nz, ny, nx)
x = re + 1j * im
f = np.fft.fftn(x); b = np.fft.ifftn(x)
np.concatenate([f.real.ravel(), f.imag.ravel(), b.real.ravel(), b.imag.ravel()]).astype('<f8').tofile(d + '/out.f64')
)";

std::vector<double> Widen(const std::vector<float>& v)
{
    return {v.begin(), v.end()};
}

} // namespace

TEST(Fft, LengthsBelowTwoOrNotPowersOfTwoLeaveArraysUntouched)
{
    for (int n : {0, 1, 6, 12}) {
        std::vector<double> re(16), im(16);
        for (int i = 0; i < 16; ++i)
            re[i] = i * 1.5 - 3, im[i] = 7 - i;
        const auto re0 = re, im0 = im;
        Fft(re.data(), im.data(), n, 0);
        Fft(re.data(), im.data(), n, 1);
        EXPECT_EQ(re, re0) << "n=" << n;
        EXPECT_EQ(im, im0) << "n=" << n;
    }
}

TEST(Fft, SmallHandWorkedCases)
{
    // n = 2: (a + b, a - b) forward, halved inverse
    double re[2] = {3.0, 5.0}, im[2] = {1.0, -2.0};
    Fft(re, im, 2, 0);
    EXPECT_DOUBLE_EQ(re[0], 8.0);
    EXPECT_DOUBLE_EQ(re[1], -2.0);
    EXPECT_DOUBLE_EQ(im[0], -1.0);
    EXPECT_DOUBLE_EQ(im[1], 3.0);
    double re2[2] = {3.0, 5.0}, im2[2] = {0.0, 0.0};
    Fft(re2, im2, 2, 7); // any non-zero flag means inverse
    EXPECT_DOUBLE_EQ(re2[0], 4.0);
    EXPECT_DOUBLE_EQ(re2[1], -1.0);

    // impulse at 0: all ones, and back
    std::vector<double> ir(16, 0.0), ii(16, 0.0);
    ir[0] = 1.0;
    Fft(ir.data(), ii.data(), 16, 0);
    for (int k = 0; k < 16; ++k) {
        EXPECT_DOUBLE_EQ(ir[k], 1.0);
        EXPECT_DOUBLE_EQ(ii[k], 0.0);
    }
    Fft(ir.data(), ii.data(), 16, 1);
    for (int k = 0; k < 16; ++k) {
        EXPECT_NEAR(ir[k], k == 0 ? 1.0 : 0.0, 1e-15);
        EXPECT_NEAR(ii[k], 0.0, 1e-15);
    }

    // cos(2 pi j / 8): 4 at k = 1 and 7
    double cr[8], ci[8];
    for (int j = 0; j < 8; ++j)
        cr[j] = std::cos(2 * M_PI * j / 8), ci[j] = 0;
    Fft(cr, ci, 8, 0);
    for (int k = 0; k < 8; ++k) {
        EXPECT_NEAR(cr[k], (k == 1 || k == 7) ? 4.0 : 0.0, 1e-12) << k;
        EXPECT_NEAR(ci[k], 0.0, 1e-12) << k;
    }
    // sign convention: sin(2 pi j / 8) has -4i at k = 1 forward
    for (int j = 0; j < 8; ++j)
        cr[j] = std::sin(2 * M_PI * j / 8), ci[j] = 0;
    Fft(cr, ci, 8, 0);
    EXPECT_NEAR(ci[1], -4.0, 1e-12);
    EXPECT_NEAR(ci[7], 4.0, 1e-12);
}

TEST(Fft, MatchesNumpyForEveryPowerOfTwoLength)
{
    ScratchDir dir;
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<int> lengths;
    std::vector<double> lines;
    for (int n = 2; n <= 65536; n *= 2) {
        lengths.push_back(n);
        for (int i = 0; i < 2 * n; ++i)
            lines.push_back(u(rng));
    }
    WriteRaw(dir.File("lengths.i32"), lengths);
    WriteRaw(dir.File("lines.f64"), lines);
    ASSERT_TRUE(RunPython(dir, kNumpyLines, dir.path));
    const auto fwd = ReadRaw<double>(dir.File("fwd.f64"), lines.size());
    const auto inv = ReadRaw<double>(dir.File("inv.f64"), lines.size());
    ASSERT_EQ(fwd.size(), lines.size());
    ASSERT_EQ(inv.size(), lines.size());

    std::size_t pos = 0;
    for (int n : lengths) {
        std::vector<double> in(lines.begin() + pos, lines.begin() + pos + 2 * n);
        for (int inverse = 0; inverse < 2; ++inverse) {
            std::vector<double> re(in.begin(), in.begin() + n), im(in.begin() + n, in.end());
            Fft(re.data(), im.data(), n, inverse);
            std::vector<double> got = re;
            got.insert(got.end(), im.begin(), im.end());
            const auto& ref = inverse ? inv : fwd;
            std::vector<double> want(ref.begin() + pos, ref.begin() + pos + 2 * n);
            EXPECT_LT(RelNormError(got, want), kRelNormTolerance)
                << "n=" << n << " inverse=" << inverse;
            // the line kernel works in double throughout: far below the float tolerance
            EXPECT_LT(RelNormError(got, want), 1e-13) << "n=" << n << " inverse=" << inverse;
        }
        // forward then inverse returns the input
        std::vector<double> re(in.begin(), in.begin() + n), im(in.begin() + n, in.end());
        Fft(re.data(), im.data(), n, 0);
        Fft(re.data(), im.data(), n, 1);
        std::vector<double> back = re;
        back.insert(back.end(), im.begin(), im.end());
        EXPECT_LT(RelNormError(back, in), 1e-13) << "n=" << n;
        pos += 2 * n;
    }
}

TEST(FftSize, Table)
{
    const int cases[][2] = {{-5, 8},        {0, 8},         {1, 8},         {8, 8},
                            {9, 16},        {128, 128},     {129, 256},     {32768, 32768},
                            {32769, 65536}, {65536, 65536}, {100000, 65536}};
    for (const auto& c : cases)
        EXPECT_EQ(FftSize(c[0]), c[1]) << c[0];
}

TEST(AutoCorrelation1D, ConstantImpulseAndDirectSum)
{
    float c[8];
    for (float& v : c)
        v = 3.0f;
    EXPECT_EQ(AutoCorrelation1D(c, 8), 1);
    for (float v : c)
        EXPECT_NEAR(v, 9.0f, 1e-5f);

    float imp[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    AutoCorrelation1D(imp, 8);
    EXPECT_NEAR(imp[0], 0.125f, 1e-7f);
    for (int i = 1; i < 8; ++i)
        EXPECT_NEAR(imp[i], 0.0f, 1e-7f);

    // 100 samples pad to 128: (1/L) sum_j x[j] x[(j + i) mod L] against a direct sum
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-1, 1);
    std::vector<float> x(100), a;
    for (float& v : x)
        v = u(rng);
    a = x;
    AutoCorrelation1D(a.data(), 100);
    const int L = 128;
    for (int i = 0; i < 100; ++i) {
        double s = 0;
        for (int j = 0; j < 100; ++j) {
            const int k = (j + i) % L; // circular over the padded line
            if (k < 100)
                s += static_cast<double>(x[j]) * x[k];
        }
        EXPECT_NEAR(a[i], s / L, 1e-5) << i;
    }
}

TEST(AutoCorrelation1D, RefusesProfilesNoLengthCovers)
{
    std::vector<float> v(65537, 1.0f);
    EXPECT_EQ(AutoCorrelation1D(v.data(), 65537), 0);
    for (float x : v)
        ASSERT_EQ(x, 1.0f);
    EXPECT_EQ(AutoCorrelation1D(v.data(), 0), 0);
    EXPECT_EQ(AutoCorrelation1D(v.data(), 65536), 1);
    EXPECT_NEAR(v[0], 1.0f, 1e-5f); // 65536 ones padded to 65536: mean of squares
}

TEST(CheckPowerOfTwo3D, AcceptsAndRefusesWithMessage)
{
    ScriptedScope scope;
    EXPECT_EQ(CheckPowerOfTwo3D(64, 32, 16), 1);
    EXPECT_EQ(CheckPowerOfTwo3D(8, 65536, 8), 1);
    EXPECT_TRUE(scope.ui.MessageTexts().empty());
    EXPECT_EQ(CheckPowerOfTwo3D(4, 4, 4), 0);
    EXPECT_EQ(CheckPowerOfTwo3D(100, 128, 128), 0);
    EXPECT_EQ(CheckPowerOfTwo3D(131072, 8, 8), 0);
    EXPECT_EQ(CheckPowerOfTwo3D(0, 8, 8), 0);
    // each message names the first axis at fault and its extent
    const std::string lead = "Error! Number of cells is not equal to power of 2. ";
    const std::string tail = " is not a power of 2 from 8 to 65536.";
    EXPECT_EQ(scope.ui.MessageTexts(),
              (std::vector<std::string>{lead + "NX = 4" + tail, lead + "NX = 100" + tail,
                                        lead + "NX = 131072" + tail, lead + "NX = 0" + tail}));
    scope.ui.ClearLog();
    EXPECT_EQ(CheckPowerOfTwo3D(64, 48, 16), 0);
    EXPECT_EQ(CheckPowerOfTwo3D(64, 64, 1000), 0);
    EXPECT_EQ(scope.ui.MessageTexts(),
              (std::vector<std::string>{lead + "NY = 48" + tail, lead + "NZ = 1000" + tail}));
}

TEST(Fft3D, ProgressTextsAndRefusal)
{
    ScriptedScope scope;
    {
        Tensor re(16, 8, 32), im(16, 8, 32);
        std::mt19937 rng(1);
        re.Fill(rng), im.Fill(rng);
        platform::RecordingSurface surface;
        EXPECT_EQ(Fft3DForward(16, 8, 32, re.t, im.t, surface), 1);
        const auto texts = surface.OpsOf(platform::OpKind::Text);
        ASSERT_EQ(texts.size(), 4u) << surface.Describe();
        EXPECT_EQ(texts[0].text, "nfftx=16 : nffty=8 : nfftz=32 ");
        EXPECT_EQ(texts[0].args, (std::vector<int>{10, -50}));
        const char* axes[] = {"FFT for X direction", "FFT for Y direction", "FFT for Z direction"};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(texts[i + 1].text, axes[i]);
            EXPECT_EQ(texts[i + 1].args, (std::vector<int>{10, -100}));
        }
        EXPECT_EQ(surface.ops.size(), 4u); // nothing else is drawn
        // the same texts reach the Ui's progress indication
        EXPECT_EQ(scope.ui.progress,
                  (std::vector<std::string>{texts[0].text, axes[0], axes[1], axes[2]}));
    }
    {
        Tensor re(12, 8, 8), im(12, 8, 8);
        std::mt19937 rng(2);
        re.Fill(rng), im.Fill(rng);
        const auto r0 = re.Flat(), i0 = im.Flat();
        platform::RecordingSurface surface;
        EXPECT_EQ(Fft3DInverse(12, 8, 8, re.t, im.t, surface), 0);
        EXPECT_TRUE(surface.ops.empty());
        EXPECT_EQ(re.Flat(), r0);
        EXPECT_EQ(im.Flat(), i0);
        EXPECT_EQ(scope.ui.MessageTexts().size(), 1u);
    }
}

namespace {

// Forward and inverse through the three passes of Fft on gathered lines, rounded to float
// after each pass: what Fft3D must give bit for bit.
void ReferenceFft3D(std::vector<float>& rr, std::vector<float>& ri, int nx, int ny, int nz,
                    int inverse)
{
    auto at = [&](int x, int y, int z) { return (static_cast<std::size_t>(z) * ny + y) * nx + x; };
    auto pass = [&](int n, auto index, int c1, int c2) {
        std::vector<double> br(n), bi(n);
        for (int a = 0; a < c1; ++a)
            for (int b = 0; b < c2; ++b) {
                for (int k = 0; k < n; ++k)
                    br[k] = rr[index(a, b, k)], bi[k] = ri[index(a, b, k)];
                Fft(br.data(), bi.data(), n, inverse);
                for (int k = 0; k < n; ++k) {
                    rr[index(a, b, k)] = static_cast<float>(br[k]);
                    ri[index(a, b, k)] = static_cast<float>(bi[k]);
                }
            }
    };
    pass(
        nx, [&](int z, int y, int k) { return at(k, y, z); }, nz, ny);
    pass(
        ny, [&](int z, int x, int k) { return at(x, k, z); }, nz, nx);
    pass(
        nz, [&](int y, int x, int k) { return at(x, y, k); }, ny, nx);
}

} // namespace

// Every line of the 3D result is what Fft gives for that line, bit for bit, with one thread or
// two, for batches of 16 and of 8 lanes; the two tensors have different row pitches.
TEST(Fft3D, EqualsLineByLineFftForAnyThreadCount)
{
    // every pass plan (8; 2 8; 4 8; 8 8; 2 8 8; 4 8 8) along every axis, so the first, middle
    // and last passes of the batches and the buffer gaps after every 32 elements all take part
    const int shapes[][3] = {{32, 16, 8},  {8, 8, 16},   {16, 8, 8},
                             {64, 8, 128}, {128, 32, 8}, {8, 256, 64}};
    for (const auto& shape : shapes)
        for (int inverse = 0; inverse < 2; ++inverse) {
            const int nx = shape[0], ny = shape[1], nz = shape[2];
            Tensor re0(nx, ny, nz, 3), im0(nx, ny, nz);
            std::mt19937 rng(3 + nx + inverse);
            re0.Fill(rng), im0.Fill(rng);
            std::vector<float> rr = re0.Flat(), ri = im0.Flat();
            ReferenceFft3D(rr, ri, nx, ny, nz, inverse);

            for (int threads : {1, 2}) {
#ifdef _OPENMP
                omp_set_num_threads(threads);
#endif
                Tensor re(nx, ny, nz, 3), im(nx, ny, nz);
                for (int z = 0; z < nz; ++z)
                    for (int y = 0; y < ny; ++y)
                        for (int x = 0; x < nx; ++x)
                            re.t[z][y][x] = re0.t[z][y][x], im.t[z][y][x] = im0.t[z][y][x];
                platform::RecordingSurface surface;
                ASSERT_EQ(Fft3D(nx, ny, nz, re.t, im.t, inverse, surface), 1);
                EXPECT_EQ(re.Flat(), rr) << nx << "x" << ny << "x" << nz << " " << threads;
                EXPECT_EQ(im.Flat(), ri) << nx << "x" << ny << "x" << nz << " " << threads;
            }
        }
}

TEST(Fft3D, MatchesNumpyOnGridsForwardAndInverse)
{
    const int grids[][3] = {{8, 8, 8},    {8, 16, 32},  {64, 32, 16}, {128, 16, 8},
                            {16, 8, 256}, {32, 32, 32}, {8192, 8, 8}};
    for (const auto& g : grids) {
        const int nx = g[0], ny = g[1], nz = g[2];
        ScratchDir dir;
        Tensor re(nx, ny, nz), im(nx, ny, nz);
        std::mt19937 rng(nx * 131 + ny * 7 + nz);
        re.Fill(rng), im.Fill(rng);
        const auto r0 = re.Flat(), i0 = im.Flat();
        WriteRaw(dir.File("re.f32"), r0);
        WriteRaw(dir.File("im.f32"), i0);
        ASSERT_TRUE(RunPython(dir, kNumpyGrid,
                              dir.path + " " + std::to_string(nx) + " " + std::to_string(ny) + " " +
                                  std::to_string(nz)));
        const std::size_t n = r0.size();
        const auto out = ReadRaw<double>(dir.File("out.f64"), 4 * n);
        ASSERT_EQ(out.size(), 4 * n);

        platform::RecordingSurface surface;
        ASSERT_EQ(Fft3DForward(nx, ny, nz, re.t, im.t, surface), 1);
        std::vector<double> got = Widen(re.Flat()), gi = Widen(im.Flat());
        got.insert(got.end(), gi.begin(), gi.end());
        std::vector<double> want(out.begin(), out.begin() + 2 * n);
        EXPECT_LT(RelNormError(got, want), kRelNormTolerance) << nx << "x" << ny << "x" << nz;

        // inverse of the same input
        Tensor re2(nx, ny, nz), im2(nx, ny, nz);
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                for (int x = 0; x < nx; ++x) {
                    const std::size_t i = (static_cast<std::size_t>(z) * ny + y) * nx + x;
                    re2.t[z][y][x] = r0[i], im2.t[z][y][x] = i0[i];
                }
        ASSERT_EQ(Fft3DInverse(nx, ny, nz, re2.t, im2.t, surface), 1);
        got = Widen(re2.Flat()), gi = Widen(im2.Flat());
        got.insert(got.end(), gi.begin(), gi.end());
        want.assign(out.begin() + 2 * n, out.end());
        EXPECT_LT(RelNormError(got, want), kRelNormTolerance) << nx << "x" << ny << "x" << nz;

        // forward of the transform, then inverse: back to the input within float rounding
        ASSERT_EQ(Fft3DForward(nx, ny, nz, re2.t, im2.t, surface), 1);
        got = Widen(re2.Flat()), gi = Widen(im2.Flat());
        got.insert(got.end(), gi.begin(), gi.end());
        std::vector<double> in = Widen(r0), ii = Widen(i0);
        in.insert(in.end(), ii.begin(), ii.end());
        EXPECT_LT(RelNormError(got, in), kRelNormTolerance) << nx << "x" << ny << "x" << nz;
    }
}
