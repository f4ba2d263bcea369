// Median of the seven-point cross [z][y][x], [z-/+1][y][x], [z][y-/+1][x], [z][y][x-/+1]:
// the k-th largest of the m values inside the grid, k = (m - 1)/2 + 1.
//
// Cells x = 1 .. NX-2 of a row go through a 16-comparator min/max sorting network, vectorised
// along x. Where the row lies on a face of the grid its missing neighbour rows are replaced by
// pad rows: L = 3 - m + k of them -inf and the rest +inf. The middle (4th smallest) of the seven
// is then the (m - k + 1)-th smallest of the m real values, i.e. their k-th largest. The cells
// x = 0 and NX-1, and rows holding a NaN, take SelectMedian with the window of existing cells.

#include "spectral/MedianFilter.h"

#include "platform/Services.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Compare-exchange: a becomes the smaller, b the larger (min/max map to SIMD instructions).
inline void Sort2(float& a, float& b)
{
    const float lo = std::min(a, b);
    const float hi = std::max(a, b);
    a = lo;
    b = hi;
}

// Median of seven numbers (no NaN): the middle of a 16-comparator sorting network.
inline float Median7(float a0, float a1, float a2, float a3, float a4, float a5, float a6)
{
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
                  const float* __restrict yp, int n)
{
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

// One plane of original values as ny row pointers (rows of nx floats), or none.
using PlaneRows = const float* const*;

// Window of cell (x, y) of plane cur in the fixed order, cells outside the grid left out; prev
// and next are the planes below and above (null outside the grid).
inline float FilterCell(PlaneRows prev, PlaneRows cur, PlaneRows next, int x, int y, int nx, int ny)
{
    float w[7];
    int n = 0;
    w[n++] = cur[y][x];
    if (prev)
        w[n++] = prev[y][x];
    if (next)
        w[n++] = next[y][x];
    if (y > 0)
        w[n++] = cur[y - 1][x];
    if (y + 1 < ny)
        w[n++] = cur[y + 1][x];
    if (x > 0)
        w[n++] = cur[y][x - 1];
    if (x + 1 < nx)
        w[n++] = cur[y][x + 1];
    return SelectMedian(w, n);
}

// Filters one plane into the rows out from the original planes prev, cur, next.
void FilterPlane(float* const* out, PlaneRows prev, PlaneRows cur, PlaneRows next, int nx, int ny,
                 const float* lowPad, const float* highPad)
{
    for (int y = 0; y < ny; ++y) {
        float* row = out[y];
        row[0] = FilterCell(prev, cur, next, 0, y, nx, ny);
        if (nx == 1)
            continue;
        row[nx - 1] = FilterCell(prev, cur, next, nx - 1, y, nx, ny);
        if (nx == 2)
            continue;
        // neighbour rows in window order; missing ones become pads
        const float* rows[4] = {prev ? prev[y] : nullptr, next ? next[y] : nullptr,
                                y > 0 ? cur[y - 1] : nullptr, y + 1 < ny ? cur[y + 1] : nullptr};
        int missing = 0;
        for (const float* r : rows)
            missing += r == nullptr;
        const int m = 7 - missing, k = (m - 1) / 2 + 1;
        int low = 3 - m + k; // pads of -inf; the other missing rows take +inf
        for (const float*& r : rows)
            if (!r) {
                r = low > 0 ? lowPad : highPad;
                low -= low > 0;
            }
        if (MedianRowInterior(row, cur[y], rows[0], rows[1], rows[2], rows[3], nx))
            for (int x = 1; x + 1 < nx; ++x)
                row[x] = FilterCell(prev, cur, next, x, y, nx, ny);
    }
}

} // namespace

