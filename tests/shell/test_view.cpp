#include "platform/BinaryFile.h"
#include "platform/RecordingSurface.h"
#include "shell/CommandIds.h"
#include "shell/CommandTable.h"
#include "shell/KalderDoc.h"
#include "shell/KalderView.h"
#include "shell/ShellTestSupport.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

using platform::FormAnswer;
using testing_support::FillCoded;
using testing_support::HeadlessServices;
using testing_support::ScopedCwd;
using testing_support::ScopedEnv;
using testing_support::TempDir;

using shell_test::ResetVolume;
using shell_test::Session;

namespace {

std::string Slurp(const std::string& path)
{
    return testing_support::ReadWholeFile(path);
}

} // namespace

// A session that has opened one 3 x 2 x 2 phase-velocity volume file as its first document.
struct OpenedOnce {
    OpenedOnce()
    {
        CData3DEx source;
        FillCoded(source, 3, 2, 2);
        source.StepX = 25;
        path = dir.File("img.pvis");
        EXPECT_TRUE(SaveVolumeFile(source, path));
        s.svc.ui.AnswerForm({true, {}});
        opened = s.doc.OnOpenDocument(path);
    }
    Session s;
    TempDir dir;
    std::string path;
    bool opened = false;
};

TEST(ViewOpen, FirstLoadAsksOnlyTheDataSizeAndNamesThePhaseVelocityAxes)
{
    OpenedOnce o;
    Session& s = o.s;
    const TempDir& dir = o.dir;
    // nothing loaded yet, so no "Append data?"; the "Data size" answer is OK
    ASSERT_TRUE(o.opened);
    CData3DEx& v = theVolume();
    EXPECT_EQ(std::tie(v.NX, v.NY, v.NZ), std::make_tuple(3, 2, 2));
    EXPECT_EQ(v.StepX, 25.0f);
    EXPECT_EQ(s.doc.WorkingFolder, dir.path);
    EXPECT_EQ(s.doc.WindowTitle(), "img.pvis - Kalder");
    // the "pvis" name rule set the phase-velocity titles before reading
    EXPECT_EQ(v.TitleX, "Distance");
    EXPECT_EQ(v.TitleZ, "Phase velocity");
    EXPECT_EQ(s.svc.ui.formCaptions, (std::vector<std::string>{"Data size"}));
}

TEST(ViewOpen, AppendPutsTheLoadedColumnsBeforeTheNewOnes)
{
    OpenedOnce o;
    ASSERT_TRUE(o.opened);
    o.s.svc.ui.AnswerForm({true, {{"Append data?", "1"}}}).AnswerForm({true, {}});
    ASSERT_TRUE(o.s.doc.OnOpenDocument(o.path));
    const CData3DEx& v = theVolume();
    EXPECT_EQ(v.NX, 6);
    EXPECT_EQ(v.GetValue(2, 1, 1), 112.0f);
    EXPECT_EQ(v.GetValue(5, 1, 1), 112.0f);
    EXPECT_EQ(v.GetValue(3, 0, 0), 0.0f);
}

TEST(ViewOpen, CancelAtAppendReadsNothingAndReportsNothingOpened)
{
    OpenedOnce o;
    ASSERT_TRUE(o.opened);
    o.s.svc.ui.CancelForm();
    EXPECT_FALSE(o.s.doc.OnOpenDocument(o.path));
    EXPECT_EQ(theVolume().NX, 3);
}

TEST(ViewOpen, AMissingFileIsRefusedWithItsNameAndTheVolumeStays)
{
    OpenedOnce o;
    ASSERT_TRUE(o.opened);
    Session& s = o.s;
    s.svc.ui.ClearLog();
    EXPECT_FALSE(s.doc.OnOpenDocument(o.dir.File("missing.dat")));
    ASSERT_EQ(s.svc.ui.messages.size(), 1u);
    EXPECT_NE(s.svc.ui.messages[0].text.find("missing.dat"), std::string::npos);
    EXPECT_EQ(theVolume().NX, 3);
}

TEST(ViewNavigation, StepsStopAtTheFirstAndLastPlane)
{
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 100, 20, 5);
    v.PlaneKind = PlaneZ;
    v.PlaneIndex = 3;
    s.view.OnCommand(ID_NEXT);
    EXPECT_EQ(v.PlaneIndex, 4);
    s.view.OnCommand(ID_NEXT);
    EXPECT_EQ(v.PlaneIndex, 4);
    v.PlaneIndex = 0;
    s.view.OnCommand(ID_FAST_FORWARD);
    EXPECT_EQ(v.PlaneIndex, 4);
    v.PlaneIndex = 0;
    s.view.OnCommand(ID_PREVIOUS);
    EXPECT_EQ(v.PlaneIndex, 0);

    s.view.OnCommand(ID_PLANE_Y);
    EXPECT_EQ(v.PlaneKind, PlaneY);
    v.PlaneIndex = 7;
    s.view.OnCommand(ID_FAST_BACK);
    EXPECT_EQ(v.PlaneIndex, 0);
    s.view.OnCommand(ID_FAST_FORWARD);
    s.view.OnCommand(ID_FAST_FORWARD);
    EXPECT_EQ(v.PlaneIndex, 19);
    EXPECT_EQ(s.svc.repaints.count, 8); // every step repaints, a clamped one too
}

