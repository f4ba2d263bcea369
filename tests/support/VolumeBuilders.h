#pragma once
// Test volumes whose every value names its cell, and a whole-file reader.

#include "volume/Data3D.h"

#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

// value(x, y, z) = 100 z + 10 y + x + offset: distinct, and exact in float.
inline float Cell(int x, int y, int z, float offset = 0)
{
    return static_cast<float>(100 * z + 10 * y + x) + offset;
}

// Sets the extents, allocates and fills Values[z][y][x] with Cell(x, y, z, offset).
inline void FillCoded(CData3D& v, int nx, int ny, int nz, float offset = 0)
{
    v.NX = nx, v.NY = ny, v.NZ = nz;
    v.Allocate(nx, ny, nz);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                v.Values[z][y][x] = Cell(x, y, z, offset);
}

// Sets the extents, allocates and fills every cell with value.
inline void FillConstant(CData3D& v, int nx, int ny, int nz, float value)
{
    v.NX = nx, v.NY = ny, v.NZ = nz;
    v.Allocate(nx, ny, nz);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                v.Values[z][y][x] = value;
}

// The cells in use in file order (x fastest, then y, then z).
inline std::vector<float> Flatten(const CData3D& v)
{
    std::vector<float> out;
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y)
            for (int x = 0; x < v.NX; ++x)
                out.push_back(v.Values[z][y][x]);
    return out;
}

// Makes volume exactly as a newly constructed one (its allocations released, every field at its
// default, the stretch settings read from the installed profile), in place: theVolume lives for
// the whole process and cannot be replaced.
inline void ResetToNew(CData3DEx& volume)
{
    volume.~CData3DEx();
    new (&volume) CData3DEx();
}

inline std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace testing_support
