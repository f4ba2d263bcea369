// The one accessor of plane cells: the picture's plane table, read the same way by the paint,
// the readout and picking.

#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

using testing_support::Cell;
using testing_support::FillCoded;

TEST(PlaneAccessor, FollowsThePlaneTableForEveryKind)
{
    CData3D v;
    FillCoded(v, 4, 3, 5);
    for (int index = 0; index < 5; ++index) {
        const PlaneAccessor xy = v.Plane(PlaneZ, index);
        for (int column = 0; column < 3; ++column)
            for (int row = 0; row < 4; ++row) // row 0 is the largest X
                EXPECT_EQ(xy(column, row), Cell(3 - row, column, index));
    }
    const PlaneAccessor xz = v.Plane(PlaneY, 2);
    const PlaneAccessor yz = v.Plane(PlaneX, 3);
    for (int row = 0; row < 5; ++row) { // Z index 0 at the top
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(xz(column, row), Cell(column, 2, row));
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(yz(column, row), Cell(3, column, row));
    }
    EXPECT_EQ(v.Plane(7, 0)(0, 0), 0.0f); // no such kind
}

TEST(PlaneAccessor, AnyNonZeroZAxisDownCountsDownLikeThePicture)
{
    CData3D v;
    FillCoded(v, 2, 2, 6);
    for (int down : {1, 2, -1}) {
        v.ZAxisDown = down;
        EXPECT_EQ(v.GetPlaneValue(PlaneZ, 1, 1, 0), Cell(1, 1, 1)) << "ZAxisDown " << down;
        EXPECT_EQ(v.Plane(PlaneZ, 1)(1, 0), Cell(1, 1, 1));
    }
    v.ZAxisDown = 0; // the far layer
    EXPECT_EQ(v.GetPlaneValue(PlaneZ, 1, 1, 0), Cell(1, 1, 4));
    // Vertical planes do not depend on it.
    EXPECT_EQ(v.GetPlaneValue(PlaneY, 1, 1, 2), Cell(1, 1, 2));
}
