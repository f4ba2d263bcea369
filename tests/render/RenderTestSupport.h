#pragma once
// Builders shared by the render tests.

#include "support/TestServices.h"
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

using testing_support::ScopedCwd;

} // namespace render_test
