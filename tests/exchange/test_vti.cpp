// VTK XML ImageData: round trips, VTK's own reader on Kalder's files, Kalder on the files VTK
// writes in every data mode, and hostile files.
#include "ExchangeTestSupport.h"

#include "exchange/Base64.h"
#include "exchange/VtiFile.h"
#include "platform/BinaryFile.h"
#include "volume/VolumeFile.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace exchange_test;

namespace {

class VtiTest : public ::testing::Test {
protected:
    void TearDown() override { SetVolumeMemoryLimit(0); }

    TempDir dir;
    testing_support::HeadlessServices services;
};

platform::MemoryFile Text(const std::string& s)
{
    platform::MemoryFile f(std::vector<std::uint8_t>(s.begin(), s.end()));
    f.path = "hostile.vti";
    return f;
}

// An image document around the given array element and appended section.
std::string Image(const std::string& extent, const std::string& array,
                  const std::string& appended = "", const std::string& rootExtra = "")
{
    std::string s = "<?xml version=\"1.0\"?>\n<VTKFile type=\"ImageData\" version=\"1.0\" "
                    "byte_order=\"LittleEndian\" header_type=\"UInt32\"" +
                    rootExtra + ">\n<ImageData WholeExtent=\"" + extent +
                    "\" Origin=\"0 0 0\" Spacing=\"1 1 1\">\n<Piece Extent=\"" + extent +
                    "\">\n<CellData Scalars=\"v\">\n" + array +
                    "\n</CellData>\n</Piece>\n</ImageData>\n";
    if (!appended.empty())
        s += "<AppendedData encoding=\"raw\">\n_" + appended + "\n</AppendedData>\n";
    return s + "</VTKFile>\n";
}

// The document cut right after its appended values.
std::string Truncated(const std::string& s)
{
    return s.substr(0, s.find("\n</AppendedData>"));
}

std::string U32(std::uint32_t v)
{
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

std::string Floats(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) {
        float f = static_cast<float>(i);
        s.append(reinterpret_cast<const char*>(&f), 4);
    }
    return s;
}

} // namespace

TEST_F(VtiTest, Base64Reader_DecodesSeparatelyPaddedRunsLikeVtkWritesThem)
{
    const unsigned char header[4] = {8, 0, 0, 0}, data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::string text = Base64Encode(header, 4) + "\n  " + Base64Encode(data, 8) + "<";
    Base64Reader r(text.data(), text.data() + text.size());
    unsigned char out[12] = {};
    EXPECT_EQ(r.Read(out, 12), 12u);
    EXPECT_EQ(std::memcmp(out, header, 4), 0);
    EXPECT_EQ(std::memcmp(out + 4, data, 8), 0);
    EXPECT_EQ(r.Read(out, 1), 0u);
    EXPECT_FALSE(r.Failed());
}

TEST_F(VtiTest, WriteThenRead_RawAndCompressed_KeepExtentsGeometryAndEveryValue)
{
    for (bool compress : {false, true}) {
        SCOPED_TRACE(compress);
        CData3DEx v, back;
        MakeSample(v, 40, 30, 20); // 96000 bytes: two zlib blocks
        VtiWriteOptions o;
        o.Compress = compress;
        platform::MemoryFile f;
        ASSERT_TRUE(WriteVti(v, f, o).Ok());
        f.pos = 0;
        ExchangeResult r = ReadVti(f, back);
        ASSERT_TRUE(r.Ok()) << r.Error;
        EXPECT_TRUE(SameValues(v, back));
        ExpectGeometry(v, back);
        EXPECT_TRUE(r.Notes.empty());
    }
}

