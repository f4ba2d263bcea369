#pragma once
// Moving values between a volume's rows (Values[z][y], NX floats each, x fastest) and files or
// memory blocks in file order, in blocks of 256 KiB so that requests are few and the staging
// buffer stays in the cache.

#include "exchange/ExchangeVolume.h"
#include "exchange/ValueConversion.h"

#include <cstdint>
#include <functional>
#include <string>

namespace platform {
class BinaryFile;
}
class CData3D;

struct RowReadResult {
    std::int64_t Bytes = 0;   // bytes read
    std::int64_t Missing = 0; // values the file did not supply (set to 0)
};

// Reads NZ * NY rows of NX elements (x fastest, then y, then z) from the current position into
// the volume's rows, converting to float. The extents and allocation are set.
RowReadResult ReadRowsInto(platform::BinaryFile& file, ElementType type, bool bigEndian,
                           CData3D& volume);
// The same for elements stored z fastest, then y, then x (NumPy's Fortran order of (NZ, NY, NX)).
RowReadResult ReadColumnsInto(platform::BinaryFile& file, ElementType type, bool bigEndian,
                              CData3D& volume);
// Converts a block of NZ * NY * NX elements in row order (already complete) into the rows.
void ConvertRowsInto(const unsigned char* data, ElementType type, bool bigEndian, CData3D& volume);

// Writes the cells in use as little-endian float32 rows; bytes counts what was written.
bool WriteRowsFrom(const CData3D& volume, platform::BinaryFile& file, std::int64_t& bytes);

// "\"path\" ends early: m of n values are missing and were set to 0."
std::string MissingValuesText(const std::string& path, std::int64_t missing, std::int64_t total);

// Runs write on a temporary file beside path and renames it over path when write succeeded and
// the file was flushed; an existing path is otherwise left as it was.
ExchangeResult
WriteThroughTemporary(const std::string& path,
                      const std::function<ExchangeResult(platform::BinaryFile&)>& write);
