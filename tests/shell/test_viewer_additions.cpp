// The viewer's additions in the shell: fit to window and its profile memory, colour maps,
// keyboard stepping, the percentile dialog, Clear volume, and the profiles through a cell.
#include "ShellTestSupport.h"
#include "platform/RecordingSurface.h"
#include "platform/TextFile.h"
#include "render/ColorPalette.h"
#include "shell/CommandIds.h"
#include "shell/CommandTable.h"
#include "shell/SliceProfile.h"

#include <gtest/gtest.h>

#include <filesystem>

using platform::Answer;
using shell_test::Session;
using testing_support::FillCoded;

namespace {

int AcceleratorFor(const std::string& keys)
{
    for (const Accelerator& a : Accelerators())
        if (a.keys == keys)
            return a.id;
    return 0;
}

} // namespace

TEST(ViewerAdditions, PageHomeAndEndStepAsTheNavigationCommands)
{
    ASSERT_EQ(AcceleratorFor("PgDown"), ID_NEXT);
    ASSERT_EQ(AcceleratorFor("PgUp"), ID_PREVIOUS);
    ASSERT_EQ(AcceleratorFor("Home"), ID_FIRST_PLANE);
    ASSERT_EQ(AcceleratorFor("End"), ID_LAST_PLANE);
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 6, 4, 5);
    v.PlaneKind = PlaneZ;
    v.PlaneIndex = 3;
    s.view.OnCommand(AcceleratorFor("PgDown"));
    EXPECT_EQ(v.PlaneIndex, 4);
    s.view.OnCommand(AcceleratorFor("PgDown"));
    EXPECT_EQ(v.PlaneIndex, 4); // as next: clamped to the last plane
    s.view.OnCommand(AcceleratorFor("Home"));
    const int home = v.PlaneIndex;
    v.PlaneIndex = 3;
    for (int i = 0; i < 10; ++i)
        s.view.OnCommand(ID_PREVIOUS);
    EXPECT_EQ(home, v.PlaneIndex);
    EXPECT_EQ(home, 0);
    s.view.OnCommand(AcceleratorFor("End"));
    EXPECT_EQ(v.PlaneIndex, 4);
    s.view.OnCommand(AcceleratorFor("PgUp"));
    EXPECT_EQ(v.PlaneIndex, 3);
    // End on the X planes: NX - 1.
    s.view.OnCommand(ID_PLANE_X);
    s.view.OnCommand(ID_LAST_PLANE);
    EXPECT_EQ(v.PlaneIndex, 5);
    // The slider's way in clamps too.
    s.view.GoToPlane(99);
    EXPECT_EQ(v.PlaneIndex, 5);
    s.view.GoToPlane(-3);
    EXPECT_EQ(v.PlaneIndex, 0);
    EXPECT_EQ(s.view.PlaneCount(), 6);
    v.StartX = 100, v.StepX = 50;
    EXPECT_FLOAT_EQ(s.view.PlaneCoordinate(3), 250.0f);
    // End with no volume stays at plane 0.
    shell_test::ResetVolume();
    s.view.OnCommand(ID_LAST_PLANE);
    EXPECT_EQ(theVolume().PlaneIndex, 0);
}

TEST(ViewerAdditions, FitToWindowIsOnAtFirstStartAndRemembered)
{
    Session s;
    CPlotSettings& ps = *s.doc.PlotSettings;
    EXPECT_EQ(ps.Display.FitToWindow, 1);
    EXPECT_TRUE(s.view.IsChecked(ID_FIT_TO_WINDOW));
    // "Scale" switches to the map scale it sets.
    s.svc.ui.AnswerForm({true, {{"Scale = 1/", "500000"}, {"V/H ratio", "2"}}});
    s.view.OnCommand(ID_SCALE);
    EXPECT_EQ(ps.Display.FitToWindow, 0);
    EXPECT_FLOAT_EQ(ps.ScaleDenominator, 500000.0f);
    EXPECT_EQ(s.svc.profile.GetInt("General", "bFitToWindow", -1), 0);
    // A later start keeps the choice.
    CKalderDoc doc2;
    CKalderView view2(doc2);
    EXPECT_EQ(doc2.PlotSettings->Display.FitToWindow, 0);
    // Back to fitted, and zooming leaves it at the scale it showed.
    s.view.OnCommand(ID_FIT_TO_WINDOW);
    EXPECT_EQ(ps.Display.FitToWindow, 1);
    ps.ScaleInUse = 3000.0f;
    s.view.OnCommand(ID_UP);
    EXPECT_EQ(ps.Display.FitToWindow, 0);
    EXPECT_FLOAT_EQ(ps.ScaleDenominator, 2000.0f);
}

