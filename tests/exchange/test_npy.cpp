// NumPy .npy files: round trips, numpy.load on Kalder's files, Kalder on NumPy's files of every
// element type, byte order and memory order, the sidecar, and hostile files.
#include "ExchangeTestSupport.h"

#include "exchange/NpyFile.h"
#include "exchange/NpySidecar.h"
#include "platform/BinaryFile.h"
#include "volume/VolumeFile.h"

#include <gtest/gtest.h>

using namespace exchange_test;

namespace {

class NpyTest : public ::testing::Test {
protected:
    void TearDown() override { SetVolumeMemoryLimit(0); }

    // A volume that a refused file must leave exactly as it is.
    void ExpectUntouched(const CData3D& v)
    {
        CData3DEx reference;
        MakeSample(reference, 4, 3, 2);
        EXPECT_TRUE(SameValues(v, reference));
        ExpectGeometry(v, reference);
        EXPECT_EQ(v.TitleX, reference.TitleX);
    }

    TempDir dir;
    testing_support::HeadlessServices services;
};

platform::MemoryFile Npy(const std::string& dict, const std::vector<unsigned char>& data,
                         int major = 1)
{
    std::string header = dict;
    const std::size_t pre = major == 1 ? 10 : 12;
    while ((pre + header.size() + 1) % 64 != 0)
        header += ' ';
    header += '\n';
    std::vector<std::uint8_t> b = {0x93, 'N', 'U', 'M', 'P', 'Y', static_cast<std::uint8_t>(major),
                                   0};
    const std::uint32_t n = static_cast<std::uint32_t>(header.size());
    b.push_back(static_cast<std::uint8_t>(n));
    b.push_back(static_cast<std::uint8_t>(n >> 8));
    if (major > 1) {
        b.push_back(static_cast<std::uint8_t>(n >> 16));
        b.push_back(static_cast<std::uint8_t>(n >> 24));
    }
    b.insert(b.end(), header.begin(), header.end());
    b.insert(b.end(), data.begin(), data.end());
    platform::MemoryFile f(b);
    f.path = "hostile.npy";
    return f;
}

std::vector<unsigned char> FloatBytes(std::size_t n)
{
    std::vector<unsigned char> b(n * 4);
    for (std::size_t i = 0; i < n; ++i) {
        float f = static_cast<float>(i);
        std::memcpy(b.data() + i * 4, &f, 4);
    }
    return b;
}

} // namespace

TEST_F(NpyTest, WriteThenRead_InMemory_KeepsEveryValueBitForBit)
{
    CData3DEx v, back;
    MakeSample(v, 5, 4, 3);
    platform::MemoryFile f;
    ASSERT_TRUE(WriteNpy(v, f).Ok());
    f.pos = 0;
    ExchangeGrid geometry;
    ExchangeResult r = ReadNpy(f, back, geometry);
    ASSERT_TRUE(r.Ok()) << r.Error;
    EXPECT_TRUE(SameValues(v, back));
    EXPECT_EQ(r.Bytes, 5 * 4 * 3 * 4);
    EXPECT_TRUE(std::isnan(back.Values[1][0][2]));
    EXPECT_TRUE(std::signbit(back.Values[0][1][1]));
}

TEST_F(NpyTest, WriteNpy_HeaderIsVersion1LittleEndianFloat32AlignedTo64)
{
    CData3DEx v;
    MakeSample(v, 5, 4, 3);
    platform::MemoryFile f;
    ASSERT_TRUE(WriteNpy(v, f).Ok());
    ASSERT_GE(f.data.size(), 10u);
    EXPECT_EQ(std::memcmp(f.data.data(), "\x93NUMPY\x01\x00", 8), 0);
    const std::size_t headerLength = f.data[8] | f.data[9] << 8;
    EXPECT_EQ((10 + headerLength) % 64, 0u);
    std::string header(f.data.begin() + 10, f.data.begin() + 10 + static_cast<long>(headerLength));
    EXPECT_NE(header.find("'descr': '<f4'"), std::string::npos);
    EXPECT_NE(header.find("'fortran_order': False"), std::string::npos);
    EXPECT_NE(header.find("'shape': (3, 4, 5)"), std::string::npos);
    EXPECT_EQ(header.back(), '\n');
    EXPECT_EQ(f.data.size(), 10 + headerLength + 5 * 4 * 3 * 4);
}

