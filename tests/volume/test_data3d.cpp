#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

#include <thread>

#include <cmath>
#include <limits>

using testing_support::FillCoded;
using testing_support::HeadlessServices;

TEST(Data3D, FreshVolumeAndProfileAtConstruction)
{
    HeadlessServices s;
    {
        CData3DEx v;
        for (int kind = 0; kind < 3; ++kind)
            EXPECT_EQ(v.GetPlaneCount(kind), 0);
        EXPECT_EQ(v.IsAllocated(1), 0);
        EXPECT_EQ(v.IsAllocated(0), 0);
        EXPECT_EQ(v.StepX, 1.0f);
        EXPECT_EQ(v.StepZ, 1.0f);
        EXPECT_EQ(v.FixedScale, 1);
        EXPECT_EQ(v.ZAxisDown, 1);
        EXPECT_EQ(v.bReadStretchInfo, 1);
        float hs = -1, vs = -1;
        std::string h, vl;
        v.GetAxisLabels(PlaneZ, hs, vs, h, vl);
        EXPECT_EQ(h, "Y (m)");
        EXPECT_EQ(vl, "X (m)");
        EXPECT_EQ(v.Stretch->Boundary[0], 1000);
        EXPECT_EQ(v.Stretch->NArea, 1);
        EXPECT_TRUE(v.ExtentsFitAllocation());
    }
    // the constructor reads bReadStretchInfo and the stretch settings from the profile
    s.profile.WriteInt("General", "bReadStretchInfo", 0);
    s.profile.WriteInt("General", "NArea", 2);
    s.profile.WriteInt("General", "Boundary1", 30);
    s.profile.WriteString("General", "Stretch1", "2.500000");
    CData3DEx v;
    EXPECT_EQ(v.bReadStretchInfo, 0);
    EXPECT_EQ(v.Stretch->NArea, 2);
    EXPECT_EQ(v.Stretch->Boundary[1], 30);
    EXPECT_EQ(v.Stretch->Stretch[1], 2.5f);
}

TEST(Data3D, PlaneGeometryAndValuesForAllThreeKinds)
{
    HeadlessServices s;
    CData3DEx v;
    FillCoded(v, 4, 3, 5);
    v.StepX = 10, v.StepY = 20, v.StepZ = 30;

    int cols = -1, rows = -1;
    float cs = 0, rs = 0;
    v.GetPlaneGeometry(PlaneZ, cols, rows, cs, rs);
    EXPECT_EQ(std::tie(cols, rows, cs, rs), std::make_tuple(3, 4, 20.0f, 10.0f));
    v.GetPlaneGeometry(PlaneY, cols, rows, cs, rs);
    EXPECT_EQ(std::tie(cols, rows, cs, rs), std::make_tuple(4, 5, 10.0f, 30.0f));
    v.GetPlaneGeometry(PlaneX, cols, rows, cs, rs);
    EXPECT_EQ(std::tie(cols, rows, cs, rs), std::make_tuple(3, 5, 20.0f, 30.0f));
    v.GetPlaneGeometry(7, cols, rows, cs, rs); // unknown kind leaves the outputs
    EXPECT_EQ(std::tie(cols, rows, cs, rs), std::make_tuple(3, 5, 20.0f, 30.0f));

    EXPECT_EQ(v.GetPlaneCount(PlaneZ), 5);
    EXPECT_EQ(v.GetPlaneCount(PlaneY), 3);
    EXPECT_EQ(v.GetPlaneCount(PlaneX), 4);

    // XY: column along Y, row 0 is the largest X
    EXPECT_EQ(v.GetPlaneValue(PlaneZ, 2, 1, 0), 213.0f);
    EXPECT_EQ(v.GetPlaneValue(PlaneZ, 2, 1, 3), 210.0f);
    // XZ at y = 2: column x, row z
    EXPECT_EQ(v.GetPlaneValue(PlaneY, 2, 3, 4), 423.0f);
    // YZ at x = 1: column y, row z
    EXPECT_EQ(v.GetPlaneValue(PlaneX, 1, 2, 4), 421.0f);

    // phase-velocity layout counts the Z plane from the far end
    v.ZAxisDown = 0;
    EXPECT_EQ(v.GetPlaneValue(PlaneZ, 0, 1, 0), 413.0f);
    EXPECT_EQ(v.GetPlaneValue(PlaneZ, 4, 1, 0), 13.0f);
    // vertical sections are unaffected
    EXPECT_EQ(v.GetPlaneValue(PlaneY, 2, 3, 4), 423.0f);

    v.StartZ = 5;
    EXPECT_EQ(v.GetPlaneCoordinate(PlaneZ, 2), 65.0f);
    v.StartX = 100;
    v.StepX = 50;
    EXPECT_EQ(v.GetPlaneCoordinate(PlaneX, 3), 250.0f);
    EXPECT_EQ(v.GetPlaneCoordinate(9, 3), 0.0f);
}

TEST(Data3D, CopyFromTakesExtentsAndValuesOnly)
{
    HeadlessServices s;
    CData3DEx src, dst;
    FillCoded(src, 3, 4, 5);
    src.StepX = 2;
    src.TitleX = "Source";
    dst.StepX = dst.StepY = dst.StepZ = 25.0f;
    dst.Stretch->NArea = 3;
    dst.CopyFrom(src);
    EXPECT_EQ(std::tie(dst.NX, dst.NY, dst.NZ), std::make_tuple(3, 4, 5));
    EXPECT_EQ(dst.StepX, 25.0f);
    EXPECT_EQ(dst.StepZ, 25.0f);
    EXPECT_EQ(dst.TitleX, "X");
    EXPECT_EQ(dst.Stretch->NArea, 3);
    EXPECT_EQ(dst.GetValue(2, 3, 4), 432.0f);
    EXPECT_NE(dst.Values, src.Values);
    EXPECT_EQ(dst.AllocatedNX(), 3);
}

