#pragma once
// Helpers of the volume file formats (volume file, headerless values, FD 3D model) that work on
// an open file, so that a caller can refuse a file before the volume is touched, and the limits
// every reader checks a file's extents against before allocating.
//
// All formats are little-endian int32 / float32, values stored row by row: for z, for y, NX
// floats (x fastest), matching Values[z][y][x].

#include <cstdint>
#include <string>

namespace platform {
class BinaryFile;
}
class CData3D;

// Bytes the allocation of Values for extents (nx, ny, nz) takes: the float block with its spare
// element per dimension plus the row and plane pointer arrays. 0 when an extent is negative or
// the size does not fit in 64 bits.
std::uint64_t VolumeAllocationBytes(std::int64_t nx, std::int64_t ny, std::int64_t nz);

// Largest allocation in bytes a reader accepts: the machine's physical memory unless set.
std::uint64_t VolumeMemoryLimit();
// Sets the limit (tests, fuzzing); 0 restores the physical memory.
void SetVolumeMemoryLimit(std::uint64_t bytes);

// Refuses extents that are negative or whose allocation exceeds the limit; returns the message
// text naming path, or an empty string when the extents may be allocated.
std::string CheckVolumeExtents(const std::string& path, std::int64_t nx, std::int64_t ny,
                               std::int64_t nz);

// Reads NX x NY x NZ floats (extents and allocation already set by the caller) from the current
// position. Values the file does not supply are set to 0. Returns the bytes read; the caller
// compares them with the expected count.
std::int64_t ReadRawValuesFrom(CData3D& volume, platform::BinaryFile& file);

// ReadFDModel on an open file; the member opens the path and calls this.
std::int64_t ReadFDModelFrom(CData3D& volume, platform::BinaryFile& file, int component,
                             int xOffset, int fileCount);

// File Save of the document: writes the volume file to a temporary file beside path and renames
// it over path only when every write succeeded. On failure shows a message naming the file and
// leaves an existing file untouched. Returns true when saved.
bool SaveVolumeFile(const CData3D& volume, const std::string& path);

// What ReadVolumeDocument returns instead of a byte count when nothing was read.
constexpr std::int64_t DocumentLoadCancelled = -1; // Cancel at "Append data?"
constexpr std::int64_t DocumentLoadRefused = -2;   // the file was refused (a message said why)

// File Open of the document after the name rule: asks "Append data?" when the volume holds
// anything (Cancel reads nothing), then ReadVolume with the trailer and, for "Append", a copy
// of the volume as append source; a data type of 2 then selects the phase-velocity-vs-datetime
// axes. Returns the bytes read by ReadVolume, or one of the two values above, in which case the
// volume is as it was.
std::int64_t ReadVolumeDocument(CData3D& volume, platform::BinaryFile& file);