TEST_F(NpyTest, FileRoundTrip_SidecarKeepsStepsStartsTitlesAndUnits)
{
    CData3DEx v, back;
    MakeSample(v, 6, 2, 3);
    v.StartX = 0.1f, v.StepZ = 0.003f; // need the shortest-float text
    v.TitleZ = "Depth \"below\" sea\\level";
    const std::string path = dir.File("model.npy");
    ASSERT_TRUE(WriteNpyFile(v, path).Ok());
    ExchangeResult r = ReadNpyFile(path, back);
    ASSERT_TRUE(r.Ok()) << r.Error;
    EXPECT_TRUE(SameValues(v, back));
    ExpectGeometry(v, back);
    EXPECT_EQ(back.TitleX, "Easting");
    EXPECT_EQ(back.TitleZ, v.TitleZ);
    EXPECT_EQ(back.UnitY, "m");
}

TEST_F(NpyTest, ReadNpyFile_WithoutSidecar_TakesStepsAndStartsFromOptions)
{
    CData3DEx v, back;
    MakeSample(v, 3, 3, 3);
    const std::string path = dir.File("bare.npy");
    ASSERT_TRUE(WriteNpyFile(v, path).Ok());
    std::remove(SidecarPath(path).c_str());
    NpyReadOptions o;
    o.Step[0] = 2, o.Step[1] = 3, o.Step[2] = 4;
    o.Start[2] = -7;
    ASSERT_TRUE(ReadNpyFile(path, back, o).Ok());
    EXPECT_EQ(back.StepX, 2);
    EXPECT_EQ(back.StepY, 3);
    EXPECT_EQ(back.StepZ, 4);
    EXPECT_EQ(back.StartZ, -7);
    EXPECT_EQ(back.StartX, 0);
}

TEST_F(NpyTest, ReadNpyFile_OptionsWinWhenSidecarIsNotWanted)
{
    CData3DEx v, back;
    MakeSample(v, 3, 3, 3);
    const std::string path = dir.File("both.npy");
    ASSERT_TRUE(WriteNpyFile(v, path).Ok());
    NpyReadOptions o;
    o.UseSidecar = false;
    o.Step[0] = 7;
    ASSERT_TRUE(ReadNpyFile(path, back, o).Ok());
    EXPECT_EQ(back.StepX, 7);
}

TEST_F(NpyTest, NumpyLoad_ReadsKaldersFileWithTheSameValuesAndTheSidecarWithJson)
{
    CData3DEx v;
    MakeSample(v, 7, 5, 3);
    ASSERT_TRUE(WriteNpyFile(v, dir.File("k.npy")).Ok());
    PythonRun run = RunPython(dir, R"(
import json, numpy as np
a = np.load('k.npy')
assert a.dtype == np.dtype('<f4'), a.dtype
assert a.flags['C_CONTIGUOUS']
print('shape', *a.shape)
a.tofile('dump.f32')
s = json.load(open('k.npy.json'))
print('steps', s['StepX'], s['StepY'], s['StepZ'])
print('starts', s['StartX'], s['StartY'], s['StartZ'])
print('titles', s['TitleX'], s['UnitX'], s['TitleZ'])
)");
    EXPECT_PYTHON_OK(run);
    EXPECT_EQ(Field(run.Output, "shape"), "3 5 7");
    EXPECT_EQ(Field(run.Output, "steps"), "25 12.5 10");
    EXPECT_EQ(Field(run.Output, "starts"), "1000 -250 5");
    EXPECT_EQ(Field(run.Output, "titles"), "Easting m Depth");
    EXPECT_TRUE(SameAsDump(v, ReadFloats(dir.File("dump.f32"))));
}