TEST_F(VtiTest, VtkReader_ReadsKaldersFilesWithTheSameExtentsSpacingOriginAndValues)
{
    CData3DEx v;
    MakeSample(v, 7, 5, 3);
    v.StartX = 0.1f; // origin given as the shortest float text
    VtiWriteOptions o;
    ASSERT_TRUE(WriteVtiFile(v, dir.File("raw.vti"), o).Ok());
    o.Compress = true;
    ASSERT_TRUE(WriteVtiFile(v, dir.File("zlib.vti"), o).Ok());
    PythonRun run = RunPython(dir, R"(
import sys, numpy as np, vtk
from vtk.util.numpy_support import vtk_to_numpy
for name in ('raw', 'zlib'):
    r = vtk.vtkXMLImageDataReader()
    r.SetFileName(name + '.vti')
    r.Update()
    img = r.GetOutput()
    assert r.GetErrorCode() == 0
    print(name + '_extent', *img.GetExtent())
    print(name + '_spacing', *img.GetSpacing())
    print(name + '_origin', *('%.9g' % o for o in img.GetOrigin()))
    cells = img.GetCellData()
    print(name + '_scalars', cells.GetScalars().GetName(), img.GetNumberOfCells())
    a = vtk_to_numpy(cells.GetArray('values'))
    assert a.dtype == np.float32
    a.tofile(name + '.f32')
)");
    EXPECT_PYTHON_OK(run);
    for (std::string name : {"raw", "zlib"}) {
        EXPECT_EQ(Field(run.Output, name + "_extent"), "0 7 0 5 0 3");
        EXPECT_EQ(Field(run.Output, name + "_spacing"), "25.0 12.5 10.0");
        EXPECT_EQ(Field(run.Output, name + "_origin"), "0.100000001 -250 5");
        EXPECT_EQ(Field(run.Output, name + "_scalars"), "values 105");
        EXPECT_TRUE(SameAsDump(v, ReadFloats(dir.File(name + ".f32")))) << name;
    }
}

TEST_F(VtiTest, ReadVtiFile_ReadsWhatVtkWroteInEveryDataModeCompressedAndNot)
{
    PythonRun run = RunPython(dir, R"(
import numpy as np, vtk
from vtk.util.numpy_support import numpy_to_vtk
z, y, x = np.meshgrid(np.arange(3), np.arange(4), np.arange(5), indexing='ij')
cells = (100 * z + 10 * y + x + 0.5).astype(np.float32)
cells[1, 2, 3] = np.nan
img = vtk.vtkImageData()
img.SetExtent(2, 7, 0, 4, 1, 4)          # 5 x 4 x 3 cells, 6 x 5 x 4 points
img.SetOrigin(10.0, 20.0, -5.0)
img.SetSpacing(2.0, 3.0, 0.5)
c = numpy_to_vtk(cells.ravel(), deep=1); c.SetName('vp')
img.GetCellData().SetScalars(c)
other = numpy_to_vtk(np.zeros(60, np.float32), deep=1); other.SetName('other')
img.GetCellData().AddArray(other)
pz, py, px = np.meshgrid(np.arange(4), np.arange(5), np.arange(6), indexing='ij')
points = (px * 1.25 - py + 1000.0 * pz).astype(np.float64)
p = numpy_to_vtk(points.ravel(), deep=1); p.SetName('pts')
img.GetPointData().SetScalars(p)
cells.tofile('cells.f32')
points.astype(np.float32).tofile('points.f32')
modes = {
    'ascii': lambda w: w.SetDataModeToAscii(),
    'binary': lambda w: w.SetDataModeToBinary(),
    'appended': lambda w: (w.SetDataModeToAppended(), w.EncodeAppendedDataOff()),
    'appended64': lambda w: (w.SetDataModeToAppended(), w.EncodeAppendedDataOn()),
}
for mode, setup in modes.items():
    for comp in ('none', 'zlib'):
        if mode == 'ascii' and comp == 'zlib':
            continue
        w = vtk.vtkXMLImageDataWriter()
        w.SetFileName('%s_%s.vti' % (mode, comp))
        w.SetInputData(img)
        setup(w)
        if comp == 'zlib':
            w.SetCompressorTypeToZLib()
            w.SetBlockSize(200)  # several blocks
        else:
            w.SetCompressorTypeToNone()
        assert w.Write() == 1
print('ok')
)");
    ASSERT_EQ(run.Status, 0) << run.Output;
    const std::vector<float> cells = ReadFloats(dir.File("cells.f32"));
    const std::vector<float> points = ReadFloats(dir.File("points.f32"));
    for (std::string name : {"ascii_none", "binary_none", "binary_zlib", "appended_none",
                             "appended_zlib", "appended64_none", "appended64_zlib"}) {
        SCOPED_TRACE(name);
        CData3DEx v;
        ExchangeResult r = ReadVtiFile(dir.File(name + ".vti"), v);
        ASSERT_TRUE(r.Ok()) << r.Error;
        EXPECT_EQ(v.NX, 5);
        EXPECT_EQ(v.NY, 4);
        EXPECT_EQ(v.NZ, 3);
        EXPECT_EQ(v.StepX, 2.0f);
        EXPECT_EQ(v.StepY, 3.0f);
        EXPECT_EQ(v.StepZ, 0.5f);
        EXPECT_EQ(v.StartX, 14.0f); // origin + extent start x spacing
        EXPECT_EQ(v.StartY, 20.0f);
        EXPECT_EQ(v.StartZ, -4.5f);
        EXPECT_TRUE(SameAsDump(v, cells));

        // The point data, chosen by name: one value per point.
        CData3DEx p;
        VtiReadOptions o;
        o.ArrayName = "pts";
        r = ReadVtiFile(dir.File(name + ".vti"), p, o);
        ASSERT_TRUE(r.Ok()) << r.Error;
        EXPECT_EQ(p.NX, 6);
        EXPECT_EQ(p.NY, 5);
        EXPECT_EQ(p.NZ, 4);
        EXPECT_EQ(p.StartX, 14.0f);
        EXPECT_TRUE(SameAsDump(p, points));
    }
}

