#include "platform/BinaryFile.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

#include <cmath>

using platform::MemoryFile;
using testing_support::HeadlessServices;

namespace {

MemoryFile Ints(std::initializer_list<std::int32_t> words)
{
    MemoryFile f;
    for (std::int32_t w : words)
        f.WriteInt32(w);
    f.Seek(0, platform::SeekFrom::Begin);
    return f;
}

void WritePairs(MemoryFile& f, std::initializer_list<std::pair<int, float>> pairs)
{
    for (auto [b, s] : pairs) {
        f.WriteInt32(b);
        f.WriteFloat(s);
    }
}

void SetAreas(StretchInfo& s, std::initializer_list<std::pair<int, float>> areas)
{
    s.NArea = static_cast<int>(areas.size());
    int i = 0;
    for (auto [b, f] : areas) {
        s.Boundary[i] = b;
        s.Stretch[i] = f;
        ++i;
    }
}

} // namespace

TEST(StretchBlock, UnusedSlotsTakeTheLastFactor)
{
    StretchInfo s;
    MemoryFile f;
    f.WriteInt32(2);
    WritePairs(f, {{50, 1.0f}, {30, 2.5f}});
    f.Seek(0, platform::SeekFrom::Begin);
    ASSERT_EQ(s.ReadStretchBlock(f), 1);
    EXPECT_EQ(s.NArea, 2);
    EXPECT_EQ(s.Boundary[1], 30);
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(s.Boundary[i], 0);
        EXPECT_EQ(s.Stretch[i], 2.5f);
    }
}

TEST(StretchBlock, HostileAreaCountsNeverPassFiveSlots)
{
    // seven areas: read whole (the file position stays right for what follows), the last three
    // merged into the fifth
    StretchInfo s;
    MemoryFile f;
    f.WriteInt32(7);
    WritePairs(f, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}});
    f.WriteInt32(0x5EED);
    f.Seek(0, platform::SeekFrom::Begin);
    ASSERT_EQ(s.ReadStretchBlock(f), 1);
    EXPECT_EQ(s.NArea, 5);
    EXPECT_EQ(s.Boundary[4], 5 + 6 + 7);
    EXPECT_EQ(s.Stretch[4], 5.0f);
    std::int32_t next = 0;
    EXPECT_TRUE(f.ReadInt32(next));
    EXPECT_EQ(next, 0x5EED);

    // a negative NArea is refused and an empty table accepted, both leaving the record untouched
    StretchInfo t;
    SetAreas(t, {{50, 1.0f}, {30, 2.5f}});
    MemoryFile neg = Ints({-1, 5, 0});
    EXPECT_EQ(t.ReadStretchBlock(neg), 0);
    MemoryFile zero = Ints({0});
    EXPECT_EQ(t.ReadStretchBlock(zero), 1);
    // a truncated block is refused too, without half-applied areas
    MemoryFile cut;
    cut.WriteInt32(3);
    WritePairs(cut, {{9, 9.0f}});
    cut.Seek(0, platform::SeekFrom::Begin);
    EXPECT_EQ(t.ReadStretchBlock(cut), 0);
    // a huge count ends at the end of the file
    MemoryFile huge = Ints({0x7fffffff, 1, 0});
    EXPECT_EQ(t.ReadStretchBlock(huge), 0);
    EXPECT_EQ(t.NArea, 2);
    EXPECT_EQ(t.Boundary[0], 50);
    EXPECT_EQ(t.Stretch[1], 2.5f);
}