TEST(Data3D, MinMaxCoversOnlyTheCellsInUseAndAnyMagnitude)
{
    HeadlessServices s;
    CData3DEx v;
    float mn = 0, mx = 0;
    v.GetMinMax(mn, mx);
    EXPECT_EQ(mn, 1.0e8f);
    EXPECT_EQ(mx, -1.0e8f);

    // Lame parameters in Pa: every value above 1e8 must still give the true minimum
    FillCoded(v, 2, 2, 2);
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                v.Values[z][y][x] = 3.0e10f * static_cast<float>(1 + x + 2 * y + 4 * z);
    v.GetMinMax(mn, mx);
    EXPECT_EQ(mn, 3.0e10f);
    EXPECT_EQ(mx, 3.0e10f * 8);

    // a NaN does not poison the range; cells beyond the extents in use are ignored
    v.Values[0][0][1] = std::nanf("");
    v.Values[1][1][1] = -5.0f;
    v.NZ = 1;
    v.GetMinMax(mn, mx);
    EXPECT_EQ(mn, 3.0e10f);
    EXPECT_EQ(mx, 3.0e10f * 4);

    // only infinities, and only NaN
    v.NZ = 2;
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                v.Values[z][y][x] = std::numeric_limits<float>::infinity();
    v.GetMinMax(mn, mx);
    EXPECT_EQ(mn, std::numeric_limits<float>::infinity());
    EXPECT_EQ(mx, std::numeric_limits<float>::infinity());
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                v.Values[z][y][x] = std::nanf("");
    v.GetMinMax(mn, mx);
    EXPECT_EQ(mn, 1.0e8f);
    EXPECT_EQ(mx, -1.0e8f);
}

TEST(Data3D, GeneratorsAndPhaseVelocityLayouts)
{
    HeadlessServices s;
    CData3DEx v;
    v.FillImpulse(128);
    EXPECT_EQ(v.NX, 128);
    float mn = 0, mx = 0;
    v.GetMinMax(mn, mx);
    EXPECT_EQ(mn, 0.0f);
    EXPECT_EQ(mx, 1.0f);
    EXPECT_EQ(v.Values[32][32][32], 1.0f);
    EXPECT_EQ(v.Values[32][32][33], 0.0f);

    v.FillTestData();
    EXPECT_EQ(std::tie(v.NX, v.NY, v.NZ), std::make_tuple(100, 100, 100));
    for (int x = 0; x < 100; ++x)
        ASSERT_EQ(v.Values[3][7][x], 21.0f);
    EXPECT_EQ(v.Values[99][99][0], 9801.0f);

    v.AllocateCube(8);
    EXPECT_EQ(v.AllocatedNZ(), 8);
    EXPECT_EQ(v.IsAllocated(1), 1);

    v.SetPhaseVelocityVsDatetime();
    EXPECT_EQ(v.DataType, 2);
    EXPECT_EQ(v.FixedScale, 0);
    EXPECT_EQ(v.ZAxisDown, 0);
    EXPECT_EQ(v.DrawColourScale, 0);
    int hd = -1, vd = -1;
    v.GetAxisFormat(PlaneY, hd, vd);
    EXPECT_EQ(std::tie(hd, vd), std::make_tuple(1, 0));
    v.GetAxisFormat(PlaneX, hd, vd);
    EXPECT_EQ(hd, 0);
    float hs, vs;
    std::string h, vl;
    v.GetAxisLabels(PlaneY, hs, vs, h, vl);
    EXPECT_EQ(h, "Datetime (Day)");
    EXPECT_EQ(vl, "Phase velocity (m/sec)");

    v.SetPhaseVelocityVsDistance();
    EXPECT_EQ(v.DataType, 1);
    v.GetAxisFormat(PlaneY, hd, vd);
    EXPECT_EQ(hd, 0);
    v.GetAxisLabels(PlaneX, hs, vs, h, vl);
    EXPECT_EQ(h, "Frequency (Hz)");

    v.AllocateAux(4, 5, 6);
    EXPECT_EQ(v.IsAllocated(0), 1);
    EXPECT_EQ(v.AuxAllocatedNY(), 5);
    v.ReleaseAux();
    EXPECT_EQ(v.IsAllocated(0), 0);
    v.Release();
    EXPECT_EQ(v.IsAllocated(1), 0);
}

TEST(Data3D, TheVolumeIsOneInstanceForEveryThread)
{
    // The first use may come from a worker (a long command's thread): it must be the same
    // object the window draws, with a change made through one reference seen through the other.
    CData3DEx* fromWorker = nullptr;
    std::thread worker([&fromWorker] { fromWorker = &theVolume(); });
    worker.join();
    CData3DEx& here = theVolume();
    ASSERT_EQ(fromWorker, &here);
    const int kept = here.PlaneIndex;
    fromWorker->PlaneIndex = kept + 3;
    EXPECT_EQ(theVolume().PlaneIndex, kept + 3);
    here.PlaneIndex = kept;
}
