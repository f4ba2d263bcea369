#include "regional/AichiModel.h"
#include "regional/RegionalModelHolder.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using platform::Answer;
using testing_support::ReadWholeFile;

constexpr int Nodes = 71 * 111;

// The six numbers of node (i, j): Y and X in file coordinates (stored Y = 1000 j, X = 1000 i),
// a discarded value and the depths d1 = 10 + i, d2 = 100 + j, d3 = 1000 + i + j.
std::string NodeNumbers(int i, int j, const char* separator)
{
    std::ostringstream s;
    s << 1000 * j - 80000 << separator << 1000 * i - 130000 << separator << 7.5 << separator
      << 10 + i << separator << 100 + j << separator << 1000 + i + j;
    return s.str();
}

// A whole model file: one node per line, or everything on lines of seven numbers with mixed
// white space when scrambled.
std::string ModelText(bool scrambled, int nodes = Nodes)
{
    std::ostringstream all;
    for (int n = 0; n < nodes; ++n)
        all << NodeNumbers(n / 111, n % 111, scrambled ? "\t " : " ") << (scrambled ? " " : "\n");
    if (!scrambled)
        return all.str();
    std::istringstream in(all.str());
    std::ostringstream out;
    std::string token;
    int count = 0;
    while (in >> token)
        out << token << (++count % 7 == 0 ? "\r\n" : "   ");
    return out.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

int LineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// The holder is one object for the whole test program: each test here puts back what it found.
class AichiCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        CRegionalModelHolder& h = theRegionalModelHolder();
        savedModel = std::move(h.model);
        savedProbe = std::move(h.probe);
        savedLoaded = h.Loaded;
        h.model = std::make_unique<CIntermediateModel>();
        h.probe = std::make_unique<CIntermediateData>();
        h.XOffset = h.YOffset = 0;
        h.Loaded = 0;
    }
    void TearDown() override
    {
        CRegionalModelHolder& h = theRegionalModelHolder();
        h.Select(std::move(savedModel), std::move(savedProbe), 0, 0);
        h.Loaded = savedLoaded;
    }

    testing_support::HeadlessServices services;
    testing_support::TempDir dir;

private:
    std::unique_ptr<CIntermediateModel> savedModel;
    std::unique_ptr<CIntermediateData> savedProbe;
    int savedLoaded = 0;
};

} // namespace

TEST(AichiModel, AnyLineLayoutLoadsTheSameGrid)
{
    testing_support::TempDir a, b;
    WriteText(a.File("aichi_model_new.dat"), ModelText(false));
    WriteText(b.File("aichi_model_new.dat"), ModelText(true));
    CAichiModel ma(a.path), mb(b.path);
    ma.InitGrid();
    mb.InitGrid();
    EXPECT_EQ(ma.NX, 71);
    EXPECT_EQ(ma.NY, 111);
    EXPECT_EQ(ma.FileName, "aichi_model_new.dat");
    EXPECT_EQ(ma.GetLayerCount(), 5); // before reading: the record's construction value
    EXPECT_EQ(ma.Load(), 5);
    EXPECT_EQ(mb.Load(), 5);
    EXPECT_EQ(ma.NodesRead, Nodes);
    EXPECT_TRUE(ma.LoadError.empty());
    for (int i = 0; i < 71; ++i)
        for (int j = 0; j < 111; ++j) {
            const CIntermediateData& r = ma.Record(i, j);
            const CIntermediateData& s = mb.Record(i, j);
            ASSERT_EQ(r.X, 1000.0f * i);
            ASSERT_EQ(r.Y, 1000.0f * j);
            ASSERT_EQ(r.top[0], 0.0f);
            ASSERT_EQ(r.top[1], -(10.0f + i));
            ASSERT_EQ(r.top[2], -(100.0f + j));
            ASSERT_EQ(r.top[3], -(1000.0f + i + j));
            ASSERT_EQ(r.top[4], r.top[3]); // no fifth top in the file
            ASSERT_EQ(r.LayerCount, 5);
            for (int k = 0; k < 6; ++k)
                ASSERT_EQ(r.top[k], s.top[k]);
            ASSERT_EQ(r.X, s.X);
            ASSERT_EQ(r.Y, s.Y);
        }
    const CIntermediateData& r = ma.Record(3, 4);
    EXPECT_EQ(r.Vs[3], 1.4f);
    EXPECT_EQ(r.Vp[0], 0.0f);

    // data.txt: one column line per node in file order.
    const std::string log = ReadWholeFile(a.File("data.txt"));
    EXPECT_EQ(LineCount(log), Nodes);
    EXPECT_EQ(log.substr(0, log.find('\n') + 1),
              "5 0.000000 0.000000 0.000000 0.000000  0.000000 0.000000 0.500000  -10.000000 "
              "0.000000 0.500000  -100.000000 0.000000 0.700000  -1000.000000 0.000000 "
              "1.400000  -1000.000000 0.000000 2.400000 \n");
}