TEST_F(VtiTest, ReadVti_RefusesHostileFilesAndLeavesTheVolumeUntouched)
{
    const std::string raw =
        "<DataArray type=\"Float32\" Name=\"v\" format=\"appended\" offset=\"0\"/>";
    auto compressed = [](std::uint32_t blocks, std::uint32_t size, std::uint32_t last,
                         std::vector<std::uint32_t> sizes, const std::string& data) {
        std::string s = U32(blocks) + U32(size) + U32(last);
        for (std::uint32_t c : sizes)
            s += U32(c);
        return s + data;
    };
    // A valid zlib block of 24 bytes whose middle is then spoiled.
    std::string good(compressBound(24), '\0');
    uLongf goodSize = static_cast<uLongf>(good.size());
    const std::string plain = Floats(6);
    compress(reinterpret_cast<Bytef*>(good.data()), &goodSize,
             reinterpret_cast<const Bytef*>(plain.data()), 24);
    good.resize(goodSize);
    std::string spoiled = good;
    spoiled[spoiled.size() / 2] ^= 0x55;
    const std::string zlib = " compressor=\"vtkZLibDataCompressor\"";

    struct Case {
        const char* what;
        std::string text;
        const char* expected;
    };
    std::vector<Case> cases = {
        {"not VTK", "<html></html>", "root element"},
        {"poly data", "<VTKFile type=\"PolyData\"></VTKFile>", "PolyData"},
        {"unclosed", "<VTKFile type=\"ImageData\"><ImageData>", "not closed"},
        {"two pieces",
         "<VTKFile type=\"ImageData\"><ImageData WholeExtent=\"0 1 0 1 0 1\"><Piece/><Piece/>"
         "</ImageData></VTKFile>",
         "2 pieces"},
        {"reversed extent", Image("0 2 3 1 0 1", raw, U32(8) + Floats(2)), "ends before"},
        {"huge extent", Image("0 100000 0 100000 0 100000", raw, U32(0)), "does not fit"},
        {"three components",
         Image("0 2 0 3 0 1",
               "<DataArray type=\"Float32\" Name=\"v\" NumberOfComponents=\"3\" format=\"ascii\">"
               "</DataArray>"),
         "3 components"},
        {"count mismatch", Image("0 2 0 3 0 1", raw, U32(20) + Floats(6)), "holds 20 bytes"},
        {"truncated raw", Truncated(Image("0 2 0 3 0 1", raw, U32(24) + Floats(3))), "ends inside"},
        {"offset beyond file",
         Image("0 2 0 3 0 1",
               "<DataArray type=\"Float32\" Name=\"v\" format=\"appended\" offset=\"99999\"/>",
               U32(24) + Floats(6)),
         "beyond the file"},
        {"block table beyond file",
         Image("0 2 0 3 0 1", raw, compressed(0x10000000, 24, 0, {}, ""), zlib), "do not hold"},
        {"blocks exceed file", Image("0 2 0 3 0 1", raw, compressed(1, 24, 0, {5000}, good), zlib),
         "exceed the file"},
        {"corrupt zlib block",
         Image("0 2 0 3 0 1", raw,
               compressed(1, 24, 0, {static_cast<std::uint32_t>(spoiled.size())}, spoiled), zlib),
         "does not decompress"},
        {"ascii not a number",
         Image("0 2 0 3 0 1",
               "<DataArray type=\"Float32\" Name=\"v\" format=\"ascii\">1 2 3 x 5 6</DataArray>"),
         "not a number"},
        {"ascii too few",
         Image("0 2 0 3 0 1",
               "<DataArray type=\"Float32\" Name=\"v\" format=\"ascii\">1 2 3</DataArray>"),
         "holds 3 values"},
        {"bad base64",
         Image("0 2 0 3 0 1",
               "<DataArray type=\"Float32\" Name=\"v\" format=\"binary\">GAAAAA*AAAA</DataArray>"),
         "ends inside the array header"},
        {"lz4",
         Image("0 2 0 3 0 1", raw, U32(24) + Floats(6), " compressor=\"vtkLZ4DataCompressor\""),
         "LZ4"},
        {"string array",
         Image("0 2 0 3 0 1",
               "<DataArray type=\"String\" Name=\"v\" format=\"ascii\">a</DataArray>"),
         "String"},
        {"no underscore",
         "<VTKFile type=\"ImageData\"><AppendedData encoding=\"raw\"> x</AppendedData></VTKFile>",
         "'_'"},
        {"deep nesting", std::string(200, '<') + "a>", "malformed"},
    };
    // 64-bit block sizes whose sum wraps around to 0.
    std::string wrapped = U32(2) + U32(0) + U32(12) + U32(0) + U32(12) + U32(0);
    for (int i = 0; i < 2; ++i)
        wrapped += U32(0) + U32(0x80000000u);
    std::string wrapping = Image("0 2 0 3 0 1", raw, wrapped + good, zlib);
    wrapping.replace(wrapping.find("UInt32"), 6, "UInt64");
    cases.push_back({"block sizes wrap around", wrapping, "exceed the file"});
    std::string deep = "<VTKFile type=\"ImageData\">";
    for (int i = 0; i < 100; ++i)
        deep += "<a>";
    cases.push_back({"too deep", deep, "nested too deeply"});

    SetVolumeMemoryLimit(64u << 20);
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        CData3DEx v, reference;
        MakeSample(v, 4, 3, 2);
        MakeSample(reference, 4, 3, 2);
        platform::MemoryFile f = Text(c.text);
        ExchangeResult r = ReadVti(f, v);
        EXPECT_FALSE(r.Ok());
        EXPECT_NE(r.Error.find("hostile.vti"), std::string::npos) << r.Error;
        EXPECT_NE(r.Error.find(c.expected), std::string::npos) << r.Error;
        EXPECT_TRUE(SameValues(v, reference));
        ExpectGeometry(v, reference);
    }
}

