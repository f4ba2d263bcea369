#include "plot/Fonts.h"
#include "plot/Settings.h"
#include "plot/SettingsFolder.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <fstream>

using testing_support::HeadlessServices;
using testing_support::ScopedEnv;
using testing_support::TempDir;

TEST(Settings, FloatsTravelAsSixDecimalText)
{
    HeadlessServices s;
    WriteSettingFloat("SCALE", 1000000.0f);
    EXPECT_EQ(s.profile.GetString("General", "SCALE", ""), "1000000.000000");
    float scale = 0;
    ReadSettingFloat("SCALE", scale);
    EXPECT_EQ(scale, 1000000.0f);

    WriteSettingFloat("Stretch0", 0.0000004f);
    float tiny = 5;
    ReadSettingFloat("Stretch0", tiny);
    EXPECT_EQ(tiny, 0.0f);

    // missing key and unparsable text both leave the variable as it was
    float keep = 2.5f;
    ReadSettingFloat("VonKarman_e", keep);
    EXPECT_EQ(keep, 2.5f);
    s.profile.WriteString("General", "VonKarman_e", "not a number");
    ReadSettingFloat("VonKarman_e", keep);
    EXPECT_EQ(keep, 2.5f);

    int nx = 7;
    ReadSettingInt("NX", nx);
    EXPECT_EQ(nx, 7);
    WriteSettingInt("NX", -12);
    ReadSettingInt("NX", nx);
    EXPECT_EQ(nx, -12);
    EXPECT_TRUE(s.profile.Has("General", "NX"));
}

namespace {

// Refuses to create one named folder level, as a folder without rights would.
class RefusingFileSystem : public platform::PosixFileSystem {
public:
    explicit RefusingFileSystem(std::string refused) : refused(std::move(refused)) {}
    bool CreateFolder(const std::string& path) override
    {
        return path == refused ? false : PosixFileSystem::CreateFolder(path);
    }
    std::string refused;
};

} // namespace

TEST(SettingsFolder, MakesTheTwoFixedLevelsAndReportsFailureAsEmpty)
{
    TempDir home;
    ScopedEnv env("KALDER_HOME", home.path + "/root");
    EXPECT_EQ(SettingsRoot(), home.path + "/root");
    std::string folder = GetSettingsFolder("Quillet");
    EXPECT_EQ(folder, home.path + "/root/Norvane/Pelorix/Quillet");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(GetSettingsFolder("Quillet"), folder); // existing levels are fine

    {
        // "Norvane" exists but "Pelorix" cannot be made: empty, not the first level
        TempDir other;
        ScopedEnv env2("KALDER_HOME", other.path);
        RefusingFileSystem fs(other.path + "/Norvane/Pelorix");
        platform::ScopedServices scope({nullptr, nullptr, &fs, nullptr, nullptr});
        EXPECT_EQ(GetSettingsFolder("Quillet"), "");
        EXPECT_TRUE(std::filesystem::is_directory(other.path + "/Norvane"));
    }
    {
        // a file where the first level should be
        TempDir other;
        ScopedEnv env2("KALDER_HOME", other.path);
        std::ofstream(other.path + "/Norvane") << "in the way";
        EXPECT_EQ(GetSettingsFolder("Quillet"), "");
    }
    {
        TempDir other;
        ScopedEnv env2("KALDER_HOME", "");
        ScopedEnv env3("XDG_DATA_HOME", other.path + "/xdg/");
        EXPECT_EQ(SettingsRoot(), other.path + "/xdg");
    }
}

TEST(Fonts, HeightFollowsTheWindowsVersionRuleOnlyOnWindows)
{
    struct Case {
        const char* system;
        int major, minor;
        int text, title;
    };
    const Case cases[] = {{"Windows", 6, 2, 35, 40},  {"Windows", 6, 1, 52, 60},
                          {"Windows", 6, 0, 52, 60},  {"Windows", 6, 3, 52, 60},
                          {"Windows", 10, 0, 35, 40}, {"Windows", 5, 1, 35, 40},
                          {"Linux", 6, 1, 35, 40},    {"Linux", 6, 18, 35, 40}};
    for (const Case& c : cases) {
        HeadlessServices s;
        s.os.info = {c.system, c.major, c.minor};
        CFontSetup setup;
        InitFontSetup(setup);
        EXPECT_EQ(CreateTextFont(setup).height, c.text) << c.system << c.major << c.minor;
        EXPECT_EQ(CreateTitleFont(setup).height, c.title) << c.system << c.major << c.minor;
        platform::FontDesc rotated = CreateRotatedFont(setup);
        EXPECT_EQ(rotated.height, c.text);
        EXPECT_EQ(rotated.escapement, -900);
        EXPECT_EQ(LatinFont().escapement, 0); // the template is set back after a rotated font
        EXPECT_EQ(rotated.face, "Arial");
        EXPECT_EQ(rotated.pitchAndFamily, 0x11);
        EXPECT_EQ(rotated.charSet, 0);
    }
}

TEST(Settings, HandEditedValuesOutsideTheirRangeOrNotNumbersKeepTheDefault)
{
    HeadlessServices s;
    auto readInt = [&](const std::string& text, int def, int min = INT_MIN, int max = INT_MAX) {
        s.profile.WriteString("General", "K", text);
        int v = def;
        ReadSettingInt("K", v, min, max);
        return v;
    };
    auto readFloat = [&](const std::string& text, float def, float min = -SettingFloatMax,
                         float max = SettingFloatMax) {
        s.profile.WriteString("General", "F", text);
        float v = def;
        ReadSettingFloat("F", v, min, max);
        return v;
    };
    EXPECT_EQ(readInt(" 42 ", 7), 42);
    EXPECT_EQ(readInt("+42", 7), 42);
    EXPECT_EQ(readInt("-42", 7), -42);
    EXPECT_EQ(readInt("yes", 7), 7); // not 0, as the profile's own integer read gives
    EXPECT_EQ(readInt("12abc", 7), 7);
    EXPECT_EQ(readInt("", 7), 7);
    EXPECT_EQ(readInt("99999999999", 7), 7);
    EXPECT_EQ(readInt("99", 1, 1, 5), 1);
    EXPECT_EQ(readInt("5", 1, 1, 5), 5);
    EXPECT_EQ(readInt("0", 1, 1, 5), 1);

    EXPECT_EQ(readFloat("2.500000", 1), 2.5f);
    EXPECT_EQ(readFloat("nan", 1), 1.0f);
    EXPECT_EQ(readFloat("-inf", 1), 1.0f);
    EXPECT_EQ(readFloat("1e39", 1), 1.0f); // beyond float
    EXPECT_EQ(readFloat("0x10", 1), 1.0f);
    EXPECT_EQ(readFloat("3.5 km", 1), 1.0f);
    EXPECT_EQ(readFloat("0", 1e6f, 100.0f, 1e10f), 1e6f);
    EXPECT_EQ(readFloat("-5", 1e6f, 100.0f, 1e10f), 1e6f);
    EXPECT_EQ(readFloat("250000", 1e6f, 100.0f, 1e10f), 250000.0f);

    // A binding carries its range into the loop.
    int flag = 1;
    float factor = 1;
    s.profile.WriteString("General", "bFlag", "2");
    s.profile.WriteString("General", "Factor", "1e30");
    ReadSettings({IntSetting("bFlag", flag, 0, 1), FloatSetting("Factor", factor, 0.01f, 100)});
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(factor, 1.0f);
}