TEST(ViewNavigation, SwitchingThePlaneKindClampsTheIndex)
{
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 100, 20, 5);
    v.PlaneKind = PlaneZ;
    v.PlaneIndex = 150;
    s.view.OnCommand(ID_PLANE_X);
    EXPECT_EQ(v.PlaneIndex, 99);
    EXPECT_TRUE(s.view.IsChecked(ID_PLANE_X));
    EXPECT_FALSE(s.view.IsChecked(ID_PLANE_Z));
    s.view.OnCommand(ID_PLANE_Z);
    EXPECT_EQ(v.PlaneIndex, 4);
    EXPECT_EQ(s.svc.repaints.count, 2);
}

TEST(ViewNavigation, ZoomInThenOutRestoresTheScaleAndRepaintsEachTime)
{
    Session s;
    FillCoded(theVolume(), 100, 20, 5);
    float scale = s.doc.PlotSettings->ScaleDenominator;
    s.view.OnCommand(ID_UP);
    EXPECT_NEAR(s.doc.PlotSettings->ScaleDenominator, 666666.7f, 0.1f);
    s.view.OnCommand(ID_DOWN);
    EXPECT_NEAR(s.doc.PlotSettings->ScaleDenominator, scale, 0.2f);
    EXPECT_EQ(s.svc.repaints.count, 2);
}

TEST(ViewNavigation, AnEmptyVolumeKeepsPlaneIndexZero)
{
    Session s;
    CData3DEx& v = theVolume();
    s.view.OnCommand(ID_NEXT);
    EXPECT_EQ(v.PlaneIndex, 0);
    s.view.OnCommand(ID_PLANE_X);
    EXPECT_EQ(v.PlaneIndex, 0);
    s.view.OnCommand(ID_FAST_FORWARD);
    EXPECT_EQ(v.PlaneIndex, 0);
}

TEST(ViewPaint, PaintClampsAPlaneIndexLeftFromALargerVolume)
{
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 4, 3, 2);
    v.PlaneKind = PlaneY;
    v.PlaneIndex = 40;
    platform::RecordingSurface surface;
    s.view.OnDraw(surface);
    EXPECT_EQ(v.PlaneIndex, 2);
    EXPECT_FALSE(surface.OpsOf(platform::OpKind::Image).empty());
    ASSERT_NE(surface.FindText("X cells = 4 Y cells = 2 # of planes = 3"), nullptr)
        << surface.Describe();

    s.view.DrawEnabled = 0;
    platform::RecordingSurface none;
    s.view.OnDraw(none);
    EXPECT_TRUE(none.ops.empty());
}

// A session holding a 100 x 50 x 20 volume of 10 m cells, for the display settings commands.
struct SettingsSession : Session {
    SettingsSession()
    {
        FillCoded(theVolume(), 100, 50, 20);
        theVolume().StepX = theVolume().StepY = theVolume().StepZ = 10;
    }
};

TEST(ViewSettings, ScaleSetupSetsScaleAndRatio)
{
    SettingsSession s;
    CPlotSettings& ps = *s.doc.PlotSettings;

    s.svc.ui.AnswerForm({true, {{"Scale = 1/", "500000"}, {"V/H ratio", "2"}}});
    s.view.OnCommand(ID_SCALE);
    EXPECT_EQ(ps.ScaleDenominator, 500000.0f);
    EXPECT_EQ(ps.VHRatio, 2.0f);
    EXPECT_EQ(s.svc.ui.formCaptions.back(), "Scale setup");
}

TEST(ViewSettings, ContourSetupCountsLevelsAndRefusesAZeroInterval)
{
    SettingsSession s;
    CPlotSettings& ps = *s.doc.PlotSettings;
    s.svc.ui.AnswerForm({true, {{"Minimum", "1000"}, {"Maximum", "6000"}, {"Interval", "400"}}});
    s.view.OnCommand(ID_CONTOUR_SETUP);
    EXPECT_EQ(ps.ManualContour, 1);
    EXPECT_EQ(ps.ContourCount, 13);
    // an interval of 0 is refused and the levels stay
    s.svc.ui.AnswerForm({true, {{"Interval", "0"}}});
    s.view.OnCommand(ID_CONTOUR_SETUP);
    EXPECT_EQ(ps.ContourCount, 13);
    EXPECT_EQ(ps.ContourInterval, 400.0f);
    EXPECT_EQ(s.svc.ui.messages.back().text, "The contour interval must be greater than 0.");
}

