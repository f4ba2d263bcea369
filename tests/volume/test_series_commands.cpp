// "Append all files" and "Extract 2D slice" on small numbered series written to a scratch folder.
#include "volume/VolumeFileBuilders.h"

#include "platform/Form.h"
#include "platform/Profile.h"
#include "platform/ScriptedUi.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"
#include "volume/SnapshotSeries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace volume_test;
using platform::FormAnswer;
using testing_support::ReadWholeFile;
using testing_support::TempDir;

namespace {

// Remembers the field labels of every form, so the prompt of "Get integer" can be checked.
struct RecordingUi : platform::ScriptedUi {
    bool RunForm(platform::Form& form) override
    {
        std::vector<std::string> labels;
        for (const auto& f : form.fields)
            labels.push_back(f.label);
        formLabels.push_back(labels);
        return ScriptedUi::RunForm(form);
    }
    std::vector<std::vector<std::string>> formLabels;
};

// An FD model strip: header, the thickness flag word (with thicknesses when given), then five
// components; value of component c at (x, y, z) = Cell(x, y, z, offset + 1000 c).
Bytes Strip(int nx, int ny, int nz, float offset, float stepX = 50.0f, float stepZ = 50.0f,
            const std::vector<float>* thickness = nullptr)
{
    Bytes b;
    b.Int(nx).Int(ny).Int(nz).Float(stepX).Float(stepX).Float(stepZ);
    if (thickness)
        b.Int(1).Floats(*thickness);
    else
        b.Int(0);
    for (int c = 0; c < 5; ++c)
        b.Floats(Cells(nx, ny, nz, offset + 1000.0f * static_cast<float>(c)));
    return b;
}

bool Contains(const std::vector<std::string>& texts, const std::string& part)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

class SeriesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir.path.empty());
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.path); // "FD2D_model.fd2" goes to the current folder
    }
    void TearDown() override { std::filesystem::current_path(oldCwd); }

    std::string Write(const std::string& name, const Bytes& b)
    {
        std::string path = dir.File(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data.data()),
                   static_cast<std::streamsize>(b.data.size()));
        return path;
    }
    std::vector<std::string> Messages() const { return ui.MessageTexts(); }

    TempDir dir;
    std::filesystem::path oldCwd;
    platform::MemoryProfile profile;
    RecordingUi ui;
    platform::ScopedServices services{platform::Services{.profile = &profile, .ui = &ui}};
};

TEST_F(SeriesTest, AppendAll_LoadsThreeStripsSideBySideInNumberOrder)
{
    // Three strips of 50 x 3 x 2; strip n carries the offset 10000 n.
    for (int n = 1; n <= 3; ++n)
        Write("snap" + std::to_string(n) + ".dat", Strip(50, 3, 2, 10000.0f * n));
    ui.AnswerOpen({dir.File("snap3.dat"), dir.File("snap1.dat"), dir.File("snap2.dat"),
                   dir.File("snap2.dat")});
    ui.AnswerForm(FormAnswer{true, {{"Component", "1"}}}); // S-velocity
    ui.AnswerForm(FormAnswer{});                           // "Data size" as proposed

    CData3DEx v;
    ViewLoadMemory memory;
    int drawEnabled = 1;
    CommandResult r = OnAppendAllFiles(v, memory, drawEnabled);

    EXPECT_TRUE(r.Repaint);
    EXPECT_TRUE(r.Changed);
    EXPECT_EQ(r.Bytes, 3 * 50 * 3 * 2 * 4);
    EXPECT_EQ(drawEnabled, 1);
    EXPECT_EQ(memory.Component, 1);
    EXPECT_EQ(ui.formCaptions, (std::vector<std::string>{"Component selection", "Data size"}));
    EXPECT_EQ(ui.openFilters, (std::vector<std::string>{"Snapshots files(*.*)"}));
    // "Data size" proposed three strips of 50 columns.
    ASSERT_EQ(v.NX, 150);
    EXPECT_EQ(v.AllocatedNX(), 150);
    EXPECT_EQ(v.NY, 3);
    EXPECT_EQ(v.NZ, 2);
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 150; ++x)
                ASSERT_EQ(v.Values[z][y][x], Cell(x % 50, y, z, 10000.0f * (x / 50 + 1) + 1000.0f))
                    << x << " " << y << " " << z;
    EXPECT_EQ(v.Values[0][0][100], Cell(0, 0, 0, 31000.0f)); // file 3's column 0

    std::vector<std::string> m = Messages();
    ASSERT_GE(m.size(), 5u);
    EXPECT_EQ(m[0], "snap3.dat 3 3");
    EXPECT_EQ(m[1], "snap1.dat 1 1");
    EXPECT_EQ(m[3], "snap2.dat 2 2");
    EXPECT_EQ(m[4], "Number of files = 4");
}