TEST(ViewerAdditions, ColourMapCommandsChooseAndCheck)
{
    Session s;
    CPlotSettings& ps = *s.doc.PlotSettings;
    EXPECT_TRUE(s.view.IsChecked(ID_COLOUR_MAP_FIRST + ColourMapClassic));
    s.view.OnCommand(ID_COLOUR_MAP_FIRST + ColourMapViridis);
    EXPECT_EQ(ps.Display.ColourMap, ColourMapViridis);
    EXPECT_EQ(s.view.ColourMode, 1);
    EXPECT_TRUE(s.view.IsChecked(ID_COLOUR_MAP_FIRST + ColourMapViridis));
    EXPECT_FALSE(s.view.IsChecked(ID_COLOUR_MAP_FIRST + ColourMapClassic));
    EXPECT_EQ(s.svc.profile.GetInt("General", "ColourMap", -1), ColourMapViridis);
    // Monochrome is the grey mode, checked in both places.
    s.view.OnCommand(ID_COLOUR_MAP_FIRST + ColourMapMonochrome);
    EXPECT_EQ(s.view.ColourMode, 0);
    EXPECT_TRUE(s.view.IsChecked(ID_MONOCHROME));
    EXPECT_TRUE(s.view.IsChecked(ID_COLOUR_MAP_FIRST + ColourMapMonochrome));
    s.view.OnCommand(ID_MONOCHROME); // back to colour: the chosen map again
    EXPECT_TRUE(s.view.IsChecked(ID_COLOUR_MAP_FIRST + ColourMapViridis));
    s.view.OnCommand(ID_CONTINUOUS_SHADING);
    EXPECT_EQ(ps.Display.ContinuousShading, 1);
    EXPECT_EQ(s.svc.profile.GetInt("General", "bContinuousShading", -1), 1);
    // Every colour-map command has its name in the menu and a status-bar sentence.
    for (int map = 0; map < ColourMapCount; ++map) {
        EXPECT_EQ(CommandText(ID_COLOUR_MAP_FIRST + map), ColourMapName(map));
        EXPECT_FALSE(CommandHelp(ID_COLOUR_MAP_FIRST + map).empty());
    }
}

TEST(ViewerAdditions, PercentileDialogRefusesAnEmptyInterval)
{
    Session s;
    CPlotSettings& ps = *s.doc.PlotSettings;
    ps.ManualContour = 1;
    s.svc.ui.AnswerForm({true, {{"Lower percentile (%)", "5"}, {"Upper percentile (%)", "2"}}});
    s.view.OnCommand(ID_CLIP_PERCENTILES);
    EXPECT_EQ(ps.Display.ClipToPercentiles, 0);
    ASSERT_EQ(s.svc.ui.messages.size(), 1u);
    s.svc.ui.AnswerForm({true, {{"Lower percentile (%)", "2"}, {"Upper percentile (%)", "98"}}});
    s.view.OnCommand(ID_CLIP_PERCENTILES);
    EXPECT_EQ(ps.Display.ClipToPercentiles, 1);
    EXPECT_FLOAT_EQ(ps.Display.ClipLowPercent, 2.0f);
    EXPECT_FLOAT_EQ(ps.Display.ClipHighPercent, 98.0f);
    EXPECT_EQ(ps.ManualContour, 0); // the clip acts on the automatic range
    EXPECT_TRUE(s.view.IsChecked(ID_CLIP_PERCENTILES));
    s.view.OnCommand(ID_SYMMETRIC_ABOUT_ZERO);
    EXPECT_TRUE(s.view.IsChecked(ID_SYMMETRIC_ABOUT_ZERO));
}

