#pragma once
// The aft tomography result file and the command "Open aft file".
//
// An aft file is a headerless sequence of 16-byte little-endian records up to the end of the
// file: int32 i, j, k (x, y, z cell indices counted from 1) and float32 value. Records come in
// any order; a later record for a cell overwrites an earlier one. The grid size is not in the
// file: the user types it in.

#include "volume/VolumeCommands.h"

#include <cstdint>
#include <string>

namespace platform {
class BinaryFile;
}
class CData3D;

// Temporary grid of the command: Values[x][y][z], z fastest, index ranges 0..NX, 0..NY, 0..NZ
// (one spare element per dimension, as every tensor of the program). Owns its tensor.
struct TomographyGrid {
    TomographyGrid() = default;
    ~TomographyGrid() { Release(); }
    TomographyGrid(const TomographyGrid&) = delete;
    TomographyGrid& operator=(const TomographyGrid&) = delete;

    // Allocates for nx x ny x nz cells and sets every cell to 0 (cells no record names keep 0).
    // The caller has checked the extents (TomographyGridCheck).
    void Allocate(int nx, int ny, int nz);
    void Release();

    int NX = 0, NY = 0, NZ = 0;
    float*** Values = nullptr;
};

// Refuses negative extents and grids that, together with the volume they are copied into, do
// not fit in memory (VolumeMemoryLimit). Returns the message naming path, or an empty string.
std::string TomographyGridCheck(const std::string& path, std::int64_t nx, std::int64_t ny,
                                std::int64_t nz);

// What reading the records found.
struct TomographyReadResult {
    std::int64_t Bytes = 0;         // bytes read
    std::int64_t Records = 0;       // complete records
    std::int64_t Outside = 0;       // records naming a cell outside the grid (not stored)
    std::int64_t TrailingBytes = 0; // bytes after the last complete record (ignored)
};

// Reads records from the current position to the end of the file into grid.
TomographyReadResult ReadTomographyRecords(platform::BinaryFile& file, TomographyGrid& grid);

// "Open aft file": file-open dialog "aft.dat(*.*)", "Data size" with all fields 0, the records
// into a grid of that size, "NX = %d NY = %d NZ = %d", then the grid copied into the volume
// (Values[z][y][x]) with those extents; steps, starts, titles, units and stretch stay. The result
// asks the view to clear DataRangeValid and repaint. A cancelled dialog, a refused size or an
// unreadable file leaves the volume as it was (the result then asks for nothing).
CommandResult OnOpenAftFile(CData3D& volume);