float SelectMedian(const float* values, int n)
{
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

namespace {

// Planes are filtered in chunks of kChunk along z; the first and last planes of every chunk,
// which the neighbouring chunks read, are saved before any plane is written.
constexpr int kChunk = 16;

struct ChunkLayout {
    float*** values;
    int nx, ny, nz;
    std::size_t plane;
    std::vector<float> saved; // two planes per chunk

    ChunkLayout(float*** values, int nx, int ny, int nz)
        : values(values), nx(nx), ny(ny), nz(nz), plane(static_cast<std::size_t>(nx) * ny),
          saved(2 * static_cast<std::size_t>(Chunks()) * plane)
    {
    }
    int Chunks() const { return (nz + kChunk - 1) / kChunk; }
    int ChunkEnd(int c) const { return std::min(nz, (c + 1) * kChunk); }
    float* SavedPlane(int c, int last) { return saved.data() + (2 * c + last) * plane; }
    void CopyPlane(float* to, int z) const
    {
        for (int y = 0; y < ny; ++y)
            std::memcpy(to + static_cast<std::size_t>(y) * nx, values[z][y],
                        sizeof(float) * static_cast<std::size_t>(nx));
    }
};

// One thread's filter: three plane buffers in turn (the copies serve as next, then cur, then
// prev) and the row pointers of the previous, current and next planes.
class ChunkFilter {
public:
    explicit ChunkFilter(ChunkLayout& layout)
        : L(layout), lowPad(static_cast<std::size_t>(L.nx), -kInf),
          highPad(static_cast<std::size_t>(L.nx), kInf)
    {
        for (auto& b : buffer)
            b.resize(L.plane);
        for (auto& r : rows)
            r.resize(static_cast<std::size_t>(L.ny));
    }

    // Filters chunk c in order, keeping the original of the plane being overwritten and of the
    // one below it.
    void Filter(int c)
    {
        const int z0 = c * kChunk, z1 = L.ChunkEnd(c);
        bool hasPrev = z0 > 0;
        if (hasPrev)
            SetRows(rows[0], L.SavedPlane(c - 1, 1));
        SetRows(rows[1], L.SavedPlane(c, 0));
        for (int z = z0; z < z1; ++z) {
            const bool hasNext = z + 1 < L.nz;
            if (hasNext) {
                // the plane above is still original: the next chunk's saved first plane, or a
                // copy of this chunk's next plane taken before it is overwritten
                if (z + 1 == z1) {
                    SetRows(rows[2], L.SavedPlane(c + 1, 0));
                } else {
                    float* to = buffer[(z - z0) % 3].data();
                    L.CopyPlane(to, z + 1);
                    SetRows(rows[2], to);
                }
            }
            FilterPlane(L.values[z], hasPrev ? rows[0].data() : nullptr, rows[1].data(),
                        hasNext ? rows[2].data() : nullptr, L.nx, L.ny, lowPad.data(),
                        highPad.data());
            std::swap(rows[0], rows[1]);
            std::swap(rows[1], rows[2]);
            hasPrev = true;
        }
    }

private:
    static constexpr float kInf = std::numeric_limits<float>::infinity();
    void SetRows(std::vector<const float*>& r, const float* base) const
    {
        for (int y = 0; y < L.ny; ++y)
            r[y] = base + static_cast<std::size_t>(y) * L.nx;
    }

    ChunkLayout& L;
    const std::vector<float> lowPad, highPad;
    std::vector<float> buffer[3];
    std::vector<const float*> rows[3]; // prev, cur, next
};

} // namespace

int MedianFilter3D(CData3D& volume)
{
    const int nx = volume.NX, ny = volume.NY, nz = volume.NZ;
    if (nx < 1 || ny < 1 || nz < 1)
        return 0;
    if (!volume.IsAllocated(1) || !volume.ExtentsFitAllocation())
        return 0;

    // Every output is computed from the values before the command, without a copy of the whole
    // volume: see ChunkLayout and ChunkFilter.
    ChunkLayout layout(volume.Values, nx, ny, nz);
    const int chunks = layout.Chunks();
    // Chunks run in slabs of four, or of two when planes are large (so both cores still have
    // work); between slabs the user may cancel, and the caller restores the values.
    constexpr std::size_t kSlabCells = std::size_t{1} << 24;
    const int slab =
        static_cast<int>(std::clamp<std::size_t>(kSlabCells / (kChunk * layout.plane), 2, 4));
    bool stopped = false;

#pragma omp parallel
    {
        ChunkFilter filter(layout);
#pragma omp for schedule(static)
        for (int c = 0; c < chunks; ++c) {
            layout.CopyPlane(layout.SavedPlane(c, 0), c * kChunk);
            layout.CopyPlane(layout.SavedPlane(c, 1), layout.ChunkEnd(c) - 1);
        }
        // (the loop ends with a barrier: nothing is written before every boundary is saved)

        for (int first = 0; first < chunks; first += slab) {
            const int last = std::min(chunks, first + slab);
            // chunks handed out one at a time, so a core busy elsewhere does not hold up the rest
#pragma omp for schedule(dynamic, 1)
            for (int c = first; c < last; ++c)
                filter.Filter(c);
                // the poll from the thread that owns the window; all threads read its answer
#pragma omp master
            stopped = last < chunks && platform::GetUi().CancelRequested();
#pragma omp barrier
            if (stopped)
                break;
        }
    }
    return stopped ? 0 : 1;
}
