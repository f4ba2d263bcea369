#pragma once
// NetCDF files through the NetCDF C library: NetCDF-3 (classic, 64-bit offset, CDF-5) and
// NetCDF-4 (HDF5) are read, NetCDF-4 following the CF conventions is written.
//
// A 3D variable with dimensions (d0, d1, d2), d2 fastest, maps to Values[z][y][x]: d0 is Z, d1 is
// Y, d2 is X, whatever their names; depth stays positive down as stored. A dimension's
// coordinate variable (the 1D variable of the same name) gives its start and cell size and must
// be regular; its long_name (else standard_name, else the dimension's name) becomes the axis
// title and its units the axis unit. A coordinate that decreases is read with the axis reversed,
// so that the cell size is positive. _FillValue and missing_value cells become NaN;
// scale_factor and add_offset are applied.
//
// Written: dimensions z, y, x; coordinate variables of the same names (double, values
// Start + i Step) with units, long_name and axis (z also positive "down" or "up" after
// ZAxisDown); the data variable (float, dimensions (z, y, x)) with units, long_name and
// _FillValue NaN; global Conventions "CF-1.8".

#include "exchange/ExchangeVolume.h"

#include <cstddef>
#include <string>
#include <vector>

class CData3D;

struct NetcdfReadOptions {
    // The variable to read; empty: the first 3D float or double variable.
    std::string VariableName;
};

struct NetcdfWriteOptions {
    std::string VariableName = "values";
    std::string LongName = "values";
    std::string Units = "1";
    // 0: contiguous and uncompressed; 1..9: zlib (deflate) level, with shuffle, one chunk per
    // Z plane.
    int DeflateLevel = 0;
};

ExchangeResult ReadNetcdfFile(const std::string& path, CData3D& volume,
                              const NetcdfReadOptions& options = {});
// The same on a file image in memory (fuzzing); name stands for the file in messages.
ExchangeResult ReadNetcdfMemory(const std::string& name, const void* data, std::size_t size,
                                CData3D& volume, const NetcdfReadOptions& options = {});
// Names of the file's 3D numeric variables, for the Import dialog; empty when none or unreadable.
std::vector<std::string> ListNetcdfVariables(const std::string& path);

// Writes a NetCDF-4 file through a temporary file renamed over path.
ExchangeResult WriteNetcdfFile(const CData3D& volume, const std::string& path,
                               const NetcdfWriteOptions& options = {});
