#pragma once
// The small set of helpers every reader of a user's file is built from, so that opening a file,
// reporting a failure, parsing the FD model header, allocating for a read and reading a block of
// values are each written once: a refused or unreadable file is reported the same way whatever
// command met it.

#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class BinaryFile;
}
class CData3D;

// Values are moved in blocks of this many floats (256 KiB): one read request per block keeps the
// system calls few and the staging buffer in the L2 cache.
constexpr std::int64_t BlockFloats = 65536;

// One message box with text: how every reader tells the user what went wrong.
void ReportToUser(const std::string& text);

// Opens path for reading, or shows "Cannot open "<path>": <reason>." and returns null.
std::unique_ptr<platform::BinaryFile> OpenOrReport(const std::string& path);

// The 24-byte header of an FD 3D model file: extents (cells) and cell sizes (metres).
struct FDModelHeader {
    int NX = 0, NY = 0, NZ = 0;
    float StepX = 0, StepY = 0, StepZ = 0;
};
// Reads the header at the file's position. A file that ends inside it or holds a negative extent
// is reported, naming the file, and false is returned.
bool ReadFDModelHeader(platform::BinaryFile& file, FDModelHeader& header);

// Allocates Values for the extents unless an allocation of exactly these extents exists: a reload
// of the same size then skips the page faults of a fresh block, which cost more than reading the
// file from the page cache. The extents in use are not changed.
void AllocateFor(CData3D& volume, int nx, int ny, int nz);

// Reads count floats into dest with one request. Values the file does not supply (it ended, or
// ended inside a float) are set to 0. Returns the bytes the request delivered; ended is set when
// the file delivered fewer than asked (no further read is then useful).
std::int64_t ReadBlockZeroFilled(platform::BinaryFile& file, float* dest, std::int64_t count,
                                 bool& ended);