TEST(ViewerAdditions, ClearVolumeAsksAboutChangesAndReopensTheModelCommands)
{
    Session s;
    CData3DEx& v = theVolume();
    EXPECT_FALSE(s.view.IsEnabled(ID_CLEAR_VOLUME));
    FillCoded(v, 8, 8, 8);
    v.PlaneIndex = 5;
    s.doc.SetModifiedFlag();
    EXPECT_TRUE(s.view.IsEnabled(ID_CLEAR_VOLUME));
    EXPECT_FALSE(s.view.IsEnabled(ID_RANDOM_MODEL));
    // Cancel at the save question keeps everything.
    s.svc.ui.AnswerMessage(Answer::Cancel);
    s.view.OnCommand(ID_CLEAR_VOLUME);
    EXPECT_EQ(v.NX, 8);
    EXPECT_EQ(v.Values[3][2][1], testing_support::Cell(1, 2, 3));
    // No: the changes are dropped and the volume is emptied.
    s.svc.ui.AnswerMessage(Answer::No);
    s.view.OnCommand(ID_CLEAR_VOLUME);
    EXPECT_EQ(v.NX, 0);
    EXPECT_EQ(v.NY, 0);
    EXPECT_EQ(v.NZ, 0);
    EXPECT_EQ(v.PlaneIndex, 0);
    EXPECT_FALSE(v.IsAllocated(1));
    EXPECT_FALSE(s.doc.IsModified());
    EXPECT_TRUE(s.view.IsEnabled(ID_RANDOM_MODEL));
    EXPECT_TRUE(s.view.IsEnabled(ID_VONKARMAN_RANDOM));
    EXPECT_EQ(s.svc.ui.messages.size(), 2u);
}

TEST(ViewerAdditions, ProfilesEqualThePlaneValuesAlongTheLines)
{
    CData3DEx v;
    FillCoded(v, 7, 5, 4);
    v.StartX = 10, v.StepX = 2, v.StartZ = -5, v.StepZ = 3, v.StepY = 4;
    for (int kind : {PlaneZ, PlaneY, PlaneX}) {
        int columns = 0, rows = 0;
        float hs = 0, vs = 0;
        v.GetPlaneGeometry(kind, columns, rows, hs, vs);
        const int index = 1, column = columns / 2, row = rows - 2;
        const CellProfiles p = ProfilesAt(v, kind, index, column, row);
        ASSERT_EQ(p.vertical.values.size(), static_cast<std::size_t>(rows));
        ASSERT_EQ(p.horizontal.values.size(), static_cast<std::size_t>(columns));
        for (int j = 0; j < rows; ++j)
            EXPECT_EQ(p.vertical.values[j], v.GetPlaneValue(kind, index, column, j));
        for (int i = 0; i < columns; ++i)
            EXPECT_EQ(p.horizontal.values[i], v.GetPlaneValue(kind, index, i, row));
        EXPECT_EQ(p.value, v.GetPlaneValue(kind, index, column, row));
        EXPECT_EQ(p.vertical.marked, row);
        EXPECT_EQ(p.horizontal.marked, column);
    }
    // XZ: rows run down Z from StartZ, columns along X from StartX.
    const CellProfiles p = ProfilesAt(v, PlaneY, 0, 2, 1);
    EXPECT_DOUBLE_EQ(p.vertical.coordinates[3], -5 + 3 * 3);
    EXPECT_DOUBLE_EQ(p.horizontal.coordinates[4], 10 + 4 * 2);
    EXPECT_EQ(p.vertical.axisTitle, "Z (m)");
    // XY: row 0 is the largest X.
    const CellProfiles z = ProfilesAt(v, PlaneZ, 0, 0, 0);
    EXPECT_DOUBLE_EQ(z.vertical.coordinates[0], 10 + 6 * 2);
    const std::string text = ProfileText(p.vertical);
    EXPECT_EQ(text.substr(0, text.find('\n')), "# Z (m) value");
    EXPECT_NE(text.find(platform::Format("\n%.9g %.9g\n", 4.0, double(v.Values[3][0][2]))),
              std::string::npos);
}

