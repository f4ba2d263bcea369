// "avs.dat" and the station 1D models meet a kill part way and a full device: the file saved
// before stays as it was, and a full device is reported naming the file.
#include "platform/BinaryFile.h"
#include "regional/AverageVelocity.h"
#include "regional/StationModel.h"
#include "support/FaultInjection.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using testing_support::ReadWholeFile;

namespace {

struct SaveFaults : ::testing::Test {
    testing_support::HeadlessServices svc;
    testing_support::TempDir dir;
    std::string In(const std::string& name) const { return dir.path + "/" + name; }
};

// A 2 x 2 model of zones 40 x 125 m and 60 x 250 m, every column valid.
void SmallHalvo(CHalvoModel& model, const std::string& folder)
{
    model.NX = 2, model.NY = 2;
    const int counts[CFiniteDifferenceModel::ZoneSlots] = {40, 60, 0, 0};
    for (int z = 0; z < CFiniteDifferenceModel::ZoneSlots; ++z)
        model.ZoneCount[z] = counts[z];
    model.SetupDepthZones();
    std::vector<float> values;
    for (int column = 0; column < 4; ++column)
        for (int part = 0; part < 4; ++part)
            for (int k = 0; k < model.NZ; ++k)
                values.push_back(part == 0 ? 30.0f + k : part == 1 ? 10.0f : part == 2 ? 2.5f : 80.0f);
    std::ofstream(folder + "/HalvoBinary.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(values.data()),
               static_cast<std::streamsize>(values.size() * sizeof(float)));
}

} // namespace

TEST_F(SaveFaults, AvsKilledOrFullKeepsThePreviousFile)
{
    CData3DEx small, big;
    testing_support::FillConstant(small, 2, 2, 3, 2.0f);
    testing_support::FillConstant(big, 300, 250, 3, 3.0f); // 300 KB of averages, a row a request
    small.StepZ = big.StepZ = 1000;
    testing_support::TempDir other;
    OnCalculatingAVS(big, other.path);
    const auto complete = std::filesystem::file_size(other.path + "/avs.dat");
    OnCalculatingAVS(small, dir.path);
    const std::string path = In("avs.dat");
    const std::string before = ReadWholeFile(path);
    ASSERT_EQ(before.size(), 24u + 4 * 4);

    const std::int64_t killAfter = 100000;
    EXPECT_TRUE(testing_support::KillDuringSave(path, killAfter,
                                                [&] { OnCalculatingAVS(big, dir.path); }));
    testing_support::ExpectKilledSaveHarmless(path, before, complete, killAfter, ReadWholeFile);

    {
        testing_support::FullDevice full(path, 50000);
        OnCalculatingAVS(big, dir.path);
    }
    testing_support::ExpectFullDeviceHarmless(path, before, svc.ui.MessageTexts(), ReadWholeFile);
}

TEST_F(SaveFaults, StationModelKilledOrFullKeepsThePreviousFile)
{
    CHalvoModel model(dir.path);
    SmallHalvo(model, dir.path);
    ASSERT_EQ(model.OpenModelFile(), 1);
    CStation station{"KMI", model.OriginX, model.OriginY};
    int ix = -1, iy = -1;
    CStation other{"ISE", model.OriginX, model.OriginY};
    ASSERT_EQ(model.ExtractColumn(other, ix, iy), 1);
    const auto complete = std::filesystem::file_size(In("ISE.dat")); // 100 lines, about 6 KB
    const std::string path = In("KMI.dat");
    {
        std::ofstream(path) << "an earlier model\n";
    }
    const std::string before = ReadWholeFile(path);

    const std::int64_t killAfter = 4096;
    EXPECT_TRUE(testing_support::KillDuringSave(path, killAfter,
                                                [&] { model.ExtractColumn(station, ix, iy); }));
    testing_support::ExpectKilledSaveHarmless(path, before, complete, killAfter, ReadWholeFile);

    {
        testing_support::FullDevice full(path, 1000);
        EXPECT_EQ(model.ExtractColumn(station, ix, iy), 0);
    }
    testing_support::ExpectFullDeviceHarmless(path, before, svc.ui.MessageTexts(), ReadWholeFile);
}