TEST_F(SeriesTest, AppendAll_CancelledDialogsLeaveTheVolume)
{
    Write("snap1.dat", Strip(4, 2, 2, 0));
    CData3DEx v;
    FillCells(v, 3, 2, 2, 7.0f);
    Snapshot before(v);
    ViewLoadMemory memory;
    int drawEnabled = 1;

    // The file dialog cancelled: nothing asked, nothing read, still a repaint.
    CommandResult r = OnAppendAllFiles(v, memory, drawEnabled);
    EXPECT_TRUE(r.Repaint);
    EXPECT_EQ(r.Bytes, 0);
    EXPECT_EQ(drawEnabled, 1);
    EXPECT_TRUE(ui.formCaptions.empty());
    EXPECT_TRUE(Snapshot(v) == before);

    // "Component selection" cancelled for the first file: the others are not read either.
    Write("snap2.dat", Strip(4, 2, 2, 0));
    ui.AnswerOpen({dir.File("snap1.dat"), dir.File("snap2.dat")});
    ui.AnswerForm(FormAnswer{}); // "Append data?" as preset
    ui.CancelForm();             // "Component selection"
    r = OnAppendAllFiles(v, memory, drawEnabled);
    EXPECT_EQ(r.Bytes, 0);
    EXPECT_EQ(drawEnabled, 1);
    EXPECT_TRUE(Snapshot(v) == before);
    EXPECT_FALSE(Contains(Messages(), "stopped"));
}

TEST_F(SeriesTest, AppendAll_StopsAtAMissingFileKeepingTheStripsBeforeIt)
{
    Write("snap1.dat", Strip(5, 2, 2, 10000.0f));
    Write("snap3.dat", Strip(5, 2, 2, 30000.0f)); // snap2.dat does not exist
    ui.AnswerOpen({dir.File("snap1.dat"), dir.File("snap2.dat"), dir.File("snap3.dat")});
    ui.AnswerForm(FormAnswer{});
    ui.AnswerForm(FormAnswer{});

    CData3DEx v;
    ViewLoadMemory memory;
    int drawEnabled = 1;
    OnAppendAllFiles(v, memory, drawEnabled);

    EXPECT_EQ(drawEnabled, 1);
    EXPECT_EQ(v.AllocatedNX(), 15);
    EXPECT_EQ(v.NX, 5); // file 3 is not moved into file 2's columns
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(v.Values[1][1][x], Cell(x, 1, 1, 10000.0f));
    for (int x = 5; x < 15; ++x)
        EXPECT_EQ(v.Values[1][1][x], 0.0f);
    std::vector<std::string> m = Messages();
    EXPECT_TRUE(Contains(m, "Cannot open \"" + dir.File("snap2.dat") + "\""));
    EXPECT_TRUE(Contains(m, "Loading the series stopped at \"" + dir.File("snap2.dat") +
                                "\": 1 of 3 files were loaded."));
}

