// File > Import... and File > Export... through the scripted Ui: every format in and out, the
// questions asked, and refused files.
#include "shell/ExchangeCommands.h"

#include "exchange/NetcdfFile.h"
#include "exchange/NpyFile.h"
#include "exchange/NpySidecar.h"
#include "exchange/SegyFile.h"
#include "exchange/VtiFile.h"
#include "shell/KalderDoc.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using platform::FormAnswer;
using testing_support::TempDir;

namespace {

struct ExchangeSession {
    ExchangeSession() : env("KALDER_HOME", home.path) {}
    testing_support::HeadlessServices svc;
    TempDir home;
    testing_support::ScopedEnv env;
    TempDir dir;
    CKalderDoc doc;
};

void Sample(CData3D& v)
{
    testing_support::FillCoded(v, 5, 4, 3, 0.5f);
    v.StepX = 20, v.StepY = 10, v.StepZ = 5;
    v.StartX = 100, v.StartY = 200, v.StartZ = 0;
}

bool SameValues(const CData3D& a, const CData3D& b)
{
    if (a.NX != b.NX || a.NY != b.NY || a.NZ != b.NZ)
        return false;
    for (int z = 0; z < a.NZ; ++z)
        for (int y = 0; y < a.NY; ++y)
            if (std::memcmp(a.Values[z][y], b.Values[z][y], static_cast<std::size_t>(a.NX) * 4))
                return false;
    return true;
}

} // namespace

TEST(ExchangeCommands, ImportNpy_AsksStepsFilledFromTheSidecarAndReplacesTheVolume)
{
    ExchangeSession s;
    CData3DEx source, v;
    Sample(source);
    const std::string path = s.dir.File("model.npy");
    ASSERT_TRUE(WriteNpyFile(source, path).Ok());
    testing_support::FillCoded(v, 2, 2, 2);
    s.doc.PathName = s.dir.File("old.vol");

    s.svc.ui.AnswerOpen({path});
    s.svc.ui.AnswerForm(FormAnswer{true, {{"Start Z", "-3"}}});
    CommandResult r = OnImportExchange(s.doc, v);
    EXPECT_TRUE(r.Repaint);
    EXPECT_TRUE(r.Changed);
    EXPECT_EQ(r.Bytes, 5 * 4 * 3 * 4);
    EXPECT_TRUE(SameValues(v, source));
    EXPECT_EQ(v.StepX, 20.0f); // the sidecar's value, shown and kept
    EXPECT_EQ(v.StartY, 200.0f);
    EXPECT_EQ(v.StartZ, -3.0f); // typed over the sidecar's
    EXPECT_EQ(s.svc.ui.formCaptions, std::vector<std::string>{"NumPy import"});
    EXPECT_EQ(s.svc.ui.openFilters,
              std::vector<std::string>{"NumPy, VTK, NetCDF, SEG-Y (*.npy *.vti *.nc *.sgy)"});
    EXPECT_TRUE(s.doc.PathName.empty()); // File Save must not write over the .npy
    EXPECT_EQ(s.doc.WorkingFolder, s.dir.path);
    EXPECT_TRUE(s.svc.ui.messages.empty());
}

TEST(ExchangeCommands, ImportNetcdf_ListsTheVariablesAndReadsTheOneNamed)
{
    ExchangeSession s;
    CData3DEx source, v;
    Sample(source);
    NetcdfWriteOptions o;
    o.VariableName = "vs";
    const std::string path = s.dir.File("m.nc");
    ASSERT_TRUE(WriteNetcdfFile(source, path, o).Ok());
    s.svc.ui.AnswerOpen({path});
    s.svc.ui.AnswerForm(
        FormAnswer{true, {{"Variable name (empty: the first 3D float variable)", "vs"}}});
    CommandResult r = OnImportExchange(s.doc, v);
    EXPECT_TRUE(r.Repaint);
    EXPECT_TRUE(SameValues(v, source));
    EXPECT_EQ(v.StartX, 100.0f);
    EXPECT_EQ(s.svc.ui.formCaptions, std::vector<std::string>{"NetCDF import"});
}

TEST(ExchangeCommands, ImportVtiAndSegy_AskTheirQuestionsAndRead)
{
    ExchangeSession s;
    CData3DEx source;
    Sample(source);
    const std::string vti = s.dir.File("m.vti"), sgy = s.dir.File("m.sgy");
    ASSERT_TRUE(WriteVtiFile(source, vti).Ok());
    ASSERT_TRUE(WriteSegyFile(source, sgy).Ok());
    for (const std::string& path : {vti, sgy}) {
        SCOPED_TRACE(path);
        CData3DEx v;
        s.svc.ui.AnswerOpen({path});
        s.svc.ui.AnswerForm(FormAnswer{});
        CommandResult r = OnImportExchange(s.doc, v);
        EXPECT_TRUE(r.Repaint);
        EXPECT_TRUE(SameValues(v, source));
        EXPECT_EQ(v.StepY, 10.0f);
    }
    EXPECT_EQ(s.svc.ui.formCaptions, (std::vector<std::string>{"VTK import", "SEG-Y import"}));
}

