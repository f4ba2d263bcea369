// The aft tomography reader and "Open aft file" on hand-written record files.
#include "readers/TomographyFile.h"

#include "platform/BinaryFile.h"
#include "platform/Profile.h"
#include "platform/ScriptedUi.h"
#include "platform/Services.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"
#include "volume/VolumeFileBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>

using namespace volume_test;
using platform::FormAnswer;
using testing_support::TempDir;

namespace {

struct Record {
    int i, j, k; // counted from 1
    float value;
};

Bytes Records(const std::vector<Record>& records)
{
    Bytes b;
    for (const Record& r : records)
        b.Int(r.i).Int(r.j).Int(r.k).Float(r.value);
    return b;
}

// Delivers at most 7 bytes per request, so records arrive split across reads.
struct TrickleFile : platform::MemoryFile {
    using MemoryFile::MemoryFile;
    std::size_t Read(void* buffer, std::size_t count) override
    {
        return MemoryFile::Read(buffer, std::min<std::size_t>(count, 7));
    }
};

bool Contains(const std::vector<std::string>& texts, const std::string& part)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

class AftTest : public ::testing::Test {
protected:
    void TearDown() override { SetVolumeMemoryLimit(0); }

    std::string Write(const std::string& name, const Bytes& b)
    {
        std::string path = dir.File(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data.data()),
                   static_cast<std::streamsize>(b.data.size()));
        return path;
    }
    // Queues the file dialog and the "Data size" answer, then runs the command.
    CommandResult Open(CData3D& v, const std::string& path, int nx, int ny, int nz)
    {
        ui.AnswerOpen({path});
        ui.AnswerForm(FormAnswer{true,
                                 {{"NX =", std::to_string(nx)},
                                  {"NY =", std::to_string(ny)},
                                  {"NZ =", std::to_string(nz)}}});
        return OnOpenAftFile(v);
    }

    TempDir dir;
    platform::MemoryProfile profile;
    platform::ScriptedUi ui;
    platform::ScopedServices services{platform::Services{.profile = &profile, .ui = &ui}};
};

TEST_F(AftTest, OpenAft_TwoRecordsFillAVolumeOfTwoCells)
{
    std::string path = Write("aft.dat", Records({{1, 1, 1, 3.5f}, {2, 1, 1, 4.5f}}));
    CData3DEx v;
    v.StepX = 25, v.StartZ = -3, v.Stretch->NArea = 2;
    CommandResult r = Open(v, path, 2, 1, 1);

    EXPECT_TRUE(r.Changed);
    EXPECT_TRUE(r.Repaint);
    EXPECT_EQ(r.Bytes, 32);
    EXPECT_EQ(ui.openFilters, (std::vector<std::string>{"aft.dat(*.*)"}));
    EXPECT_EQ(ui.formCaptions, (std::vector<std::string>{"Data size"}));
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{"NX = 2 NY = 1 NZ = 1"}));
    ASSERT_EQ(v.NX, 2);
    EXPECT_EQ(v.NY, 1);
    EXPECT_EQ(v.NZ, 1);
    EXPECT_EQ(v.Values[0][0][0], 3.5f);
    EXPECT_EQ(v.Values[0][0][1], 4.5f);
    // Only the extents and values change.
    EXPECT_EQ(v.StepX, 25.0f);
    EXPECT_EQ(v.StartZ, -3.0f);
    EXPECT_EQ(v.Stretch->NArea, 2);
}

TEST_F(AftTest, OpenAft_RecordOrderDoesNotMatterAndLaterRecordsWin)
{
    // Every cell of a 2 x 3 x 2 grid, value 100 z + 10 y + x, sorted and reversed.
    std::vector<Record> sorted;
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 2; ++x)
                sorted.push_back({x + 1, y + 1, z + 1, Cell(x, y, z)});
    std::vector<Record> reversed(sorted.rbegin(), sorted.rend());
    reversed.push_back({2, 3, 1, -7.0f});                // repeats cell (1, 2, 0) later
    reversed.insert(reversed.begin(), {1, 1, 2, 99.0f}); // overwritten by the sorted record

    CData3DEx a, b;
    Open(a, Write("sorted.dat", Records(sorted)), 2, 3, 2);
    Open(b, Write("reversed.dat", Records(reversed)), 2, 3, 2);
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 2; ++x) {
                float expected = (x == 1 && y == 2 && z == 0) ? -7.0f : Cell(x, y, z);
                EXPECT_EQ(a.Values[z][y][x], Cell(x, y, z));
                EXPECT_EQ(b.Values[z][y][x], expected) << x << y << z;
            }
}

