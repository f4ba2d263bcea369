// Seeds of the exchange reader fuzzers: small valid files of every format and encoding, each
// checked to read here first. Written to $KALDER_FUZZ_CORPUS/<reader>/ when that is set (the
// fuzz smoke tests set it).
#include "ExchangeTestSupport.h"

#include "exchange/NetcdfFile.h"
#include "exchange/NpyFile.h"
#include "exchange/SegyFile.h"
#include "exchange/VtiFile.h"
#include "platform/BinaryFile.h"

#include <gtest/gtest.h>
#include <netcdf.h>

#include <cstdlib>
#include <filesystem>

using namespace exchange_test;

namespace {

// A small NetCDF-3 classic file with coordinate variables and a 3D variable (the NetCDF-4
// files Kalder writes are larger than the fuzzers' inputs).
void WriteClassic(const std::string& path)
{
    int nc = 0, dims[3] = {}, vars[3] = {}, data = 0;
    ASSERT_EQ(nc_create(path.c_str(), NC_CLOBBER, &nc), NC_NOERR);
    const char* names[3] = {"z", "y", "x"};
    const std::size_t lengths[3] = {2, 2, 3};
    for (int d = 0; d < 3; ++d) {
        nc_def_dim(nc, names[d], lengths[d], &dims[d]);
        nc_def_var(nc, names[d], NC_FLOAT, 1, &dims[d], &vars[d]);
        nc_put_att_text(nc, vars[d], "units", 1, "m");
    }
    nc_def_var(nc, "v", NC_FLOAT, 3, dims, &data);
    const float fill = -999.0f;
    nc_put_att_float(nc, data, "_FillValue", NC_FLOAT, 1, &fill);
    ASSERT_EQ(nc_enddef(nc), NC_NOERR);
    const float coords[3][3] = {{0, 10, 0}, {5, 6, 0}, {1, 2, 3}};
    for (int d = 0; d < 3; ++d)
        nc_put_var_float(nc, vars[d], coords[d]);
    float values[12];
    for (int i = 0; i < 12; ++i)
        values[i] = i == 5 ? fill : static_cast<float>(i);
    nc_put_var_float(nc, data, values);
    ASSERT_EQ(nc_close(nc), NC_NOERR);
}

} // namespace

TEST(ExchangeFuzzSeeds, WritesReadableSeedsOfEveryFormat)
{
    testing_support::HeadlessServices services;
    TempDir dir;
    CData3DEx v;
    MakeSample(v, 3, 2, 2);
    std::vector<std::pair<std::string, std::vector<unsigned char>>> seeds; // reader/name, bytes

    // NumPy: Kalder's own, then a big-endian double Fortran array by hand.
    platform::MemoryFile npy;
    ASSERT_TRUE(WriteNpy(v, npy).Ok());
    seeds.push_back({"read_npy/float32", npy.data});
    {
        std::string header = "{'descr': '>f8', 'fortran_order': True, 'shape': (2, 3), }";
        while ((10 + header.size() + 1) % 64)
            header += ' ';
        header += '\n';
        std::vector<unsigned char> b = {
            0x93, 'N', 'U', 'M', 'P', 'Y', 1, 0, static_cast<unsigned char>(header.size()), 0};
        b.insert(b.end(), header.begin(), header.end());
        for (int i = 0; i < 6; ++i)
            for (int k = 0; k < 8; ++k)
                b.push_back(k == 0 ? 0x40 : static_cast<unsigned char>(i * k));
        seeds.push_back({"read_npy/f8_fortran", b});
    }

    // VTK: raw, compressed, and the inline encodings by hand (first byte: default array).
    for (bool compress : {false, true}) {
        platform::MemoryFile f;
        VtiWriteOptions o;
        o.Compress = compress;
        o.ArrayName = "v";
        ASSERT_TRUE(WriteVti(v, f, o).Ok());
        std::vector<unsigned char> b = {0};
        b.insert(b.end(), f.data.begin(), f.data.end());
        seeds.push_back({compress ? "read_vti/zlib" : "read_vti/raw", b});
    }
    const std::string inline64 =
        "<VTKFile type=\"ImageData\" byte_order=\"LittleEndian\"><ImageData WholeExtent=\"0 2 0 "
        "1 0 1\" Origin=\"1 2 3\" Spacing=\"1 1 2\"><Piece Extent=\"0 2 0 1 0 1\"><PointData "
        "Scalars=\"v\"><DataArray type=\"Int16\" Name=\"v\" format=\"binary\">GAAAAA==AQACAAMA"
        "BAAFAAYABwAIAAkACgALAAwA</DataArray><DataArray type=\"Float64\" Name=\"w\" "
        "format=\"ascii\">1 2 3 4 5 6 7 8 9 10 11 nan</DataArray></PointData></Piece>"
        "</ImageData></VTKFile>";
    seeds.push_back(
        {"read_vti/inline", std::vector<unsigned char>(inline64.begin(), inline64.end())});
    seeds.back().second.insert(seeds.back().second.begin(), 1);

    // NetCDF-3 classic.
    WriteClassic(dir.File("seed.nc"));
    seeds.push_back({"read_netcdf/classic", ReadBytes(dir.File("seed.nc"))});

    // SEG-Y without its text header: 2 x 2 traces of 3 samples.
    CData3DEx small;
    MakeSample(small, 2, 2, 3);
    ASSERT_TRUE(WriteSegyFile(small, dir.File("seed.sgy")).Ok());
    std::vector<unsigned char> segy = ReadBytes(dir.File("seed.sgy"));
    seeds.push_back(
        {"read_segy/cube", std::vector<unsigned char>(segy.begin() + 3200, segy.end())});

    // Every seed reads as its fuzzer would read it.
    for (auto& [name, bytes] : seeds) {
        SCOPED_TRACE(name);
        ASSERT_LE(bytes.size(), 4096u); // the smoke run's largest input
        CData3DEx back;
        ExchangeResult r;
        const std::string reader = name.substr(0, name.find('/'));
        if (reader == "read_npy") {
            platform::MemoryFile f(bytes);
            r = ReadNpy(f, back, ExchangeGrid{});
        } else if (reader == "read_vti") {
            platform::MemoryFile f(std::vector<std::uint8_t>(bytes.begin() + 1, bytes.end()));
            r = ReadVti(f, back);
        } else if (reader == "read_netcdf") {
            r = ReadNetcdfMemory("seed.nc", bytes.data(), bytes.size(), back);
        } else {
            std::vector<unsigned char> whole(3200, 0x40);
            whole.insert(whole.end(), bytes.begin(), bytes.end());
            WriteBytes(dir.File("whole.sgy"), whole.data(), whole.size());
            r = ReadSegyFile(dir.File("whole.sgy"), back);
        }
        EXPECT_TRUE(r.Ok()) << r.Error;
        EXPECT_GE(back.NX * back.NY * back.NZ, 6);
    }

    const char* where = std::getenv("KALDER_FUZZ_CORPUS");
    if (!where)
        GTEST_SKIP() << "KALDER_FUZZ_CORPUS not set: seeds checked, not written";
    for (auto& [name, bytes] : seeds) {
        std::filesystem::path file = std::filesystem::path(where) / name;
        std::filesystem::create_directories(file.parent_path());
        WriteBytes(file.string(), bytes.data(), bytes.size());
    }
}
