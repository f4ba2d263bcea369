// Median of the seven-point cross [z][y][x], [z-/+1][y][x], [z][y-/+1][x], [z][y][x-/+1].
//
// Interior cells of a row without NaN go through a 16-comparator sorting network of min/max,
// vectorised along x; cells on the grid faces and rows holding a NaN take SelectMedian with the
// window of the cells that exist. Both give the same number: the k-th largest of the window.

#include "spectral/MedianFilter.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace {

// Compare-exchange: a becomes the smaller, b the larger (min/max map to SIMD instructions).
inline void Sort2(float& a, float& b) {
    const float lo = std::min(a, b);
    const float hi = std::max(a, b);
    a = lo;
    b = hi;
}

// Median of seven numbers (no NaN): the middle of a 16-comparator sorting network.
inline float Median7(float a0, float a1, float a2, float a3, float a4, float a5, float a6) {
    Sort2(a0, a6), Sort2(a2, a3), Sort2(a4, a5);
    Sort2(a0, a2), Sort2(a1, a4), Sort2(a3, a6);
    Sort2(a0, a1), Sort2(a2, a5), Sort2(a3, a4);
    Sort2(a1, a2), Sort2(a4, a6);
    Sort2(a2, a3), Sort2(a4, a5);
    Sort2(a1, a2), Sort2(a3, a4), Sort2(a5, a6);
    return a3;
}

// Interior cells x = 1 .. n-2 of one row: out[x] = median of c[x], zm[x], zp[x], ym[x], yp[x],
// c[x-1], c[x+1]. Returns true when an input was NaN, in which case the caller redoes the row.
// Instruction-set variants chosen at load time; min and max round alike in all of them.
[[gnu::target_clones("avx512f", "avx2", "default")]] bool
MedianRowInterior(float* __restrict out, const float* __restrict c, const float* __restrict zm,
                  const float* __restrict zp, const float* __restrict ym,
                  const float* __restrict yp, int n) {
    int nan = 0;
    for (int x = 1; x + 1 < n; ++x) {
        const float a0 = c[x], a1 = zm[x], a2 = zp[x], a3 = ym[x], a4 = yp[x], a5 = c[x - 1],
                    a6 = c[x + 1];
        nan |= (a0 != a0) | (a1 != a1) | (a2 != a2) | (a3 != a3) | (a4 != a4) | (a5 != a5) |
               (a6 != a6);
        out[x] = Median7(a0, a1, a2, a3, a4, a5, a6);
    }
    return nan != 0;
}

// Window of cell (x, y, z) of src, in the fixed order, cells outside the grid left out.
inline float FilterCell(float*** src, int x, int y, int z, int nx, int ny, int nz) {
    float w[7];
    int n = 0;
    w[n++] = src[z][y][x];
    if (z > 0)
        w[n++] = src[z - 1][y][x];
    if (z + 1 < nz)
        w[n++] = src[z + 1][y][x];
    if (y > 0)
        w[n++] = src[z][y - 1][x];
    if (y + 1 < ny)
        w[n++] = src[z][y + 1][x];
    if (x > 0)
        w[n++] = src[z][y][x - 1];
    if (x + 1 < nx)
        w[n++] = src[z][y][x + 1];
    return SelectMedian(w, n);
}

} // namespace

float SelectMedian(const float* values, int n) {
    if (n > 21)
        return values[0];
    float w[21];
    int m = 0;
    for (int i = 0; i < n; ++i)
        if (values[i] == values[i])
            w[m++] = values[i];
    if (m == 0)
        return n > 0 ? values[0] : std::numeric_limits<float>::quiet_NaN();
    // ascending insertion sort of at most 21 numbers; the k-th largest is w[m - k]
    for (int i = 1; i < m; ++i) {
        const float v = w[i];
        int j = i;
        for (; j > 0 && w[j - 1] > v; --j)
            w[j] = w[j - 1];
        w[j] = v;
    }
    const int k = (m - 1) / 2 + 1;
    return w[m - k];
}

int MedianFilter3D(CData3D& volume) {
    const int nx = volume.NX, ny = volume.NY, nz = volume.NZ;
    if (nx < 1 || ny < 1 || nz < 1)
        return 0;
    if (!volume.IsAllocated(1) || !volume.ExtentsFitAllocation())
        return 0;
    // every output is computed from the values before the command
    CData3DEx copy;
    copy.CopyFrom(volume);
    float*** src = copy.Values;
    float*** dst = volume.Values;

    // planes handed out one at a time, so a core busy elsewhere does not hold up the rest
#pragma omp parallel for schedule(dynamic, 1)
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y) {
            float* __restrict out = dst[z][y];
            const bool interiorRow = z > 0 && z + 1 < nz && y > 0 && y + 1 < ny && nx >= 3;
            if (!interiorRow) {
                for (int x = 0; x < nx; ++x)
                    out[x] = FilterCell(src, x, y, z, nx, ny, nz);
                continue;
            }
            out[0] = FilterCell(src, 0, y, z, nx, ny, nz);
            out[nx - 1] = FilterCell(src, nx - 1, y, z, nx, ny, nz);
            if (MedianRowInterior(out, src[z][y], src[z - 1][y], src[z + 1][y], src[z][y - 1],
                                  src[z][y + 1], nx))
                for (int x = 1; x + 1 < nx; ++x)
                    out[x] = FilterCell(src, x, y, z, nx, ny, nz);
        }
    return 1;
}
