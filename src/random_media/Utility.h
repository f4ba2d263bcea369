#pragma once
// The statistics object: means and population variances of float profiles and volumes.
// Constructing one creates (or truncates) "utility.txt" in the current directory and keeps it
// open until the object is destroyed; nothing is written into it by these operations.

#include "platform/TextFile.h"

#include <string>

class CUtility {
public:
    CUtility();
    ~CUtility() = default;
    CUtility(const CUtility&) = delete;
    CUtility& operator=(const CUtility&) = delete;

    // Mean of values[0..n-1], summed in float; -10000000 when n < 1.
    float Mean1D(int n, const float* values) const;
    // Population variance: float sum of (mean - v)^2 divided by n; -10000000 when n < 1.
    float Variance1D(int n, const float* values) const;
    // Mean of the nx * ny * nz cells of values [z][y][x], summed in float in z, y, x order;
    // -10000000 when the count is below 1.
    float Mean3D(int nx, int ny, int nz, float*** values) const;
    // Population variance about Mean3D, the squares summed in double, the quotient returned as
    // float; -10000000 when the count is below 1.
    float Variance3D(int nx, int ny, int nz, float*** values) const;

    // True when "utility.txt" could be created; the statistics work either way.
    bool HasFile() const { return file.IsOpen(); }

private:
    platform::TextFile file; // closed by its own destructor only when it was opened
};
