#include "RandomMediaTestSupport.h"

#include "platform/Form.h"
#include "platform/RecordingSurface.h"
#include "random_media/RandomModelCommands.h"
#include "random_media/RandomModelDialog.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using rm_test::Numbers;
using rm_test::ReadLines;
using rm_test::ScratchCwd;

namespace {

const char* const kCaption = "Random heterogeneous model(3D) ";

bool AnyVonKarmanKey(const platform::MemoryProfile& profile)
{
    for (const auto& [key, value] : profile.entries)
        if (key.second.rfind("VonKarman_", 0) == 0)
            return true;
    return false;
}

std::string Stored(const platform::MemoryProfile& profile, const std::string& key)
{
    auto it = profile.entries.find({"General", key});
    return it == profile.entries.end() ? "<missing>" : it->second;
}

// The dialog as it opens with the current profile.
platform::Form OpenedDialog(CDlgRandomModel3D& dlg)
{
    RandomModelSettings s;
    ReadRandomModelSettings(s);
    dlg.From(s);
    platform::Form form(kCaption);
    dlg.Describe(form);
    return form;
}

std::string Shown(const platform::Form& form, const std::string& label)
{
    const int i = form.FindField(label);
    return i < 0 ? "<no field>" : form.FieldText(static_cast<std::size_t>(i));
}

double StdDev(const CData3D& v)
{
    double mean = 0, sum = 0;
    const double n = static_cast<double>(v.NX) * v.NY * v.NZ;
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y)
            for (int x = 0; x < v.NX; ++x)
                mean += v.Values[z][y][x];
    mean /= n;
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y)
            for (int x = 0; x < v.NX; ++x)
                sum += (v.Values[z][y][x] - mean) * (v.Values[z][y][x] - mean);
    return std::sqrt(sum / n);
}

} // namespace

TEST(RandomModelDialog, OpensWithDefaultsOnAnEmptyProfile)
{
    testing_support::HeadlessServices services;
    CDlgRandomModel3D dlg;
    const platform::Form form = OpenedDialog(dlg);
    EXPECT_EQ(form.caption, kCaption);
    EXPECT_EQ(Shown(form, "ax : correlation distance (m)"), "5");
    EXPECT_EQ(Shown(form, "ay : correlation distance (m)"), "5");
    EXPECT_EQ(Shown(form, "az : correlation distance (m)"), "5");
    EXPECT_EQ(Shown(form, "e : standard deviation (%)"), "10");
    EXPECT_EQ(Shown(form, "h : Hurst constant"), "0.5");
    EXPECT_EQ(Shown(form, "Angle between X and Z (degree)  "), "0");
    EXPECT_EQ(Shown(form, "Random seed noise"), "0");
    EXPECT_EQ(Shown(form, "Auto correlation function"), "2");
    EXPECT_EQ(Shown(form, "Model size"), "1");
    EXPECT_EQ(Shown(form, "VP(m/sec)"), "1730");
    EXPECT_EQ(Shown(form, "VS(m/sec)"), "440");
    EXPECT_EQ(Shown(form, "Density(kg/m3)"), "1900");
    const auto& types =
        form.fields[static_cast<std::size_t>(form.FindField("Auto correlation function"))];
    EXPECT_EQ(types.choices,
              (std::vector<std::string>{"Homogeneous model", "Read velocity model", "Random noise",
                                        "Von Karman model", "Exponential model"}));
    const auto& sizes = form.fields[static_cast<std::size_t>(form.FindField("Model size"))];
    EXPECT_EQ(sizes.choices,
              (std::vector<std::string>{"128 * 128 *128", "256 * 256 * 256", "512 * 512 * 512"}));
    EXPECT_GE(form.FindField("Background"), 0);
    EXPECT_EQ(ModelCellCount(0), 128);
    EXPECT_EQ(ModelCellCount(1), 256);
    EXPECT_EQ(ModelCellCount(2), 512);
    EXPECT_EQ(ModelCellCount(-1), 128);
    EXPECT_EQ(ModelCellCount(7), 128);
}

