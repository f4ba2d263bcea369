#include "platform/BinaryFile.h"
#include "platform/Form.h"
#include "platform/RecordingSurface.h"
#include "platform/ScriptedUi.h"
#include "platform/System.h"
#include "platform/TextFile.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace platform;

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(Form, ConvertsFieldsAndRefusesUnparsableText)
{
    int n = 3;
    float f = 0.5f;
    double d = 2.0;
    int choice = 0;
    Form form("Data size");
    form.Int("NX =", n).Float("Scale", f).Double("Exact", d).Radio("Kind", choice, {"A", "B"});

    EXPECT_EQ(form.FieldText(0), "3");
    EXPECT_EQ(form.FieldText(1), "0.5");
    EXPECT_EQ(form.CheckFieldText(0, "abc"), "Enter an integer.");
    EXPECT_EQ(form.CheckFieldText(0, "12x"), "Enter an integer.");
    EXPECT_EQ(form.CheckFieldText(0, "99999999999"), "Enter an integer.");
    EXPECT_EQ(form.CheckFieldText(1, "abc"), "Enter a number.");
    EXPECT_EQ(form.CheckFieldText(1, "1e39"), "Enter a number."); // beyond single precision
    EXPECT_EQ(form.CheckFieldText(2, ""), "Enter a number.");
    EXPECT_EQ(form.CheckFieldText(3, "2"), "Enter an integer.");
    EXPECT_EQ(form.CheckFieldText(3, "-2"), "Enter an integer.");
    EXPECT_FALSE(form.CheckFieldText(3, "-1")); // no button selected
    EXPECT_FALSE(form.CheckFieldText(0, " 42 "));

    form.SetFieldText(0, " 42 ");
    form.SetFieldText(1, "1.25e2");
    form.SetFieldText(3, "1");
    EXPECT_EQ(n, 42);
    EXPECT_EQ(f, 125.0f);
    EXPECT_EQ(choice, 1);
}

TEST(Form, GridsCoverWholeRowsOfFieldsOnly)
{
    float v[4] = {};
    Form form("Set Z axis stretch");
    form.BeginGrid({"0", "1"}, {"Stretch", "Cells"});
    for (float& x : v)
        form.Float("", x);
    ASSERT_NE(form.GridAt(0), nullptr);
    EXPECT_EQ(form.GridAt(0)->Rows() * form.GridAt(0)->Columns(), 4u);
    EXPECT_EQ(form.GridAt(1), nullptr);
    // a grid announced for more fields than follow is not drawn as a table
    Form cut("Cut");
    cut.BeginGrid({"a", "b"}, {"x", "y"});
    cut.Float("", v[0]);
    EXPECT_EQ(cut.GridAt(0), nullptr);
}

TEST(ScriptedUi, RefusedFieldKeepsTheDialogOpenForTheNextAnswer)
{
    ScriptedUi ui;
    int nx = 1, ny = 2;
    Form form("Data size");
    form.Int("NX =", nx).Int("NY =", ny);

    ui.AnswerForm({true, {{"NX =", "abc"}}}).AnswerForm({true, {{"NX =", "7"}, {"#1", "8"}}});
    EXPECT_TRUE(ui.RunForm(form));
    EXPECT_EQ(nx, 7);
    EXPECT_EQ(ny, 8);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Enter an integer."});

    ui.CancelForm();
    EXPECT_FALSE(ui.RunForm(form));
    EXPECT_FALSE(ui.RunForm(form)); // nothing queued: cancelled
    EXPECT_EQ(ui.formCaptions.size(), 3u);

    EXPECT_EQ(ui.MessageBox("Append data?", Buttons::YesNo), Answer::No);
    ui.AnswerMessage(Answer::Yes);
    EXPECT_EQ(ui.MessageBox("Append data?", Buttons::YesNo), Answer::Yes);
}