TEST(StretchBlock, RoundTripThroughARealFile)
{
    testing_support::TempDir dir;
    StretchInfo s;
    SetAreas(s, {{10, 1.0f}, {20, 2.0f}, {5, 0.5f}});
    {
        auto f = platform::CreateBinaryWrite(dir.File("block.bin"));
        ASSERT_TRUE(f);
        EXPECT_TRUE(s.WriteStretchBlock(*f));
        f->Close();
    }
    auto f = platform::OpenBinaryRead(dir.File("block.bin"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Length(), 4 + 3 * 8);
    StretchInfo r;
    ASSERT_EQ(r.ReadStretchBlock(*f), 1);
    EXPECT_EQ(r.NArea, 3);
    EXPECT_EQ(r.Boundary[1], 20);
    EXPECT_EQ(r.Stretch[2], 0.5f);
    EXPECT_EQ(r.Stretch[4], 0.5f);
}

TEST(Stretch, TruncateAreasCutsAtTheConfirmedDepth)
{
    StretchInfo s;
    SetAreas(s, {{50, 1.0f}, {30, 2.0f}});
    s.TruncateAreas(60);
    EXPECT_EQ(s.NArea, 2);
    EXPECT_EQ(s.Boundary[1], 10);

    SetAreas(s, {{50, 1.0f}, {30, 2.0f}});
    s.TruncateAreas(50);
    EXPECT_EQ(s.NArea, 2);
    EXPECT_EQ(s.Boundary[1], 0);

    SetAreas(s, {{50, 1.0f}, {30, 2.0f}});
    s.TruncateAreas(100);
    EXPECT_EQ(s.NArea, 2);
    EXPECT_EQ(s.Boundary[0], 50);
    EXPECT_EQ(s.Boundary[1], 30);

    SetAreas(s, {{50, 1.0f}, {30, 2.0f}, {10, 3.0f}});
    s.TruncateAreas(20);
    EXPECT_EQ(s.NArea, 1);
    EXPECT_EQ(s.Boundary[0], 20);
}

TEST(Stretch, LayerThicknessIsRunLengthEncoded)
{
    StretchInfo s;
    MemoryFile f;
    f.WriteInt32(1);
    for (float t : {10.0f, 10.0f, 10.0f, 20.0f, 20.0f, 40.0f})
        f.WriteFloat(t);
    f.Seek(0, platform::SeekFrom::Begin);
    ASSERT_EQ(s.ReadLayerThickness(f, 6, 10.0f), 1);
    EXPECT_EQ(s.NArea, 3);
    EXPECT_EQ(s.Boundary[0], 3);
    EXPECT_EQ(s.Stretch[0], 1.0f);
    EXPECT_EQ(s.Boundary[1], 2);
    EXPECT_EQ(s.Stretch[1], 2.0f);
    EXPECT_EQ(s.Boundary[2], 1);
    EXPECT_EQ(s.Stretch[2], 4.0f);
    EXPECT_EQ(s.LayerThickness.size(), 6u);
    EXPECT_EQ(s.StretchedHeight(10.0f), 110.0f);

    // eight runs, NaN counting as different: runs after the fifth join it
    MemoryFile g;
    g.WriteInt32(1);
    for (float t : {1.0f, 2.0f, 3.0f, std::nanf(""), std::nanf(""), 6.0f, 7.0f, 8.0f})
        g.WriteFloat(t);
    g.Seek(0, platform::SeekFrom::Begin);
    ASSERT_EQ(s.ReadLayerThickness(g, 8, 1.0f), 1);
    EXPECT_EQ(s.NArea, 5);
    EXPECT_EQ(s.Boundary[0] + s.Boundary[1] + s.Boundary[2] + s.Boundary[3] + s.Boundary[4], 8);
    EXPECT_EQ(s.Boundary[4], 4);
}

TEST(Stretch, LayerThicknessFlagZeroConsumesOnlyTheFlag)
{
    StretchInfo s;
    s.NArea = 2;
    s.StretchOn = 0;
    MemoryFile f = Ints({0, 123});
    EXPECT_EQ(s.ReadLayerThickness(f, 1, 10.0f), 0);
    EXPECT_EQ(f.Tell(), 4);
    EXPECT_EQ(s.NArea, 2);
    EXPECT_EQ(s.StretchOn, 0);

    // a thickness column the file cannot hold is not allocated
    MemoryFile g = Ints({1, 0, 0});
    EXPECT_EQ(s.ReadLayerThickness(g, 1'000'000'000, 10.0f), 0);
    EXPECT_TRUE(s.LayerThickness.empty());
}

TEST(Stretch, ProfileRoundTripAndCommands)
{
    HeadlessServices svc;
    CData3DEx v;
    SetAreas(*v.Stretch, {{50, 1.0f}, {30, 2.5f}});
    v.Stretch->StretchOn = 1;
    v.Stretch->SaveStretchSettings();
    EXPECT_EQ(svc.profile.GetString("General", "Stretch1", ""), "2.500000");
    EXPECT_EQ(svc.profile.GetInt("General", "Boundary1", 0), 30);

    StretchInfo r;
    r.LoadStretchSettings();
    EXPECT_EQ(r.StretchOn, 1);
    EXPECT_EQ(r.NArea, 2);
    EXPECT_EQ(r.Stretch[1], 2.5f);

    // a profile NArea outside 1..5 is clamped, never used as an index beyond the slots
    svc.profile.WriteInt("General", "NArea", 9);
    r.LoadStretchSettings();
    EXPECT_EQ(r.NArea, 5);

    // "Stretch Z direction" twice restores the setting
    EXPECT_TRUE(IsStretchZDirectionChecked(v));
    OnStretchZDirection(v);
    EXPECT_FALSE(IsStretchZDirectionChecked(v));
    OnStretchZDirection(v);
    EXPECT_TRUE(IsStretchZDirectionChecked(v));

    // "Setup stretch": four factor/count rows; area 4 untouched
    v.Stretch->Boundary[4] = 77;
    svc.ui.AnswerForm({true, {{"#0", "1.5"}, {"#1", "12"}, {"#6", "3"}, {"#7", "40"}}});
    EXPECT_TRUE(OnSetupStretch(v));
    EXPECT_EQ(svc.ui.formCaptions.back(), "Set Z axis stretch");
    EXPECT_EQ(v.Stretch->Stretch[0], 1.5f);
    EXPECT_EQ(v.Stretch->Boundary[0], 12);
    EXPECT_EQ(v.Stretch->Stretch[1], 2.5f);
    EXPECT_EQ(v.Stretch->Stretch[3], 3.0f);
    EXPECT_EQ(v.Stretch->Boundary[3], 40);
    EXPECT_EQ(v.Stretch->Boundary[4], 77);
    EXPECT_EQ(v.Stretch->NArea, 4); // down to the last row with cells; the fifth was not in use
    v.Stretch->NArea = 5;           // a file's fifth area, not in the dialog, stays in use
    svc.ui.AnswerForm({true, {}});
    EXPECT_TRUE(OnSetupStretch(v));
    EXPECT_EQ(v.Stretch->NArea, 5);
    EXPECT_EQ(v.Stretch->Boundary[4], 77);
    svc.ui.CancelForm();
    EXPECT_FALSE(OnSetupStretch(v));
    EXPECT_EQ(v.Stretch->Boundary[0], 12);

    // areas entered on a record of one area are the areas in use, and drawn
    v.Stretch->NArea = 1;
    v.Stretch->Boundary[4] = 0;
    svc.ui.AnswerForm({true,
                       {{"#0", "1"},
                        {"#1", "20"},
                        {"#2", "2"},
                        {"#3", "20"},
                        {"#4", "4"},
                        {"#5", "20"},
                        {"#6", "1"},
                        {"#7", "0"}}});
    EXPECT_TRUE(OnSetupStretch(v));
    EXPECT_EQ(v.Stretch->NArea, 3);
    EXPECT_FLOAT_EQ(v.Stretch->StretchedHeight(10.0f), 20 * 10 + 20 * 20 + 20 * 40);
    // emptying the last areas takes them out of use; one area always remains
    svc.ui.AnswerForm({true, {{"#5", "0"}}});
    EXPECT_TRUE(OnSetupStretch(v));
    EXPECT_EQ(v.Stretch->NArea, 2);
    svc.ui.AnswerForm({true, {{"#1", "0"}, {"#3", "0"}}});
    EXPECT_TRUE(OnSetupStretch(v));
    EXPECT_EQ(v.Stretch->NArea, 1);

    // "Read stretch information" toggles and is written at once
    EXPECT_TRUE(IsReadStretchInformationChecked(v));
    OnReadStretchInformation(v);
    EXPECT_EQ(v.bReadStretchInfo, 0);
    EXPECT_EQ(svc.profile.GetInt("General", "bReadStretchInfo", -1), 0);
    OnReadStretchInformation(v);
    EXPECT_EQ(svc.profile.GetInt("General", "bReadStretchInfo", -1), 1);
}
