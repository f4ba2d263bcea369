#include "volume/VolumeFileBuilders.h"

#include "platform/BinaryFile.h"
#include "platform/ScriptedUi.h"
#include "platform/Services.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"
#include "volume/VolumeCommands.h"
#include "volume/VolumeFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <unistd.h>

using namespace volume_test;
using platform::FormAnswer;
using platform::MemoryFile;

namespace {

namespace fs = std::filesystem;

class VolumeFileTest : public ::testing::Test {
protected:
    void TearDown() override { SetVolumeMemoryLimit(0); }
    std::string WriteFile(const std::string& name, const Bytes& b)
    {
        std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data.data()),
                   static_cast<std::streamsize>(b.data.size()));
        return path;
    }
    static MemoryFile Memory(const Bytes& b) { return MemoryFile(b.data); }
    // OK in a form without typing anything: the proposed values are taken.
    void Ok() { ui.AnswerForm(FormAnswer{}); }

    platform::ScriptedUi ui;
    platform::ScopedServices services{platform::Services{.ui = &ui}};
    testing_support::TempDir scratch;
    fs::path dir{scratch.path};
};

TEST_F(VolumeFileTest, WriteVolume_RoundTripOf2x3x4WithOneAreaIs180Bytes)
{
    CData3DEx a;
    FillCells(a, 2, 3, 4);
    a.StepX = 25, a.StepY = 50, a.StepZ = 12.5f;
    a.StartX = -100, a.StartY = 7.5f, a.StartZ = 3;
    a.DataType = 1;
    a.ReservedWords[0] = 11, a.ReservedWords[1] = -2, a.ReservedWords[2] = 0x7fffffff;
    a.Stretch->NArea = 1, a.Stretch->Boundary[0] = 3, a.Stretch->Stretch[0] = 2.5f;

    MemoryFile mem;
    ASSERT_TRUE(a.WriteVolume(mem));
    ASSERT_EQ(mem.data.size(), 180u);

    std::string path = (dir / "v.vol").string();
    ASSERT_TRUE(SaveVolumeFile(a, path));
    ASSERT_EQ(fs::file_size(path), 180u);

    for (int viaDisk = 0; viaDisk < 2; ++viaDisk) {
        CData3DEx b;
        Ok();
        std::int64_t bytes = 0;
        if (viaDisk) {
            bytes = b.ReadVolumeFile(path, 1);
        } else {
            mem.pos = 0;
            bytes = b.ReadVolume(mem, 1, nullptr);
        }
        EXPECT_EQ(bytes, 96);
        EXPECT_EQ(b.HeaderVersion, 3);
        EXPECT_EQ(b.NX, 2);
        EXPECT_EQ(b.NY, 3);
        EXPECT_EQ(b.NZ, 4);
        EXPECT_EQ(b.StepX, 25);
        EXPECT_EQ(b.StepY, 50);
        EXPECT_EQ(b.StepZ, 12.5f);
        EXPECT_EQ(b.StartX, -100);
        EXPECT_EQ(b.StartY, 7.5f);
        EXPECT_EQ(b.StartZ, 3);
        EXPECT_EQ(b.DataType, 1);
        EXPECT_EQ(b.ReservedWords[0], 11);
        EXPECT_EQ(b.ReservedWords[1], -2);
        EXPECT_EQ(b.ReservedWords[2], 0x7fffffff);
        EXPECT_EQ(b.Stretch->NArea, 1);
        EXPECT_EQ(b.Stretch->Boundary[0], 3);
        EXPECT_EQ(b.Stretch->Stretch[0], 2.5f);
        EXPECT_EQ(Snapshot(a).values, Snapshot(b).values);
    }
    EXPECT_EQ(ui.formCaptions, (std::vector<std::string>{"Data size", "Data size"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VolumeFileTest, ReadVolume_HeaderFormsAndTrailers)
{
    const std::vector<float> values = Cells(2, 1, 1);

    // Legacy: first int32 is NX; stretch block read with the trailer; starts and type are not.
    {
        Bytes b;
        b.Int(2).Int(1).Int(1).Float(1).Float(2).Float(3).Floats(values);
        b.Int(2).Int(50).Float(1.0f).Int(30).Float(2.5f).Int(1).Int(2).Int(3);
        b.Float(9).Float(9).Float(9).Int(2); // not part of a legacy trailer
        CData3DEx v;
        v.HeaderVersion = 7;
        MemoryFile f = Memory(b);
        EXPECT_EQ(v.ReadVolume(f, 1, nullptr), 8);
        EXPECT_EQ(v.HeaderVersion, 0);
        EXPECT_EQ(v.NX, 2);
        EXPECT_EQ(v.StepZ, 3);
        EXPECT_EQ(v.Stretch->NArea, 2);
        EXPECT_EQ(v.Stretch->Boundary[1], 30);
        EXPECT_EQ(v.Stretch->Boundary[2], 0);
        EXPECT_EQ(v.Stretch->Stretch[4], 2.5f);
        EXPECT_EQ(v.ReservedWords[2], 3);
        EXPECT_EQ(v.StartX, 0);
        EXPECT_EQ(v.DataType, 0);
        EXPECT_EQ(f.pos, 24 + 8 + 4 + 16 + 12);
    }
    // Version 1: NX follows the version; starts read, data type not.
    {
        Bytes b;
        b.Int(0).Int(1).Int(2).Int(1).Int(1).Float(1).Float(1).Float(1).Floats(values);
        b.Int(1).Int(10).Float(1.0f).Int(0).Int(0).Int(0).Float(4).Float(5).Float(6).Int(2);
        CData3DEx v;
        v.SizeOffset = 99;
        MemoryFile f = Memory(b);
        EXPECT_EQ(v.ReadVolume(f, 1, nullptr), 8);
        EXPECT_EQ(v.HeaderVersion, 1);
        EXPECT_EQ(v.SizeOffset, 99); // no offset fields before version 2
        EXPECT_EQ(v.NX, 2);
        EXPECT_EQ(v.StartX, 4);
        EXPECT_EQ(v.StartZ, 6);
        EXPECT_EQ(v.DataType, 0);
        EXPECT_EQ(v.Values[0][0][1], values[1]);
    }
    // Version 2 without the trailer: the floats after the values are the starts; no data type.
    {
        Bytes b;
        b.Int(-1).Int(2).Int(3).Int(21).Int(45).Int(2).Int(1).Int(1).Float(1).Float(1).Float(1);
        b.Floats(values).Float(-1).Float(-2).Float(-3).Int(2);
        CData3DEx v;
        v.Stretch->NArea = 1, v.Stretch->Boundary[0] = 77;
        MemoryFile f = Memory(b);
        EXPECT_EQ(v.ReadVolume(f, 0, nullptr), 8);
        EXPECT_EQ(v.HeaderVersion, 2);
        EXPECT_EQ(v.SizeOffset, 21);
        EXPECT_EQ(v.DataOffset, 45);
        EXPECT_EQ(v.StartY, -2);
        EXPECT_EQ(v.DataType, 0);
        EXPECT_EQ(v.Stretch->Boundary[0], 77);
    }
    // Version 3 by hand: everything, with the data type last.
    {
        Bytes b = Version3Header(2, 1, 1, 1, 1, 1);
        b.Floats(values).Int(1).Int(5).Float(3.0f).Int(0).Int(0).Int(0);
        b.Float(1).Float(2).Float(3).Int(2);
        CData3DEx v;
        MemoryFile f = Memory(b);
        EXPECT_EQ(v.ReadVolume(f, 1, nullptr), 8);
        EXPECT_EQ(v.DataType, 2);
        EXPECT_EQ(v.StartZ, 3);
        EXPECT_EQ(v.Stretch->Stretch[0], 3.0f);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VolumeFileTest, ReadVolume_UnusableStretchBlockIsReportedAndAnEmptyOneRead)
{
    const std::vector<float> values = Cells(2, 1, 1);
    // NArea -1: nothing after it can be located; the user is told what was dropped.
    {
        Bytes b = Version3Header(2, 1, 1, 1, 1, 1);
        b.Floats(values).Int(-1).Int(0).Int(0).Int(0).Float(1).Float(2).Float(3).Int(1);
        std::string path = WriteFile("negative.vol", b);
        CData3DEx v;
        Ok();
        EXPECT_EQ(v.ReadVolumeFile(path, 1), 8);
        EXPECT_EQ(v.NX, 2);
        EXPECT_EQ(v.StartX, 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text,
                  "\"" + path +
                      "\": the Z-stretch block after the values cannot be used; the stretch "
                      "settings, reserved words, starts and data type stored after it were "
                      "ignored.");
    }
    // NArea 0: an empty table; starts 1, 2, 3 and data type 1 after it are read.
    {
        ui.ClearLog();
        Bytes b = Version3Header(2, 1, 1, 1, 1, 1);
        b.Floats(values).Int(0).Int(0).Int(0).Int(0).Float(1).Float(2).Float(3).Int(1);
        CData3DEx v;
        v.Stretch->NArea = 2, v.Stretch->Boundary[1] = 5;
        MemoryFile f = Memory(b);
        ui.CancelForm(); // "Data size" cancelled: no truncation of the stretch areas
        bool refused = true;
        EXPECT_EQ(v.ReadVolume(f, 1, nullptr, &refused), 8);
        EXPECT_FALSE(refused);
        EXPECT_EQ(std::tie(v.StartX, v.StartY, v.StartZ), std::make_tuple(1.0f, 2.0f, 3.0f));
        EXPECT_EQ(v.DataType, 1);
        EXPECT_EQ(v.Stretch->NArea, 2);
        EXPECT_EQ(v.Stretch->Boundary[1], 5);
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST_F(VolumeFileTest, ReadVolume_NonPositiveStepsAndDataSizeAnswer)
{
    Bytes b = Version3Header(2, 3, 4, 0, -2, 5);
    b.Floats(Cells(2, 3, 4)).Int(2).Int(3).Float(1).Int(5).Float(2);
    b.Int(0).Int(0).Int(0).Float(0).Float(0).Float(0).Int(0);
    CData3DEx v;
    MemoryFile f = Memory(b);
    // A larger NX than read is refused; NZ = 2 cuts the stretch areas (3, 5) to (2).
    ui.AnswerForm(FormAnswer{true, {{"NX =", "9"}, {"NZ =", "2"}}});
    v.ReadVolume(f, 1, nullptr);
    EXPECT_EQ(v.StepX, 1);
    EXPECT_EQ(v.StepY, 1);
    EXPECT_EQ(v.StepZ, 5);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "0.000000 -2.000000 5.000000");
    EXPECT_NE(ui.messages[1].text.find("NX = 2, NY = 3, NZ = 2 are used"), std::string::npos);
    EXPECT_EQ(v.NX, 2);
    EXPECT_EQ(v.NZ, 2);
    EXPECT_EQ(v.Stretch->NArea, 1);
    EXPECT_EQ(v.Stretch->Boundary[0], 2);
    EXPECT_TRUE(v.ExtentsFitAllocation());
}

TEST_F(VolumeFileTest, ReadVolume_AppendAddsColumnsAlongX)
{
    CData3DEx old;
    FillCells(old, 3, 2, 2);
    Bytes b = Version3Header(2, 2, 2, 1, 1, 1);
    b.Floats(Cells(2, 2, 2, 0.5f));
    CData3DEx v;
    FillCells(v, 3, 2, 2);
    MemoryFile f = Memory(b);
    EXPECT_EQ(v.ReadVolume(f, 1, &old), 32);
    EXPECT_EQ(v.NX, 5);
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(v.Values[z][y][x], Cell(x, y, z));
            for (int x = 0; x < 2; ++x)
                EXPECT_EQ(v.Values[z][y][3 + x], Cell(x, y, z, 0.5f));
        }

    // The document load: "Append data?" answered "Append" reads with a copy as the source.
    f.pos = 0;
    ui.AnswerForm(FormAnswer{true, {{"Append data?", "1"}}});
    EXPECT_EQ(ReadVolumeDocument(v, f), 32);
    EXPECT_EQ(v.NX, 7);
    EXPECT_EQ(v.Values[1][1][4], Cell(1, 1, 1, 0.5f));
    EXPECT_EQ(v.Values[1][1][6], Cell(1, 1, 1, 0.5f));
    // Cancel reads nothing.
    f.pos = 0;
    Snapshot before(v);
    ui.CancelForm();
    EXPECT_EQ(ReadVolumeDocument(v, f), -1);
    EXPECT_TRUE(Snapshot(v) == before);

    // A source with fewer rows than the file is refused and the volume kept.
    CData3DEx small;
    FillCells(small, 3, 1, 2);
    Bytes tall = Version3Header(2, 2, 2, 1, 1, 1);
    tall.Floats(Cells(2, 2, 2));
    MemoryFile t = Memory(tall);
    ui.ClearLog();
    Snapshot kept(v);
    EXPECT_EQ(v.ReadVolume(t, 1, &small), 0);
    EXPECT_TRUE(Snapshot(v) == kept);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("Cannot append \"<memory>\""), std::string::npos);
}

TEST_F(VolumeFileTest, ReadVolume_RefusedFilesLeaveTheVolumeUntouched)
{
    CData3DEx v;
    FillCells(v, 4, 3, 2);
    v.StepX = 7, v.StartZ = 9, v.DataType = 1, v.HeaderVersion = 3;
    v.Stretch->NArea = 2, v.Stretch->Boundary[1] = 5;
    const Snapshot before(v);
    SetVolumeMemoryLimit(64 << 20);

    struct Case {
        const char* what;
        Bytes file;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", Bytes{}, "ends inside the volume header"});
    cases.push_back({"short header", Bytes().Int(-1).Int(3).Int(3), "ends inside"});
    cases.push_back({"negative NY", Version3Header(2, -3, 4, 1, 1, 1), "are not valid"});
    cases.push_back({"legacy negative NZ", Bytes().Int(5).Int(1).Int(-1).Float(1).Float(1).Float(1),
                     "are not valid"});
    cases.push_back({"overflowing extents",
                     Version3Header(0x7fffffff, 0x7fffffff, 0x7fffffff, 1, 1, 1),
                     "does not fit in the memory"});
    cases.push_back({"over the memory limit", Version3Header(1024, 1024, 64, 1, 1, 1),
                     "does not fit in the memory"});
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.ClearLog();
        MemoryFile f = Memory(c.file);
        bool refused = false;
        EXPECT_EQ(v.ReadVolume(f, 1, nullptr, &refused), 0);
        EXPECT_TRUE(refused);
        EXPECT_TRUE(Snapshot(v) == before);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].text.find(c.message), std::string::npos) << ui.messages[0].text;
        EXPECT_TRUE(ui.formCaptions.empty());
    }

    ui.ClearLog();
    std::string missing = (dir / "absent.vol").string();
    EXPECT_EQ(v.ReadVolumeFile(missing, 1), 0);
    EXPECT_TRUE(Snapshot(v) == before);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Cannot open \"" + missing + "\": No such file or directory.");
}

