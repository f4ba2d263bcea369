#include "spectral/SpectralCommands.h"

#include "SpectralTestSupport.h"
#include "platform/RecordingSurface.h"
#include "spectral/Fft.h"

#include "support/VolumeBuilders.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace spectral_test;

namespace {

constexpr auto& MakeVolume = testing_support::FillConstant;

void FillRandom(CData3D& v, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-2.0f, 5.0f);
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y)
            for (int x = 0; x < v.NX; ++x)
                v.Values[z][y][x] = u(rng);
}

std::vector<float> Flat(float*** t, int nx, int ny, int nz)
{
    std::vector<float> out;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                out.push_back(t[z][y][x]);
    return out;
}

} // namespace

TEST(ForwardTransformCommand, ConstantVolumeGivesSumAtOriginAndSetsSpectrum)
{
    ScriptedScope scope;
    CData3DEx v;
    MakeVolume(v, 8, 8, 8, 2.5f);
    EXPECT_TRUE(CanForwardTransform(v));
    EXPECT_TRUE(CanAutoCorrelation(v));
    EXPECT_FALSE(CanInverseTransform(v));
    platform::RecordingSurface surface;
    const CommandResult o = ForwardTransformCommand(v, surface);
    EXPECT_EQ(o.Done, 1);
    EXPECT_TRUE(o.Changed);
    EXPECT_TRUE(o.Repaint);
    EXPECT_FALSE(o.Repick);
    EXPECT_EQ(v.IsSpectrum, 1);
    ASSERT_EQ(v.IsAllocated(0), 1);
    for (int z = 0; z < 8; ++z)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const float want = (x | y | z) ? 0.0f : 512 * 2.5f;
                ASSERT_NEAR(v.Values[z][y][x], want, kFloatRoundingTolerance);
                ASSERT_NEAR(v.AuxValues[z][y][x], 0.0f, kFloatRoundingTolerance);
            }
    // from now on only the inverse is offered, also after it ran
    EXPECT_FALSE(CanForwardTransform(v));
    EXPECT_FALSE(CanAutoCorrelation(v));
    EXPECT_TRUE(CanInverseTransform(v));
    EXPECT_EQ(InverseTransformCommand(v, surface).Done, 1);
    EXPECT_FALSE(CanForwardTransform(v));
    EXPECT_TRUE(CanInverseTransform(v));
    EXPECT_NEAR(v.Values[3][5][7], 2.5f, 1e-5f);
    EXPECT_TRUE(scope.ui.MessageTexts().empty());
}

TEST(ForwardTransformCommand, ForwardThenInverseRestoresValues)
{
    ScriptedScope scope;
    CData3DEx v;
    MakeVolume(v, 64, 32, 16, 0);
    FillRandom(v, 5);
    const auto before = Flat(v.Values, 64, 32, 16);
    platform::RecordingSurface surface;
    ASSERT_EQ(ForwardTransformCommand(v, surface).Done, 1);
    ASSERT_EQ(InverseTransformCommand(v, surface).Done, 1);
    const auto after = Flat(v.Values, 64, 32, 16);
    std::vector<double> a(after.begin(), after.end()), b(before.begin(), before.end());
    EXPECT_LT(RelNormError(a, b), kRelNormTolerance);
    for (float im : Flat(v.AuxValues, 64, 32, 16))
        ASSERT_NEAR(im, 0.0f, 1e-5f);
}

TEST(ForwardTransformCommand, RefusedSizesChangeNothing)
{
    ScriptedScope scope;
    CData3DEx v;
    MakeVolume(v, 100, 100, 100, 1.0f);
    platform::RecordingSurface surface;
    for (int command = 0; command < 3; ++command) {
        const CommandResult o = command == 0   ? ForwardTransformCommand(v, surface)
                                : command == 1 ? InverseTransformCommand(v, surface)
                                               : AutoCorrelationCommand(v, surface);
        EXPECT_EQ(o.Done, 0);
        EXPECT_FALSE(o.Repaint);
        EXPECT_FALSE(o.Changed);
    }
    EXPECT_EQ(v.IsSpectrum, 0);
    EXPECT_EQ(v.IsAllocated(0), 0);
    EXPECT_EQ(v.Values[99][99][99], 1.0f);
    EXPECT_TRUE(surface.ops.empty());
    ASSERT_EQ(scope.ui.MessageTexts().size(), 3u);
    EXPECT_EQ(scope.ui.MessageTexts()[2], "Error! Number of cells is not equal to power of 2. "
                                          "NX = 100 is not a power of 2 from 8 to 65536.");
}