TEST(VonKarmanAutoCorrelationCommand, CancelOkProfileRoundTripAndUnselectedSize)
{
    ScratchCwd cwd;
    testing_support::HeadlessServices services;
    CData3DEx v;

    // Cancel: nothing written, nothing changed; the report exists, empty
    services.ui.CancelForm();
    CommandResult o = VonKarmanAutoCorrelationCommand(v);
    EXPECT_EQ(o.Done, 0);
    EXPECT_FALSE(o.Repaint);
    EXPECT_EQ(v.NX, 0);
    EXPECT_FALSE(v.IsAllocated(1));
    EXPECT_FALSE(AnyVonKarmanKey(services.profile));
    EXPECT_EQ(services.ui.formCaptions, std::vector<std::string>{kCaption});
    ASSERT_TRUE(std::filesystem::exists("VonKarmanModel3D.txt"));
    EXPECT_EQ(std::filesystem::file_size("VonKarmanModel3D.txt"), 0u);

    // OK after one refused text: exponential, 128 cells, az = 12, e = 5 %
    services.ui.AnswerForm({true, {{"ax : correlation distance (m)", "abc"}}});
    services.ui.AnswerForm({true,
                            {{"Auto correlation function", "4"},
                             {"Model size", "0"},
                             {"az : correlation distance (m)", "12"},
                             {"e : standard deviation (%)", "5"}}});
    o = VonKarmanAutoCorrelationCommand(v);
    EXPECT_EQ(services.ui.MessageTexts(), std::vector<std::string>{"Enter a number."});
    EXPECT_EQ(o.Done, 1);
    EXPECT_TRUE(o.Changed);
    EXPECT_TRUE(o.Repaint);
    ASSERT_EQ(v.NX, 128);
    ASSERT_EQ(v.NY, 128);
    ASSERT_EQ(v.NZ, 128);
    EXPECT_FLOAT_EQ(v.Values[64][64][64], 0.05f * 0.05f);
    EXPECT_FLOAT_EQ(v.Values[64][64][69], 0.05f * 0.05f * std::exp(-1.0f));
    EXPECT_FLOAT_EQ(v.Values[76][64][64], 0.05f * 0.05f * std::exp(-1.0f));
    EXPECT_EQ(Stored(services.profile, "VonKarman_e"), "0.050000");
    EXPECT_EQ(Stored(services.profile, "VonKarman_az"), "12.000000");
    EXPECT_EQ(Stored(services.profile, "VonKarman_iFunction"), "4");
    EXPECT_EQ(Stored(services.profile, "VonKarman_vs"), "440.000000");
    {
        CDlgRandomModel3D dlg;
        const platform::Form form = OpenedDialog(dlg);
        EXPECT_EQ(Shown(form, "az : correlation distance (m)"), "12");
        EXPECT_EQ(Shown(form, "e : standard deviation (%)"), "5");
    }

    // A stored size index that names no button: confirmed as -1, a 128-cell cube
    services.profile.WriteInt("General", "VonKarman_model_size", 7);
    services.ui.AnswerForm({true, {}});
    o = VonKarmanAutoCorrelationCommand(v);
    EXPECT_EQ(o.Done, 1);
    EXPECT_EQ(Stored(services.profile, "VonKarman_model_size"), "-1");
    EXPECT_EQ(v.NX, 128);

    // A correlation distance of 0: result 0, no repaint, the cube holds zeros
    services.ui.AnswerForm({true, {{"ax : correlation distance (m)", "0"}}});
    o = VonKarmanAutoCorrelationCommand(v);
    EXPECT_EQ(o.Done, 0);
    EXPECT_FALSE(o.Repaint);
    EXPECT_EQ(v.NX, 128);
    EXPECT_EQ(v.Values[64][64][64], 0.0f);
    EXPECT_EQ(std::filesystem::file_size("VonKarmanModel3D.txt"), 0u);
}

TEST(VonKarmanRandomCommand, UnitFieldOnTheCube)
{
    ScratchCwd cwd;
    testing_support::HeadlessServices services;
    platform::RecordingSurface surface;
    CData3DEx v;
    services.ui.AnswerForm({true, {{"Auto correlation function", "4"}, {"Model size", "0"}}});
    const CommandResult o = VonKarmanRandomCommand(v, surface);
    EXPECT_EQ(o.Done, 1);
    EXPECT_TRUE(o.Changed);
    EXPECT_TRUE(o.Repaint);
    ASSERT_EQ(v.NX, 128);
    EXPECT_NEAR(StdDev(v), 1.0, 1e-4);
    EXPECT_EQ(v.IsSpectrum, 0);
    EXPECT_FALSE(v.IsAllocated(0));
    EXPECT_NE(surface.FindText("nfftx=128 : nffty=128 : nfftz=128 "), nullptr);
}