TEST_F(VolumeFileTest, ReadVolume_ShortFileIsReadAsFarAsItGoesAndZeroFilled)
{
    Bytes b = Version3Header(3, 2, 2, 1, 1, 1);
    std::vector<float> all = Cells(3, 2, 2);
    b.Floats(std::vector<float>(all.begin(), all.begin() + 7));
    b.Raw("\x01\x02", 2); // half a float: counted in bytes, the value is missing
    std::string path = WriteFile("short.vol", b);
    CData3DEx v;
    v.Stretch->NArea = 1, v.Stretch->Boundary[0] = 40;
    Ok();
    EXPECT_EQ(v.ReadVolumeFile(path, 1), 30);
    EXPECT_EQ(v.NX, 3);
    EXPECT_EQ(v.Values[0][1][0], all[3]);
    EXPECT_EQ(v.Values[1][0][0], all[6]);
    EXPECT_EQ(v.Values[1][0][1], 0.0f);
    EXPECT_EQ(v.Values[1][1][2], 0.0f);
    EXPECT_EQ(v.Stretch->Boundary[0], 2); // no trailer: the areas are only cut to NZ
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "\"" + path + "\" ends early: 5 of 12 values are missing and were set to 0.");
}

TEST_F(VolumeFileTest, ReadVolume_ReloadOfTheSameSizeAndAppendToItself)
{
    // A short file read into an allocation of the same extents: no old value survives.
    CData3DEx v;
    FillCells(v, 2, 2, 2, 0.25f);
    Bytes b = Version3Header(2, 2, 2, 1, 1, 1);
    b.Float(7).Float(8);
    MemoryFile f = Memory(b);
    EXPECT_EQ(v.ReadVolume(f, 1, nullptr), 8);
    EXPECT_EQ(v.Values[0][0][1], 8);
    EXPECT_EQ(v.Values[0][1][0], 0);
    EXPECT_EQ(v.Values[1][1][1], 0);

    // The volume as its own append source keeps its columns.
    FillCells(v, 2, 2, 2);
    Bytes c = Version3Header(1, 2, 2, 1, 1, 1);
    c.Floats({-1, -2, -3, -4});
    MemoryFile g = Memory(c);
    EXPECT_EQ(v.ReadVolume(g, 1, &v), 16);
    EXPECT_EQ(v.NX, 3);
    EXPECT_EQ(v.Values[1][1][1], Cell(1, 1, 1));
    EXPECT_EQ(v.Values[1][1][2], -4);
}

