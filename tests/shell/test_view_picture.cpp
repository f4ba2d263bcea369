// The view's picture as the user reads it: the cursor readout names the cell painted under the
// cursor, and the axis titles name the unit the labels are written in.

#include "platform/RecordingSurface.h"
#include "shell/CommandIds.h"
#include "shell/KalderDoc.h"
#include "shell/KalderView.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using platform::OpKind;
using platform::RecordingSurface;
using testing_support::FillCoded;

namespace {

// A view on theVolume with a fresh document, in a scratch home and working directory.
struct Window {
    testing_support::HeadlessServices services;
    testing_support::TempDir home;
    testing_support::ScopedEnv env{"KALDER_HOME", home.path};
    testing_support::ScopedCwd cwd{home.path};
    CKalderDoc doc;
    CKalderView view{doc};
    CData3DEx& v = theVolume();

    Window()
    {
        FillCoded(v, 12, 3, 64);
        v.StepX = v.StepY = v.StepZ = 1000; // 10 units per cell at the default 1/1000000
        v.StartX = v.StartY = v.StartZ = 0;
        v.TitleX = "X", v.TitleY = "Y", v.TitleZ = "Z";
        v.UnitX = v.UnitY = v.UnitZ = "m";
        v.FixedScale = 1, v.ZAxisDown = 1, v.DrawColourScale = 1, v.DataType = 0;
        v.PlaneKind = PlaneY;
        v.PlaneIndex = 1;
        v.Stretch->Reset();
        // The described map scale, not the fitted first start.
        doc.PlotSettings->Display.FitToWindow = 0;
    }
    ~Window()
    {
        v.Stretch->Reset();
        v.PlaneKind = PlaneZ;
        v.PlaneIndex = 0;
    }
};

// The text drawn with a font of this escapement and height, after the three header lines.
std::vector<std::string> TextsInFont(const RecordingSurface& s, int escapement, int height)
{
    std::vector<std::string> out;
    for (const auto& op : s.OpsOf(OpKind::Text))
        if (op.font.escapement == escapement && op.font.height == height)
            out.push_back(op.text);
    return out;
}

} // namespace

TEST(ViewPicture, ReadoutNamesTheRowPaintedUnderTheCursorWhateverTheStretch)
{
    Window w;
    struct Table {
        int nArea;
        int cells[4];
        float factors[4];
    };
    // As the "Set Z axis stretch" dialog leaves them: four rows, NArea untouched.
    const Table tables[] = {
        {1, {20, 1000, 0, 0}, {3, 1, 1, 1}}, // areas in use end at row 20 of 64
        {2, {10, 100, 0, 0}, {1, 2, 1, 1}},  // the second area runs past NZ
        {4, {5, 5, 5, 5}, {2, 0.5f, 4, 1}},  // four short areas, 44 rows left
        {1, {64, 0, 0, 0}, {1.5f, 1, 1, 1}}, // exactly NZ
    };
    for (const Table& t : tables) {
        StretchInfo& st = *w.v.Stretch;
        st.StretchOn = 1;
        st.NArea = t.nArea;
        for (int k = 0; k < 4; ++k)
            st.Boundary[k] = t.cells[k], st.Stretch[k] = t.factors[k];
        RecordingSurface surface;
        w.view.OnDraw(surface);
        const auto images = surface.OpsOf(OpKind::Image);
        // Image rows from the top down are plane rows 0, 1, 2, ...: read each painted row's
        // middle back through the readout.
        int row = 0;
        for (const auto& op : images) {
            const int top = op.args[1], height = op.args[3];
            for (int r = 0; r < op.image.Height(); ++r, ++row) {
                const int y =
                    top - static_cast<int>(std::floor((r + 0.5) * height / op.image.Height()));
                const int x = op.args[0] + 35; // column 3 of 10-unit columns
                const std::string readout = w.view.DescribePoint(x, y);
                if (row >= w.v.NZ) {
                    EXPECT_EQ(readout, "") << "area rows beyond NZ, row " << row;
                    continue;
                }
                const std::string expected = "Column 3, Row " + std::to_string(row) + " ";
                EXPECT_EQ(readout.substr(0, expected.size()), expected)
                    << "NArea " << t.nArea << ", painted row " << row;
            }
        }
        EXPECT_GE(row, w.v.NZ) << "NArea " << t.nArea << ": every row of the section is drawn";
    }
}

TEST(ViewPicture, AxisTitlesNameTheUnitOfTheLabels)
{
    Window w;
    ASSERT_EQ(w.view.bKiloMeter, 1); // the default
    RecordingSurface surface;
    w.view.OnDraw(surface);
    EXPECT_EQ(TextsInFont(surface, 0, 40), std::vector<std::string>{"X (km)"});
    EXPECT_EQ(TextsInFont(surface, -900, 35), std::vector<std::string>{"Z (km)"});

    // "Axis setup", OK with the values offered: the titles keep their unit.
    w.services.ui.AnswerForm({true, {}});
    w.view.OnCommand(ID_AXIS_SETUP);
    ASSERT_EQ(w.doc.PlotSettings->ManualAxis, 1);
    RecordingSurface manual;
    w.view.OnDraw(manual);
    EXPECT_EQ(TextsInFont(manual, 0, 40), std::vector<std::string>{"X (km)"});
    EXPECT_EQ(TextsInFont(manual, -900, 35), std::vector<std::string>{"Z (km)"});

    // Labels in metres: the titles say metres.
    w.view.OnCommand(ID_KILOMETER);
    ASSERT_EQ(w.view.bKiloMeter, 0);
    RecordingSurface metres;
    w.view.OnDraw(metres);
    EXPECT_EQ(TextsInFont(metres, 0, 40), std::vector<std::string>{"X (m)"});
    EXPECT_EQ(TextsInFont(metres, -900, 35), std::vector<std::string>{"Z (m)"});
}
