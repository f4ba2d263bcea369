// The document keeps the user's data: a load that reads nothing and a save that fails change
// nothing, unsaved changes are never dropped without a question, and every change of values
// rescans the range the header and colour scale show.
#include "exchange/NpyFile.h"
#include "platform/RecordingSurface.h"
#include "shell/CommandIds.h"
#include "shell/ShellTestSupport.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

using platform::Answer;
using platform::FormAnswer;
using shell_test::Session;
using testing_support::FillCoded;
using testing_support::ReadWholeFile;
using testing_support::TempDir;

namespace {

std::string SavedModel(const TempDir& dir, const std::string& name, int nx, float offset)
{
    CData3DEx model;
    FillCoded(model, nx, 3, 2, offset);
    std::string path = dir.File(name);
    EXPECT_TRUE(SaveVolumeFile(model, path));
    return path;
}

// Paints once and returns the header's range as the plot settings hold it.
std::pair<float, float> PaintedRange(Session& s)
{
    platform::RecordingSurface surface;
    s.view.OnDraw(surface);
    return {s.doc.PlotSettings->DataMin, s.doc.PlotSettings->DataMax};
}

std::pair<float, float> TrueRange()
{
    float mn = 0, mx = 0;
    theVolume().GetMinMax(mn, mx);
    return {mn, mx};
}

} // namespace

TEST(Document, CancelledOrRefusedOpenChangesNothing)
{
    Session s;
    TempDir dir;
    std::string first = SavedModel(dir, "first.vol", 3, 0);
    s.svc.ui.AnswerForm({true, {}});
    ASSERT_TRUE(s.doc.OnOpenDocument(first));
    CData3DEx& v = theVolume();
    const std::string folder = s.doc.WorkingFolder;

    // a second file in another folder, named so that the "pvis" rule would retitle the axes
    TempDir other;
    std::string second = SavedModel(other, "second.pvis", 4, 0.5f);
    const auto before = testing_support::Flatten(v);
    s.svc.ui.CancelForm(); // "Append data?" cancelled
    EXPECT_FALSE(s.doc.OnOpenDocument(second));
    EXPECT_EQ(s.doc.PathName, first);
    EXPECT_EQ(s.doc.WindowTitle(), "first.vol - Kalder");
    EXPECT_EQ(s.doc.WorkingFolder, folder);
    EXPECT_EQ(std::tie(v.TitleX, v.TitleZ, v.DataType), std::make_tuple("X", "Z", 0));
    EXPECT_EQ(testing_support::Flatten(v), before);

    // a refused file (a header that ends early) changes nothing either
    std::string broken = other.File("broken.pvis");
    std::filesystem::copy_file(second, broken);
    std::filesystem::resize_file(broken, 10);
    s.svc.ui.ClearLog();
    s.svc.ui.AnswerForm({true, {}}); // "New"
    EXPECT_FALSE(s.doc.OnOpenDocument(broken));
    ASSERT_EQ(s.svc.ui.messages.size(), 1u);
    EXPECT_NE(s.svc.ui.messages[0].text.find("broken.pvis"), std::string::npos);
    EXPECT_EQ(s.doc.PathName, first);
    EXPECT_EQ(s.doc.WorkingFolder, folder);
    EXPECT_EQ(v.TitleX, "X");
    EXPECT_EQ(testing_support::Flatten(v), before);

    // and Save then writes the document's own file, not the one the user tried to open
    const std::string secondBytes = ReadWholeFile(second);
    ASSERT_TRUE(s.doc.Save(false));
    EXPECT_EQ(ReadWholeFile(second), secondBytes);
    EXPECT_EQ(s.doc.PathName, first);
}

