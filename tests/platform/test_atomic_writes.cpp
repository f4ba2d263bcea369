// AtomicFile and AtomicTextFile under faults: a write refused by the device makes Commit fail with
// the system's reason and leave the target and its folder as they were; text is written in
// pieces, so a kill part way leaves a partial temporary file beside an intact target.
#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "support/FaultInjection.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <cstring>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(AtomicWrites, FullDeviceRefusesTheCommitWithTheSystemsReason)
{
    testing_support::TempDir dir;
    const std::string path = dir.File("data.bin");
    {
        std::ofstream(path) << "old";
    }
    testing_support::FullDevice full(path, 10);
    auto file = platform::AtomicFile::Create(path);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Write("0123456789", 10));
    EXPECT_FALSE(file->Write("x", 1));
    EXPECT_FALSE(file->Write("y", 1)); // the first failure is the one reported
    std::string error;
    EXPECT_FALSE(file->Commit(&error));
    EXPECT_EQ(error, std::strerror(ENOSPC));
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_TRUE(testing_support::LeftOver(dir.path, "data.bin", "data.bin").empty());
}

TEST(AtomicWrites, HookSeesOnlyItsTargetAndTheBytesWritten)
{
    testing_support::TempDir dir;
    std::vector<std::int64_t> seen;
    platform::SetAtomicWriteHook([&](const std::string& t, std::int64_t written, std::size_t) {
        if (t == dir.File("a.txt"))
            seen.push_back(written);
        return true;
    });
    platform::AtomicTextFile a, b;
    ASSERT_TRUE(a.Create(dir.File("a.txt")));
    ASSERT_TRUE(b.Create(dir.File("b.txt")));
    for (int i = 0; i < 1000; ++i) {
        a.Printf("%04d %s\n", i, "abcdefghijklmnopqrstuvwxyz");
        b.Write("b\n");
    }
    EXPECT_TRUE(a.Commit());
    EXPECT_TRUE(b.Commit());
    platform::SetAtomicWriteHook({});
    // 32 bytes a line, 32000 bytes in pieces of at least 4 KiB.
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0], 0);
    EXPECT_GE(seen[1], 4096);
    const std::string text = ReadWholeFile(dir.File("a.txt"));
    EXPECT_EQ(text.size(), 32000u);
    EXPECT_EQ(text.substr(32 * 999), "0999 abcdefghijklmnopqrstuvwxyz\n");
    EXPECT_EQ(ReadWholeFile(dir.File("b.txt")).size(), 2000u);
}

TEST(AtomicWrites, TextFileNotCommittedLeavesNothing)
{
    testing_support::TempDir dir;
    const std::string path = dir.File("t.txt");
    {
        platform::AtomicTextFile t;
        ASSERT_TRUE(t.Create(path));
        for (int i = 0; i < 2000; ++i)
            t.Printf("%d\n", i);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));

    std::string error;
    platform::AtomicTextFile missing;
    EXPECT_FALSE(missing.Create(dir.File("no/such/folder.txt"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(missing.Commit(&error));
}
