// The volume file and the 2D FD model export meet a kill part way and a full device: the file
// saved before stays as it was, and a full device is reported naming the file.
#include "platform/BinaryFile.h"
#include "support/FaultInjection.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"
#include "volume/SnapshotSeries.h"
#include "volume/VolumeFile.h"
#include "volume/VolumeFileBuilders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using testing_support::ReadWholeFile;

namespace {

void WriteBytes(const std::string& path, const volume_test::Bytes& b)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data.data()),
               static_cast<std::streamsize>(b.data.size()));
}

struct SaveFaults : ::testing::Test {
    testing_support::HeadlessServices svc;
    testing_support::TempDir dir;
    std::string In(const std::string& name) const { return dir.path + "/" + name; }
};

} // namespace

TEST_F(SaveFaults, VolumeFileKilledOrFullKeepsThePreviousFile)
{
    const std::string path = In("model.vol");
    CData3DEx small, big;
    testing_support::FillCoded(small, 3, 2, 2);
    testing_support::FillCoded(big, 96, 64, 48); // 1.2 MB of values, one request per row
    ASSERT_TRUE(SaveVolumeFile(big, In("complete.vol")));
    const auto complete = std::filesystem::file_size(In("complete.vol"));
    ASSERT_TRUE(SaveVolumeFile(small, path));
    const std::string before = ReadWholeFile(path);

    const std::int64_t killAfter = 400000;
    EXPECT_TRUE(testing_support::KillDuringSave(path, killAfter,
                                                [&] { SaveVolumeFile(big, path); }));
    testing_support::ExpectKilledSaveHarmless(path, before, complete, killAfter, ReadWholeFile);

    {
        testing_support::FullDevice full(path, 300000);
        EXPECT_FALSE(SaveVolumeFile(big, path));
    }
    testing_support::ExpectFullDeviceHarmless(path, before, svc.ui.MessageTexts(), ReadWholeFile);
}

TEST_F(SaveFaults, Slice2DExportKilledOrFullKeepsThePreviousFile)
{
    // A 400-wide section 200 rows deep: about 2.6 MB of text.
    const std::vector<float> thickness(3, 10.0f);
    WriteBytes(In("snap1.dat"), volume_test::FDModel(2, 400, 3, 5, &thickness));
    const std::string out = In("FD2D_model.fd2");
    ASSERT_GT(ExtractSlice2D(In("snap1.dat"), 1, 100.0, 200.0, 2000.0, In("complete.fd2")), 0);
    const auto complete = std::filesystem::file_size(In("complete.fd2"));
    {
        std::ofstream(out) << "an earlier model\n";
    }
    const std::string before = ReadWholeFile(out);

    const std::int64_t killAfter = 100000;
    EXPECT_TRUE(testing_support::KillDuringSave(out, killAfter, [&] {
        ExtractSlice2D(In("snap1.dat"), 1, 100.0, 200.0, 2000.0, out);
    }));
    testing_support::ExpectKilledSaveHarmless(out, before, complete, killAfter, ReadWholeFile);

    {
        testing_support::FullDevice full(out, 50000);
        EXPECT_EQ(ExtractSlice2D(In("snap1.dat"), 1, 100.0, 200.0, 2000.0, out), 0);
    }
    testing_support::ExpectFullDeviceHarmless(out, before, svc.ui.MessageTexts(), ReadWholeFile);
}