TEST_F(AftTest, ReadRecords_SkipsCellsOutsideTheGridAndKeepsUnnamedCellsZero)
{
    Bytes b = Records({{0, 1, 1, 1.0f},
                       {3, 1, 1, 2.0f},
                       {1, -1, 1, 3.0f},
                       {INT_MIN, INT_MAX, 1, 4.0f},
                       {1, 1, INT_MAX, 5.0f},
                       {2, 2, 2, 6.0f}});
    b.Int(1).Int(1); // half a record at the end
    TrickleFile file(b.data);
    TomographyGrid grid;
    grid.Allocate(2, 2, 2);
    TomographyReadResult r = ReadTomographyRecords(file, grid);
    EXPECT_EQ(r.Records, 6);
    EXPECT_EQ(r.Outside, 5);
    EXPECT_EQ(r.TrailingBytes, 8);
    EXPECT_EQ(r.Bytes, 6 * 16 + 8);
    for (int x = 0; x < 2; ++x)
        for (int y = 0; y < 2; ++y)
            for (int z = 0; z < 2; ++z)
                EXPECT_EQ(grid.Values[x][y][z], (x == 1 && y == 1 && z == 1) ? 6.0f : 0.0f);

    // Many records across the reader's blocks: every one lands.
    std::vector<Record> many;
    for (int i = 0; i < 40000; ++i)
        many.push_back({i % 200 + 1, i / 200 + 1, 1, static_cast<float>(i)});
    platform::MemoryFile big(Records(many).data);
    TomographyGrid g2;
    g2.Allocate(200, 200, 1);
    r = ReadTomographyRecords(big, g2);
    EXPECT_EQ(r.Records, 40000);
    EXPECT_EQ(r.Outside, 0);
    EXPECT_EQ(g2.Values[199][199][0], 39999.0f);
    EXPECT_EQ(g2.Values[3][7][0], 1403.0f);
}

TEST_F(AftTest, OpenAft_ReportsLeftOutRecordsAndEmptySizes)
{
    Bytes b = Records({{1, 1, 1, 2.0f}, {5, 1, 1, 9.0f}});
    b.Int(7);
    std::string path = Write("partial.dat", b);
    CData3DEx v;
    Open(v, path, 1, 1, 1);
    std::vector<std::string> m = ui.MessageTexts();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0], "NX = 1 NY = 1 NZ = 1");
    EXPECT_TRUE(Contains(m, "1 of the 2 records of \"" + path + "\" name cells outside"));
    EXPECT_TRUE(Contains(m, "ends with 4 bytes that are not a whole record"));
    EXPECT_EQ(v.Values[0][0][0], 2.0f);

    // Sizes of 0 give an empty volume.
    ui.ClearLog();
    CommandResult r = Open(v, path, 0, 0, 0);
    EXPECT_TRUE(r.Changed);
    EXPECT_EQ(v.NX, 0);
    EXPECT_EQ(v.NY, 0);
    EXPECT_EQ(v.NZ, 0);
    EXPECT_TRUE(v.ExtentsFitAllocation());
}

TEST_F(AftTest, OpenAft_RefusalsAndCancelsLeaveTheVolume)
{
    std::string path = Write("aft.dat", Records({{1, 1, 1, 3.5f}}));
    CData3DEx v;
    FillCells(v, 3, 2, 2, 5.0f);
    const Snapshot before(v);

    auto untouched = [&](CommandResult r, const std::string& told) {
        bool same = Snapshot(v) == before && !r.Changed && !r.Repaint;
        bool message = told.empty() ? ui.MessageTexts().empty() : Contains(ui.MessageTexts(), told);
        ui.ClearLog();
        return same && message;
    };

    EXPECT_TRUE(untouched(OnOpenAftFile(v), "")); // file dialog cancelled
    ui.AnswerOpen({path});
    ui.CancelForm();
    EXPECT_TRUE(untouched(OnOpenAftFile(v), "")); // "Data size" cancelled

    EXPECT_TRUE(untouched(Open(v, dir.File("missing.dat"), 1, 1, 1),
                          "Cannot open \"" + dir.File("missing.dat") + "\""));
    EXPECT_TRUE(untouched(Open(v, path, -1, 2, 2), "\"" + path + "\""));
    EXPECT_TRUE(untouched(Open(v, path, 2, 2, INT_MIN), "\"" + path + "\""));
    EXPECT_TRUE(untouched(Open(v, path, INT_MAX, 1, 1), "\"" + path + "\""));
    EXPECT_TRUE(untouched(Open(v, path, 100000, 100000, 100000), "does not fit"));
    // The grid and its copy in the volume must both fit.
    SetVolumeMemoryLimit(VolumeAllocationBytes(100, 100, 100) * 3 / 2);
    EXPECT_TRUE(untouched(Open(v, path, 100, 100, 100), "do not fit in the memory"));
    SetVolumeMemoryLimit(VolumeAllocationBytes(100, 100, 100) * 5 / 2);
    CommandResult r = Open(v, path, 100, 100, 100);
    EXPECT_TRUE(r.Changed);
    EXPECT_EQ(v.NX, 100);
    EXPECT_EQ(v.Values[0][0][0], 3.5f);
    EXPECT_EQ(v.Values[99][99][99], 0.0f);
}

} // namespace
