// The picked data file meets a kill part way and a full device: the picks saved before stay as
// they were, and a full device is reported naming the file.
#include "ShellTestSupport.h"

#include "support/FaultInjection.h"
#include "support/VolumeBuilders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using testing_support::ReadWholeFile;

TEST(SaveFaults, PicksKilledOrFullKeepThePreviousFile)
{
    shell_test::Session s;
    testing_support::TempDir folder;
    s.doc.WorkingFolder = folder.path;
    CData3DEx& v = theVolume();
    testing_support::FillConstant(v, 600, 2, 4, 5.0f); // 600 picks, about 25 KB of text
    v.StepX = v.StepY = 10, v.StepZ = 100;
    v.PlaneKind = PlaneY;
    v.PlaneIndex = 1;
    ASSERT_EQ(s.view.Pick(), 1);
    ASSERT_EQ(s.view.PickedCount, 600);
    const std::string path = folder.path + "/PickDataHorizontal_1.txt";
    s.view.SavePicks();
    const auto complete = std::filesystem::file_size(path);
    {
        std::ofstream(path) << "earlier picks\n";
    }
    const std::string before = ReadWholeFile(path);

    const std::int64_t killAfter = 8192;
    EXPECT_TRUE(testing_support::KillDuringSave(path, killAfter, [&] { s.view.SavePicks(); }));
    testing_support::ExpectKilledSaveHarmless(path, before, complete, killAfter, ReadWholeFile);

    s.svc.ui.ClearLog();
    {
        testing_support::FullDevice full(path, 5000);
        s.view.SavePicks();
    }
    testing_support::ExpectFullDeviceHarmless(path, before, s.svc.ui.MessageTexts(),
                                              ReadWholeFile);
}