TEST_F(VolumeFileTest, OpenBinaryNoHeader_MessagesAndUntouchedOnCancel)
{
    CData3DEx v;
    FillCells(v, 2, 2, 2);
    const Snapshot before(v);
    ViewLoadMemory memory{4, 5, 6, 0};

    // Cancel of the file dialog after OK: the remembered extents change, the volume does not.
    ui.AnswerForm(FormAnswer{true, {{"NX =", "10"}, {"NY =", "10"}, {"NZ =", "10"}}});
    CommandResult r = OnOpenBinaryNoHeader(v, memory);
    EXPECT_FALSE(r.Repaint);
    EXPECT_TRUE(Snapshot(v) == before);
    EXPECT_EQ(memory.RememberedNX, 10);
    EXPECT_EQ(ui.openFilters, std::vector<std::string>{"3d binary data(*.*)"});

    // A 3996-byte file for 10 x 10 x 10 values.
    std::vector<float> all = Cells(10, 10, 10);
    Bytes b;
    b.Floats(std::vector<float>(all.begin(), all.end() - 1));
    std::string path = WriteFile("raw.bin", b);
    ui.ClearLog();
    Ok();
    ui.AnswerOpen({path});
    r = OnOpenBinaryNoHeader(v, memory);
    EXPECT_TRUE(r.Changed);
    EXPECT_TRUE(r.Repaint);
    EXPECT_EQ(r.Bytes, 3996);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Data size was not correct ! "
                                                          "Ideal=4000 Real=3996"});
    EXPECT_EQ(v.NX, 10);
    EXPECT_EQ(v.Values[9][9][8], all[998]);
    EXPECT_EQ(v.Values[9][9][9], 0.0f);

    // The exact size.
    b.Float(all.back());
    WriteFile("raw.bin", b);
    ui.ClearLog();
    Ok();
    ui.AnswerOpen({path});
    r = OnOpenBinaryNoHeader(v, memory);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"4000 bytes have been read"});
    EXPECT_EQ(v.Values[9][9][9], all[999]);

    // Negative extents and an absent file are refused before the volume changes.
    const Snapshot loaded(v);
    ui.ClearLog();
    ui.AnswerForm(FormAnswer{true, {{"NY =", "-1"}}});
    ui.AnswerOpen({path});
    r = OnOpenBinaryNoHeader(v, memory);
    ui.AnswerForm(FormAnswer{true, {{"NY =", "10"}}});
    ui.AnswerOpen({(dir / "absent").string()});
    r = OnOpenBinaryNoHeader(v, memory);
    EXPECT_FALSE(r.Changed);
    EXPECT_TRUE(Snapshot(v) == loaded);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].text.find("are not valid"), std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("No such file"), std::string::npos);
}