TEST(ViewSettings, AxisSetupProposesTheExtentAndATenthAndKeepsTitlesOnCancel)
{
    SettingsSession s;
    CData3DEx& v = theVolume();
    CPlotSettings& ps = *s.doc.PlotSettings;
    ps.AxisX.Min = ps.AxisY.Min = ps.AxisZ.Min = 0;
    platform::ScriptedUi& ui = s.svc.ui;
    ui.CancelForm();
    s.view.OnCommand(ID_AXIS_SETUP);
    EXPECT_EQ(ui.formCaptions.back(), "Axis setup");
    EXPECT_EQ(ps.ManualAxis, 0);
    EXPECT_EQ(ps.AxisX.Title, "X"); // copied before the dialog, kept on Cancel
    ui.AnswerForm({true, {{"Z-axis Title", "Depth"}, {"Z-axis Shift", "-5"}}});
    s.view.OnCommand(ID_AXIS_SETUP);
    EXPECT_EQ(ps.ManualAxis, 1);
    EXPECT_EQ(ps.AxisX.Max, 1000.0f);
    EXPECT_EQ(ps.AxisX.Interval, 100.0f);
    EXPECT_EQ(ps.AxisY.Max, 500.0f);
    EXPECT_EQ(ps.AxisY.Interval, 50.0f);
    EXPECT_EQ(ps.AxisZ.Max, 200.0f);
    EXPECT_EQ(ps.AxisZ.Interval, 20.0f);
    EXPECT_EQ(v.TitleZ, "Depth");
    EXPECT_EQ(v.ShiftZ, -5.0f);
}

TEST(ViewSettings, MonochromeAndKilometreToggleBack)
{
    SettingsSession s;
    EXPECT_FALSE(s.view.IsChecked(ID_MONOCHROME));
    s.view.OnCommand(ID_MONOCHROME);
    EXPECT_TRUE(s.view.IsChecked(ID_MONOCHROME));
    s.view.OnCommand(ID_MONOCHROME);
    EXPECT_EQ(s.view.ColourMode, 1);
    EXPECT_TRUE(s.view.IsChecked(ID_KILOMETER));
    s.view.OnCommand(ID_KILOMETER);
    EXPECT_FALSE(s.view.IsChecked(ID_KILOMETER));
}

TEST(ViewSettings, PropertyWritesStartsUnitsAndTheDataTypeAlone)
{
    SettingsSession s;
    CData3DEx& v = theVolume();
    platform::ScriptedUi& ui = s.svc.ui;
    ui.AnswerForm({true, {{"X Start", "123456.789"}, {"Y Unit", "km"}, {"Data type", "2"}}});
    s.view.OnCommand(ID_PROPERTY);
    EXPECT_EQ(v.StartX, 123456.789f);
    EXPECT_EQ(v.UnitY, "km");
    EXPECT_EQ(v.DataType, 2);
    EXPECT_EQ(v.FixedScale, 1);
    EXPECT_EQ(v.TitleX, "X");
}

TEST(ViewSettings, GetDataReadsZYXAndRefusesCellsOutsideTheVolume)
{
    SettingsSession s;
    platform::ScriptedUi& ui = s.svc.ui;
    ui.AnswerForm({true, {{"X=", "1"}, {"Y=", "2"}, {"Z=", "3"}}});
    s.view.OnCommand(ID_GET_DATA);
    EXPECT_EQ(ui.messages.back().text, "X=1 Y=2 Z=3 Data=321.000000");
    ui.AnswerForm({true, {{"X=", "100"}}});
    s.view.OnCommand(ID_GET_DATA);
    EXPECT_NE(ui.messages.back().text.find("outside the volume"), std::string::npos);
    EXPECT_EQ(s.view.GetDataCell[0], 100);
}

// A phase-velocity section to pick on: 3 columns (x), 2 planes (y), 4 rows (z) with row step
// 100, plane 1 shown, with the candidate values set so each column tests one picking rule.
static void FillPickSection(CData3DEx& v)
{
    FillCoded(v, 3, 2, 4);
    v.StepX = 10;
    v.StepZ = 100;
    v.StepY = 0.5f;
    v.StartY = 0;
    v.PlaneKind = PlaneY;
    v.PlaneIndex = 1;
    // column 0: candidates rows 1 and 0 (y = 200, 300) equal -> the smaller y wins
    v.Values[0][1][0] = 5;
    v.Values[1][1][0] = 5;
    // column 1: candidates all negative -> y = 0
    v.Values[0][1][1] = -1;
    v.Values[1][1][1] = -2;
    // column 2: row 3 is larger but below the limit of 120
    v.Values[3][1][2] = 1000;
    v.Values[0][1][2] = 7;
    v.Values[1][1][2] = 3;
}

TEST(ViewPicks, HorizontalPickFollowsTheTieNegativeAndLimitRules)
{
    Session s;
    FillPickSection(theVolume());
    EXPECT_FALSE(s.view.IsEnabled(ID_SAVE_PICKS));
    s.view.OnCommand(ID_PICK_HORIZONTAL);
    EXPECT_EQ(s.view.PickMode, 1);
    EXPECT_TRUE(s.view.IsChecked(ID_PICK_HORIZONTAL));
    ASSERT_EQ(s.view.PickedCount, 3);
    EXPECT_EQ(s.view.PickedPoints[0].x, 0.0f);
    EXPECT_EQ(s.view.PickedPoints[0].y, 200.0f);
    EXPECT_EQ(s.view.PickedPoints[1].x, 10.0f);
    EXPECT_EQ(s.view.PickedPoints[1].y, 0.0f);
    EXPECT_EQ(s.view.PickedPoints[2].y, 300.0f);
}

