#include "regional/StationModel.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using testing_support::ReadWholeFile;

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A station line "number name Y X" with coordinates as float32 text.
std::string StationLine(int number, const std::string& name, double y, double x)
{
    char text[256];
    std::snprintf(text, sizeof text, "%d %s %.9g %.9g\n", number, name.c_str(),
                  static_cast<double>(static_cast<float>(y)),
                  static_cast<double>(static_cast<float>(x)));
    return text;
}

// One column of the binary model: lambda, mu, rho, Q arrays of nz float32 each.
std::vector<float> Column(int nz, float lambda, float mu, float rho, float qBase)
{
    std::vector<float> c(4 * static_cast<std::size_t>(nz));
    for (int k = 0; k < nz; ++k) {
        c[k] = lambda;
        c[nz + k] = mu;
        c[2 * nz + k] = rho;
        c[3 * nz + k] = qBase + static_cast<float>(k);
    }
    return c;
}

void WriteColumnAt(std::FILE* f, long long offset, const std::vector<float>& column)
{
    ASSERT_EQ(::fseeko(f, static_cast<off_t>(offset), SEEK_SET), 0);
    ASSERT_EQ(std::fwrite(column.data(), 4, column.size(), f), column.size());
}

// Makes m a 3 x 2 node model with three depth cells (two of 100 m, one of 300 m), origin (1000,
// -500) m.
void MakeSmall(CHalvoModel& m)
{
    m.NX = 3;
    m.NY = 2;
    m.CellSize = 100.0f;
    m.OriginX = 1000.0;
    m.OriginY = -500.0;
    const float thickness[4] = {100.0f, 300.0f, 600.0f, 600.0f};
    const int count[4] = {2, 1, 0, 0};
    for (int z = 0; z < 4; ++z) {
        m.ZoneThickness[z] = thickness[z];
        m.ZoneCount[z] = count[z];
    }
    m.SetupDepthZones();
}

int LineCount(const std::string& text)
{
    int n = 0;
    for (char c : text)
        n += c == '\n';
    return n;
}

} // namespace

TEST(StationModel, HalvoGeometryAndNearestNode)
{
    testing_support::HeadlessServices services;
    CHalvoModel m;
    EXPECT_EQ(m.NX, 931);
    EXPECT_EQ(m.NY, 899);
    ASSERT_EQ(m.NZ, 97);
    ASSERT_EQ(m.Thickness.size(), 97u);
    EXPECT_EQ(m.Thickness[19], 125.0f);
    EXPECT_EQ(m.Thickness[20], 250.0f);
    EXPECT_EQ(m.Thickness[22], 500.0f);
    EXPECT_EQ(m.Depth[19], 2500.0f);
    EXPECT_EQ(m.Depth[96], 40500.0f);
    EXPECT_LT(m.OriginX, -169000); // south-west of the zone VII origin
    EXPECT_LT(m.OriginY, -78000);

    auto node = [&](double north, double east) {
        int ix = -7, iy = -7;
        m.FindNode({"s", m.OriginX + north, m.OriginY + east}, ix, iy);
        return std::pair<int, int>(ix, iy);
    };
    EXPECT_EQ(node(0, 0), std::make_pair(0, 0));
    EXPECT_EQ(node(62.5, 0).first, 1);
    EXPECT_EQ(node(62.4, 0).first, 0);
    EXPECT_EQ(node(0, 930 * 125.0).second, 930);
    EXPECT_EQ(node(-62.4, 0).first, 0);
    // truncation toward zero: one cell before node 0 still belongs to node 0, one and a half
    // cells before it to node -1 (outside)
    EXPECT_EQ(node(-125, -187).first, 0);
    EXPECT_EQ(node(-125, -187.6).second, -1);
    EXPECT_EQ(node(-187.4, 0).first, 0);
    EXPECT_EQ(node(1e30, -1e30), std::make_pair(INT_MAX, INT_MIN));

    EXPECT_TRUE(m.IsInside(930, 898));
    EXPECT_FALSE(m.IsInside(931, 0));
    EXPECT_FALSE(m.IsInside(0, 899));
    EXPECT_FALSE(m.IsInside(-1, 0));
}