TEST_F(VolumeFileTest, ReadFDModel_ComponentSeekThicknessAndTrueRange)
{
    std::vector<float> thickness = {10, 10, 20};
    // Component 2 of a 4 x 3 x 2 model: 2 * 2 * 3 * 4 * 4 = 192 bytes skipped after the header.
    {
        std::string path = WriteFile("m.fd", FDModel(4, 3, 2, 5, nullptr));
        CData3DEx v;
        v.bReadStretchInfo = 0;
        Ok();
        EXPECT_EQ(v.ReadFDModel(path, 2, 0, 1), 96);
        EXPECT_EQ(v.NX, 4);
        EXPECT_EQ(v.NY, 3);
        EXPECT_EQ(v.NZ, 2);
        EXPECT_EQ(v.StepX, 10);
        EXPECT_EQ(v.Values[0][0][0], 2000);
        EXPECT_EQ(v.Values[1][2][3], Cell(3, 2, 1, 2000));
        EXPECT_EQ(ui.MessageTexts(),
                  std::vector<std::string>{"Min. = 2000.000000 Max. = 2123.000000"});
    }
    // With the thickness block: the areas follow the thicknesses and the stretch is switched on.
    {
        std::string path = WriteFile("t.fd", FDModel(2, 2, 3, 2, &thickness));
        CData3DEx v;
        ui.ClearLog();
        Ok();
        EXPECT_EQ(v.ReadFDModel(path, 1, 0, 1), 48);
        EXPECT_EQ(v.Values[2][1][1], Cell(1, 1, 2, 1000));
        EXPECT_EQ(v.Stretch->StretchOn, 1);
        EXPECT_EQ(v.Stretch->NArea, 2);
        EXPECT_EQ(v.Stretch->Boundary[0], 2);
        EXPECT_EQ(v.Stretch->Stretch[1], 2.0f);
    }
    // Values beyond +-100000 (Q of 1000000, Lame parameters) are reported as they are.
    {
        Bytes b;
        b.Int(2).Int(1).Int(1).Float(1).Float(1).Float(1).Float(1.0e6f).Float(2.5e6f);
        std::string path = WriteFile("q.fd", b);
        CData3DEx v;
        v.bReadStretchInfo = 0;
        ui.ClearLog();
        Ok();
        v.ReadFDModel(path, 0, 0, 1);
        EXPECT_EQ(ui.MessageTexts(),
                  std::vector<std::string>{"Min. = 1000000.000000 Max. = 2500000.000000"});
    }
    // A component the file does not hold: the values are 0 and the message says so.
    {
        std::string path = WriteFile("one.fd", FDModel(2, 1, 1, 1, nullptr));
        CData3DEx v;
        v.bReadStretchInfo = 0;
        ui.ClearLog();
        Ok();
        EXPECT_EQ(v.ReadFDModel(path, 4, 0, 1), 0);
        EXPECT_EQ(v.Values[0][0][1], 0.0f);
        EXPECT_EQ(ui.MessageTexts(),
                  std::vector<std::string>{"\"" + path +
                                           "\" ends early: 2 of 2 values are missing and were "
                                           "set to 0."});
    }
}