TEST(ViewPicks, SavedPicksNameThePlaneAndCarryVelocityOverPeriod)
{
    Session s;
    FillPickSection(theVolume());
    s.view.OnCommand(ID_PICK_HORIZONTAL);
    s.svc.ui.ClearLog();
    s.view.OnCommand(ID_SAVE_PICKS);
    std::string path = s.doc.WorkingFolder + "/PickDataHorizontal_1.txt";
    EXPECT_EQ(Slurp(path), "0.000000 200.000000 0.500000 133.333328\n"
                           "10.000000 0.000000 0.500000 0.000000\n"
                           "20.000000 300.000000 0.500000 200.000000\n");
    EXPECT_EQ(s.svc.ui.messages.back().text, "Picked 3 data and saved as " + path);
}

TEST(ViewPicks, RaisingTheLimitRepicksAndIsRemembered)
{
    Session s;
    FillPickSection(theVolume());
    s.view.OnCommand(ID_PICK_HORIZONTAL);
    s.svc.ui.AnswerForm({true, {{"Value", "250"}}});
    s.view.OnCommand(ID_SET_MIN_PICK);
    EXPECT_EQ(s.svc.ui.formCaptions.back(), "Float data");
    EXPECT_EQ(s.view.PickedPoints[0].y, 300.0f);
    EXPECT_EQ(s.svc.profile.GetString("General", "yMinPick", ""), "250.000000");
}

TEST(ViewPicks, NavigationRepicksAndTurningTheModeOffKeepsThePicks)
{
    Session s;
    CData3DEx& v = theVolume();
    FillPickSection(v);
    s.view.OnCommand(ID_PICK_HORIZONTAL);
    s.svc.ui.AnswerForm({true, {{"Value", "250"}}});
    s.view.OnCommand(ID_SET_MIN_PICK);
    s.view.OnCommand(ID_PREVIOUS);
    EXPECT_EQ(v.PlaneIndex, 0);
    // plane 0 holds 100 z + x: at y = 300 (row 0) column 0 is 0, never picked; column 2 is 2
    EXPECT_EQ(s.view.PickedPoints[0].y, 0.0f);
    EXPECT_EQ(s.view.PickedPoints[2].y, 300.0f);
    s.view.OnCommand(ID_PICK_HORIZONTAL);
    EXPECT_EQ(s.view.PickMode, 0);
    EXPECT_FALSE(s.view.IsEnabled(ID_SAVE_PICKS));
    EXPECT_EQ(s.view.PickedCount, 3); // the picks are kept while the mode is off
}

TEST(ViewPicks, AnEmptyWorkingFolderSavesToTheCurrentDirectoryNeverToRoot)
{
    Session s;
    FillPickSection(theVolume());
    s.view.OnCommand(ID_PICK_HORIZONTAL);
    s.view.OnCommand(ID_PREVIOUS);
    TempDir cwd;
    {
        ScopedCwd inCwd(cwd.path);
        s.doc.WorkingFolder.clear();
        s.view.SavePicks();
    }
    EXPECT_TRUE(std::filesystem::exists(cwd.File("PickDataHorizontal_0.txt")));
}

TEST(ViewUndo, UndoAndRedoSwapTheValuesAndTheirEnableStates)
{
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 10, 10, 10);
    EXPECT_FALSE(s.view.IsEnabled(ID_EDIT_UNDO));
    int repaints = s.svc.repaints.count;
    s.view.OnCommand(ID_EDIT_UNDO); // nothing to undo: no change, no repaint
    EXPECT_EQ(s.svc.repaints.count, repaints);

    // a destructive step stand-in
    s.view.SaveUndoCopy();
    v.Values[1][2][3] = -7;
    EXPECT_TRUE(s.view.IsEnabled(ID_EDIT_UNDO));
    EXPECT_FALSE(s.view.IsEnabled(ID_EDIT_REDO));
    s.view.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(v.Values[1][2][3], 123.0f);
    EXPECT_FALSE(s.view.IsEnabled(ID_EDIT_UNDO));
    EXPECT_TRUE(s.view.IsEnabled(ID_EDIT_REDO));
    s.view.OnCommand(ID_EDIT_REDO);
    EXPECT_EQ(v.Values[1][2][3], -7.0f);
    s.view.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(v.Values[1][2][3], 123.0f);
}

TEST(ViewUndo, TheMedianFilterRemovesASpikeAndCanBeUndone)
{
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 10, 10, 10);
    v.Values[5][5][5] = 1.0e6f;
    s.view.OnCommand(ID_MEDIAN_FILTER);
    EXPECT_LT(v.Values[5][5][5], 1000.0f);
    EXPECT_TRUE(s.view.IsEnabled(ID_EDIT_UNDO));
    s.view.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(v.Values[5][5][5], 1.0e6f);
    s.view.OnCommand(ID_EDIT_REDO);
    EXPECT_LT(v.Values[5][5][5], 1000.0f);
}

TEST(ViewUndo, UndoAfterLoadingALargerVolumeRestoresValuesButNotSteps)
{
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 10, 10, 10);
    s.view.SaveUndoCopy();
    FillCoded(v, 20, 20, 20);
    v.StepX = 7;
    s.view.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(v.NX, 10);
    EXPECT_EQ(v.StepX, 7.0f);
    EXPECT_EQ(v.Values[1][2][3], 123.0f);
}