// A volume loaded after a transform leaves AuxValues of other extents behind; the inverse then
// takes zero imaginary parts instead of reading the stale array.
TEST(InverseTransformCommand, StaleAuxOfOtherExtentsCountsAsZero)
{
    ScriptedScope scope;
    CData3DEx v;
    MakeVolume(v, 8, 8, 8, 1.0f);
    platform::RecordingSurface surface;
    ASSERT_EQ(ForwardTransformCommand(v, surface).Done, 1);
    for (int z = 0; z < 8; ++z)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                v.AuxValues[z][y][x] = 1000.0f; // old spectrum, other extents

    MakeVolume(v, 32, 16, 16, 0); // "load" a new volume
    FillRandom(v, 9);
    // expected: inverse of (Values, 0)
    float*** re = f3tensor(0, 16, 0, 16, 0, 32);
    float*** im = f3tensor(0, 16, 0, 16, 0, 32);
    for (int z = 0; z < 16; ++z)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x)
                re[z][y][x] = v.Values[z][y][x], im[z][y][x] = 0.0f;
    ASSERT_EQ(Fft3DInverse(32, 16, 16, re, im, surface), 1);

    ASSERT_EQ(InverseTransformCommand(v, surface).Done, 1);
    EXPECT_EQ(v.AuxAllocatedNX(), 32);
    EXPECT_EQ(v.AuxAllocatedNY(), 16);
    EXPECT_EQ(v.AuxAllocatedNZ(), 16);
    EXPECT_EQ(Flat(v.Values, 32, 16, 16), Flat(re, 32, 16, 16));
    EXPECT_EQ(Flat(v.AuxValues, 32, 16, 16), Flat(im, 32, 16, 16));
    FreeTensor3(re, 0, 16, 0, 16, 0, 32);
    FreeTensor3(im, 0, 16, 0, 16, 0, 32);
}

TEST(AutoCorrelationCommand, ImpulseAndSymmetryAndAuxUntouched)
{
    ScriptedScope scope;
    CData3DEx v;
    MakeVolume(v, 8, 8, 8, 0.0f);
    v.Values[0][0][0] = 1.0f;
    platform::RecordingSurface surface;
    const CommandResult o = AutoCorrelationCommand(v, surface);
    EXPECT_EQ(o.Done, 1);
    EXPECT_TRUE(o.Changed);
    EXPECT_TRUE(o.Repaint);
    for (int z = 0; z < 8; ++z)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_NEAR(v.Values[z][y][x], (x | y | z) ? 0.0f : 1.0f, 1e-6f);
    EXPECT_EQ(v.IsSpectrum, 0);
    EXPECT_EQ(v.IsAllocated(0), 0);

    // 64 x 32 x 16 runs; the result is symmetric (lag -k at n - k) and starts at mean |X|
    MakeVolume(v, 64, 32, 16, 0);
    FillRandom(v, 11);
    ASSERT_EQ(AutoCorrelationCommand(v, surface).Done, 1);
    EXPECT_NEAR(v.Values[0][3][5], v.Values[0][32 - 3][64 - 5], 1e-3f);
    EXPECT_NEAR(v.Values[2][1][9], v.Values[16 - 2][32 - 1][64 - 9], 1e-3f);
    EXPECT_TRUE(scope.ui.MessageTexts().empty());
}

TEST(SpectralCommands, NoDataIsNeverOffered)
{
    CData3DEx v;
    EXPECT_FALSE(CanForwardTransform(v));
    EXPECT_FALSE(CanInverseTransform(v));
    EXPECT_FALSE(CanAutoCorrelation(v));
    v.IsSpectrum = 1;
    EXPECT_FALSE(CanInverseTransform(v));
}