TEST(VonKarmanRandomFD3DCommand, SaveDialogCancelBadPathAndModelAt128)
{
    ScratchCwd cwd;
    testing_support::HeadlessServices services;
    platform::RecordingSurface surface;
    CData3DEx v;

    // Cancel in the save dialog: no model dialog, nothing written
    CommandResult o = VonKarmanRandomFD3DCommand(v, surface);
    EXPECT_EQ(o.Done, 0);
    EXPECT_EQ(services.ui.saveNames, std::vector<std::string>{"*.dat"});
    EXPECT_TRUE(services.ui.formCaptions.empty());
    EXPECT_FALSE(AnyVonKarmanKey(services.profile));
    EXPECT_EQ(v.NX, 0);

    // A folder that does not exist: said so before the volume changes
    services.ui.AnswerSave(cwd.File("missing/model.dat"));
    services.ui.AnswerForm({true, {{"Model size", "0"}}});
    o = VonKarmanRandomFD3DCommand(v, surface);
    EXPECT_EQ(o.Done, 0);
    EXPECT_FALSE(o.Repaint);
    ASSERT_EQ(services.ui.messages.size(), 1u);
    EXPECT_NE(services.ui.messages[0].text.find("missing/model.dat"), std::string::npos);
    EXPECT_EQ(v.NX, 0);
    EXPECT_FALSE(v.IsAllocated(1));

    // The whole model at 128 cells, Von Karman
    services.ui.ClearLog();
    const std::string path = cwd.File("model.dat");
    services.ui.AnswerSave(path);
    services.ui.AnswerForm({true, {{"Auto correlation function", "3"}, {"Model size", "0"}}});
    o = VonKarmanRandomFD3DCommand(v, surface);
    EXPECT_EQ(o.Done, 1);
    EXPECT_TRUE(o.Changed);
    EXPECT_TRUE(o.Repaint);
    EXPECT_TRUE(services.ui.messages.empty());
    ASSERT_EQ(v.NX, 128);
    ASSERT_EQ(std::filesystem::file_size(path), 41943068u);
    EXPECT_TRUE(std::filesystem::exists("utility.txt"));

    // block 2 of the file is the volume, cell for cell
    const std::size_t n = 128u * 128u * 128u;
    std::vector<float> block(n);
    {
        std::ifstream in(path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(28 + 4 * n));
        in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(4 * n));
        ASSERT_TRUE(in);
    }
    std::size_t i = 0, mismatches = 0;
    for (int z = 0; z < 128; ++z)
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                mismatches += v.Values[z][y][x] != block[i++];
    EXPECT_EQ(mismatches, 0u);
    // e vs = 44 m/s around the background of 440 m/s
    EXPECT_NEAR(StdDev(v), 44.0, 0.01);

    const std::vector<std::string> lines = ReadLines("VonKarmanModel3D.txt");
    ASSERT_EQ(lines.size(), 2u + 128u + 3u + 10u);
    const std::vector<double> level0 = Numbers(lines[2]);
    ASSERT_EQ(level0.size(), 11u);
    EXPECT_EQ(level0[0], 0.0);
    EXPECT_NEAR(level0[1], v.Values[0][64][64], 1e-3);
    EXPECT_NEAR(level0[3], v.Values[0][64][44], 1e-3);
    EXPECT_NEAR(level0[9], v.Values[0][84][64], 1e-3);
    EXPECT_EQ(lines[130], "Number of data=2097152 ");
}

TEST(RandomVelocityModelCommand, FixedSeedNoiseCube)
{
    testing_support::HeadlessServices services;
    CData3DEx v;
    const CommandResult o = RandomVelocityModelCommand(v);
    EXPECT_EQ(o.Done, 1);
    EXPECT_TRUE(o.Repaint);
    EXPECT_TRUE(o.Changed); // new values: the range is scanned again
    ASSERT_EQ(v.NX, 256);
    ASSERT_EQ(v.NY, 256);
    ASSERT_EQ(v.NZ, 256);
    EXPECT_EQ(v.Values[0][0][0], 71.0f / 32768.0f - 0.5f);
    float lo = 1, hi = -1;
    for (int z = 0; z < 256; ++z)
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                lo = std::min(lo, v.Values[z][y][x]);
                hi = std::max(hi, v.Values[z][y][x]);
            }
    EXPECT_GE(lo, -0.5f);
    EXPECT_LT(hi, 0.5f);
    EXPECT_EQ(v.StepX, 1.0f);
}