// The commands that need a volume, those that need none, and those with rules of their own.
struct EnableRules {
    const std::set<int> needData = {
        ID_AUTO_CORRELATION, ID_FORWARD_TRANSFORM,        ID_CALCULATING_AVS, ID_MEDIAN_FILTER,
        ID_PROPERTY,         ID_OPEN_VELOCITY_MODEL_FILE, ID_PICK_HORIZONTAL, ID_FILE_EXPORT,
        ID_EXPORT_PICTURE,   ID_CLEAR_VOLUME};
    const std::set<int> needEmpty = {ID_RANDOM_MODEL, ID_IMPULSE_MODEL,
                                     ID_VONKARMAN_AUTOCORRELATION, ID_VONKARMAN_RANDOM,
                                     ID_VONKARMAN_RANDOM_FD3D};
    const std::set<int> other = {ID_INVERSE_TRANSFORM, ID_SAVE_PICKS, ID_SET_MIN_PICK,
                                 ID_OPEN_JAPAN_MAP,    ID_EDIT_UNDO,  ID_EDIT_REDO};
    void Check(CKalderView& view, bool data) const
    {
        for (int id : MenuCommandIds()) {
            if (needData.count(id)) {
                EXPECT_EQ(view.IsEnabled(id), data) << id;
            } else if (needEmpty.count(id)) {
                EXPECT_EQ(view.IsEnabled(id), !data) << id;
            } else if (!other.count(id)) {
                EXPECT_TRUE(view.IsEnabled(id)) << id;
            }
        }
        EXPECT_FALSE(view.IsEnabled(ID_INVERSE_TRANSFORM));
        EXPECT_FALSE(view.IsEnabled(ID_OPEN_JAPAN_MAP));
        EXPECT_FALSE(view.IsEnabled(ID_SAVE_PICKS));
        EXPECT_FALSE(view.IsEnabled(ID_SET_MIN_PICK));
    }
};

TEST(ViewUpdateRules, EmptyAndLoadedVolumesEnableTheirCommands)
{
    Session s;
    EnableRules rules;
    rules.Check(s.view, false);
    s.view.OnCommand(ID_IMPULSE_MODEL);
    EXPECT_EQ(theVolume().NX, 128);
    rules.Check(s.view, true);
}

TEST(ViewUpdateRules, ASpectrumSwapsTheTransformsAndANegativeExtentIsNeither)
{
    Session s;
    CKalderView& view = s.view;
    view.OnCommand(ID_IMPULSE_MODEL);
    theVolume().IsSpectrum = 1;
    EXPECT_TRUE(view.IsEnabled(ID_INVERSE_TRANSFORM));
    EXPECT_FALSE(view.IsEnabled(ID_FORWARD_TRANSFORM));
    EXPECT_FALSE(view.IsEnabled(ID_AUTO_CORRELATION));
    theVolume().NX = -1;
    EXPECT_FALSE(view.IsEnabled(ID_PROPERTY));
    EXPECT_FALSE(view.IsEnabled(ID_RANDOM_MODEL));
    theVolume().NX = 128;
}

TEST(ViewUpdateRules, StretchCheckMarksFollowTheVolume)
{
    Session s;
    CKalderView& view = s.view;
    view.OnCommand(ID_IMPULSE_MODEL);
    EXPECT_FALSE(view.IsChecked(ID_STRETCH_Z));
    view.OnCommand(ID_STRETCH_Z);
    EXPECT_TRUE(view.IsChecked(ID_STRETCH_Z));
    EXPECT_TRUE(view.IsChecked(ID_READ_STRETCH_INFO));
    view.OnCommand(ID_READ_STRETCH_INFO);
    EXPECT_FALSE(view.IsChecked(ID_READ_STRETCH_INFO));
    EXPECT_TRUE(view.IsChecked(ID_PLANE_Z));
}

TEST(ViewUpdateRules, TestDataClampsThePlaneIndex)
{
    Session s;
    s.view.OnCommand(ID_IMPULSE_MODEL);
    theVolume().PlaneIndex = 120;
    s.view.OnCommand(ID_TEST_DATA);
    EXPECT_EQ(theVolume().PlaneIndex, 99);
}

