#pragma once
// VTK XML ImageData files (.vti), as VTK and ParaView read and write them.
//
// An image has a whole extent "x0 x1 y0 y1 z0 z1" of point indices, an Origin (the position of
// point index 0) and a Spacing per axis. Point data holds one tuple per point, (x1-x0+1) per
// axis; cell data one per cell, (x1-x0) per axis (1 along a flat axis). Tuples are stored x
// fastest, then y, then z, matching Values[z][y][x].
//
// Kalder's volume maps to cell data: cell i spans Start + i Step .. Start + (i+1) Step, so
// Origin = Start, Spacing = Step, whole extent 0 NX 0 NY 0 NZ. Point data is read as a volume
// of the point values (NX = x1-x0+1 ..., Start = Origin + x0 Spacing).
//
// Read: one piece; ascii, base64 ("binary") and appended (raw or base64) arrays; zlib-compressed
// or not; header_type UInt32 or UInt64; either byte order; any integer or float type with one
// component. Written: version 1.0, little-endian, UInt64 headers, one Float32 cell array in
// appended raw data, optionally zlib-compressed (vtkZLibDataCompressor blocks).

#include "exchange/ExchangeVolume.h"

#include <string>

namespace platform {
class BinaryFile;
}
class CData3D;

struct VtiReadOptions {
    // The data array to read; empty: the active scalars of the cell data, else its first array,
    // else the same in the point data.
    std::string ArrayName;
};

struct VtiWriteOptions {
    bool Compress = false;
    std::string ArrayName = "values";
};

ExchangeResult ReadVti(platform::BinaryFile& file, CData3D& volume,
                       const VtiReadOptions& options = {});
ExchangeResult ReadVtiFile(const std::string& path, CData3D& volume,
                           const VtiReadOptions& options = {});

ExchangeResult WriteVti(const CData3D& volume, platform::BinaryFile& file,
                        const VtiWriteOptions& options = {});
// Writes through a temporary file renamed over path.
ExchangeResult WriteVtiFile(const CData3D& volume, const std::string& path,
                            const VtiWriteOptions& options = {});
