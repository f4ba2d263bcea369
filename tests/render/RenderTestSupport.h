#pragma once
// Builders shared by the render tests.

#include "volume/Data3D.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace render_test {

// Values[z][y][x] = x + 10 y + 100 z.
inline void FillCoded(CData3D& v, int nx, int ny, int nz)
{
    v.NX = nx, v.NY = ny, v.NZ = nz;
    v.Allocate(nx, ny, nz);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                v.Values[z][y][x] = static_cast<float>(x + 10 * y + 100 * z);
}

inline std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
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