TEST(ViewerAdditions, CellAtPointFindsThePaintedCell)
{
    Session s;
    CData3DEx& v = theVolume();
    FillCoded(v, 30, 20, 10);
    v.PlaneKind = PlaneY;
    platform::RecordingSurface surface{platform::Rect{0, 0, 3000, -2000}};
    testing_support::TempDir dir;
    testing_support::ScopedCwd cwd{dir.path};
    s.view.OnDraw(surface);
    const SliceLayout l = s.view.CurrentLayout();
    ASSERT_TRUE(l.fittedScale);
    const SlicePoint c = l.CellCentre(17, 6);
    const std::optional<SliceCell> cell =
        s.view.CellAtPoint(static_cast<int>(c.x), static_cast<int>(c.y));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->column, 17);
    EXPECT_EQ(cell->row, 6);
    EXPECT_FALSE(s.view.CellAtPoint(10, -10));
    // The page ends with the picture: fitted, it is the window.
    const platform::Point page = s.view.PageExtent();
    EXPECT_LE(page.x, 3000 + 1);
    EXPECT_LE(page.y, 2000 + 1);
}

namespace {

// Every cell in use of a grid, [z][y][x].
std::vector<float> CellsOf(float*** g, int nx, int ny, int nz)
{
    std::vector<float> out;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            out.insert(out.end(), g[z][y], g[z][y] + nx);
    return out;
}

} // namespace

TEST(ViewerAdditions, CancelledSynthesisLeavesTheVolumeByteIdentical)
{
    Session s;
    testing_support::TempDir dir;
    testing_support::ScopedCwd cwd{dir.path};
    CData3DEx& v = theVolume();
    // The empty volume the model commands are made for: stopped at each stage in turn.
    for (int poll = 1; poll <= 4; ++poll) {
        s.svc.ui.cancelAtPoll = poll;
        s.svc.ui.AnswerForm({true, {{"Model size", "0"}}}); // 128 cells
        s.view.OnCommand(ID_VONKARMAN_RANDOM);
        EXPECT_EQ(v.NX, 0) << poll;
        EXPECT_EQ(v.NY, 0);
        EXPECT_EQ(v.NZ, 0);
        EXPECT_FALSE(v.IsAllocated(1));
        EXPECT_FALSE(s.doc.IsModified());
        EXPECT_TRUE(s.view.IsEnabled(ID_VONKARMAN_RANDOM));
    }
    // A volume with values and a spectral grid (a run from the command line, where the menu's
    // rule does not hold): every byte comes back.
    FillCoded(v, 12, 10, 8);
    v.AllocateAux(12, 10, 8);
    for (int z = 0; z < 8; ++z)
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x)
                v.AuxValues[z][y][x] = -testing_support::Cell(x, y, z);
    v.IsSpectrum = 1;
    const std::vector<float> values = CellsOf(v.Values, 12, 10, 8);
    const std::vector<float> aux = CellsOf(v.AuxValues, 12, 10, 8);
    s.svc.ui.cancelAtPoll = 2;
    s.svc.ui.AnswerForm({true, {{"Model size", "0"}}});
    s.view.OnCommand(ID_VONKARMAN_RANDOM);
    ASSERT_EQ(v.NX, 12);
    ASSERT_EQ(v.NY, 10);
    ASSERT_EQ(v.NZ, 8);
    EXPECT_EQ(v.IsSpectrum, 1);
    EXPECT_EQ(CellsOf(v.Values, 12, 10, 8), values);
    ASSERT_TRUE(v.IsAllocated(2));
    EXPECT_EQ(CellsOf(v.AuxValues, 12, 10, 8), aux);
}

TEST(ViewerAdditions, CancelledFDModelWritesNoFile)
{
    Session s;
    testing_support::TempDir dir;
    testing_support::ScopedCwd cwd{dir.path};
    const std::string model = dir.File("model.dat");
    s.svc.ui.cancelAtPoll = 3;
    s.svc.ui.AnswerSave(model);
    s.svc.ui.AnswerForm({true, {{"Model size", "0"}}});
    s.view.OnCommand(ID_VONKARMAN_RANDOM_FD3D);
    EXPECT_EQ(theVolume().NX, 0);
    // Neither the model nor a temporary file of it is left; scratch files may stay.
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        EXPECT_EQ(entry.path().filename().string().find("model.dat"), std::string::npos)
            << entry.path();
    // Without Cancel the same command finishes and writes the file.
    s.svc.ui.cancelAtPoll = 0;
    s.svc.ui.AnswerSave(model);
    s.svc.ui.AnswerForm({true, {{"Model size", "0"}}});
    s.view.OnCommand(ID_VONKARMAN_RANDOM_FD3D);
    EXPECT_EQ(theVolume().NX, 128);
    EXPECT_TRUE(std::filesystem::exists(model));
}