TEST_F(SeriesTest, AppendAll_LoadsZeroPaddedNamesAsSelectedAndSkipsNamesWithoutNumber)
{
    Write("vel002.bin", Strip(2, 1, 1, 200.0f));
    Write("vel01.bin", Strip(2, 1, 1, 100.0f));
    Write("vel1.dat", Strip(2, 1, 1, 999.0f)); // not selected: must not be loaded
    Write("notes.dat", Strip(2, 1, 1, 555.0f));
    ui.AnswerOpen({dir.File("vel002.bin"), dir.File("notes.dat"), dir.File("vel01.bin")});
    ui.AnswerForm(FormAnswer{});
    ui.AnswerForm(FormAnswer{});

    CData3DEx v;
    ViewLoadMemory memory;
    int drawEnabled = 1;
    OnAppendAllFiles(v, memory, drawEnabled);
    ASSERT_EQ(v.NX, 4);
    EXPECT_EQ(v.Values[0][0][0], 100.0f);
    EXPECT_EQ(v.Values[0][0][1], 101.0f);
    EXPECT_EQ(v.Values[0][0][2], 200.0f);
    std::vector<std::string> m = Messages();
    EXPECT_TRUE(Contains(m, "vel002.bin 002 2"));
    EXPECT_TRUE(Contains(m, "\"notes.dat\" carries no usable file number"));
    EXPECT_TRUE(Contains(m, "Number of files = 3"));
}

TEST_F(SeriesTest, ExtractSlice2D_WritesTheModelTextExactly)
{
    // NX 2, NY 2, NZ 3 cells of 50 m, no thicknesses; 200 m deep gives 4 rows at depths 25, 75,
    // 125 and 175 m, in layers 0, 1, 2 and 2 (the last layer goes on below 150 m).
    std::string path = Write("s1.dat", Strip(2, 2, 3, 0));
    std::int64_t bytes = ExtractSlice2D(path, 1, 10000.0, 10000.0, 200.0, "out.fd2");
    EXPECT_EQ(bytes, 5 * 3 * 2 * 2 * 4);

    // Column X = 1: value at (1, y, z) of component c is 100 z + 10 y + 1 + 1000 c.
    auto block = [](float offset, const int layers[4]) {
        std::string s;
        for (int r = 0; r < 4; ++r)
            s += platform::Format(" %f  %f  \n", 100.0 * layers[r] + 1 + offset,
                                  100.0 * layers[r] + 11 + offset);
        return s;
    };
    const int layers[4] = {0, 1, 2, 2};
    std::string expected = " 2 4 50.000000 \n"
                           " 200 200 0 \n"
                           " 0 1 2 \n"
                           " 0 0 0.000000 \n";
    expected += " 1.000000  11.000000  \n"
                " 101.000000  111.000000  \n"
                " 201.000000  211.000000  \n"
                " 201.000000  211.000000  \n";
    expected += block(1000, layers) + block(2000, layers);
    expected += " 0  0  \n 0  0  \n 0  0  \n 0  0  \n"; // the integer block
    expected += block(3000, layers) + block(4000, layers);
    EXPECT_EQ(ReadWholeFile(dir.File("out.fd2")), expected);
}

