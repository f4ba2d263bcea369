// SEG-Y: round trips, segyio on Kalder's files, Kalder on cubes segyio wrote (IEEE and IBM,
// both sortings, a 2D line), and hostile files.
#include "ExchangeTestSupport.h"

#include "exchange/SegyFile.h"
#include "volume/VolumeFile.h"

#include <gtest/gtest.h>

using namespace exchange_test;

namespace {

class SegyTest : public ::testing::Test {
protected:
    void TearDown() override { SetVolumeMemoryLimit(0); }

    TempDir dir;
    testing_support::HeadlessServices services;
};

} // namespace

TEST_F(SegyTest, WriteThenRead_KeepsExtentsStepsStartsAndEveryValue)
{
    CData3DEx v, back;
    MakeSample(v, 7, 5, 11);
    v.StartX = 0.1f; // no exact decimal: the finest scalar brings the same float back
    const std::string path = dir.File("k.sgy");
    ExchangeResult w = WriteSegyFile(v, path);
    ASSERT_TRUE(w.Ok()) << w.Error;
    EXPECT_TRUE(w.Notes.empty());
    EXPECT_EQ(ReadBytes(path).size(), 3600u + 35u * (240u + 11u * 4u));
    ExchangeResult r = ReadSegyFile(path, back);
    ASSERT_TRUE(r.Ok()) << r.Error;
    EXPECT_TRUE(r.Notes.empty());
    EXPECT_TRUE(SameValues(v, back));
    ExpectGeometry(v, back);
}

// Lines longer than one gathered row piece, sample counts off the plane blocks, and a reload
// into a volume that already holds the same extents.
TEST_F(SegyTest, WriteThenRead_KeepsEveryValueOfLongLinesAndOddTraceLengths)
{
    const int shapes[][3] = {{2500, 3, 19}, {17, 4, 1}, {1, 6, 33}, {4099, 1, 2}};
    CData3DEx back;
    for (const auto& s : shapes) {
        CData3DEx v;
        MakeSample(v, s[0], s[1], s[2]);
        const std::string path = dir.File("long.sgy");
        ASSERT_TRUE(WriteSegyFile(v, path).Ok());
        for (int pass = 0; pass < 2; ++pass) {
            ExchangeResult r = ReadSegyFile(path, back);
            ASSERT_TRUE(r.Ok()) << r.Error;
            EXPECT_TRUE(SameValues(v, back)) << s[0] << "x" << s[1] << "x" << s[2];
        }
    }
}

TEST_F(SegyTest, Segyio_ReadsKaldersCubeWithNumbersCoordinatesAndValues)
{
    CData3DEx v;
    MakeSample(v, 6, 4, 9);
    v.StepZ = 2.5f; // 2500 microseconds
    SegyWriteOptions o;
    o.FirstInline = 100, o.FirstCrossline = 20;
    ASSERT_TRUE(WriteSegyFile(v, dir.File("k.sgy"), o).Ok());
    PythonRun run = RunPython(dir, R"(
import numpy as np, segyio
with segyio.open('k.sgy') as f:
    print('sorting', f.sorting == segyio.TraceSortingFormat.INLINE_SORTING, int(f.format))
    print('ilines', *f.ilines)
    print('xlines', *f.xlines)
    print('samples', len(f.samples), segyio.tools.dt(f), f.samples[1] - f.samples[0], f.samples[0])
    h = f.header[7]                      # inline 101, crossline 21
    s = h[segyio.TraceField.SourceGroupScalar]
    scale = (1.0 / -s) if s < 0 else (s if s > 0 else 1)
    print('trace7', h[segyio.TraceField.INLINE_3D], h[segyio.TraceField.CROSSLINE_3D],
          h[segyio.TraceField.CDP_X] * scale, h[segyio.TraceField.CDP_Y] * scale)
    print('rev', f.bin[segyio.BinField.SEGYRevision], f.bin[segyio.BinField.Format])
    print('text', f.text[0].decode('ascii', 'replace')[:40].rstrip())
    cube = segyio.tools.cube(f)          # (inline, crossline, sample)
    np.ascontiguousarray(cube.transpose(2, 0, 1)).astype('<f4').tofile('cube.f32')
)");
    EXPECT_PYTHON_OK(run);
    EXPECT_EQ(Field(run.Output, "sorting"), "True 5");
    EXPECT_EQ(Field(run.Output, "ilines"), "100 101 102 103");
    EXPECT_EQ(Field(run.Output, "xlines"), "20 21 22 23 24 25");
    EXPECT_EQ(Field(run.Output, "samples"), "9 2500.0 2.5 5.0");
    EXPECT_EQ(Field(run.Output, "trace7"), "101 21 1025.0 -237.5");
    EXPECT_EQ(Field(run.Output, "rev"), "256 5");
    EXPECT_EQ(Field(run.Output, "text"), "C 1 SEG-Y REV 1 WRITTEN BY KALDER");
    EXPECT_TRUE(SameAsDump(v, ReadFloats(dir.File("cube.f32"))));
}

