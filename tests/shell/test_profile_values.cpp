// A hand-edited profile with values the program cannot use: each is replaced by its default (or
// clamped) when read at start-up, and the window shows the same picture as with the defaults,
// inside the window.
#include "ShellTestSupport.h"

#include "platform/RecordingSurface.h"
#include "render/PlotSettings.h"
#include "support/VolumeBuilders.h"

#include <gtest/gtest.h>

#include <map>

using platform::OpKind;
using platform::RecordingSurface;

namespace {

// The values of a profile as the user left them in the file, all in section "General".
void Edit(platform::MemoryProfile& profile, const std::map<std::string, std::string>& values)
{
    for (const auto& [key, value] : values)
        profile.WriteString("General", key, value);
}

// The window painted at start-up with this profile: a fresh volume, document and view, a
// small XZ section fitted to the window.
RecordingSurface Paint(const std::map<std::string, std::string>& values)
{
    testing_support::HeadlessServices svc;
    Edit(svc.profile, values);
    testing_support::TempDir home;
    testing_support::ScopedEnv env("KALDER_HOME", home.path);
    testing_support::ScratchWorkingDir cwd;
    shell_test::ResetVolume(); // a new volume reads the stretch keys, as at start-up
    RecordingSurface surface;
    {
        CKalderDoc doc;
        CKalderView view(doc);
        CData3DEx& v = theVolume();
        testing_support::FillCoded(v, 8, 3, 6);
        v.StepX = v.StepY = v.StepZ = 1000;
        v.FixedScale = 0;
        v.PlaneKind = PlaneY;
        view.OnDraw(surface);
    }
    shell_test::ResetVolume();
    return surface;
}

// Every image and line of the picture lies in the window's client rectangle.
void ExpectInside(const RecordingSurface& s)
{
    const platform::Rect c = s.client;
    for (const auto& op : s.OpsOf(OpKind::Image)) {
        EXPECT_GE(op.args[0], c.left);
        EXPECT_LE(op.args[0] + op.args[2], c.right);
        EXPECT_LE(op.args[1], c.top);
        EXPECT_GE(op.args[1] - op.args[3], c.bottom);
    }
    for (const auto& op : s.OpsOf(OpKind::LineTo)) {
        EXPECT_GE(op.args[0], c.left);
        EXPECT_LE(op.args[0], c.right);
        EXPECT_LE(op.args[1], c.top);
        EXPECT_GE(op.args[1], c.bottom);
    }
}

} // namespace

TEST(ProfileValues, AbsurdValuesKeepTheirDefaults)
{
    testing_support::HeadlessServices svc;
    Edit(svc.profile, {{"SCALE", "-5"},
                       {"NArea", "99"},
                       {"StretchOn", "7"},
                       {"Boundary0", "-20"},
                       {"Stretch0", "0"},
                       {"Stretch1", "-2.5"},
                       {"Stretch2", "nan"},
                       {"Stretch3", "1e30"},
                       {"Stretch4", "inf"},
                       {"bReadStretchInfo", "yes"},
                       {"NX", "-64"},
                       {"NY", "lots"},
                       {"bKiloMeter", "2"},
                       {"yMinPick", "NaN"}});
    CPlotSettings settings;
    EXPECT_EQ(settings.ScaleDenominator, 1000000.0f);
    CData3DEx volume;
    const StretchInfo& st = *volume.Stretch;
    EXPECT_EQ(st.NArea, StretchInfo::MaxAreas); // clamped
    EXPECT_EQ(st.StretchOn, 0);
    EXPECT_EQ(st.Boundary[0], 1000);
    for (int i = 0; i < StretchInfo::MaxAreas; ++i)
        EXPECT_EQ(st.Stretch[i], 1.0f) << i;
    EXPECT_EQ(volume.bReadStretchInfo, 1); // the default

    shell_test::Session s;
    Edit(s.svc.profile, {{"NX", "-64"}, {"NY", "lots"}, {"NZ", "12"}, {"bKiloMeter", "2"},
                         {"yMinPick", "NaN"}});
    CKalderView view(s.doc);
    EXPECT_EQ(view.RememberedNX, 0);
    EXPECT_EQ(view.RememberedNY, 0);
    EXPECT_EQ(view.RememberedNZ, 12);
    EXPECT_EQ(view.bKiloMeter, 1);
}

TEST(ProfileValues, UsableValuesAreRead)
{
    testing_support::HeadlessServices svc;
    Edit(svc.profile, {{"SCALE", " 250000.000000"},
                       {"NArea", "0"},
                       {"Stretch1", "+2.500000"},
                       {"Boundary1", "30"},
                       {"StretchOn", "1"},
                       {"bReadStretchInfo", "0"}});
    CPlotSettings settings;
    EXPECT_EQ(settings.ScaleDenominator, 250000.0f);
    CData3DEx volume;
    EXPECT_EQ(volume.Stretch->NArea, 1); // clamped up
    EXPECT_EQ(volume.Stretch->Stretch[1], 2.5f);
    EXPECT_EQ(volume.Stretch->Boundary[1], 30);
    EXPECT_EQ(volume.Stretch->StretchOn, 1);
    EXPECT_EQ(volume.bReadStretchInfo, 0);
}

TEST(ProfileValues, AbsurdProfileDrawsTheDefaultPictureInsideTheWindow)
{
    const RecordingSurface defaults = Paint({});
    const RecordingSurface absurd = Paint({{"SCALE", "0"},
                                                 {"NArea", "-3"},
                                                 {"StretchOn", "one"},
                                                 {"Boundary0", "-1"},
                                                 {"Stretch0", "-1e38"},
                                                 {"bKiloMeter", "99"},
                                                 {"bReadStretchInfo", "nan"}});
    ASSERT_FALSE(defaults.OpsOf(OpKind::Image).empty());
    EXPECT_EQ(absurd.Describe(), defaults.Describe());
    ExpectInside(defaults);
}