TEST_F(SeriesTest, ExtractSlice2D_ThicknessesGiveTheLayerBottomsAndWidthGivesThePointList)
{
    // Thicknesses 50, 100, 50 m: bottoms 50, 150, 200; rows at 25 .. 225 m.
    std::vector<float> t{50, 100, 50};
    std::string path = Write("t1.dat", Strip(1, 95, 3, 0, 50.0f, 7.0f, &t));
    ASSERT_GT(ExtractSlice2D(path, 0, 10000.0, 5000.0, 250.0, "t.fd2"), 0);
    std::string text = ReadWholeFile(dir.File("t.fd2"));
    std::vector<std::string> lines;
    for (std::size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(text.substr(at, nl - at + 1));
    ASSERT_EQ(lines.size(), 2u + 9u + 2u + 6u * 5u);
    EXPECT_EQ(lines[0], " 95 5 50.000000 \n");
    EXPECT_EQ(lines[1], " 200 100 9 \n");
    EXPECT_EQ(lines[2], " 0 0 \n");
    EXPECT_EQ(lines[10], " 80 0 \n"); // NY = 95: nine pairs
    EXPECT_EQ(lines[11], " 0 1 2 \n");
    // Distances beyond int give the extreme positions rather than an undefined conversion.
    ASSERT_GT(ExtractSlice2D(path, 0, 1e300, -1e300, 250.0, "g.fd2"), 0);
    std::string g = ReadWholeFile(dir.File("g.fd2"));
    EXPECT_EQ(g.substr(g.find('\n') + 1, 26), " 2147483647 -2147483648 9 ");
    // P-velocity rows, first value (y = 0): layers 0, 1, 1, 2, 2.
    const float firstValue[5] = {0, 100, 100, 200, 200};
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(lines[13 + r].substr(0, lines[13 + r].find("  ")),
                  platform::Format(" %f", static_cast<double>(firstValue[r])));
}

TEST(SeriesRows, LayersOfRowsFollowTheBottoms)
{
    // StepX = StepZ = 50 m without thicknesses: 400 rows; depth 25 and 75 m lie in layers 0
    // and 1, depth 125 m in layer 2.
    std::vector<float> bottoms;
    for (int i = 0; i < 10; ++i)
        bottoms.push_back(50.0f * static_cast<float>(i + 1));
    std::vector<int> layer = SliceRowLayers(bottoms, 400, 50.0f);
    ASSERT_EQ(layer.size(), 400u);
    EXPECT_EQ(layer[0], 0);
    EXPECT_EQ(layer[1], 1);
    EXPECT_EQ(layer[2], 2);
    EXPECT_EQ(layer[9], 9);
    EXPECT_EQ(layer[399], 9);
    // A depth exactly on a bottom belongs to the layer above it.
    EXPECT_EQ(SliceRowLayers({10.0f, 20.0f}, 2, 20.0f), (std::vector<int>{0, 1}));
    // Bottoms that do not ascend (negative or NaN thicknesses): the first layer reaching the
    // depth, never past the last layer.
    EXPECT_EQ(SliceRowLayers({100.0f, NAN, 50.0f, 300.0f}, 4, 100.0f),
              (std::vector<int>{0, 3, 3, 3}));
    EXPECT_EQ(SliceRowLayers({NAN, NAN}, 2, 1.0f), (std::vector<int>{1, 1}));
    EXPECT_TRUE(SliceRowLayers({}, 0, 1.0f).empty());
}

TEST_F(SeriesTest, ExtractSlice2D_RefusesSectionsItCannotHoldAndHostileFiles)
{
    auto refused = [&](const std::string& name, const Bytes& b, int column, double depth) {
        ui.ClearLog();
        std::string path = Write(name, b);
        std::int64_t bytes = ExtractSlice2D(path, column, 10000.0, 10000.0, depth, "r.fd2");
        bool none = !std::filesystem::exists(dir.File("r.fd2"));
        bool told = Contains(Messages(), path);
        return bytes == 0 && none && told;
    };
    EXPECT_TRUE(refused("wide.dat", Strip(1, 1702, 1, 0), 0, 100.0));       // 1702 columns
    EXPECT_TRUE(refused("deep.dat", Strip(1, 2, 1, 0, 10.0f), 0, 20000.0)); // 2000 rows
    EXPECT_TRUE(refused("col.dat", Strip(2, 2, 1, 0), 2, 100.0));           // no column 2
    EXPECT_TRUE(refused("neg.dat", Strip(2, 2, 1, 0), -1, 100.0));
    EXPECT_TRUE(refused("step.dat", Strip(2, 2, 1, 0, -50.0f), 0, 100.0));
    Bytes negative;
    negative.Int(2).Int(-3).Int(1).Float(50).Float(50).Float(50).Int(0);
    EXPECT_TRUE(refused("negative.dat", negative, 0, 100.0));
    Bytes header;
    header.Int(2).Int(2);
    EXPECT_TRUE(refused("header.dat", header, 0, 100.0));
    // Sizes that claim far more values than the file holds are refused before allocating.
    Bytes huge;
    huge.Int(1 << 30).Int(1000).Int(1 << 30).Float(50).Float(50).Float(50).Int(0).Floats({1, 2});
    EXPECT_TRUE(refused("huge.dat", huge, 0, 100.0));
    Bytes shortFile = Strip(2, 2, 2, 0);
    shortFile.data.resize(shortFile.data.size() - 4);
    EXPECT_TRUE(refused("short.dat", shortFile, 0, 100.0));
    // A thickness flag of 1 with fewer thicknesses than layers.
    Bytes thin;
    thin.Int(2).Int(2).Int(1000).Float(50).Float(50).Float(50).Int(1).Floats({10, 20});
    EXPECT_TRUE(refused("thin.dat", thin, 0, 100.0));
}

TEST_F(SeriesTest, Extract2DSlice_FindsTheStripOfAPositionAcrossTheSeries)
{
    for (int n = 1; n <= 3; ++n)
        Write("snap" + std::to_string(n) + ".dat", Strip(50, 2, 1, 10000.0f * n));
    auto run = [&](const std::string& position) {
        ui.ClearLog();
        ui.formLabels.clear();
        std::filesystem::remove(dir.File("FD2D_model.fd2"));
        ui.AnswerOpen({dir.File("snap2.dat"), dir.File("snap3.dat"), dir.File("snap1.dat")});
        ui.AnswerForm(FormAnswer{true, {{"Value", position}}});
        return OnExtract2DSlice();
    };

    CommandResult r = run("50");
    EXPECT_FALSE(r.Repaint);
    EXPECT_FALSE(r.Changed);
    ASSERT_EQ(ui.formCaptions.back(), "Get integer");
    ASSERT_EQ(ui.formLabels.size(), 1u);
    EXPECT_EQ(ui.formLabels[0][0], "Enter number of X position (0 to 149)");
    // 20000 m at 50 m: 400 rows; the first P-velocity row holds file 2, column 0.
    std::string text = ReadWholeFile(dir.File("FD2D_model.fd2"));
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), " 2 400 50.000000 \n");
    EXPECT_NE(text.find(" 0 0 0.000000 \n 20000.000000  20010.000000  \n"), std::string::npos);
    std::vector<std::string> m = Messages();
    EXPECT_EQ(std::count(m.begin(), m.end(), dir.File("snap1.dat")), 2);
    EXPECT_EQ(std::count(m.begin(), m.end(), dir.File("snap2.dat")), 2);
    EXPECT_EQ(std::count(m.begin(), m.end(), dir.File("snap3.dat")), 1); // search ends at file 2

    run("49"); // file 1, column 49
    text = ReadWholeFile(dir.File("FD2D_model.fd2"));
    EXPECT_NE(text.find(" 0 0 0.000000 \n 10049.000000  10059.000000  \n"), std::string::npos);

    for (const char* outside : {"150", "-1"}) {
        run(outside);
        EXPECT_FALSE(std::filesystem::exists(dir.File("FD2D_model.fd2"))) << outside;
        EXPECT_TRUE(Contains(Messages(), "lies outside 0 to 149; nothing was extracted"));
    }

    // A header that cannot be read ends the command before the position is asked.
    ui.ClearLog();
    ui.formCaptions.clear();
    ui.AnswerOpen({dir.File("snap1.dat"), dir.File("snap9.dat")});
    EXPECT_EQ(OnExtract2DSlice().Bytes, 0);
    EXPECT_TRUE(ui.formCaptions.empty());
    EXPECT_TRUE(Contains(Messages(), "Cannot open \"" + dir.File("snap9.dat") + "\""));
}

} // namespace
