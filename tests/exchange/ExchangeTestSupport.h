#pragma once
// Shared pieces of the exchange format tests: a sample volume whose every value names its cell
// (with NaN, -0 and an infinity among them), a bit-for-bit comparison, and Debian's Python with
// the formats' own reference libraries.

#include "exchange/ExchangeVolume.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace exchange_test {

using testing_support::TempDir;

// Fills a coded nx x ny x nz volume (Cell(x, y, z) + 0.25) with special values at fixed cells
// and non-trivial steps, starts, titles and units.
inline void MakeSample(CData3D& v, int nx, int ny, int nz, bool specials = true)
{
    testing_support::FillCoded(v, nx, ny, nz, 0.25f);
    if (specials && nx > 2 && ny > 1 && nz > 1) {
        v.Values[1][0][2] = std::numeric_limits<float>::quiet_NaN();
        v.Values[0][1][1] = -0.0f;
        v.Values[1][1][0] = std::numeric_limits<float>::infinity();
        v.Values[0][0][1] = 1.0e-40f; // subnormal
    }
    v.StepX = 25.0f, v.StepY = 12.5f, v.StepZ = 10.0f;
    v.StartX = 1000.0f, v.StartY = -250.0f, v.StartZ = 5.0f;
    v.TitleX = "Easting", v.UnitX = "m";
    v.TitleY = "Northing", v.UnitY = "m";
    v.TitleZ = "Depth", v.UnitZ = "m";
}

inline ::testing::AssertionResult SameValues(const CData3D& a, const CData3D& b)
{
    if (a.NX != b.NX || a.NY != b.NY || a.NZ != b.NZ)
        return ::testing::AssertionFailure() << "extents " << a.NX << "x" << a.NY << "x" << a.NZ
                                             << " vs " << b.NX << "x" << b.NY << "x" << b.NZ;
    for (int z = 0; z < a.NZ; ++z)
        for (int y = 0; y < a.NY; ++y)
            if (std::memcmp(a.Values[z][y], b.Values[z][y], static_cast<std::size_t>(a.NX) * 4))
                for (int x = 0; x < a.NX; ++x)
                    if (std::memcmp(&a.Values[z][y][x], &b.Values[z][y][x], 4))
                        return ::testing::AssertionFailure()
                               << "cell (" << x << ", " << y << ", " << z
                               << "): " << a.Values[z][y][x] << " vs " << b.Values[z][y][x];
    return ::testing::AssertionSuccess();
}

// The values against a float32 dump in file order (x fastest), bit for bit.
inline ::testing::AssertionResult SameAsDump(const CData3D& v, const std::vector<float>& dump)
{
    if (static_cast<std::size_t>(v.NX) * v.NY * v.NZ != dump.size())
        return ::testing::AssertionFailure()
               << "volume of " << v.NX << "x" << v.NY << "x" << v.NZ << ", dump of " << dump.size();
    std::size_t i = 0;
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y)
            for (int x = 0; x < v.NX; ++x, ++i)
                if (std::memcmp(&v.Values[z][y][x], &dump[i], 4))
                    return ::testing::AssertionFailure()
                           << "cell (" << x << ", " << y << ", " << z << "): " << v.Values[z][y][x]
                           << " vs " << dump[i];
    return ::testing::AssertionSuccess();
}

inline void ExpectGeometry(const CData3D& a, const CData3D& b)
{
    EXPECT_EQ(a.StepX, b.StepX);
    EXPECT_EQ(a.StepY, b.StepY);
    EXPECT_EQ(a.StepZ, b.StepZ);
    EXPECT_EQ(a.StartX, b.StartX);
    EXPECT_EQ(a.StartY, b.StartY);
    EXPECT_EQ(a.StartZ, b.StartZ);
}

inline std::vector<float> ReadFloats(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), out.size() * 4);
    return out;
}

inline std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const void* data, std::size_t n)
{
    std::ofstream(path, std::ios::binary)
        .write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
}

inline void WriteText(const std::string& path, const std::string& text)
{
    WriteBytes(path, text.data(), text.size());
}

struct PythonRun {
    int Status = -1;
    std::string Output; // standard output and error
};

// Runs script (Python source) with Debian's /usr/bin/python3 in dir, with args. A missing
// interpreter or library fails the run: scripts/setup installs them.
inline PythonRun RunPython(const TempDir& dir, const std::string& script,
                           const std::string& args = "")
{
    PythonRun run;
    const std::string file = dir.File("script.py");
    WriteText(file, script);
    const std::string cmd =
        "cd '" + dir.path + "' && " + KALDER_SYSTEM_PYTHON + " '" + file + "' " + args + " 2>&1";
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return run;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        run.Output.append(buf, n);
    int status = ::pclose(p);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

#define EXPECT_PYTHON_OK(run) EXPECT_EQ((run).Status, 0) << (run).Output

// "key value..." lines printed by a script, as a map of key to the rest of the line.
inline std::string Field(const std::string& output, const std::string& key)
{
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + " ", 0) == 0)
            return line.substr(key.size() + 1);
    return {};
}

} // namespace exchange_test
