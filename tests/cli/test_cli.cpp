// kalder-cli run as a program on temporary files; every result is compared with the window's own
// command run in this process, or with an independent computation.

#include "CliRunner.h"

#include "platform/BinaryFile.h"
#include "platform/Surface.h"
#include "platform/TextFile.h"
#include "random_media/MedianFilterCommand.h"
#include "random_media/RandomModelCommands.h"
#include "regional/AverageVelocity.h"
#include "regional/StationModel.h"
#include "render/ColorPalette.h"
#include "spectral/SpectralCommands.h"
#include "support/TestServices.h"
#include "support/Tolerances.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"
#include "volume/SnapshotSeries.h"
#include "volume/VolumeFile.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

using testing_support::CliRun;
using testing_support::ReadWholeFile;
using testing_support::RunCli;

namespace {

class CliTest : public ::testing::Test {
protected:
    // Writes a volume file of Cell(x, y, z) values in the test folder.
    std::string SaveCoded(const std::string& name, int nx, int ny, int nz, float offset = 0)
    {
        CData3D v;
        testing_support::FillCoded(v, nx, ny, nz, offset);
        v.StepX = 2, v.StepY = 3, v.StepZ = 4;
        v.StartX = 10, v.StartY = 20, v.StartZ = 30;
        const std::string path = dir.File(name);
        EXPECT_TRUE(SaveVolumeFile(v, path));
        return path;
    }
    // Reads a volume file with its trailer.
    static bool Load(const std::string& path, CData3D& v)
    {
        auto file = platform::OpenBinaryRead(path);
        bool refused = true;
        if (file)
            v.ReadVolume(*file, 1, nullptr, &refused);
        return file && !refused;
    }
    CliRun Run(const std::vector<std::string>& args) { return RunCli(dir.path, args); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.File(name)); }
    // Nothing but what the test made: no partial output, no temporary file left behind.
    std::size_t FileCount() const
    {
        std::size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path))
            n += e.path().filename().string().rfind(".cli-", 0) != 0;
        return n;
    }

    testing_support::TempDir dir;
    testing_support::ScopedEnv home{"KALDER_HOME", dir.path + "/home"};
    // the documents' working folder exists from the start: only what a run writes is counted
    bool homeMade = std::filesystem::create_directories(dir.path + "/home");
    testing_support::HeadlessServices services;
};

// An FD 3D model file: header, the thickness flag 0, five components; component c holds
// Cell(x, y, z, 1000 c + offset).
void WriteFDModel(const std::string& path, int nx, int ny, int nz, float offset = 0)
{
    std::ofstream f(path, std::ios::binary);
    const std::int32_t ints[3] = {nx, ny, nz};
    const float steps[3] = {100, 100, 50};
    const std::int32_t flag = 0;
    f.write(reinterpret_cast<const char*>(ints), 12);
    f.write(reinterpret_cast<const char*>(steps), 12);
    f.write(reinterpret_cast<const char*>(&flag), 4);
    for (int c = 0; c < 5; ++c)
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                for (int x = 0; x < nx; ++x) {
                    const float v = testing_support::Cell(x, y, z, offset + 1000.0f * c);
                    f.write(reinterpret_cast<const char*>(&v), 4);
                }
}

bool SameValues(const CData3D& a, const CData3D& b)
{
    return a.NX == b.NX && a.NY == b.NY && a.NZ == b.NZ &&
           testing_support::Flatten(a) == testing_support::Flatten(b);
}