TEST_F(SegyTest, ReadSegyFile_ReadsCubesSegyioWroteInIbmAndIeeeAndBothSortings)
{
    PythonRun run = RunPython(dir, R"(
import types
import numpy as np, segyio

def cube_layout(**fields):
    # What segyio.create reads of a new file's layout, with segyio's own defaults.
    return types.SimpleNamespace(iline=189, xline=193, offsets=[1], ext_headers=0, endian='big',
                                 **fields)

ils, xls, ns = [10, 12, 14], [5, 6, 7, 8], 6
z, y, x = np.meshgrid(np.arange(ns), np.arange(len(ils)), np.arange(len(xls)), indexing='ij')
# Values IBM floats hold exactly (integers and halves), so both formats give them back as they are.
cube = (100 * z + 10 * y + x + 0.5 - 300).astype(np.float32)
cube.tofile('expected.f32')
for fmt in (1, 5):
    for sorting in ('il', 'xl'):
        layout = cube_layout(ilines=ils, xlines=xls, samples=list(range(ns)), format=fmt,
                             sorting=2 if sorting == 'il' else 1)
        name = 'f%d_%s.sgy' % (fmt, sorting)
        with segyio.create(name, layout) as f:
            order = [(i, j) for i in range(len(ils)) for j in range(len(xls))]
            if sorting == 'xl':
                order = [(i, j) for j in range(len(xls)) for i in range(len(ils))]
            for t, (i, j) in enumerate(order):
                f.header[t] = {segyio.TraceField.INLINE_3D: ils[i],
                               segyio.TraceField.CROSSLINE_3D: xls[j],
                               segyio.TraceField.SourceGroupScalar: -100,
                               segyio.TraceField.CDP_X: int(round((500.0 + 12.5 * j) * 100)),
                               segyio.TraceField.CDP_Y: int(round((-20.0 + 30.0 * i) * 100)),
                               segyio.TraceField.DelayRecordingTime: 8,
                               segyio.TraceField.TRACE_SAMPLE_INTERVAL: 4000}
                f.trace[t] = cube[:, i, j]
            f.bin.update(hdt=4000, hns=ns, format=fmt)
# A 2D line: one inline, no coordinates.
layout = cube_layout(ilines=[1], xlines=[1, 2, 3, 4, 5], samples=range(3), format=5, sorting=2)
with segyio.create("line.sgy", layout) as f:
    for t in range(5):
        f.header[t] = {segyio.TraceField.INLINE_3D: 1, segyio.TraceField.CROSSLINE_3D: t + 1}
        f.trace[t] = np.arange(3, dtype=np.float32) + 10 * t
    f.bin.update(hdt=1000, hns=3)
print('ok')
)");
    ASSERT_EQ(run.Status, 0) << run.Output;
    const std::vector<float> expected = ReadFloats(dir.File("expected.f32"));
    for (std::string name : {"f1_il", "f1_xl", "f5_il", "f5_xl"}) {
        SCOPED_TRACE(name);
        CData3DEx v;
        ExchangeResult r = ReadSegyFile(dir.File(name + ".sgy"), v);
        ASSERT_TRUE(r.Ok()) << r.Error;
        EXPECT_EQ(v.NX, 4);
        EXPECT_EQ(v.NY, 3);
        EXPECT_EQ(v.NZ, 6);
        EXPECT_EQ(v.StepX, 12.5f);
        EXPECT_EQ(v.StepY, 30.0f);
        EXPECT_EQ(v.StepZ, 4.0f);
        EXPECT_EQ(v.StartX, 500.0f);
        EXPECT_EQ(v.StartY, -20.0f);
        EXPECT_EQ(v.StartZ, 8.0f);
        EXPECT_TRUE(SameAsDump(v, expected));
    }
    CData3DEx line;
    SegyReadOptions o;
    o.StepX = 6.25f;
    ExchangeResult r = ReadSegyFile(dir.File("line.sgy"), line, o);
    ASSERT_TRUE(r.Ok()) << r.Error;
    EXPECT_EQ(line.NX, 5);
    EXPECT_EQ(line.NY, 1);
    EXPECT_EQ(line.NZ, 3);
    EXPECT_EQ(line.StepX, 6.25f); // no coordinates in the headers: from the options
    EXPECT_EQ(line.StepZ, 1.0f);
    EXPECT_EQ(line.Values[2][0][4], 42.0f);
}

