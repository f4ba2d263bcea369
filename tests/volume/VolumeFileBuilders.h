#pragma once
// Builders for the volume file tests and the fuzz seed corpus: little-endian byte images of
// volume files and FD model files, and a snapshot of everything a reader may change.

#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace volume_test {

// A file image assembled field by field (int32 and float32, little-endian as the machine).
struct Bytes {
    std::vector<std::uint8_t> data;

    Bytes& Int(std::int32_t v) { return Raw(&v, 4); }
    Bytes& Float(float v) { return Raw(&v, 4); }
    Bytes& Floats(const std::vector<float>& v) { return Raw(v.data(), v.size() * sizeof(float)); }
    Bytes& Raw(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const std::uint8_t*>(p);
        data.insert(data.end(), b, b + n);
        return *this;
    }
};

using testing_support::Cell;

// nz * ny * nx values in file order (x fastest, then y, then z).
inline std::vector<float> Cells(int nx, int ny, int nz, float offset = 0)
{
    std::vector<float> v;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x)
                v.push_back(Cell(x, y, z, offset));
    return v;
}

inline void FillCells(CData3D& v, int nx, int ny, int nz, float offset = 0)
{
    testing_support::FillCoded(v, nx, ny, nz, offset);
}

// Version-3 header of a volume file, as WriteVolume writes it.
inline Bytes Version3Header(int nx, int ny, int nz, float sx, float sy, float sz)
{
    Bytes b;
    b.Int(-1).Int(3).Int(3).Int(20).Int(44).Int(nx).Int(ny).Int(nz).Float(sx).Float(sy).Float(sz);
    return b;
}

// FD model: size block, step block, optional thickness block, then components (each nz*ny*nx
// values, component c offset by 1000 c).
inline Bytes FDModel(int nx, int ny, int nz, int components, const std::vector<float>* thickness,
                     float step = 10.0f)
{
    Bytes b;
    b.Int(nx).Int(ny).Int(nz).Float(step).Float(step).Float(step);
    if (thickness)
        b.Int(1).Floats(*thickness);
    for (int c = 0; c < components; ++c)
        b.Floats(Cells(nx, ny, nz, 1000.0f * static_cast<float>(c)));
    return b;
}

// Everything a reader may change, for "left exactly as it was" checks.
struct Snapshot {
    std::vector<float> head;
    std::vector<int> ints;
    std::vector<float> values;

    explicit Snapshot(const CData3D& v)
    {
        const StretchInfo& s = *v.Stretch;
        ints = {v.HeaderVersion,
                v.SizeOffset,
                v.DataOffset,
                v.DataType,
                v.Dimensions,
                v.NX,
                v.NY,
                v.NZ,
                v.IsAllocated(1),
                v.AllocatedNX(),
                v.AllocatedNY(),
                v.AllocatedNZ(),
                s.StretchOn,
                s.NArea,
                v.ReservedWords[0],
                v.ReservedWords[1],
                v.ReservedWords[2]};
        for (int i = 0; i < StretchInfo::MaxAreas; ++i)
            ints.push_back(s.Boundary[i]);
        head = {v.StepX, v.StepY, v.StepZ, v.StartX, v.StartY, v.StartZ};
        for (int i = 0; i < StretchInfo::MaxAreas; ++i)
            head.push_back(s.Stretch[i]);
        for (int z = 0; z < v.NZ; ++z)
            for (int y = 0; y < v.NY; ++y)
                for (int x = 0; x < v.NX; ++x)
                    values.push_back(v.Values[z][y][x]);
    }
    bool operator==(const Snapshot& o) const
    {
        // memcmp so that NaN compares equal to itself
        return ints == o.ints && head.size() == o.head.size() &&
               std::memcmp(head.data(), o.head.data(), head.size() * 4) == 0 &&
               values.size() == o.values.size() &&
               std::memcmp(values.data(), o.values.data(), values.size() * 4) == 0;
    }
};

} // namespace volume_test