TEST_F(CliTest, Info_ReportsTheHeaderRangeAndSize_AsTextAndJson)
{
    const std::string path = SaveCoded("a.vol", 4, 3, 2);
    CliRun text = Run({"info", "a.vol"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("extents:        4 x 3 x 2 cells"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("steps:          2 3 4"), std::string::npos);
    EXPECT_NE(text.out.find("starts:         10 20 30"), std::string::npos);
    EXPECT_NE(text.out.find("header version: 3"), std::string::npos);
    EXPECT_NE(text.out.find("max:            123"), std::string::npos); // Cell(3, 2, 1)

    SaveCoded("b.vol", 2, 2, 2, -5);
    CliRun json = Run({"info", "--json", "a.vol", "b.vol"});
    ASSERT_EQ(json.status, 0) << json.err;
    const std::string size = std::to_string(std::filesystem::file_size(path));
    EXPECT_EQ(json.out.front(), '[');
    EXPECT_NE(json.out.find("\"bytes\": " + size), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"extents\": [4, 3, 2]"), std::string::npos);
    EXPECT_NE(json.out.find("\"min\": -5, \"max\": 106"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"stretch\": {\"on\": 0"), std::string::npos);
}

TEST_F(CliTest, Convert_RoundTripsVolumeRawNumpyAndReadsOneFDComponent)
{
    SaveCoded("a.vol", 5, 4, 3);
    CData3D original;
    ASSERT_TRUE(Load(dir.File("a.vol"), original));

    ASSERT_EQ(Run({"convert", "a.vol", "a.raw", "--to", "raw"}).status, 0);
    EXPECT_EQ(std::filesystem::file_size(dir.File("a.raw")), 5u * 4 * 3 * 4);
    CliRun back = Run({"convert", "a.raw", "b.vol", "--dims", "5,4,3", "--steps", "2,3,4"});
    ASSERT_EQ(back.status, 0) << back.err;
    CData3D raw;
    ASSERT_TRUE(Load(dir.File("b.vol"), raw));
    EXPECT_TRUE(SameValues(original, raw));
    EXPECT_EQ(raw.StepY, 3.0f);

    ASSERT_EQ(Run({"convert", "a.vol", "a.npy"}).status, 0);
    EXPECT_EQ(ReadWholeFile(dir.File("a.npy")).substr(1, 5), "NUMPY");
    ASSERT_EQ(Run({"convert", "a.npy", "c.vol"}).status, 0);
    CData3D npy;
    ASSERT_TRUE(Load(dir.File("c.vol"), npy));
    EXPECT_TRUE(SameValues(original, npy));

    WriteFDModel(dir.File("m.dat"), 3, 2, 2);
    CliRun fd = Run({"convert", "m.dat", "s.vol", "--component", "1"});
    ASSERT_EQ(fd.status, 0) << fd.err;
    CData3D s;
    ASSERT_TRUE(Load(dir.File("s.vol"), s));
    ASSERT_EQ(s.NX, 3);
    EXPECT_EQ(s.Values[1][1][2], testing_support::Cell(2, 1, 1, 1000.0f));
    EXPECT_EQ(s.StepZ, 50.0f);
}

TEST_F(CliTest, Random_Seed10GivesTheModelCommandsBytes_ReportInTheWorkdir)
{
    std::filesystem::create_directory(dir.File("work"));
    CliRun run = Run({"random", "-o", "cli.dat", "--size", "128", "--type", "exponential", "--ax",
                      "8", "--e", "5", "--vs", "500", "--seed", "10", "--workdir", "work"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Exists("work/VonKarmanModel3D.txt"));
    EXPECT_FALSE(Exists("VonKarmanModel3D.txt"));

    // The window's command with the same answers, in a folder of its own.
    testing_support::TempDir windowDir;
    testing_support::ScopedCwd cwd(windowDir.path);
    services.ui.AnswerSave(windowDir.File("window.dat"));
    services.ui.AnswerForm({true,
                            {{"Auto correlation function", "4"},
                             {"ax : correlation distance (m)", "8"},
                             {"e : standard deviation (%)", "5"},
                             {"Model size", "0"},
                             {"VS(m/sec)", "500"}}});
    CData3D volume;
    platform::ProgressSurface surface;
    ASSERT_EQ(VonKarmanRandomFD3DCommand(volume, surface).Done, 1);
    const std::string cli = ReadWholeFile(dir.File("cli.dat"));
    EXPECT_EQ(cli.size(), 41943068u);
    EXPECT_TRUE(cli == ReadWholeFile(windowDir.File("window.dat")));

    // another seed: the unit field of the window's command seeded the same way
    run = Run({"random", "--field", "f.vol", "--size", "128", "--type", "vonkarman", "--seed", "11",
               "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // (the window's profile remembers the answers before: ax and e are given again)
    services.ui.AnswerForm({true,
                            {{"Auto correlation function", "3"},
                             {"ax : correlation distance (m)", "5"},
                             {"e : standard deviation (%)", "10"},
                             {"Model size", "0"}}});
    CData3D field;
    ASSERT_EQ(VonKarmanRandomCommand(field, surface, 11).Done, 1);
    CData3D cliField;
    ASSERT_TRUE(Load(dir.File("f.vol"), cliField));
    EXPECT_TRUE(SameValues(cliField, field));
}

// Mean column of the pixels of one colour; -1 when there are fewer than minimum of them.
double MeanColumnOf(const QImage& image, platform::Rgb colour, int minimum)
{
    const QRgb want =
        qRgb(platform::RgbRed(colour), platform::RgbGreen(colour), platform::RgbBlue(colour));
    long long sum = 0, count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF))
                sum += x, ++count;
    return count < minimum ? -1 : static_cast<double>(sum) / count;
}

TEST_F(CliTest, Render_WritesPngOfTheAskedSizeWithTheLevelColours_AndValidPdfAndSvg)
{
    // An XY plane whose left half (small Y, the columns) is 0 and right half is 1. Three
    // intervals over -1..2 put 0 in interval 1 and 1 in interval 2: levels 12 and 24.
    CData3D v;
    testing_support::FillConstant(v, 16, 16, 4, 0.0f);
    for (int z = 0; z < 4; ++z)
        for (int y = 8; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                v.Values[z][y][x] = 1.0f;
    ASSERT_TRUE(SaveVolumeFile(v, dir.File("h.vol")));

    for (const bool grey : {false, true}) {
        std::vector<std::string> args = {"render",  "h.vol",   "-o",   "h.png",      "--size",
                                         "800x600", "--range", "-1,2", "--contours", "3"};
        if (grey)
            args.push_back("--grey");
        CliRun run = Run(args);
        ASSERT_EQ(run.status, 0) << run.err;
        QImage image(QString::fromStdString(dir.File("h.png")));
        ASSERT_EQ(image.width(), 800);
        ASSERT_EQ(image.height(), 600);
        const int mode = grey ? 0 : 1;
        const double low = MeanColumnOf(image, LevelColor(12, mode), 20000);
        const double high = MeanColumnOf(image, LevelColor(24, mode), 20000);
        ASSERT_GE(low, 0) << "grey " << grey;
        ASSERT_GE(high, 0) << "grey " << grey;
        EXPECT_LT(low, high) << "grey " << grey;
    }

    // A colour map paints the same levels in its own colours.
    {
        CliRun run = Run({"render", "h.vol", "-o", "h.png", "--size", "800x600", "--range", "-1,2",
                          "--contours", "3", "--colormap", "VIRIDIS"});
        ASSERT_EQ(run.status, 0) << run.err;
        QImage image(QString::fromStdString(dir.File("h.png")));
        const ColourMapTable& viridis = GetColourMap(ColourMapFromName("viridis"));
        const double low = MeanColumnOf(image, viridis.level[12], 20000);
        const double high = MeanColumnOf(image, viridis.level[24], 20000);
        ASSERT_GE(low, 0);
        ASSERT_GE(high, 0);
        EXPECT_LT(low, high);
        EXPECT_LT(MeanColumnOf(image, LevelColor(12, 1), 20000), 0); // no Classic colour left
    }

    ASSERT_EQ(Run({"render", "h.vol", "-o", "h.pdf", "--plane", "y", "--labels", "m"}).status, 0);
    EXPECT_EQ(ReadWholeFile(dir.File("h.pdf")).substr(0, 5), "%PDF-");
    ASSERT_EQ(
        Run({"render", "h.vol", "-o", "h.svg", "--plane", "x", "--index", "3", "--contours", "4"})
            .status,
        0);
    const std::string svg = ReadWholeFile(dir.File("h.svg"));
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
}

TEST_F(CliTest, FftThenIfft_ReturnsTheInput_AndEqualsTheWindowsTransform)
{
    CData3D v;
    testing_support::FillCoded(v, 16, 8, 8);
    for (int z = 0; z < 8; ++z)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x)
                v.Values[z][y][x] = std::sin(0.7f * x + 1.3f * y * y - 0.4f * z) + 0.01f * x * z;
    ASSERT_TRUE(SaveVolumeFile(v, dir.File("in.vol")));

    CliRun fwd = Run({"fft", "in.vol", "-o", "re.vol", "--imag", "im.vol"});
    ASSERT_EQ(fwd.status, 0) << fwd.err;
    CliRun inv = Run({"ifft", "re.vol", "--imag", "im.vol", "-o", "back.vol"});
    ASSERT_EQ(inv.status, 0) << inv.err;
    CData3D back;
    ASSERT_TRUE(Load(dir.File("back.vol"), back));
    double maxError = 0, maxValue = 0;
    for (int z = 0; z < 8; ++z)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x) {
                maxError =
                    std::max(maxError, std::fabs(double(back.Values[z][y][x]) - v.Values[z][y][x]));
                maxValue = std::max(maxValue, std::fabs(double(v.Values[z][y][x])));
            }
    EXPECT_LT(maxError, 1e-6 * maxValue) << maxError;

    platform::ProgressSurface surface;
    ASSERT_EQ(ForwardTransformCommand(v, surface).Done, 1);
    CData3D re, im;
    ASSERT_TRUE(Load(dir.File("re.vol"), re));
    ASSERT_TRUE(Load(dir.File("im.vol"), im));
    EXPECT_TRUE(SameValues(v, re));
    bool sameImag = true;
    for (int z = 0; z < 8; ++z)
        for (int y = 0; y < 8; ++y)
            sameImag = sameImag && std::memcmp(im.Values[z][y], v.AuxValues[z][y], 64) == 0;
    EXPECT_TRUE(sameImag);
}

TEST_F(CliTest, MedianAutocorrelationAndAvs_EqualTheWindowsCommands)
{
    CData3D v;
    testing_support::FillCoded(v, 8, 8, 8);
    for (int z = 0; z < 8; ++z)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                v.Values[z][y][x] = 1000.0f + static_cast<float>((x * 7 + y * 13 + z * 5) % 11);
    v.StepZ = 2000;
    ASSERT_TRUE(SaveVolumeFile(v, dir.File("v.vol")));

    ASSERT_EQ(Run({"median", "v.vol", "-o", "m.vol", "--workdir", "."}).status, 0);
    CData3D cliMedian, median;
    ASSERT_TRUE(Load(dir.File("m.vol"), cliMedian));
    ASSERT_TRUE(Load(dir.File("v.vol"), median));
    {
        testing_support::ScratchWorkingDir scratch;
        ASSERT_EQ(MedianFilterCommand(median).Done, 1);
    }
    EXPECT_TRUE(SameValues(cliMedian, median));

    ASSERT_EQ(Run({"autocorrelation", "v.vol", "-o", "a.vol"}).status, 0);
    CData3D cliAuto, autoc;
    ASSERT_TRUE(Load(dir.File("a.vol"), cliAuto));
    ASSERT_TRUE(Load(dir.File("v.vol"), autoc));
    platform::ProgressSurface surface;
    ASSERT_EQ(AutoCorrelationCommand(autoc, surface).Done, 1);
    EXPECT_TRUE(SameValues(cliAuto, autoc));

    ASSERT_EQ(Run({"avs", "v.vol", "-o", "map.dat"}).status, 0);
    const std::string map = ReadWholeFile(dir.File("map.dat"));
    const std::vector<float> expected = ComputeAverageVelocity(v);
    ASSERT_EQ(map.size(), 24 + expected.size() * 4);
    EXPECT_EQ(std::memcmp(map.data() + 24, expected.data(), expected.size() * 4), 0);
}

TEST_F(CliTest, AppendSeriesAndSlice2D_ReadTheStripsInFileNumberOrder)
{
    WriteFDModel(dir.File("snap2.dat"), 2, 3, 2, 500);
    WriteFDModel(dir.File("snap1.dat"), 3, 3, 2, 0);
    CliRun run =
        Run({"append-series", "snap2.dat", "snap1.dat", "--component", "2", "-o", "all.vol"});
    ASSERT_EQ(run.status, 0) << run.err;
    CData3D all;
    ASSERT_TRUE(Load(dir.File("all.vol"), all));
    ASSERT_EQ(all.NX, 5);
    EXPECT_EQ(all.Values[1][2][1], testing_support::Cell(1, 2, 1, 2000.0f));
    EXPECT_EQ(all.Values[1][2][4], testing_support::Cell(1, 2, 1, 2500.0f)); // x 1 of snap2

    CliRun slice = Run({"slice2d", "snap1.dat", "snap2.dat", "--x", "4", "-o", "cut.fd2"});
    ASSERT_EQ(slice.status, 0) << slice.err;
    EXPECT_FALSE(Exists("FD2D_model.fd2"));
    // column 4 of the series is column 1 of the second strip, snap2.dat
    ASSERT_GT(
        ExtractSlice2D(dir.File("snap2.dat"), 1, 10000.0, 10000.0, 20000.0, dir.File("window.fd2")),
        0);
    const std::string cut = ReadWholeFile(dir.File("cut.fd2"));
    EXPECT_FALSE(cut.empty());
    EXPECT_EQ(cut, ReadWholeFile(dir.File("window.fd2")));
}

TEST_F(CliTest, Station1D_WritesTheWindowsStationFiles_AndFailsWithoutTheModel)
{
    CHalvoModel grid;
    std::ofstream(dir.File("stations.txt"))
        << platform::Format("1 INSIDE %.3f %.3f\n2 OUTSIDE %.3f %.3f\n", grid.OriginY + 2000.0,
                            grid.OriginX + 3000.0, grid.OriginY - 5000.0, grid.OriginX);
    std::filesystem::create_directory(dir.File("model"));
    CliRun missing = Run({"station1d", "stations.txt", "--folder", "model"});
    EXPECT_EQ(missing.status, 1);
    ASSERT_EQ(missing.ErrLines().size(), 1u) << missing.err;
    EXPECT_NE(missing.err.find("Error in opening a model file"), std::string::npos);

    // The model's full length without its disk blocks: every column reads as zeros.
    std::ofstream(dir.File("model/HalvoBinary.dat")).close();
    std::filesystem::resize_file(dir.File("model/HalvoBinary.dat"),
                                 std::uintmax_t(931) * 899 * 97 * 16);
    CliRun run = Run({"station1d", "stations.txt", "--folder", "model"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Station is outside of the model !"), std::string::npos) << run.err;
    const std::string station = ReadWholeFile(dir.File("model/INSIDE.dat"));
    const std::string summary = ReadWholeFile(dir.File("model/FindStation.txt"));
    EXPECT_FALSE(station.empty());
    EXPECT_FALSE(Exists("model/OUTSIDE.dat"));

    services.ui.AnswerOpen({dir.File("stations.txt")});
    OnExtract1DModel(dir.File("model"));
    EXPECT_EQ(station, ReadWholeFile(dir.File("model/INSIDE.dat")));
    EXPECT_EQ(summary, ReadWholeFile(dir.File("model/FindStation.txt")));
}

TEST_F(CliTest, UsageErrors_ExitTwoAndNameTheOption)
{
    SaveCoded("a.vol", 4, 4, 4);
    const struct {
        std::vector<std::string> args;
        const char* named;
    } cases[] = {
        {{"render", "a.vol"}, "--output"},
        {{"render", "a.vol", "-o", "x.png", "--plane", "w"}, "--plane"},
        {{"render", "a.vol", "-o", "x.png", "--index", "9"}, "--index"},
        {{"render", "a.vol", "-o", "x.png", "--size", "big"}, "--size"},
        {{"render", "a.vol", "-o", "x.png", "--colormap", "jet"}, "--colormap"},
        {{"render", "a.vol", "-o", "x.png", "--clip", "99,1"}, "--clip"},
        {{"convert", "a.vol", "b.vol", "--from", "raw"}, "--dims"},
        {{"random", "--size", "100", "-o", "m.dat"}, "--size"},
        {{"random", "--field", "f.vol", "-o", "m.dat"}, "--field"},
        {{"fft", "a.vol", "-o", "re.vol"}, "--imag"},
        {{"slice2d", "snap1.dat"}, "--x"},
        {{"teleport"}, "subcommand"},
    };
    for (const auto& c : cases) {
        CliRun run = Run(c.args);
        EXPECT_EQ(run.status, 2) << c.args[0] << " " << c.named << ": " << run.err;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    }
    EXPECT_EQ(FileCount(), 2u); // a.vol and the home folder: nothing was written
    CliRun help = Run({"random", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--hurst"), std::string::npos);
    EXPECT_NE(help.out.find("(m/s)"), std::string::npos);
}

TEST_F(CliTest, MissingTruncatedAndHostileInput_ExitOneWithOneLineAndNoOutput)
{
    const std::string good = SaveCoded("good.vol", 8, 8, 8);
    const std::string bytes = ReadWholeFile(good);
    std::ofstream(dir.File("short.vol"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::string hostile = bytes;
    const std::int32_t huge = 1 << 30;
    std::memcpy(hostile.data() + 20, &huge, 4); // NX of a version-3 header
    std::memcpy(hostile.data() + 24, &huge, 4);
    std::ofstream(dir.File("hostile.vol"), std::ios::binary) << hostile;
    std::ofstream(dir.File("noise.npy"), std::ios::binary) << "\x93NUMPY garbage";
    std::ofstream(dir.File("raw.bin"), std::ios::binary) << std::string(100, 'x');

    const std::vector<std::vector<std::string>> cases = {
        {"convert", "missing.vol", "out.vol"},
        {"convert", "short.vol", "out.vol"},
        {"convert", "hostile.vol", "out.vol"},
        {"convert", "noise.npy", "out.vol"},
        {"convert", "raw.bin", "out.vol", "--dims", "4,4,4"},
        {"render", "short.vol", "-o", "out.png"},
        {"fft", "hostile.vol", "-o", "out.vol", "--imag", "out2.vol"},
        {"info", "short.vol"},
    };
    const std::size_t before = FileCount();
    for (const auto& args : cases) {
        CliRun run = Run(args);
        EXPECT_EQ(run.status, 1) << args[1] << ": " << run.err;
        ASSERT_EQ(run.ErrLines().size(), 1u) << args[1] << ": " << run.err;
        EXPECT_NE(run.err.find(args[1]), std::string::npos) << run.err;
        EXPECT_EQ(FileCount(), before) << args[1];
    }
    // a fault while writing: the target folder does not exist
    CliRun unwritable = Run({"convert", "good.vol", "nowhere/out.vol"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.ErrLines().size(), 1u) << unwritable.err;
}

TEST_F(CliTest, Quiet_PrintsNothingOnSuccess)
{
    WriteFDModel(dir.File("m.dat"), 3, 2, 2);
    CliRun loud = Run({"convert", "m.dat", "s.vol", "--component", "0"});
    ASSERT_EQ(loud.status, 0);
    EXPECT_NE(loud.err.find("Min. ="), std::string::npos) << loud.err; // the load's own note
    CliRun quiet = Run({"--quiet", "convert", "m.dat", "t.vol", "--component", "0"});
    ASSERT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
}

} // namespace
