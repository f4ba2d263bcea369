#pragma once
// Where each part of the FD 3D model file lies, and what each cell of its five blocks holds.
//
// File (little-endian, no padding), N = NX * NY * NZ:
//   0  int32 NX, NY, NZ;  12  float32 StepX, StepY, StepZ;  24  int32 layer-thickness flag (0)
//   28 + 4 N k  block k = 0..4 of N float32, z outermost, then y, x fastest:
//   P-wave velocity, S-wave velocity, density, Qp, Qs.
// A rank holding planes z0 .. z0 + n - 1 therefore owns one contiguous run of 4 NX NY n bytes
// in every block, starting at ModelBlockOffset(k, ..., z0).

#include "random_media/RandomModelDialog.h"

#include <algorithm>
#include <array>
#include <cstdint>

inline constexpr std::int64_t ModelHeaderBytes = 28;
inline constexpr int ModelBlocks = 5;

// Byte offset of plane z of block (0..4) in the file.
std::int64_t ModelBlockOffset(int block, int nx, int ny, int nz, int z);
// Length of the whole file.
std::int64_t ModelFileBytes(int nx, int ny, int nz);
// The 28 header bytes; the flag word is 0: the Z cells are uniform and no thickness block follows.
std::array<unsigned char, ModelHeaderBytes> ModelHeader(int nx, int ny, int nz, float stepX,
                                                        float stepY, float stepZ);

// The cell values of the model from the unit field u (single precision, as the single-machine
// export computes them):
//   vp' = min(cap, (e vp) u + vp), cap = 1.3 vp (product in double, stored as float)
//   vs' = (e vs) u + vs,  density' = (e density) u + density,  Qp = Qs = 1000000
struct ModelCells {
    explicit ModelCells(const RandomModelSettings& s);
    float Vp(float u) const { return std::min(vpCap, vpScale * u + vp); }
    float Vs(float u) const { return vsScale * u + vs; }
    float Density(float u) const { return densityScale * u + density; }
    static constexpr float Quality = 1000000.0f;
    // The value of block (0..4) for u.
    float Block(int block, float u) const;

    float vp, vs, density;
    float vpCap, vpScale, vsScale, densityScale;
};

// The five vertical profile lines of the report, at (x, y) = (cx, cy), (cx - 20, cy),
// (cx + 20, cy), (cx, cy - 20), (cx, cy + 20) with cx = NX / 2, cy = NY / 2. A line outside the
// grid is never sampled.
struct ProfileLines {
    static constexpr int Count = 5;
    ProfileLines(int nx, int ny);
    bool Inside(int line) const { return inside[line]; }
    std::array<int, Count> x, y;
    std::array<bool, Count> inside;
};