TEST(Document, FailedSaveChangesNothing)
{
    Session s;
    TempDir dir;
    std::string path = SavedModel(dir, "model.vol", 3, 0);
    s.svc.ui.AnswerForm({true, {}});
    ASSERT_TRUE(s.doc.OnOpenDocument(path));
    s.view.OnCommand(ID_TEST_DATA);
    ASSERT_TRUE(s.doc.IsModified());

    // a folder that does not exist: nothing moves, the titles stay and the changes stay marked
    s.svc.ui.ClearLog();
    s.svc.ui.AnswerSave(dir.File("absent/x.pvis"));
    EXPECT_FALSE(s.doc.Save(true));
    EXPECT_EQ(s.svc.ui.messages.size(), 1u);
    EXPECT_EQ(s.doc.WorkingFolder, dir.path);
    EXPECT_EQ(s.doc.PathName, path);
    EXPECT_EQ(theVolume().TitleX, "X");
    EXPECT_TRUE(s.doc.IsModified());

    // picks saved afterwards still go to the working folder that exists
    s.view.OnCommand(ID_PICK_HORIZONTAL);
    s.view.SavePicks();
    EXPECT_TRUE(std::filesystem::exists(dir.File("PickDataHorizontal_0.txt")));

    // Save As to a good name takes its folder and clears the mark
    TempDir other;
    s.svc.ui.AnswerSave(other.File("copy.vol"));
    EXPECT_TRUE(s.doc.Save(true));
    EXPECT_EQ(s.doc.WorkingFolder, other.path);
    EXPECT_EQ(s.doc.WindowTitle(), "copy.vol - Kalder");
}

TEST(Document, UnsavedChangesAreMarkedAndAskedAbout)
{
    Session s;
    TempDir dir;
    std::string path = SavedModel(dir, "model.vol", 3, 0);
    s.svc.ui.AnswerForm({true, {}});
    ASSERT_TRUE(s.doc.OnOpenDocument(path));
    EXPECT_EQ(s.doc.WindowTitle(), "model.vol - Kalder");
    EXPECT_TRUE(s.doc.SaveModified()); // nothing to ask
    EXPECT_TRUE(s.svc.ui.messages.empty());

    // commands that change values mark the document; navigation does not
    s.view.OnCommand(ID_NEXT);
    EXPECT_FALSE(s.doc.IsModified());
    s.view.OnCommand(ID_MEDIAN_FILTER);
    s.svc.ui.ClearLog();
    EXPECT_EQ(s.doc.WindowTitle(), "model.vol* - Kalder");

    // Cancel keeps everything; No goes on without saving
    const std::string bytes = ReadWholeFile(path);
    s.svc.ui.AnswerMessage(Answer::Cancel);
    EXPECT_FALSE(s.doc.SaveModified());
    ASSERT_EQ(s.svc.ui.messages.size(), 1u);
    EXPECT_EQ(s.svc.ui.messages[0].text, "Save changes to model.vol?");
    EXPECT_EQ(s.svc.ui.messages[0].buttons, platform::Buttons::YesNoCancel);
    EXPECT_TRUE(s.doc.IsModified());
    s.svc.ui.AnswerMessage(Answer::No);
    EXPECT_TRUE(s.doc.SaveModified());
    EXPECT_EQ(ReadWholeFile(path), bytes);

    // Yes saves to the document's file and clears the mark
    s.svc.ui.AnswerMessage(Answer::Yes);
    EXPECT_TRUE(s.doc.SaveModified());
    EXPECT_NE(ReadWholeFile(path), bytes);
    EXPECT_FALSE(s.doc.IsModified());

    // a new document without a name asks for one; cancelling that dialog cancels the question
    s.doc.OnNewDocument();
    EXPECT_EQ(theVolume().NX, 3); // File New keeps the volume
    s.view.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(s.doc.WindowTitle(), "Kalder* - Kalder");
    s.svc.ui.AnswerMessage(Answer::Yes);
    EXPECT_FALSE(s.doc.SaveModified());
    EXPECT_EQ(s.svc.ui.saveNames.back(), "Kalder");
    EXPECT_TRUE(s.doc.IsModified());
}

