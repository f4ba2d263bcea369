// Seeds of the input fuzzers beyond the volume and exchange formats (tomography, regional
// models, stations, series, 2D slice, ray-tracing model, profile). Each seed is checked to be
// accepted here first, so the fuzzers start from inputs that reach the readers' inner parts.
// Written to $KALDER_FUZZ_CORPUS/<reader>/ when that is set (the fuzz smoke tests set it).
#include "platform/BinaryFile.h"
#include "readers/TomographyFile.h"
#include "regional/StationModel.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"
#include "volume/SnapshotSeries.h"
#include "volume/VolumeFileBuilders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace fs = std::filesystem;
using volume_test::Bytes;
using volume_test::Cells;
using volume_test::FDModel;
using volume_test::Version3Header;

namespace {

Bytes Text(const std::string& s)
{
    Bytes b;
    return b.Raw(s.data(), s.size());
}

Bytes Prefixed(std::initializer_list<std::uint8_t> head, const Bytes& body)
{
    Bytes b;
    for (std::uint8_t c : head)
        b.Raw(&c, 1);
    return b.Raw(body.data.data(), body.data.size());
}

Bytes AftRecords()
{
    Bytes b;
    b.Int(1).Int(1).Int(1).Float(3.5f).Int(2).Int(2).Int(2).Float(4.5f);
    return b.Int(2).Int(1).Int(2).Float(5.5f).Int(9).Int(1).Int(1).Float(6.5f);
}

Bytes Volume3()
{
    Bytes v = Version3Header(3, 2, 4, 500, 500, 2000);
    v.Floats(Cells(3, 2, 4, 1000)).Int(2).Int(2).Float(1).Int(2).Float(2);
    return v.Int(0).Int(0).Int(0).Float(0).Float(0).Float(0).Int(1);
}

// Lambda, mu, rho and Q of every column of a 2 x 2 x 1 model.
Bytes HalvoColumns()
{
    Bytes b;
    for (int column = 0; column < 4; ++column)
        b.Float(30.0f + column).Float(10.0f).Float(2.5f).Float(100.0f);
    return b;
}

std::map<std::string, Bytes> Seeds()
{
    std::map<std::string, Bytes> s;
    s["read_aft/records"] = Prefixed({2, 2, 2, 0}, AftRecords());
    s["read_aft/command"] = Prefixed({2, 2, 2, 1}, AftRecords());
    s["read_aichi_model/records"] =
        Text(std::string(1, '\0') + "-1000 2000 0 -500 -1500 -3000\n1e3 +2 7 100 200 300\n");
    s["read_aichi_model/model"] = Text("\x01-1000 2000 0 -500 -1500 -3000");
    s["read_station_list/stations"] =
        Text("1 N.ISEH -20000.5 30000.25\n\n2 KMI  1.5e4 -2.5e3\r\n3 ../x 0 0\n");
    s["read_station_model/column"] = Prefixed({0x05, 64, 64}, HalvoColumns());
    s["read_avs_inputs/volume"] = Prefixed({1}, Volume3());
    const std::vector<float> thickness = {10, 20};
    Bytes series = FDModel(2, 2, 2, 5, &thickness);
    s["read_fd_series/two"] = Prefixed({1}, Bytes(series).Raw(series.data.data(), series.data.size()));
    s["read_slice2d/section"] = Prefixed({1, 5}, FDModel(2, 3, 2, 5, &thickness));
    s["read_raytracing_model/volume"] = Prefixed({0, 3, 2, 4}, Volume3());
    s["read_profile/defaults"] = Text("[General]\nSCALE=1000000.000000\nStretchOn=0\nNArea=1\n"
                                      "Boundary0=1000\nStretch0=1.000000\nbReadStretchInfo=0\n");
    s["read_profile/absurd"] = Text("[General]\nSCALE=-5\nNArea=99\nStretchOn=7\nBoundary1=-3\n"
                                    "Stretch2=nan\nStretch3=1e30\nbReadStretchInfo=yes\n");
    return s;
}

} // namespace

TEST(FuzzSeeds, AreReadAndWritten)
{
    testing_support::HeadlessServices svc;
    testing_support::TempDir dir;
    const std::map<std::string, Bytes> seeds = Seeds();

    // The binary seeds reach their readers' value loops.
    TomographyGrid grid;
    grid.Allocate(2, 2, 2);
    platform::MemoryFile aft(seeds.at("read_aft/records").data);
    aft.Seek(4, platform::SeekFrom::Begin);
    const TomographyReadResult read = ReadTomographyRecords(aft, grid);
    EXPECT_EQ(read.Records, 4);
    EXPECT_EQ(read.Outside, 1);
    EXPECT_FLOAT_EQ(grid.Values[1][0][1], 5.5f);

    CData3DEx volume;
    platform::MemoryFile v3(Volume3().data);
    svc.ui.AnswerForm(platform::FormAnswer{});
    EXPECT_GT(volume.ReadVolume(v3, 1, nullptr), 0);
    EXPECT_EQ(volume.NZ, 4);
    EXPECT_EQ(volume.Stretch->NArea, 2);

    const std::string stations = (fs::path(dir.path) / "stations.txt").string();
    const Bytes& list = seeds.at("read_station_list/stations");
    std::ofstream(stations, std::ios::binary)
        .write(reinterpret_cast<const char*>(list.data.data()),
               static_cast<std::streamsize>(list.data.size()));
    const StationList parsed = ReadStationFile(stations);
    EXPECT_EQ(parsed.Stations.size(), 2u); // the third names a path and stops the list
    EXPECT_FALSE(parsed.Note.empty());

    const char* where = std::getenv("KALDER_FUZZ_CORPUS");
    if (!where)
        GTEST_SKIP() << "KALDER_FUZZ_CORPUS not set: seeds checked, not written";
    for (const auto& [name, bytes] : seeds) {
        const fs::path file = fs::path(where) / name;
        fs::create_directories(file.parent_path());
        std::ofstream(file.string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data.data()),
                   static_cast<std::streamsize>(bytes.data.size()));
    }
}