TEST_F(VolumeFileTest, ReadFDModel_AppendStripsAndRefusals)
{
    std::string wide = WriteFile("wide.fd", FDModel(100, 2, 3, 1, nullptr));
    std::string strip = WriteFile("strip.fd", FDModel(5, 2, 3, 2, nullptr));
    CData3DEx v;
    v.bReadStretchInfo = 0;
    ViewLoadMemory memory;

    // First file, proposed Data size 2 * 100 columns for a series of two.
    ui.AnswerForm(FormAnswer{}); // Component selection: P-velocity
    ui.AnswerForm(FormAnswer{true, {{"NX =", "105"}}});
    EXPECT_EQ(LoadFDModelStep(v, wide, 1, 2, memory), 100 * 2 * 3 * 4);
    EXPECT_EQ(v.NX, 100);
    EXPECT_EQ(v.AllocatedNX(), 105);

    // "Append" (the preset) on the 100-column volume, S-velocity.
    ui.ClearLog();
    ui.AnswerForm(FormAnswer{});
    ui.AnswerForm(FormAnswer{true, {{"Component", "1"}}});
    EXPECT_EQ(LoadFDModelStep(v, strip, 1, 2, memory), 5 * 2 * 3 * 4);
    EXPECT_EQ(ui.formCaptions, (std::vector<std::string>{"Append data?", "Component selection"}));
    EXPECT_EQ(memory.Component, 1);
    EXPECT_EQ(v.NX, 105);
    EXPECT_EQ(v.Values[2][1][99], Cell(99, 1, 2));
    EXPECT_EQ(v.Values[2][1][100], Cell(0, 1, 2, 1000));
    EXPECT_EQ(v.Values[2][1][104], Cell(4, 1, 2, 1000));

    // No room left: refused without change.
    const Snapshot full(v);
    ui.ClearLog();
    EXPECT_EQ(LoadFDModelStep(v, strip, 0, 2, memory), 0);
    EXPECT_TRUE(Snapshot(v) == full);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("has no room"), std::string::npos);

    // A strip wider and taller than the allocation is clipped to it.
    CData3DEx c;
    c.bReadStretchInfo = 0;
    FillCells(c, 3, 1, 1);
    c.Allocate(4, 1, 1);
    c.NX = 3;
    ui.ClearLog();
    EXPECT_EQ(c.ReadFDModel(strip, 0, 3, 1), 4);
    EXPECT_EQ(c.NX, 4);
    EXPECT_EQ(c.NY, 1);
    EXPECT_EQ(c.NZ, 1);
    EXPECT_EQ(c.Values[0][0][3], Cell(0, 0, 0));

    // Cancel at the Data size dialog: nothing changes, not even the steps or the stretch.
    std::vector<float> thickness = {10, 10, 20};
    std::string thick = WriteFile("thick.fd", FDModel(2, 2, 3, 1, &thickness, 33));
    CData3DEx d;
    FillCells(d, 2, 2, 2);
    const Snapshot before(d);
    ui.CancelForm();
    EXPECT_EQ(d.ReadFDModel(thick, 0, 0, 1), 0);
    EXPECT_TRUE(Snapshot(d) == before);

    // Refusals: negative extents in the file, a Data size answer beyond the memory limit.
    SetVolumeMemoryLimit(1 << 20);
    Bytes neg;
    neg.Int(2).Int(-2).Int(1).Float(1).Float(1).Float(1);
    std::string bad = WriteFile("neg.fd", neg);
    ui.ClearLog();
    EXPECT_EQ(d.ReadFDModel(bad, 0, 0, 1), 0);
    ui.AnswerForm(FormAnswer{true, {{"NX =", "100000"}, {"NY =", "100000"}}});
    EXPECT_EQ(d.ReadFDModel(thick, 0, 0, 1), 0);
    EXPECT_TRUE(Snapshot(d) == before);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].text.find("are not valid"), std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("does not fit"), std::string::npos);
}

