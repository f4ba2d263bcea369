#pragma once
// Saves that meet a fault part way: a child process killed (SIGKILL) while it writes, and a
// device that fills up. Both go through the write hook of platform::AtomicFile, so they apply to
// every writer that replaces its file through it.

#include "platform/BinaryFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testing_support {

// Runs save in a forked child that kills itself with SIGKILL as soon as at least killAfter bytes
// of target are on disk and it is about to write more, as a crash or a kill from outside would
// stop it. Returns true when the child died that way (false: it finished or failed otherwise).
// The child must not need other threads of this process (Qt, OpenMP): fork copies only the
// calling thread.
inline bool KillDuringSave(const std::string& target, std::int64_t killAfter,
                           const std::function<void()>& save)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        platform::SetAtomicWriteHook([&](const std::string& t, std::int64_t written, std::size_t) {
            if (t == target && written >= killAfter)
                ::kill(::getpid(), SIGKILL);
            return true;
        });
        save();
        ::_exit(0);
    }
    if (pid < 0)
        return false;
    // A child that hangs (a lock held by another thread at the fork) fails the test, not the run.
    int status = 0;
    for (int waited = 0; ::waitpid(pid, &status, WNOHANG) == 0; waited += 10) {
        if (waited >= 300000) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "the saving child hung";
            return false;
        }
        ::usleep(10000);
    }
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// While alive, writes to target fail (as on a full device) once capacity bytes were written.
class FullDevice {
public:
    FullDevice(std::string target, std::int64_t capacity)
    {
        platform::SetAtomicWriteHook(
            [target, capacity](const std::string& t, std::int64_t written, std::size_t count) {
                return t != target || written + static_cast<std::int64_t>(count) <= capacity;
            });
    }
    ~FullDevice() { platform::SetAtomicWriteHook({}); }
    FullDevice(const FullDevice&) = delete;
    FullDevice& operator=(const FullDevice&) = delete;
};

// Files in folder other than keep whose name begins with prefix: what an interrupted save left.
inline std::vector<std::filesystem::path> LeftOver(const std::string& folder,
                                                   const std::string& prefix,
                                                   const std::string& keep)
{
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name != keep && name.rfind(prefix, 0) == 0)
            out.push_back(e.path());
    }
    return out;
}

// After a killed save of target (complete size bytes when finished): the target still holds
// before, and whatever the child left is a partial temporary file, never a complete-looking
// file under the target's name.
inline void ExpectKilledSaveHarmless(const std::string& target, const std::string& before,
                                     std::uintmax_t completeSize, std::int64_t killAfter,
                                     const std::function<std::string(const std::string&)>& read)
{
    EXPECT_EQ(read(target), before) << target << " changed by a killed save";
    const std::filesystem::path t(target);
    const auto left = LeftOver(t.parent_path().string(), t.filename().string(), t.filename().string());
    ASSERT_EQ(left.size(), 1u) << "the killed save left no temporary file: was it killed part way?";
    const std::uintmax_t partial = std::filesystem::file_size(left.front());
    EXPECT_GE(partial, static_cast<std::uintmax_t>(killAfter));
    EXPECT_LT(partial, completeSize);
    std::filesystem::remove(left.front());
}

// After a save refused by a full device: a message names the target, the target still holds
// before and no temporary file is left.
inline void ExpectFullDeviceHarmless(const std::string& target, const std::string& before,
                                     const std::vector<std::string>& messages,
                                     const std::function<std::string(const std::string&)>& read)
{
    bool named = false;
    for (const std::string& m : messages)
        named = named || m.find(target) != std::string::npos;
    EXPECT_TRUE(named) << "no message names " << target;
    EXPECT_EQ(read(target), before) << target << " changed by a failed save";
    const std::filesystem::path t(target);
    EXPECT_TRUE(LeftOver(t.parent_path().string(), t.filename().string(), t.filename().string())
                    .empty())
        << "a failed save left its temporary file";
}

} // namespace testing_support