TEST(StationModel, ReadsStationListsAndStopsAtBadLines)
{
    testing_support::TempDir dir;
    EXPECT_FALSE(ReadStationFile(dir.File("none.txt")).Opened);

    WriteText(dir.File("a.txt"), "1 N.AAA 100.5 -200.25\r\n\n   \n2 N.BBB +3 4e2 extra\n"
                                 "3 N.CCC 5\n4 N.DDD 1 2\n");
    StationList list = ReadStationFile(dir.File("a.txt"));
    EXPECT_TRUE(list.Opened);
    ASSERT_EQ(list.Stations.size(), 2u);
    EXPECT_EQ(list.Stations[0].Name, "N.AAA");
    EXPECT_EQ(list.Stations[0].Y, 100.5);
    EXPECT_EQ(list.Stations[0].X, -200.25);
    EXPECT_EQ(list.Stations[1].Y, 3.0);
    EXPECT_EQ(list.Stations[1].X, 400.0);
    EXPECT_NE(list.Note.find("Line 5"), std::string::npos) << list.Note;

    // Lines that are not stations: an int out of range, non-finite or non-numeric coordinates,
    // names that cannot be file names, a name of 160 characters, a line of 5000 characters.
    const std::vector<std::string> bad = {
        "99999999999 S 1 2\n",
        "1 S nan 2\n",
        "1 S 1 inf\n",
        "1 S 1e99 2\n",
        "1 S 1x 2\n",
        "x S 1 2\n",
        "1 ../up 1 2\n",
        "1 a/b 1 2\n",
        "1 .. 1 2\n",
        "1 " + std::string(160, 'n') + " 1 2\n",
        "1 S 1 2 " + std::string(5000, 'z') + "\n",
    };
    for (const std::string& line : bad) {
        WriteText(dir.File("b.txt"), "7 GOOD 1 2\n" + line + "8 LATER 1 2\n");
        list = ReadStationFile(dir.File("b.txt"));
        ASSERT_EQ(list.Stations.size(), 1u) << line;
        EXPECT_NE(list.Note.find("Line 2"), std::string::npos) << line;
    }
    WriteText(dir.File("c.txt"), "1 " + std::string(159, 'n') + " 1 2\n");
    EXPECT_EQ(ReadStationFile(dir.File("c.txt")).Stations.size(), 1u);

    // The 1001st station is not read.
    std::string many;
    for (int n = 1; n <= 1001; ++n)
        many += StationLine(n, "S" + std::to_string(n), n, -n);
    WriteText(dir.File("d.txt"), many);
    list = ReadStationFile(dir.File("d.txt"));
    ASSERT_EQ(list.Stations.size(), 1000u);
    EXPECT_EQ(list.Stations.back().Name, "S1000");
    EXPECT_NE(list.Note.find("more than 1000"), std::string::npos);
}