TEST(BinaryFiles, SeekBeyondFourGigabytesAndShortReads)
{
    testing_support::TempDir dir;
    std::string path = dir.File("sparse.bin");
    {
        auto f = CreateBinaryWrite(path);
        ASSERT_TRUE(f);
        // a sparse file: the position needs 64 bits
        ASSERT_TRUE(f->Seek(5'000'000'000LL));
        ASSERT_TRUE(f->WriteInt32(1234));
        EXPECT_TRUE(f->Close());
    }
    auto f = OpenBinaryRead(path);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Length(), 5'000'000'004LL);
    ASSERT_TRUE(f->Seek(5'000'000'000LL));
    std::int32_t v = 0;
    EXPECT_TRUE(f->ReadInt32(v));
    EXPECT_EQ(v, 1234);
    char buf[8];
    EXPECT_EQ(f->Read(buf, 8), 0u);

    std::string error;
    EXPECT_FALSE(OpenBinaryRead(dir.File("missing.bin"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(OpenBinaryRead(dir.path, &error)); // a folder is not a file

    MemoryFile m;
    m.WriteInt32(7);
    m.WriteFloat(2.5f);
    m.Seek(0, SeekFrom::Begin);
    std::int32_t i = 0;
    float x = 0;
    EXPECT_TRUE(m.ReadInt32(i) && m.ReadFloat(x));
    EXPECT_EQ(i, 7);
    EXPECT_EQ(x, 2.5f);
    EXPECT_FALSE(m.ReadInt32(i));
}

TEST(BinaryFiles, AtomicFileReplacesTargetOnlyOnCommit)
{
    testing_support::TempDir dir;
    std::string target = dir.File("volume.dat");
    std::ofstream(target) << "old";
    {
        auto f = AtomicFile::Create(target);
        ASSERT_TRUE(f);
        f->Write("new!", 4);
        // dropped without commit: the old file stays and no temporary is left
    }
    EXPECT_EQ(Slurp(target), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                            std::filesystem::directory_iterator{}),
              1);
    {
        auto f = AtomicFile::Create(target);
        ASSERT_TRUE(f);
        f->Write("new!", 4);
        std::string error;
        EXPECT_TRUE(f->Commit(&error)) << error;
    }
    EXPECT_EQ(Slurp(target), "new!");

    std::string error;
    EXPECT_FALSE(AtomicFile::Create(dir.File("no/such/folder/x.dat"), &error));
    EXPECT_FALSE(error.empty());
}

TEST(TextFiles, FormatsAndJoinsPaths)
{
    EXPECT_EQ(Format("%d %f", 3, 1.5), "3 1.500000");
    EXPECT_EQ(JoinPath("", "axis.txt"), "axis.txt"); // empty folder: current directory
    EXPECT_EQ(JoinPath("/a/b", "c.txt"), "/a/b/c.txt");
    EXPECT_EQ(JoinPath("/a/b/", "c.txt"), "/a/b/c.txt");

    testing_support::TempDir dir;
    TextFile t;
    ASSERT_TRUE(t.Create(dir.File("t.txt")));
    t.Printf("nPickedData=%d\n", 4);
    EXPECT_TRUE(t.Close());
    EXPECT_EQ(Slurp(dir.File("t.txt")), "nPickedData=4\n");
    EXPECT_FALSE(t.Create(dir.File("missing/t.txt")));
    t.Printf("ignored %d", 1); // writing to a file that did not open does nothing
}

TEST(RecordingSurface, LogsOperationsAndConvertsDeviceUnits)
{
    RecordingSurface s({0, 0, 2000, -1500}, 4.0);
    Pen old = s.SelectPen({2, MakeRgb(0, 0, 0)});
    s.MoveTo(10, -20);
    s.LineTo(30, -40);
    s.TextOut(10, -10, "title");
    s.SelectPen(old);
    ASSERT_EQ(s.ops.size(), 5u);
    EXPECT_EQ(s.ops[1].args, (std::vector<int>{10, -20}));
    EXPECT_EQ(s.ops[2].pen.width, 2);
    ASSERT_NE(s.FindText("title"), nullptr);
    EXPECT_EQ(s.FindText("title")->args, (std::vector<int>{10, -10}));
    // 4 pixels per mm: 40 pixels right and down is 10 mm = 100 units
    EXPECT_EQ(s.DeviceToLogical({40, 40}), (Point{100, -100}));
    EXPECT_EQ(s.LogicalToDevice({100, -100}), (Point{40, 40}));

    PixelImage img(3, 2, MakeRgb(1, 2, 3));
    img.SetPixel(2, 1, MakeRgb(255, 0, 0));
    EXPECT_EQ(RgbRed(img.Pixel(2, 1)), 255);
    EXPECT_EQ(RgbBlue(img.Pixel(0, 0)), 3);
}

TEST(System, ReportsTheKernelVersionAsLinux)
{
    OsVersionInfo v = PosixOsVersion().Query();
    EXPECT_EQ(v.system, "Linux");
    EXPECT_GE(v.major, 2);
}
