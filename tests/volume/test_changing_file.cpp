// Files truncated or extended between the size check and the value reads (simulated through the
// file layer): the reader reports the short file, names it, keeps its extents inside the
// allocation and never reads past it.
#include "support/ChangingFile.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"
#include "volume/VolumeFileBuilders.h"

#include <gtest/gtest.h>

using testing_support::Extended;
using testing_support::Truncated;
using volume_test::Bytes;
using volume_test::Cells;
using volume_test::FDModel;
using volume_test::Version3Header;

namespace {

struct ChangingFiles : ::testing::Test {
    testing_support::HeadlessServices svc;

    bool SaidShort() const
    {
        for (const std::string& m : svc.ui.MessageTexts())
            if (m.find("changing.dat") != std::string::npos &&
                m.find("ends early") != std::string::npos)
                return true;
        return false;
    }
};

Bytes Volume(int nx, int ny, int nz)
{
    Bytes v = Version3Header(nx, ny, nz, 1, 1, 1);
    v.Floats(Cells(nx, ny, nz)).Int(1).Int(nz).Float(1);
    return v.Int(0).Int(0).Int(0).Float(0).Float(0).Float(0).Int(0);
}

} // namespace

TEST_F(ChangingFiles, VolumeTruncatedInsideTheValues)
{
    const Bytes b = Volume(4, 3, 5);
    // Header (44 bytes) and 10 of the 60 values are left.
    testing_support::ChangingFile file = Truncated(b.data, 44 + 40);
    svc.ui.AnswerForm(platform::FormAnswer{});
    CData3DEx v;
    v.ReadVolume(file, 1, nullptr);
    EXPECT_TRUE(SaidShort());
    ASSERT_TRUE(v.ExtentsFitAllocation());
    ASSERT_EQ(v.NX, 4);
    const std::vector<float> cells = Cells(4, 3, 5);
    EXPECT_EQ(v.Values[0][2][1], cells[9]);  // the last value delivered
    EXPECT_EQ(v.Values[0][2][2], 0.0f);      // the first one missing
    EXPECT_EQ(v.Values[4][2][3], 0.0f);
}

TEST_F(ChangingFiles, VolumeExtendedAfterTheCheck)
{
    const Bytes b = Volume(4, 3, 5);
    testing_support::ChangingFile file = Extended(b.data, 4096);
    svc.ui.AnswerForm(platform::FormAnswer{});
    CData3DEx v;
    EXPECT_GT(v.ReadVolume(file, 1, nullptr), 0);
    ASSERT_TRUE(v.ExtentsFitAllocation());
    EXPECT_EQ(v.NZ, 5);
    EXPECT_EQ(v.Values[4][2][3], Cells(4, 3, 5).back()); // the bytes appended are not values
}

TEST_F(ChangingFiles, FDModelTruncatedInsideTheThicknessesAndTheValues)
{
    const std::vector<float> thickness = {10, 10, 20};
    const Bytes b = FDModel(3, 2, 3, 5, &thickness);
    for (std::size_t keep : {24u + 4u + 6u, 24u + 16u + 30u}) {
        svc.ui.ClearLog();
        svc.ui.AnswerForm(platform::FormAnswer{});
        testing_support::ChangingFile file = Truncated(b.data, keep);
        CData3DEx v;
        v.bReadStretchInfo = 1;
        ReadFDModelFrom(v, file, 1, 0, 1);
        EXPECT_TRUE(v.ExtentsFitAllocation()) << keep;
        float lo = 0, hi = 0;
        v.GetMinMax(lo, hi);
    }
}

TEST_F(ChangingFiles, HeaderlessValuesTruncated)
{
    const std::vector<float> cells = Cells(5, 4, 3);
    Bytes b;
    b.Floats(cells);
    testing_support::ChangingFile file = Truncated(b.data, 4 * 7 + 2);
    CData3DEx v;
    v.NX = 5, v.NY = 4, v.NZ = 3;
    v.Allocate(5, 4, 3);
    EXPECT_EQ(ReadRawValuesFrom(v, file), 30);
    EXPECT_EQ(v.Values[0][1][1], cells[6]);
    EXPECT_EQ(v.Values[0][1][2], 0.0f); // a value cut in half is missing, not half read
    EXPECT_EQ(v.Values[2][3][4], 0.0f);
}