TEST_F(NpyTest, ReadNpyFile_ReadsNumpysFilesOfEveryTypeByteOrderAndMemoryOrder)
{
    PythonRun run = RunPython(dir, R"(
import json, numpy as np
from numpy.lib import format as fmt
z, y, x = np.meshgrid(np.arange(3), np.arange(4), np.arange(5), indexing='ij')
base = 100 * z + 10 * y + x
cases = {
    'f4le': base.astype('<f4') + np.float32(0.5),
    'f8be': (base.astype('>f8') / 3.0),
    'i2be': (base - 200).astype('>i2'),
    'i4le': (base * 1000).astype('<i4'),
    'u1': (base % 256).astype('|u1'),
    'f4be': base.astype('>f4'),
}
for name, a in cases.items():
    np.save(name + '.npy', a)
    np.save(name + '_f.npy', np.asfortranarray(a))
    np.ascontiguousarray(a.astype(np.float32)).tofile(name + '.f32')
with open('v2.npy', 'wb') as f:
    fmt.write_array(f, cases['f4le'], version=(2, 0))
plane = (np.arange(12).reshape(3, 4) * 1.5).astype('<f8')
np.save('plane.npy', plane)
plane.astype(np.float32).tofile('plane.f32')
json.dump({'StepX': 2.5, 'StartZ': -3, 'TitleX': 'Lon', 'UnitX': 'deg', 'extra': [1, {'a': None}]},
          open('f8be.npy.json', 'w'))
a = np.load('f8be_f.npy'); assert a.flags['F_CONTIGUOUS']
print('ok')
)");
    ASSERT_EQ(run.Status, 0) << run.Output;
    for (std::string name : {"f4le", "f8be", "i2be", "i4le", "u1", "f4be"})
        for (std::string order : {"", "_f"}) {
            SCOPED_TRACE(name + order);
            CData3DEx v;
            ExchangeResult r = ReadNpyFile(dir.File(name + order + ".npy"), v);
            ASSERT_TRUE(r.Ok()) << r.Error;
            EXPECT_EQ(v.NX, 5);
            EXPECT_EQ(v.NY, 4);
            EXPECT_EQ(v.NZ, 3);
            EXPECT_TRUE(SameAsDump(v, ReadFloats(dir.File(name + ".f32"))));
        }
    CData3DEx v2;
    ASSERT_TRUE(ReadNpyFile(dir.File("v2.npy"), v2).Ok());
    EXPECT_TRUE(SameAsDump(v2, ReadFloats(dir.File("f4le.f32"))));

    CData3DEx plane;
    ASSERT_TRUE(ReadNpyFile(dir.File("plane.npy"), plane).Ok());
    EXPECT_EQ(plane.NX, 4);
    EXPECT_EQ(plane.NY, 3);
    EXPECT_EQ(plane.NZ, 1);
    EXPECT_TRUE(SameAsDump(plane, ReadFloats(dir.File("plane.f32"))));

    // The sidecar Python wrote: named keys taken, the rest kept from the options.
    CData3DEx withSidecar;
    ASSERT_TRUE(ReadNpyFile(dir.File("f8be.npy"), withSidecar).Ok());
    EXPECT_EQ(withSidecar.StepX, 2.5f);
    EXPECT_EQ(withSidecar.StepY, 1.0f);
    EXPECT_EQ(withSidecar.StartZ, -3.0f);
    EXPECT_EQ(withSidecar.TitleX, "Lon");
    EXPECT_EQ(withSidecar.UnitX, "deg");
}

