// The random FD model meets a kill part way through its 42 MB file and a full device: the model
// saved before stays as it was, and a full device is reported naming the file.
#include "RandomMediaTestSupport.h"

#include "platform/RecordingSurface.h"
#include "random_media/RandomModelCommands.h"
#include "support/FaultInjection.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

using testing_support::ReadWholeFile;

TEST(SaveFaults, RandomFDModelKilledOrFullKeepsThePreviousFile)
{
    rm_test::ScratchCwd cwd;
    testing_support::HeadlessServices services;
    const std::string path = cwd.File("model.dat");
    {
        std::ofstream(path) << "an earlier model\n";
    }
    const std::string before = ReadWholeFile(path);
    const std::uintmax_t complete = 41943068u; // five components of 128^3 cells and the header
    auto save = [&] {
        platform::RecordingSurface surface;
        CData3DEx v;
        services.ui.AnswerSave(path);
        services.ui.AnswerForm({true, {{"Model size", "0"}}});
        VonKarmanRandomFD3DCommand(v, surface);
    };

    // The child is forked before this process runs any parallel region.
    const std::int64_t killAfter = 10000000;
    EXPECT_TRUE(testing_support::KillDuringSave(path, killAfter, save));
    testing_support::ExpectKilledSaveHarmless(path, before, complete, killAfter, ReadWholeFile);

    {
        testing_support::FullDevice full(path, 5000000);
        save();
    }
    testing_support::ExpectFullDeviceHarmless(path, before, services.ui.MessageTexts(),
                                              ReadWholeFile);
}
