#pragma once
// NumPy .npy files (format versions 1.0, 2.0 and 3.0).
//
// Layout: "\x93NUMPY", major and minor version bytes, the header length (uint16 for 1.x, uint32
// from 2.0, little-endian), then a Python dict literal such as
//   {'descr': '<f4', 'fortran_order': False, 'shape': (NZ, NY, NX), }
// padded with blanks to a multiple of 64 bytes and ended by '\n', then the elements.
//
// A shape (NZ, NY, NX) maps to Values[z][y][x]: in C order the last index (x) is fastest in the
// file; in Fortran order the first (z) is. A 2D array (NY, NX) is read as one XY plane (NZ = 1).
// Read: float32, float64, int16, int32 and uint8 (also int8, uint16, uint32, int64, uint64) of
// either byte order, converted to float32. Written: little-endian float32, shape (NZ, NY, NX),
// C order, version 1.0, and the sidecar of NpySidecar.h with steps, starts, titles and units.

#include "exchange/ExchangeVolume.h"
#include "exchange/ValueConversion.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {
class BinaryFile;
}
class CData3D;

struct NpyHeader {
    int Major = 1, Minor = 0;
    ElementType Type = ElementType::Float32;
    bool BigEndian = false;
    bool FortranOrder = false;
    std::vector<std::int64_t> Shape;
    std::int64_t DataOffset = 0; // bytes before the first element
};

struct NpyReadOptions {
    // Cell sizes and starts (index 0 X, 1 Y, 2 Z) when no sidecar gives them.
    float Step[3] = {1.0f, 1.0f, 1.0f};
    float Start[3] = {0, 0, 0};
    // False: ignore a sidecar (the Import dialog has already shown its values to the user).
    bool UseSidecar = true;
};

// Reads and checks the header at the start of file. Empty on success, else the message.
std::string ReadNpyHeader(platform::BinaryFile& file, NpyHeader& header);

// Reads an open .npy file into volume with the steps, starts, titles and units of geometry.
// Everything is checked (shape, type, file length, memory) before the volume is touched.
ExchangeResult ReadNpy(platform::BinaryFile& file, CData3D& volume, const ExchangeGrid& geometry);
// Opens path, takes the sidecar (when present and wanted) or the options, and reads.
ExchangeResult ReadNpyFile(const std::string& path, CData3D& volume,
                           const NpyReadOptions& options = {});

// Writes the volume's cells in use as version 1.0 little-endian float32, shape (NZ, NY, NX).
ExchangeResult WriteNpy(const CData3D& volume, platform::BinaryFile& file);
// Writes path and its sidecar, each through a temporary file renamed over the target.
ExchangeResult WriteNpyFile(const CData3D& volume, const std::string& path);
