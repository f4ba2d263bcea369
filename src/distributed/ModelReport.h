#pragma once
// The report "VonKarmanModel3D.txt" of a random FD model, written by one process from
// statistics reduced over all of them and the profile columns gathered from the slabs.

#include <cstdint>
#include <vector>

namespace platform {
class TextFile;
}
class CUtility;

// Statistics of the unit field u over the whole grid.
struct ModelStatistics {
    float mean = 0;        // mean of u (summed in double, stored as float)
    double sumSquares = 0; // sum of (mean - u)^2, in double
    std::int64_t count = 0;
};

// Writes the report: the standard deviation and mean of u, one line per level z with the S-wave
// velocity and u on each of the five profile lines, the variance summary and the standard
// deviations along the lines. vsProfile and uProfile hold [line][z] (line * nz + z); lines
// outside the grid hold 0. Formats are those of the single-machine export.
void WriteModelReport(platform::TextFile& report, const ModelStatistics& stats, int nz,
                      const std::vector<float>& vsProfile, const std::vector<float>& uProfile,
                      const CUtility& utility);