TEST(ViewProfile, ShutDownWritesWhatTheNextStartReads)
{
    HeadlessServices svc;
    TempDir home;
    ScopedEnv env("KALDER_HOME", home.path);
    ResetVolume();
    {
        CKalderDoc doc;
        CKalderView view(doc);
        // first start with an empty profile
        EXPECT_EQ(std::tie(view.RememberedNX, view.RememberedNY, view.RememberedNZ),
                  std::make_tuple(0, 0, 0));
        EXPECT_EQ(view.bKiloMeter, 1);
        EXPECT_EQ(view.yMinPick, 120.0f);
        EXPECT_EQ(doc.DrawingParameter->LeftMargin, 250);
        EXPECT_EQ(doc.DrawingParameter->TopMargin, 200);
        EXPECT_EQ(doc.DrawingParameter->BottomMargin, 150);
        EXPECT_EQ(doc.DrawingParameter->RightMargin, 100);
        EXPECT_EQ(doc.WorkingFolder, home.path + "/Norvane/Pelorix/Quillet");

        FillCoded(theVolume(), 64, 32, 16);
        view.OnCommand(ID_KILOMETER);
        theVolume().Stretch->NArea = 2;
        theVolume().Stretch->Stretch[1] = 3.0f;
        view.OnDestroy();
        EXPECT_EQ(doc.PlotSettings, nullptr);
        view.OnDestroy(); // a second call writes nothing new and does not crash
    }
    svc.profile.WriteString("General", "yMinPick", "oops");
    CKalderDoc doc;
    CKalderView view(doc);
    EXPECT_EQ(std::tie(view.RememberedNX, view.RememberedNY, view.RememberedNZ),
              std::make_tuple(64, 32, 16));
    EXPECT_EQ(view.bKiloMeter, 0);
    EXPECT_EQ(view.yMinPick, 120.0f); // unparsable text keeps the built-in default
    StretchInfo stretch;
    stretch.LoadStretchSettings();
    EXPECT_EQ(stretch.NArea, 2);
    EXPECT_EQ(stretch.Stretch[1], 3.0f);
    ResetVolume();
}

TEST(CommandTable, MenusToolbarAndAccelerators)
{
    const auto& menu = MainMenu();
    std::vector<std::string> titles;
    for (const auto& m : menu)
        titles.push_back(m.text);
    EXPECT_EQ(titles,
              (std::vector<std::string>{"&File", "&Edit", "&View", "Processing", "Model",
                                        "Finite-difference model", "Fourier analysis", "&Help"}));
    EXPECT_TRUE(menu.back().rightAligned);
    EXPECT_EQ(CommandText(ID_EDIT_UNDO), "&Undo\tCtrl+Z");
    EXPECT_EQ(CommandText(ID_IMPULSE_MODEL), "Impluse velocity model");
    EXPECT_EQ(CommandText(ID_NEXT), ""); // toolbar only

    // every id appears once; the four initially checked items
    std::vector<int> ids = MenuCommandIds();
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
    // 49 described, plus Import and Export, plus the viewer's 14 (7 colour maps among them)
    EXPECT_EQ(ids.size(), 65u);

    EXPECT_EQ(ToolbarCommands().size(), 15u);
    EXPECT_EQ(ToolbarCommands()[12], ID_PLANE_Z);
    EXPECT_EQ(ToolbarCommands()[13], ID_PLANE_Y);
    EXPECT_EQ(ToolbarCommands()[14], ID_PLANE_X);
    int ctrlA = 0;
    for (const auto& a : Accelerators())
        if (a.keys == "Ctrl+A")
            ctrlA = a.id;
    EXPECT_EQ(ctrlA, ID_AXIS_SETUP);
}

TEST(ViewOpen, HeaderlessValuesAskTheSizeAndRescanTheRange)
{
    Session s;
    TempDir dir;
    CData3DEx& v = theVolume();
    // 4 x 3 x 2 headerless floats
    std::string raw = dir.File("values.bin");
    {
        auto f = platform::CreateBinaryWrite(raw);
        for (int i = 0; i < 24; ++i)
            f->WriteFloat(static_cast<float>(i));
    }
    s.doc.PlotSettings->DataRangeValid = 1;
    s.svc.ui.AnswerForm({true, {{"NX =", "4"}, {"NY =", "3"}, {"NZ =", "2"}}});
    s.svc.ui.AnswerOpen({raw});
    s.view.OnCommand(ID_OPEN_BINARY_NO_HEADER);
    EXPECT_EQ(std::tie(v.NX, v.NY, v.NZ), std::make_tuple(4, 3, 2));
    EXPECT_EQ(v.GetValue(3, 2, 1), 23.0f);
    EXPECT_EQ(s.svc.ui.messages.back().text, "96 bytes have been read");
    EXPECT_EQ(s.svc.ui.openFilters.back(), "3d binary data(*.*)");
    EXPECT_EQ(s.doc.PlotSettings->DataRangeValid, 0);
    EXPECT_EQ(std::tie(s.view.RememberedNX, s.view.RememberedNY, s.view.RememberedNZ),
              std::make_tuple(4, 3, 2));
}

TEST(ViewOpen, ARaytracingModelIsAVolumeFileWithoutItsTrailer)
{
    Session s;
    TempDir dir;
    CData3DEx& v = theVolume();
    CData3DEx model;
    FillCoded(model, 5, 2, 3);
    std::string path = dir.File("ray.mod");
    ASSERT_TRUE(SaveVolumeFile(model, path));
    s.doc.PlotSettings->DataRangeValid = 1;
    s.svc.ui.AnswerOpen({path}).AnswerForm({true, {}});
    int repaints = s.svc.repaints.count;
    s.view.OnCommand(ID_OPEN_RAYTRACING_MODEL);
    EXPECT_EQ(s.svc.ui.openFilters.back(), "Raytracing model file(*.*)");
    EXPECT_EQ(v.NX, 5);
    EXPECT_EQ(v.GetValue(4, 1, 2), 214.0f);
    EXPECT_EQ(s.doc.PlotSettings->DataRangeValid, 0);
    EXPECT_TRUE(s.doc.IsModified());
    s.doc.PlotSettings->DataRangeValid = 1;
    EXPECT_EQ(s.svc.repaints.count, repaints + 1);
    s.view.OnCommand(ID_OPEN_RAYTRACING_MODEL); // cancelled: nothing, no repaint
    EXPECT_EQ(s.svc.repaints.count, repaints + 1);
}