TEST(ExchangeCommands, ImportByContent_WhenTheExtensionSaysNothing)
{
    ExchangeSession s;
    CData3DEx source, v;
    Sample(source);
    ASSERT_TRUE(WriteNpyFile(source, s.dir.File("model.npy")).Ok());
    std::filesystem::rename(s.dir.File("model.npy"), s.dir.File("model.bin"));
    s.svc.ui.AnswerOpen({s.dir.File("model.bin")});
    s.svc.ui.AnswerForm(FormAnswer{});
    EXPECT_TRUE(OnImportExchange(s.doc, v).Repaint);
    EXPECT_TRUE(SameValues(v, source));
}

TEST(ExchangeCommands, Import_RefusedOrCancelled_LeavesVolumeAndDocumentAsTheyWere)
{
    ExchangeSession s;
    CData3DEx v, before;
    Sample(v);
    Sample(before);
    s.doc.PathName = "/somewhere/doc.vol";
    s.doc.WorkingFolder = "/somewhere";
    std::ofstream(s.dir.File("broken.vti")) << "<VTKFile type=\"PolyData\"></VTKFile>";
    std::ofstream(s.dir.File("notes.txt")) << "just some text";

    s.svc.ui.AnswerOpen({s.dir.File("broken.vti")});
    s.svc.ui.AnswerForm(FormAnswer{});
    EXPECT_FALSE(OnImportExchange(s.doc, v).Repaint);
    s.svc.ui.AnswerOpen({s.dir.File("notes.txt")});
    EXPECT_FALSE(OnImportExchange(s.doc, v).Repaint);
    s.svc.ui.AnswerOpen({s.dir.File("broken.vti")});
    s.svc.ui.CancelForm();
    EXPECT_FALSE(OnImportExchange(s.doc, v).Repaint);
    EXPECT_FALSE(OnImportExchange(s.doc, v).Repaint); // file dialog cancelled

    std::vector<std::string> texts = s.svc.ui.MessageTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("broken.vti"), std::string::npos);
    EXPECT_NE(texts[0].find("PolyData"), std::string::npos);
    EXPECT_NE(texts[1].find("notes.txt\" is not a NumPy, VTK ImageData, NetCDF or SEG-Y file"),
              std::string::npos);
    EXPECT_TRUE(SameValues(v, before));
    EXPECT_EQ(v.StepX, before.StepX);
    EXPECT_EQ(s.doc.PathName, "/somewhere/doc.vol");
    EXPECT_EQ(s.doc.WorkingFolder, "/somewhere");
}

TEST(ExchangeCommands, Export_EveryFormat_AddsTheExtensionAndWritesWhatReadsBack)
{
    ExchangeSession s;
    CData3DEx v;
    Sample(v);
    s.doc.PathName = s.dir.File("survey.vol");
    const char* extensions[4] = {".npy", ".vti", ".nc", ".sgy"};
    for (int format = 0; format < 4; ++format) {
        SCOPED_TRACE(format);
        s.svc.ui.AnswerForm(FormAnswer{true, {{"Format", std::to_string(format)}}});
        s.svc.ui.AnswerSave(s.dir.File("out" + std::to_string(format)));
        if (format == 1)
            s.svc.ui.AnswerForm(FormAnswer{true, {{"Compress with zlib", "1"}}});
        else if (format == 2)
            s.svc.ui.AnswerForm(FormAnswer{true, {{"Variable name", "vp"}, {"Units", "m/s"}}});
        else if (format == 3)
            s.svc.ui.AnswerForm(FormAnswer{});
        ASSERT_TRUE(OnExportExchange(s.doc, v));
        const std::string path = s.dir.File("out" + std::to_string(format) + extensions[format]);
        ASSERT_TRUE(std::filesystem::exists(path));
        CData3DEx back;
        ExchangeResult r = format == 0   ? ReadNpyFile(path, back)
                           : format == 1 ? ReadVtiFile(path, back)
                           : format == 2 ? ReadNetcdfFile(path, back)
                                         : ReadSegyFile(path, back);
        ASSERT_TRUE(r.Ok()) << r.Error;
        EXPECT_TRUE(SameValues(v, back));
        EXPECT_EQ(back.StartY, 200.0f);
    }
    EXPECT_EQ(s.svc.ui.saveNames,
              (std::vector<std::string>{"survey.npy", "survey.vti", "survey.nc", "survey.sgy"}));
    EXPECT_TRUE(std::filesystem::exists(s.dir.File("out0.npy.json")));
    EXPECT_EQ(s.doc.PathName, s.dir.File("survey.vol"));
    EXPECT_TRUE(s.svc.ui.messages.empty());
}

TEST(ExchangeCommands, Export_AnEmptyVolumeOrCancelled_WritesNothing)
{
    ExchangeSession s;
    CData3DEx empty, v;
    EXPECT_FALSE(OnExportExchange(s.doc, empty));
    EXPECT_EQ(s.svc.ui.MessageTexts(),
              std::vector<std::string>{"Nothing to export: the volume holds no values."});
    Sample(v);
    s.svc.ui.CancelForm();
    EXPECT_FALSE(OnExportExchange(s.doc, v));
    s.svc.ui.AnswerForm(FormAnswer{true, {{"Format", "2"}}});
    s.svc.ui.AnswerSave(s.dir.File("x.nc"));
    s.svc.ui.CancelForm();
    EXPECT_FALSE(OnExportExchange(s.doc, v));
    EXPECT_FALSE(std::filesystem::exists(s.dir.File("x.nc")));
    EXPECT_EQ(s.svc.ui.saveNames, std::vector<std::string>{"volume.nc"});
}
