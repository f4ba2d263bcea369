#pragma once
// Builders shared by the render tests.

#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace render_test {

using testing_support::FillCoded;

inline std::string ReadAll(const std::string& path)
{
    return testing_support::ReadWholeFile(path);
}

// Runs the scope in another working directory (the axis dump goes to the current directory).
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir) : previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~ScopedCwd() { std::filesystem::current_path(previous); }

private:
    std::filesystem::path previous;
};

} // namespace render_test
