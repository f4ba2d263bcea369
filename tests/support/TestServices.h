#pragma once
// Shared test scaffolding: headless platform services installed for one test, and a scratch
// folder removed afterwards.

#include "platform/Profile.h"
#include "platform/ScriptedUi.h"
#include "platform/Services.h"
#include "platform/System.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testing_support {

// Counts repaint requests.
struct RepaintCounter : platform::RepaintTarget {
    void RequestRepaint() override { ++count; }
    int count = 0;
};

// Installs an in-memory profile, a scripted Ui, a fixed OS version and a repaint counter for its
// lifetime.
struct HeadlessServices {
    platform::MemoryProfile profile;
    platform::ScriptedUi ui;
    platform::FixedOsVersion os{{"Linux", 6, 18}};
    RepaintCounter repaints;
    platform::ScopedServices scope{
        platform::Services{.profile = &profile, .ui = &ui, .osVersion = &os, .repaint = &repaints}};
};

// A fresh folder under the system temp folder, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kalder-test-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        path = made ? made : "";
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path.empty())
            std::filesystem::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string File(const std::string& name) const { return path + "/" + name; }

    std::string path;
};

// Runs the scope in another working directory (the program writes its diagnostic files to the
// current directory).
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir) : previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~ScopedCwd() { std::filesystem::current_path(previous); }
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::filesystem::path previous;
};

// A fresh folder made the working directory for one scope: the commands write their reports and
// scratch files to the current directory.
struct ScratchWorkingDir {
    TempDir dir;
    ScopedCwd cwd{dir.path};
    std::string File(const std::string& name) const { return dir.File(name); }
};

// Sets an environment variable for one scope and restores the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name(name)
    {
        if (const char* old = std::getenv(name)) {
            had = true;
            previous = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (had)
            ::setenv(name, previous.c_str(), 1);
        else
            ::unsetenv(name);
    }

private:
    const char* name;
    bool had = false;
    std::string previous;
};

} // namespace testing_support