TEST_F(NpyTest, ReadNpy_RefusesHostileFilesAndLeavesTheVolumeUntouched)
{
    struct Case {
        const char* what;
        platform::MemoryFile file;
        const char* expected;
    };
    std::vector<Case> cases;
    cases.push_back(
        {"truncated values",
         Npy("{'descr': '<f4', 'fortran_order': False, 'shape': (2, 3, 4), }", FloatBytes(23)),
         "holds 92"});
    cases.push_back({"huge shape",
                     Npy("{'descr': '<f4', 'fortran_order': False, 'shape': (100000, 100000, "
                         "100000), }",
                         FloatBytes(4)),
                     "does not fit in the memory"});
    cases.push_back(
        {"complex type",
         Npy("{'descr': '<c8', 'fortran_order': False, 'shape': (1, 1, 1), }", FloatBytes(2)),
         "'<c8' is not read"});
    cases.push_back(
        {"4 dimensions",
         Npy("{'descr': '<f4', 'fortran_order': False, 'shape': (1, 1, 1, 2), }", FloatBytes(2)),
         "4 dimensions"});
    cases.push_back({"structured",
                     Npy("{'descr': [('a', '<f4')], 'fortran_order': False, 'shape': (1, 1, 1), }",
                         FloatBytes(1)),
                     "structured"});
    cases.push_back({"empty",
                     Npy("{'descr': '<f4', 'fortran_order': False, 'shape': (0, 3, 4), }", {}),
                     "holds no values"});
    cases.push_back({"overflowing size",
                     Npy("{'descr': '<f4', 'fortran_order': False, 'shape': "
                         "(99999999999999999999, 1, 1), }",
                         {}),
                     "not a tuple"});
    cases.push_back(
        {"no order", Npy("{'descr': '<f4', 'shape': (1, 1, 1), }", FloatBytes(1)), "lacks"});
    cases.push_back(
        {"one-byte order on f4",
         Npy("{'descr': '|f4', 'fortran_order': False, 'shape': (1, 1, 1), }", FloatBytes(1)),
         "is not read"});
    platform::MemoryFile badMagic(std::vector<std::uint8_t>{'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0});
    badMagic.path = "hostile.npy";
    cases.push_back({"zip file", badMagic, "signature"});
    platform::MemoryFile longHeader(
        std::vector<std::uint8_t>{0x93, 'N', 'U', 'M', 'P', 'Y', 2, 0, 0xFF, 0xFF, 0xFF, 0x7F});
    longHeader.path = "hostile.npy";
    cases.push_back({"header length beyond file", longHeader, "exceeds the file"});

    SetVolumeMemoryLimit(64u << 20);
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        CData3DEx v;
        MakeSample(v, 4, 3, 2);
        ExchangeResult r = ReadNpy(c.file, v, ExchangeGrid{});
        EXPECT_FALSE(r.Ok());
        EXPECT_NE(r.Error.find("hostile.npy"), std::string::npos) << r.Error;
        EXPECT_NE(r.Error.find(c.expected), std::string::npos) << r.Error;
        ExpectUntouched(v);
    }
}

TEST_F(NpyTest, ReadNpyFile_RefusesABrokenSidecarNamingIt)
{
    CData3DEx v, sample;
    MakeSample(sample, 4, 3, 2);
    const std::string path = dir.File("s.npy");
    ASSERT_TRUE(WriteNpyFile(sample, path).Ok());
    MakeSample(v, 4, 3, 2);
    for (const char* text :
         {"{\"StepX\": 0}", "{\"StepX\": -1}", "{\"StepX\": \"wide\"}", "{\"StepX\": 1,}", "[1, 2]",
          "{\"StepX\": 1} trailing",
          "{\"a\": [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[["
          "[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]}"}) {
        SCOPED_TRACE(text);
        WriteText(SidecarPath(path), text);
        ExchangeResult r = ReadNpyFile(path, v);
        EXPECT_FALSE(r.Ok());
        EXPECT_NE(r.Error.find("s.npy.json"), std::string::npos) << r.Error;
        ExpectUntouched(v);
    }
}

TEST_F(NpyTest, ParseNpySidecar_SkipsUnknownAndNestedValuesAndDecodesEscapes)
{
    ExchangeGrid g;
    std::string error = ParseNpySidecar(
        R"({"note": {"a": [1, 2.5e3, true, null, "x"]}, "StepY": 1e1, "TitleY": "Tiefe \u00e4 \"q\"", "StartX": -0.5})",
        "side.json", g);
    ASSERT_EQ(error, "");
    EXPECT_EQ(g.Step[1], 10.0f);
    EXPECT_EQ(g.Start[0], -0.5f);
    EXPECT_EQ(*g.Title[1], "Tiefe \xc3\xa4 \"q\"");
    EXPECT_FALSE(g.Unit[0].has_value());
}

TEST_F(NpyTest, WriteNpyFile_RefusesAnEmptyVolumeAndKeepsAnExistingFile)
{
    CData3DEx empty;
    const std::string path = dir.File("keep.npy");
    WriteText(path, "old");
    ExchangeResult r = WriteNpyFile(empty, path);
    EXPECT_FALSE(r.Ok());
    EXPECT_NE(r.Error.find("keep.npy"), std::string::npos);
    EXPECT_EQ(testing_support::ReadWholeFile(path), "old");
}