// A session showing plane y = 1 of a 5 x 2 x 3 volume of 1000 m cells, painted once.
struct ReadoutSession : Session {
    ReadoutSession()
    {
        CData3DEx& v = theVolume();
        FillCoded(v, 5, 2, 3);
        v.StepX = v.StepY = v.StepZ = 1000;
        v.PlaneKind = PlaneY;
        v.PlaneIndex = 1;
        doc.PlotSettings->Display.FitToWindow = 0; // the readout is checked at map scale
        view.OnDraw(surface);
    }
    platform::RecordingSurface surface;
};

TEST(ViewReadout, NamesCellCoordinatesAndValueAndNothingOutsideThePicture)
{
    // at map scale 1/1000000 a 1000 m cell is 10 units wide
    ReadoutSession s;
    const CPlotSettings& ps = *s.doc.PlotSettings;
    EXPECT_EQ(s.view.DescribePoint(ps.OriginX + 45, ps.OriginY - 25),
              "Column 4, Row 2   X = 4000, Z = 2000   Value = 214");
    EXPECT_EQ(s.view.DescribePoint(ps.OriginX - 1, ps.OriginY - 5), "");
    EXPECT_EQ(s.view.DescribePoint(ps.OriginX + 5, ps.OriginY - 31), ""); // below the last row
}

TEST(ViewReadout, StretchedRowsAreFoundAtTheirDrawnHeight)
{
    // area 0 has 1 row of 1x, area 1 has 2 rows drawn 3x as tall
    ReadoutSession s;
    CData3DEx& v = theVolume();
    const CPlotSettings& ps = *s.doc.PlotSettings;
    v.Stretch->StretchOn = 1;
    v.Stretch->NArea = 2;
    v.Stretch->Boundary[0] = 1;
    v.Stretch->Stretch[0] = 1;
    v.Stretch->Boundary[1] = 2;
    v.Stretch->Stretch[1] = 3;
    EXPECT_EQ(s.view.DescribePoint(ps.OriginX + 5, ps.OriginY - 41).substr(0, 16),
              "Column 0, Row 2 ");
}

TEST(ViewReadout, AnXYPlaneHasTheLargestXInRowZero)
{
    ReadoutSession s;
    CData3DEx& v = theVolume();
    const CPlotSettings& ps = *s.doc.PlotSettings;
    v.PlaneKind = PlaneZ;
    v.PlaneIndex = 2;
    s.view.OnDraw(s.surface);
    EXPECT_EQ(s.view.DescribePoint(ps.OriginX + 15, ps.OriginY - 5),
              "Column 1, Row 0   Y = 1000, X = 4000   Value = 214");
}

// A session that opened a 2 x 2 x 2 date-time volume saved under a plain name.
struct DatetimeSession : Session {
    DatetimeSession()
    {
        CData3DEx model;
        FillCoded(model, 2, 2, 2);
        model.DataType = 2;
        path = dir.File("dispersion.dat");
        svc.ui.AnswerForm({true, {}});
        EXPECT_TRUE(SaveVolumeFile(model, path));
        opened = doc.OnOpenDocument(path);
    }
    TempDir dir;
    std::string path;
    bool opened = false;
};

TEST(ViewDocument, ADatetimeVolumeGetsDayAxesAndTheFittedScale)
{
    DatetimeSession s;
    ASSERT_TRUE(s.opened);
    const CData3DEx& v = theVolume();
    EXPECT_EQ(v.DataType, 2);
    EXPECT_EQ(v.TitleX, "Datetime");
    EXPECT_EQ(v.UnitX, "Day");
    EXPECT_EQ(v.FixedScale, 0);
}

TEST(ViewDocument, SavingWritesTheDocumentAndTakesItsName)
{
    DatetimeSession s;
    ASSERT_TRUE(s.opened);
    std::string copy = s.dir.File("copy.vol");
    ASSERT_TRUE(s.doc.OnSaveDocument(copy));
    EXPECT_EQ(s.doc.PathName, copy);
    EXPECT_EQ(s.doc.Title(), "copy.vol");
    EXPECT_EQ(std::filesystem::file_size(copy), std::filesystem::file_size(s.path));
}

TEST(ViewDocument, AFailedSaveIsReportedAndKeepsTheDocumentName)
{
    DatetimeSession s;
    ASSERT_TRUE(s.opened);
    s.svc.ui.ClearLog();
    EXPECT_FALSE(s.doc.OnSaveDocument(s.dir.File("no/such/folder/x.vol")));
    EXPECT_EQ(s.svc.ui.messages.size(), 1u);
    EXPECT_EQ(s.doc.PathName, s.path);
    EXPECT_FALSE(std::filesystem::exists(s.dir.File("no")));
}

