// An exported picture meets a kill part way through its write and a full device: the picture
// saved before stays as it was, and the failure gives the system's reason.
#include "render_qt/RenderToFile.h"
#include "support/FaultInjection.h"
#include "support/TestServices.h"

#include <QGuiApplication>

#include "support/OffscreenApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Fonts need a QGuiApplication; one per process, without a display.
void EnsureApp()
{
    testing_support::OffscreenApplication<QGuiApplication>();
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(SaveFaults, ExportedPictureKilledOrFullKeepsThePreviousFile)
{
    EnsureApp();
    testing_support::HeadlessServices svc;
    testing_support::TempDir dir;
    CData3DEx volume;
    volume.FillTestData();
    volume.StepX = volume.StepY = volume.StepZ = 1000.0f;
    CDrawingParameter layout;
    SliceViewState view;
    auto save = [&](const std::string& path, std::string* error) {
        CPlotSettings settings;
        return RenderPlaneToFile(path, PageFormatFromPath(path), PageSetup{}, settings, dir.path,
                                 layout, volume, view, error);
    };
    for (const char* ext : {".png", ".svg"}) {
        const std::string path = dir.File(std::string("picture") + ext);
        ASSERT_TRUE(save(dir.File(std::string("complete") + ext), nullptr));
        const auto complete = std::filesystem::file_size(dir.File(std::string("complete") + ext));
        ASSERT_GT(complete, 32768u) << ext << ": too small to be cut in pieces";
        {
            std::ofstream(path) << "an earlier picture\n";
        }
        const std::string before = ReadWholeFile(path);

        // The page is encoded in memory and then written; the child does the writing, since Qt's
        // threads do not survive the fork.
        const std::string bytes = ReadWholeFile(dir.File(std::string("complete") + ext));
        EXPECT_TRUE(testing_support::KillDuringSave(path, 16384, [&] {
            SaveBytesReplacing(path, bytes.data(), bytes.size());
        }));
        testing_support::ExpectKilledSaveHarmless(path, before, complete, 16384, ReadWholeFile);

        std::string error;
        {
            testing_support::FullDevice full(path, 20000);
            EXPECT_FALSE(save(path, &error));
        }
        EXPECT_EQ(error, std::strerror(ENOSPC)) << ext;
        // The caller names the file in its message; here: the file is as it was, nothing left.
        testing_support::ExpectFullDeviceHarmless(path, before, {path + ": " + error},
                                                  ReadWholeFile);
    }
}