TEST(Document, EveryChangeOfValuesRescansTheRange)
{
    Session s;
    TempDir dir;
    CData3DEx& v = theVolume();
    FillCoded(v, 8, 8, 8, 2200.0f);
    EXPECT_EQ(PaintedRange(s), TrueRange());

    // a second file of other values after the first: the header shows its range
    std::string path = SavedModel(dir, "small.vol", 8, -4.6f);
    s.svc.ui.AnswerForm({true, {}}).AnswerForm({true, {}}); // "New", "Data size"
    ASSERT_TRUE(s.doc.OnOpenDocument(path));
    EXPECT_EQ(PaintedRange(s), TrueRange());
    // appended to itself
    s.svc.ui.AnswerForm({true, {{"Append data?", "1"}}}).AnswerForm({true, {}});
    ASSERT_TRUE(s.doc.OnOpenDocument(path));
    EXPECT_EQ(v.NX, 16);
    v.Values[1][1][1] = 9000.0f;
    s.view.ValuesChanged();
    EXPECT_EQ(PaintedRange(s), TrueRange());

    // the median filter, undo and redo, the test and impulse volumes
    for (int id : {ID_MEDIAN_FILTER, ID_EDIT_UNDO, ID_EDIT_REDO, ID_TEST_DATA}) {
        SCOPED_TRACE(id);
        s.view.OnCommand(id);
        EXPECT_EQ(PaintedRange(s), TrueRange());
    }
    shell_test::ResetVolume();
    s.view.OnCommand(ID_IMPULSE_MODEL);
    EXPECT_EQ(PaintedRange(s), TrueRange());
}

TEST(Document, ScaleRefusesValuesThatAreNotPositiveNumbers)
{
    Session s;
    CPlotSettings& ps = *s.doc.PlotSettings;
    ps.ScaleDenominator = 50000.0f;
    ps.VHRatio = 2.0f;
    for (const char* bad : {"0", "-100000", "nan", "inf"}) {
        SCOPED_TRACE(bad);
        s.svc.ui.ClearLog();
        s.svc.ui.AnswerForm({true, {{"Scale = 1/", bad}}});
        s.view.OnCommand(ID_SCALE);
        ASSERT_EQ(s.svc.ui.messages.size(), 1u);
        EXPECT_EQ(ps.ScaleDenominator, 50000.0f);
    }
    s.svc.ui.AnswerForm({true, {{"V/H ratio", "-1"}}});
    s.view.OnCommand(ID_SCALE);
    EXPECT_EQ(ps.VHRatio, 2.0f);
    s.svc.ui.AnswerForm({true, {{"Scale = 1/", "25000"}}});
    s.view.OnCommand(ID_SCALE);
    EXPECT_EQ(ps.ScaleDenominator, 25000.0f);
}

TEST(Document, ImportAsksAboutUnsavedChangesAndMarksTheNewVolume)
{
    Session s;
    TempDir dir;
    CData3DEx source;
    FillCoded(source, 5, 4, 3, 0.25f);
    const std::string npy = dir.File("model.npy");
    ASSERT_TRUE(WriteNpyFile(source, npy).Ok());

    s.view.OnCommand(ID_TEST_DATA); // unsaved changes
    EXPECT_TRUE(s.view.IsEnabled(ID_FILE_EXPORT));
    // Cancel at the question: nothing is imported
    s.svc.ui.AnswerMessage(Answer::Cancel);
    s.view.OnCommand(ID_FILE_IMPORT);
    EXPECT_EQ(theVolume().NX, 100);
    EXPECT_TRUE(s.svc.ui.openFilters.empty());
    // No: the .npy replaces the volume, untitled and marked as unsaved, with its own range
    s.svc.ui.AnswerMessage(Answer::No).AnswerOpen({npy}).AnswerForm({true, {}});
    s.view.OnCommand(ID_FILE_IMPORT);
    EXPECT_EQ(std::tie(theVolume().NX, theVolume().NY, theVolume().NZ), std::make_tuple(5, 4, 3));
    EXPECT_EQ(s.doc.WindowTitle(), "Kalder* - Kalder");
    EXPECT_EQ(PaintedRange(s), TrueRange());
    shell_test::ResetVolume();
    EXPECT_FALSE(s.view.IsEnabled(ID_FILE_EXPORT));
}