TEST(ViewDocument, FileNewKeepsTheVolume)
{
    DatetimeSession s;
    ASSERT_TRUE(s.opened);
    const CData3DEx& v = theVolume();
    s.doc.OnNewDocument();
    EXPECT_EQ(s.doc.WindowTitle(), "Kalder - Kalder");
    EXPECT_EQ(v.NX, 2); // File New keeps the volume
}

TEST(ViewFourier, TheForwardTransformReportsItsSizesAndGivesTheSumAsDC)
{
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 8, 8, 8);
    s.doc.PlotSettings->DataRangeValid = 1;
    s.view.OnCommand(ID_FORWARD_TRANSFORM);
    EXPECT_EQ(v.IsSpectrum, 1);
    EXPECT_EQ(s.doc.PlotSettings->DataRangeValid, 0);
    EXPECT_FALSE(s.view.IsEnabled(ID_FORWARD_TRANSFORM));
    EXPECT_TRUE(s.view.IsEnabled(ID_INVERSE_TRANSFORM));
    ASSERT_FALSE(s.svc.ui.progress.empty());
    EXPECT_EQ(s.svc.ui.progress.front(), "nfftx=8 : nffty=8 : nfftz=8 ");
    // the DC term is the sum of all values
    double sum = 0;
    for (int z = 0; z < 8; ++z)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                sum += testing_support::Cell(x, y, z);
    EXPECT_NEAR(v.Values[0][0][0], sum, 1e-3 * sum);
}

TEST(ViewFourier, TheInverseTransformReturnsTheValuesAndRescansTheRange)
{
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 8, 8, 8);
    s.view.OnCommand(ID_FORWARD_TRANSFORM);
    s.doc.PlotSettings->DataRangeValid = 1;
    s.view.OnCommand(ID_INVERSE_TRANSFORM);
    EXPECT_EQ(s.doc.PlotSettings->DataRangeValid, 0);
    EXPECT_NEAR(v.Values[1][3][7], 137.0f, 1e-3f);
    EXPECT_NEAR(v.Values[0][0][0], 0.0f, 1e-3f);
}

TEST(ViewFourier, ASideThatIsNoPowerOfTwoIsRefusedNamingTheAxis)
{
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 6, 8, 8);
    s.view.OnCommand(ID_FORWARD_TRANSFORM);
    EXPECT_EQ(s.svc.ui.messages.back().text, "Error! Number of cells is not equal to power of 2. "
                                             "NX = 6 is not a power of 2 from 8 to 65536.");
    EXPECT_EQ(v.IsSpectrum, 0);
}

TEST(ViewCommands, EveryProgramCommandHasAHandlerAndSurvivesCancel)
{
    Session s;
    TempDir cwd;
    ScopedCwd inCwd(cwd.path); // diagnostic files go to the current directory
    for (bool data : {false, true}) {
        if (data)
            FillCoded(theVolume(), 8, 8, 8);
        for (int id : MenuCommandIds()) {
            if (id >= ID_FILE_NEW || !s.view.IsEnabled(id))
                continue; // framework commands belong to the window
            if (id == ID_RANDOM_MODEL || id == ID_IMPULSE_MODEL || id == ID_TEST_DATA)
                continue; // these build a volume without asking; tested elsewhere
            if (id == ID_HISTOGRAM || id == ID_EXPORT_PICTURE)
                continue; // the window's own: a dock window and a picture file
            s.svc.ui.ClearLog();
            EXPECT_TRUE(s.view.OnCommand(id)) << id;
            for (const auto& m : s.svc.ui.messages)
                EXPECT_EQ(m.text.find("not available"), std::string::npos) << id;
        }
    }
}

TEST(ViewModel, RandomVelocityModelIsFixedNoiseAndClosesTheModelBuilders)
{
    Session s;
    TempDir cwd;
    ScopedCwd inCwd(cwd.path);
    s.doc.PlotSettings->DataRangeValid = 1;
    ASSERT_TRUE(s.view.IsEnabled(ID_RANDOM_MODEL));
    s.view.OnCommand(ID_RANDOM_MODEL);
    CData3DEx& v = theVolume();
    EXPECT_EQ(std::tie(v.NX, v.NY, v.NZ), std::make_tuple(256, 256, 256));
    float mn = 0, mx = 0;
    v.GetMinMax(mn, mx);
    EXPECT_GE(mn, -0.5f);
    EXPECT_LT(mx, 0.5f);
    EXPECT_EQ(s.doc.PlotSettings->DataRangeValid, 0); // the new values' range is scanned
    EXPECT_EQ(s.doc.WindowTitle(), "Kalder* - Kalder");
    for (int id : {ID_RANDOM_MODEL, ID_IMPULSE_MODEL, ID_VONKARMAN_AUTOCORRELATION,
                   ID_VONKARMAN_RANDOM, ID_VONKARMAN_RANDOM_FD3D})
        EXPECT_FALSE(s.view.IsEnabled(id)) << id;
    float first = v.Values[0][0][0];
    ResetVolume();
    s.view.OnCommand(ID_RANDOM_MODEL);
    EXPECT_EQ(theVolume().Values[0][0][0], first); // always the same noise
}