TEST_F(VtiTest, ReadVti_ReadsBigEndianUInt64HeadersAndAFlatImageOfCells)
{
    // 3 x 2 cells in one flat layer (extent z 0..0): int16 values, big-endian.
    std::string data;
    const std::uint64_t count = 12;
    for (int i = 7; i >= 0; --i)
        data += static_cast<char>(count >> (8 * i));
    for (int i = 0; i < 6; ++i) {
        std::int16_t v = static_cast<std::int16_t>(-100 * i);
        data += static_cast<char>(static_cast<std::uint16_t>(v) >> 8);
        data += static_cast<char>(v & 0xFF);
    }
    std::string s = "<VTKFile type=\"ImageData\" byte_order=\"BigEndian\" header_type=\"UInt64\">"
                    "<ImageData WholeExtent=\"0 3 0 2 0 0\" Spacing=\"0.5 0.25 1\">"
                    "<Piece Extent=\"0 3 0 2 0 0\"><CellData><DataArray type=\"Int16\" Name=\"q\" "
                    "format=\"appended\" offset=\"0\"/></CellData></Piece></ImageData>"
                    "<AppendedData encoding=\"raw\">_" +
                    data + "</AppendedData></VTKFile>";
    platform::MemoryFile f = Text(s);
    CData3DEx v;
    ExchangeResult r = ReadVti(f, v);
    ASSERT_TRUE(r.Ok()) << r.Error;
    EXPECT_EQ(v.NX, 3);
    EXPECT_EQ(v.NY, 2);
    EXPECT_EQ(v.NZ, 1);
    EXPECT_EQ(v.StepX, 0.5f);
    EXPECT_EQ(v.Values[0][1][2], -500.0f);
}