TEST_F(SegyTest, ReadSegyFile_RefusesHostileFilesAndLeavesTheVolumeUntouched)
{
    CData3DEx sample;
    MakeSample(sample, 4, 3, 5);
    ASSERT_TRUE(WriteSegyFile(sample, dir.File("good.sgy")).Ok());
    const std::vector<unsigned char> good = ReadBytes(dir.File("good.sgy"));
    const std::size_t trace = 240 + 5 * 4;
    auto put = [&](const std::string& name, std::vector<unsigned char> b) {
        WriteBytes(dir.File(name), b.data(), b.size());
    };
    auto setInt = [](std::vector<unsigned char>& b, std::size_t at, std::int32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + static_cast<std::size_t>(i)] =
                static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * (n - 1 - i)));
    };
    // One trace fewer: 11 traces cannot fill lines of 4.
    put("missing.sgy",
        std::vector<unsigned char>(good.begin(), good.end() - static_cast<long>(trace)));
    // Half a trace more: not a whole number of traces.
    std::vector<unsigned char> b = good;
    b.resize(b.size() + trace / 2);
    put("partial.sgy", b);
    // Trace 6 claims inline 3: the lines are not consistent.
    b = good;
    setInt(b, 3600 + 5 * trace + 188, 3, 4);
    put("order.sgy", b);
    // Format code 4 (fixed point with gain) and a little-endian format code.
    b = good;
    setInt(b, 3224, 4, 2);
    put("format4.sgy", b);
    b = good;
    b[3224] = 5, b[3225] = 0;
    put("little.sgy", b);
    // No samples anywhere.
    b = good;
    setInt(b, 3220, 0, 2);
    for (int t = 0; t < 12; ++t)
        setInt(b, 3600 + static_cast<std::size_t>(t) * trace + 114, 0, 2);
    put("nosamples.sgy", b);
    // Shorter than the headers.
    put("short.sgy", std::vector<unsigned char>(good.begin(), good.begin() + 2000));
    // Extended headers beyond the file.
    b = good;
    setInt(b, 3504, 30000, 2);
    put("extended.sgy", b);

    struct Case {
        const char* file;
        const char* expected;
    };
    const Case cases[] = {
        {"missing.sgy", "inconsistent trace count"},
        {"partial.sgy", "not a whole number of traces"},
        {"order.sgy", "trace 6"},
        {"format4.sgy", "format code 4"},
        {"little.sgy", "little-endian"},
        {"nosamples.sgy", "0 samples"},
        {"short.sgy", "shorter than the SEG-Y headers"},
        {"extended.sgy", "no traces"},
        {"absent.sgy", "absent.sgy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CData3DEx v, reference;
        MakeSample(v, 4, 3, 2);
        MakeSample(reference, 4, 3, 2);
        ExchangeResult r = ReadSegyFile(dir.File(c.file), v);
        EXPECT_FALSE(r.Ok());
        EXPECT_NE(r.Error.find(c.file), std::string::npos) << r.Error;
        EXPECT_NE(r.Error.find(c.expected), std::string::npos) << r.Error;
        EXPECT_TRUE(SameValues(v, reference));
        ExpectGeometry(v, reference);
    }
}

TEST_F(SegyTest, ReadSegyFile_RefusesACubeLargerThanMemory)
{
    CData3DEx sample, v;
    MakeSample(sample, 64, 64, 64, false);
    ASSERT_TRUE(WriteSegyFile(sample, dir.File("big.sgy")).Ok());
    SetVolumeMemoryLimit(256 * 1024);
    MakeSample(v, 4, 3, 2);
    ExchangeResult r = ReadSegyFile(dir.File("big.sgy"), v);
    EXPECT_FALSE(r.Ok());
    EXPECT_NE(r.Error.find("does not fit in the memory"), std::string::npos) << r.Error;
    EXPECT_EQ(v.NX, 4);
}

TEST_F(SegyTest, WriteSegyFile_RefusesWhatTheHeadersCannotHold)
{
    CData3DEx v;
    MakeSample(v, 3, 2, 2);
    v.StepZ = 40.0f; // 40000 microseconds: beyond the 16-bit field
    const std::string path = dir.File("keep.sgy");
    WriteText(path, "old");
    ExchangeResult r = WriteSegyFile(v, path);
    EXPECT_FALSE(r.Ok());
    EXPECT_NE(r.Error.find("sample interval"), std::string::npos) << r.Error;
    EXPECT_EQ(testing_support::ReadWholeFile(path), "old");

    v.StepZ = 0.0125f; // 12.5 microseconds: rounded, and said so
    r = WriteSegyFile(v, path);
    ASSERT_TRUE(r.Ok()) << r.Error;
    ASSERT_EQ(r.Notes.size(), 1u);
    EXPECT_NE(r.Notes[0].find("written as the sample interval 13"), std::string::npos);
}