TEST_F(AichiCommand, NoGivesHundredMetreCellsAndRunsTwice)
{
    WriteText(dir.File("aichi_model_new.dat"), ModelText(false));
    services.ui.AnswerMessage(Answer::Ok).AnswerMessage(Answer::No);
    CommandResult result = OnOpenVelocityModelFile(dir.path);
    EXPECT_TRUE(result.Repaint);
    EXPECT_FALSE(result.Changed);
    EXPECT_EQ(services.ui.MessageTexts(),
              (std::vector<std::string>{"Aichi model has been selected !",
                                        "Select cell size! Yes:200m No:100m",
                                        "100m cell has been selected !", "Number of layers = 5"}));
    EXPECT_EQ(services.ui.messages[1].buttons, platform::Buttons::YesNo);
    CRegionalModelHolder& h = theRegionalModelHolder();
    EXPECT_EQ(h.Loaded, 1);
    EXPECT_EQ(h.XOffset, 2000.0f);
    EXPECT_EQ(h.YOffset, 2000.0f);
    ASSERT_NE(dynamic_cast<CAichiModel*>(h.model.get()), nullptr);
    ASSERT_NE(dynamic_cast<CAichiData*>(h.probe.get()), nullptr);
    EXPECT_EQ(h.probe->LayerCount, 5);
    // A section point at x = 2000 m, y = 2500 m queries the model at X = 0, Y = 500: the first
    // row of nodes, halfway between Y = 0 and Y = 1000.
    CIntermediateData out;
    ASSERT_EQ(h.model->QueryLogged(2000.0f - h.XOffset, 2500.0f - h.YOffset, out, nullptr), 1);
    EXPECT_FLOAT_EQ(out.top[2], -100.5f);
    EXPECT_FLOAT_EQ(out.top[3], -1000.5f);

    // Second run: Yes; the file is read again and data.txt written anew.
    const CIntermediateModel* first = h.model.get();
    services.ui.ClearLog();
    services.ui.AnswerMessage(Answer::Ok).AnswerMessage(Answer::Yes);
    result = OnOpenVelocityModelFile(dir.path);
    EXPECT_TRUE(result.Repaint);
    EXPECT_EQ(services.ui.MessageTexts()[2], "200m cell has been selected !");
    EXPECT_NE(h.model.get(), first);
    EXPECT_EQ(h.XOffset, 4000.0f);
    EXPECT_EQ(h.YOffset, 4000.0f);
    EXPECT_EQ(LineCount(ReadWholeFile(dir.File("data.txt"))), Nodes);
}

TEST_F(AichiCommand, MissingOrDamagedFileLeavesTheHolderAsItWas)
{
    CRegionalModelHolder& h = theRegionalModelHolder();
    const CIntermediateModel* before = h.model.get();
    h.XOffset = h.YOffset = 123.0f;

    // Missing file.
    services.ui.AnswerMessage(Answer::Ok).AnswerMessage(Answer::Yes);
    CommandResult result = OnOpenVelocityModelFile(dir.path);
    EXPECT_FALSE(result.Repaint);
    std::vector<std::string> texts = services.ui.MessageTexts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_NE(texts[3].find("aichi_model_new.dat"), std::string::npos) << texts[3];
    EXPECT_EQ(h.model.get(), before);
    EXPECT_EQ(h.Loaded, 0);
    EXPECT_EQ(h.XOffset, 123.0f);

    // A file that ends one node early, one with a word among the numbers, one with a number out
    // of float range and one with a NaN: each refused with the node named.
    const std::string whole = ModelText(false);
    std::string wordy = whole;
    wordy.replace(wordy.find("7.5", wordy.size() / 2), 3, "7.5x");
    std::string huge = whole;
    huge.replace(huge.find("7.5"), 3, "1e999");
    std::string notANumber = whole;
    notANumber.replace(notANumber.rfind("7.5"), 3, "nan");
    const std::string shortFile = ModelText(false, Nodes - 1);
    for (const std::string& text : {shortFile, wordy, huge, notANumber}) {
        WriteText(dir.File("aichi_model_new.dat"), text);
        services.ui.ClearLog();
        result = OnOpenVelocityModelFile(dir.path);
        EXPECT_FALSE(result.Repaint);
        texts = services.ui.MessageTexts();
        ASSERT_EQ(texts.size(), 4u);
        EXPECT_NE(texts[3].find("is damaged: node"), std::string::npos) << texts[3];
        EXPECT_EQ(h.model.get(), before);
        EXPECT_EQ(h.Loaded, 0);
        EXPECT_EQ(h.XOffset, 123.0f);
    }
    EXPECT_NE(services.ui.MessageTexts()[3].find("node 7881 of 7881"), std::string::npos);

    // A loaded model stays loaded when a later file is refused.
    WriteText(dir.File("aichi_model_new.dat"), whole);
    OnOpenVelocityModelFile(dir.path);
    const CIntermediateModel* loaded = h.model.get();
    WriteText(dir.File("aichi_model_new.dat"), shortFile);
    OnOpenVelocityModelFile(dir.path);
    EXPECT_EQ(h.model.get(), loaded);
    EXPECT_EQ(h.Loaded, 1);
}