TEST_F(VolumeFileTest, VelocityModelCommand_DialogsAndRepaint)
{
    std::string path = WriteFile("m.fd", FDModel(2, 2, 2, 1, nullptr));
    CData3DEx v;
    v.bReadStretchInfo = 0;
    ViewLoadMemory memory;
    CommandResult r = OnVelocityModelWithHeader(v, memory);
    EXPECT_FALSE(r.Repaint);
    EXPECT_EQ(ui.openFilters, std::vector<std::string>{"FD 3D velocity model(*.*)"});

    ui.AnswerOpen({path});
    ui.AnswerForm(FormAnswer{});
    ui.AnswerForm(FormAnswer{});
    r = OnVelocityModelWithHeader(v, memory);
    EXPECT_TRUE(r.Repaint);
    EXPECT_TRUE(r.Changed);
    EXPECT_EQ(r.Bytes, 32);
    EXPECT_EQ(v.NX, 2);
}

TEST_F(VolumeFileTest, SaveVolumeFile_FailureKeepsTheOldFile)
{
    CData3DEx v;
    FillCells(v, 2, 2, 2);
    std::string path = WriteFile("keep.vol", Bytes().Int(12345));
    v.NX = 3; // beyond the allocation: the writer refuses
    EXPECT_FALSE(SaveVolumeFile(v, path));
    EXPECT_EQ(fs::file_size(path), 4u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("The file was not changed."), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    v.NX = 2;
    std::string nowhere = (dir / "absent" / "x.vol").string();
    EXPECT_FALSE(SaveVolumeFile(v, nowhere));
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(SaveVolumeFile(v, path));
    EXPECT_EQ(fs::file_size(path), 44u + 32 + 4 + 8 + 12 + 12 + 4);
}

// Writes the fuzzers' seed corpus when KALDER_FUZZ_CORPUS names a folder (the fuzz smoke test
// sets it); each seed is also read here, so a seed that stops parsing fails this test.
TEST_F(VolumeFileTest, FuzzSeedCorpus)
{
    std::vector<float> thickness = {10, 20};
    Bytes v3 = Version3Header(2, 3, 2, 1, 1, 1);
    v3.Floats(Cells(2, 3, 2)).Int(2).Int(1).Float(1).Int(1).Float(2);
    v3.Int(0).Int(0).Int(0).Float(0).Float(0).Float(0).Int(1);
    Bytes legacy;
    legacy.Int(2).Int(1).Int(2).Float(1).Float(1).Float(1).Floats(Cells(2, 1, 2)).Int(1).Int(2);
    legacy.Float(1.5f);
    // The fuzzers take a control byte and three bytes of typed extents before the file:
    // 0x01 reads the volume trailer, 0x09 reads FD component 1 with its thickness block; both
    // answer "Data size" with the proposed values.
    auto prefixed = [](std::uint8_t control, const Bytes& body) {
        Bytes b;
        const std::uint8_t head[4] = {control, 2, 2, 2};
        b.Raw(head, 4).Raw(body.data.data(), body.data.size());
        return b;
    };
    Bytes fd = prefixed(0x09, FDModel(2, 2, 2, 2, &thickness));
    Bytes raw;
    raw.Int(2).Int(2).Int(1).Floats(Cells(2, 2, 1));

    for (Bytes* b : {&v3, &legacy}) {
        CData3DEx check;
        MemoryFile f = Memory(*b);
        Ok();
        EXPECT_GT(check.ReadVolume(f, 1, nullptr), 0);
    }
    EXPECT_TRUE(ui.messages.empty());

    const char* where = std::getenv("KALDER_FUZZ_CORPUS");
    if (!where)
        GTEST_SKIP() << "KALDER_FUZZ_CORPUS not set: seeds checked, not written";
    auto put = [&](const char* reader, const char* name, const Bytes& b) {
        fs::path folder = fs::path(where) / reader;
        fs::create_directories(folder);
        std::ofstream((folder / name).string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data.data()),
                   static_cast<std::streamsize>(b.data.size()));
    };
    put("read_volume", "version3", prefixed(0x01, v3));
    put("read_volume", "legacy", prefixed(0x01, legacy));
    put("read_fd_model", "two_components", fd);
    put("read_raw_values", "2x2x1", raw);
}

} // namespace