TEST(StationModel, ExtractsColumnsFromSmallModel)
{
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    CHalvoModel m(dir.path);
    MakeSmall(m);
    ASSERT_EQ(m.NZ, 3);
    // Columns in order ix NY + iy; column c has lambda = 4, mu = 2, rho = 2 (Vp 2, Vs 1), Q from
    // 10 c + 1, except column 5: lambda = 8, mu = -2 (Vp sqrt 2, Vs the root of a negative).
    {
        std::FILE* f = std::fopen(dir.File("HalvoBinary.dat").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        for (int c = 0; c < 6; ++c)
            WriteColumnAt(
                f, c * 3 * 16LL,
                Column(3, c == 5 ? 8.0f : 4.0f, c == 5 ? -2.0f : 2.0f, 2.0f, 10.0f * c + 1));
        std::fclose(f);
    }
    ASSERT_EQ(m.OpenModelFile(), 1);

    int ix = -1, iy = -1;
    // 2 nodes north and 1 east of the origin: column 2 NY + 1 = 5.
    EXPECT_EQ(m.ExtractColumn({"ST1", 1000.0 + 2 * 100 + 10, -500.0 + 100 - 30}, ix, iy), 1);
    EXPECT_EQ(ix, 2);
    EXPECT_EQ(iy, 1);
    const std::string st1 = ReadWholeFile(dir.File("ST1.dat"));
    EXPECT_EQ(st1.rfind("1\n1024 10\n0\n1.414214 ", 0), 0u) << st1;
    EXPECT_NE(st1.find("nan"), std::string::npos) << st1; // sqrt of a negative shear modulus

    EXPECT_EQ(m.ExtractColumn({"ST0", 1000.0, -500.0 + 100}, ix, iy), 1); // column 1
    EXPECT_EQ(ReadWholeFile(dir.File("ST0.dat")),
              "1\n1024 10\n0\n"
              "2.000000 1.000000 2.000000 0.100000 0.045455 : 11.000000 11.000000 \n"
              "2.000000 1.000000 2.000000 0.100000 0.041667 : 12.000000 12.000000 \n"
              "2.000000 1.000000 2.000000 0.000000 0.038462 : 13.000000 13.000000 \n");

    EXPECT_EQ(m.ExtractColumn({"OUT", 1000.0 + 300, -500.0}, ix, iy), 0); // ix = 3 = NX
    EXPECT_EQ(ix, 3);
    EXPECT_EQ(services.ui.MessageTexts(),
              std::vector<std::string>{"Station is outside of the model !"});
    EXPECT_FALSE(std::ifstream(dir.File("OUT.dat")).good());

    // A model file of another length is refused; then no column is read.
    WriteText(dir.File("HalvoBinary.dat"), std::string(6 * 3 * 16 - 4, '\0'));
    services.ui.ClearLog();
    CHalvoModel shortModel(dir.path);
    MakeSmall(shortModel);
    EXPECT_EQ(shortModel.OpenModelFile(), 0);
    EXPECT_EQ(shortModel.FileOpen, 0);
    ASSERT_EQ(services.ui.MessageTexts().size(), 1u);
    EXPECT_NE(services.ui.MessageTexts()[0].find("holds 284 bytes"), std::string::npos);
    EXPECT_EQ(shortModel.ExtractColumn({"ST9", 1000.0, -500.0}, ix, iy), 0);
    EXPECT_FALSE(std::ifstream(dir.File("ST9.dat")).good());

    ::unlink(dir.File("HalvoBinary.dat").c_str());
    services.ui.ClearLog();
    CHalvoModel missing(dir.path);
    MakeSmall(missing);
    EXPECT_EQ(missing.OpenModelFile(), 0);
    EXPECT_EQ(services.ui.MessageTexts(),
              std::vector<std::string>{"Error in opening a model file"});
}

// The whole command on a full-size model file (sparse: only the columns used hold data), with
// the last column near the end of its 1.3 GB.
TEST(StationModel, CommandOnFullSizeModel)
{
    testing_support::HeadlessServices services;
    testing_support::TempDir dir;
    CHalvoModel geometry;
    const long long size = 931LL * 899 * 97 * 16;
    ASSERT_EQ(size, 1298975888LL);
    {
        std::FILE* f = std::fopen(dir.File("HalvoBinary.dat").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(::ftruncate(::fileno(f), static_cast<off_t>(size)), 0);
        WriteColumnAt(f, 0, Column(97, 4.0f, 2.0f, 2.0f, 100.0f));
        WriteColumnAt(f, (930LL * 899 + 898) * 97 * 16, Column(97, 12.0f, 4.0f, 1.0f, 50.0f));
        std::fclose(f);
    }
    const double ox = geometry.OriginX, oy = geometry.OriginY;
    WriteText(dir.File("stations.txt"),
              StationLine(1, "ORIGIN", oy, ox) +
                  StationLine(2, "FAR", oy + 898 * 125.0, ox + 930 * 125.0 + 20) +
                  StationLine(3, "NORTH", oy, ox + 931 * 125.0) + "oops\n");
    services.ui.AnswerOpen({dir.File("stations.txt")});
    CommandResult result = OnExtract1DModel(dir.path);
    EXPECT_FALSE(result.Repaint);
    ASSERT_EQ(services.ui.openFilters, std::vector<std::string>{"Station file(*.*)"});
    const std::vector<std::string> texts = services.ui.MessageTexts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_NE(texts[0].find("Line 4"), std::string::npos) << texts[0];
    EXPECT_EQ(texts[1], "3 stations have been read !");
    EXPECT_EQ(texts[2], "Station is outside of the model !");
    EXPECT_EQ(texts[3], "Station search has been completed !");
    EXPECT_EQ(ReadWholeFile(dir.File("FindStation.txt")), "1 0 0\n2 930 898\n3 931 0\n");

    const std::string origin = ReadWholeFile(dir.File("ORIGIN.dat"));
    EXPECT_EQ(LineCount(origin), 100);
    EXPECT_EQ(origin.rfind("1\n1024 10\n0\n2.000000 1.000000 2.000000 0.125000 0.005000 : "
                           "100.000000 100.000000 \n2.000000 ",
                           0),
              0u);
    const std::string far = ReadWholeFile(dir.File("FAR.dat"));
    EXPECT_EQ(LineCount(far), 100);
    // Last cell: the half-space, thickness 0; lambda 12, mu 4, rho 1 give Vp 4.47..., Vs 2.
    const std::string last = far.substr(far.rfind('\n', far.size() - 2) + 1);
    EXPECT_EQ(last, "4.472136 2.000000 1.000000 0.000000 0.003425 : 146.000000 146.000000 \n");
    EXPECT_NE(far.find("2.000000 1.000000 0.500000 0.005155"), std::string::npos); // cell 22

    // Cancel ends the command before anything is written.
    ::unlink(dir.File("FindStation.txt").c_str());
    services.ui.ClearLog();
    OnExtract1DModel(dir.path);
    EXPECT_TRUE(services.ui.MessageTexts().empty());
    EXPECT_FALSE(std::ifstream(dir.File("FindStation.txt")).good());

    // A station list that cannot be opened.
    services.ui.AnswerOpen({dir.File("nothere.txt")});
    OnExtract1DModel(dir.path);
    ASSERT_EQ(services.ui.MessageTexts().size(), 1u);
    EXPECT_NE(services.ui.MessageTexts()[0].find("nothere.txt"), std::string::npos);
}
