#pragma once
// The model auto-correlation sampled on a slab of Z planes of the whole grid, cell for cell the
// values VonKarmanFunction3D gives on the whole grid.

#include <cstddef>

// Grid and model of the sampling: nx x ny x nz cells of steps stepX/Y/Z (axis units), the
// correlation type, distances ax/ay/az (axis units), e (fraction), h and the X-Z angle (degrees).
struct CorrelationGrid {
    int type = 3;
    int nx = 0, ny = 0, nz = 0;
    float stepX = 1, stepY = 1, stepZ = 1;
    float ax = 1, ay = 1, az = 1;
    float e = 0.1f, h = 0.5f, angle = 0;
};

// Most slots the table of distinct distances may grow to for a slab of cells (8 bytes each):
// twice the cells, up to 2^24 (128 MiB); 0 for types other than Von Karman, which need no table.
std::size_t CorrelationTableSlots(int type, std::size_t slabCells);

// Fills the planes z0 .. z0 + planes - 1 of the grid into out: plane p, row y starts at
// out + (p * ny + y) * rowStride floats, x fastest. The peak r = 0 sits at the grid's centre
// (nx StepX / 2, ny StepY / 2, nz StepZ / 2) as in VonKarmanFunction3D. Every distinct
// normalised distance is evaluated once (the values repeat across the grid's symmetries);
// the result is bit for bit CorrelationValue's. Returns the number of evaluations made.
std::size_t SampleCorrelationSlab(const CorrelationGrid& grid, int z0, int planes, float* out,
                                  std::size_t rowStride);
