// The sampled model auto-correlation is pinned bit for bit: each hash below was taken from the
// grid as the straightforward cell-by-cell evaluation produced it, so a faster sampling (symmetry,
// a table of values keyed by r) must reproduce every float exactly.

#include "RandomMediaTestSupport.h"

#include "numeric/Allocation.h"
#include "random_media/Correlation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace {

// 64-bit FNV-1a over the float bits of every cell in storage order.
std::uint64_t HashCells(float*** t, int nx, int ny, int nz)
{
    std::uint64_t h = 1469598103934665603ull;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                std::uint32_t bits;
                std::memcpy(&bits, &t[z][y][x], sizeof bits);
                for (int b = 0; b < 4; ++b) {
                    h ^= (bits >> (8 * b)) & 0xFFu;
                    h *= 1099511628211ull;
                }
            }
    return h;
}

struct GridCase {
    const char* name;
    int type, nx, ny, nz;
    float sx, sy, sz, ax, ay, az, e, h, angle;
    std::uint64_t hash;
};

// clang-format off
const GridCase kCases[] = {
    // the model command's usual setting: isotropic, a = 5 cells, no rotation
    {"isotropic", CorrelationVonKarman, 64, 64, 64, 1, 1, 1, 5, 5, 5, 0.05f, 0.5f, 0, 0xc42179372e2fae01ull},
    // unequal steps and distances, rotated by 30 degrees
    {"rotated", CorrelationVonKarman, 64, 64, 64, 10, 20, 5, 30, 90, 12, 0.05f, 0.3f, 30, 0x319004c9a387cea7ull},
    // steps whose multiples are not exact in float, so the grid is not exactly symmetric
    {"inexact steps", CorrelationVonKarman, 64, 64, 64, 0.1f, 0.3f, 0.7f, 0.9f, 1.3f, 2.1f, 0.1f, 0.8f, 0, 0x3940ed77925b4555ull},
    // a right angle and half a turn: sine or cosine is not exactly 0
    {"right angle", CorrelationVonKarman, 64, 64, 64, 25, 25, 25, 100, 50, 200, 0.1f, 0.25f, 90, 0x9dcf673602119e74ull},
    {"half turn", CorrelationVonKarman, 64, 64, 64, 2, 2, 2, 7, 7, 7, 0.03f, 0.6f, 180, 0x84489c4ed2fb3c48ull},
    // exponential, unequal steps, small negative angle
    {"exponential", CorrelationExponential, 64, 64, 64, 2.5f, 1, 0.5f, 7, 3, 11, 0.2f, 0.5f, -12.5f, 0x25d100a41387a5f9ull},
    // a box that is not a cube, distances far below a cell (r beyond 400 gives 0)
    {"box, short distances", CorrelationVonKarman, 64, 32, 16, 50, 50, 50, 0.2f, 0.2f, 0.2f, 0.1f, 0.5f, 0, 0x6d02a492f49cd5d2ull},
    // rotated with steps whose multiples are not exact: no mirror symmetry to lean on
    {"rotated, inexact steps", CorrelationVonKarman, 64, 64, 64, 0.3f, 0.1f, 0.7f, 1.1f, 0.9f, 2.3f, 0.1f, 0.4f, 41, 0x731859e6c9d98b27ull},
    // a type without a correlation function
    {"random noise type", CorrelationRandomNoise, 64, 64, 64, 1, 1, 1, 5, 5, 5, 0.05f, 0.5f, 0, 0x3965bf7a845d0383ull},
};
// clang-format on

} // namespace

TEST(VonKarmanFunction3D, GridsBitForBitAsEvaluatedCellByCell)
{
    rm_test::ScratchCwd cwd;
    for (const GridCase& c : kCases) {
        for (int threads : {1, 2}) {
#ifdef _OPENMP
            omp_set_num_threads(threads);
#endif
            float*** t = f3tensor(0, c.nz, 0, c.ny, 0, c.nx);
            for (int z = 0; z < c.nz; ++z)
                for (int y = 0; y < c.ny; ++y)
                    for (int x = 0; x < c.nx; ++x)
                        t[z][y][x] = -1.0f;
            ASSERT_EQ(VonKarmanFunction3D(c.type, c.nx, c.ny, c.nz, t, c.sx, c.sy, c.sz, c.ax, c.ay,
                                          c.az, c.e, c.h, c.angle),
                      1)
                << c.name;
            const std::uint64_t hash = HashCells(t, c.nx, c.ny, c.nz);
            EXPECT_EQ(hash, c.hash)
                << c.name << " with " << threads << " threads: 0x" << std::hex << hash;
            // every cell is the plain evaluation at its own r, computed here the same way
            const float cx = static_cast<float>(c.nx) * c.sx * 0.5f;
            const float cy = static_cast<float>(c.ny) * c.sy * 0.5f;
            const float cz = static_cast<float>(c.nz) * c.sz * 0.5f;
            const float theta = static_cast<float>(c.angle / 180.0 * 3.14159265358979323846);
            const float ct = std::cos(theta), st = std::sin(theta);
            for (int z = 0; z < c.nz; z += 7)
                for (int y = 0; y < c.ny; y += 5)
                    for (int x = 0; x < c.nx; x += 3) {
                        const float X = cx - static_cast<float>(x) * c.sx;
                        const float Y = cy - static_cast<float>(y) * c.sy;
                        const float Z = cz - static_cast<float>(z) * c.sz;
                        const float xn = (X * ct - Z * st) / c.ax;
                        const float yn = Y / c.ay;
                        const float zn = (X * st + Z * ct) / c.az;
                        const float r = std::sqrt(xn * xn + yn * yn + zn * zn);
                        ASSERT_EQ(t[z][y][x], CorrelationValue(c.type, r, c.e, c.h))
                            << c.name << " at " << x << " " << y << " " << z;
                    }
            FreeTensor3(t, 0, c.nz, 0, c.ny, 0, c.nx);
        }
    }
#ifdef _OPENMP
    omp_set_num_threads(omp_get_num_procs());
#endif
}

// A grid with more distinct distances than the value table keeps (no repeats along any axis):
// the values beyond the table are evaluated one by one, the same as everywhere else.
TEST(VonKarmanFunction3D, GridWithMoreDistinctDistancesThanTheTableHolds)
{
    rm_test::ScratchCwd cwd;
    // about 1.6 million distinct r: more than the table keeps
    const int nx = 256, ny = 256, nz = 128;
    const float sx = 0.3f, sy = 0.7f, sz = 1.1f, ax = 2.9f, ay = 3.7f, az = 4.3f, e = 0.1f,
                h = 0.35f;
    std::vector<float> first;
    for (int threads : {2, 1}) {
#ifdef _OPENMP
        omp_set_num_threads(threads);
#endif
        float*** t = f3tensor(0, nz, 0, ny, 0, nx);
        ASSERT_EQ(VonKarmanFunction3D(CorrelationVonKarman, nx, ny, nz, t, sx, sy, sz, ax, ay, az,
                                      e, h, 0.0f),
                  1);
        const float cx = static_cast<float>(nx) * sx * 0.5f;
        const float cy = static_cast<float>(ny) * sy * 0.5f;
        const float cz = static_cast<float>(nz) * sz * 0.5f;
        std::vector<float> cells;
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                for (int x = 0; x < nx; ++x)
                    cells.push_back(t[z][y][x]);
        // spot checks against the plain evaluation, cell by cell
        for (int z = 1; z < nz; z += 13)
            for (int y = 2; y < ny; y += 23)
                for (int x = 3; x < nx; x += 17) {
                    const float xn = (cx - static_cast<float>(x) * sx) / ax;
                    const float yn = (cy - static_cast<float>(y) * sy) / ay;
                    const float zn = (cz - static_cast<float>(z) * sz) / az;
                    const float r = std::sqrt(xn * xn + yn * yn + zn * zn);
                    ASSERT_EQ(t[z][y][x], CorrelationValue(CorrelationVonKarman, r, e, h))
                        << x << " " << y << " " << z;
                }
        FreeTensor3(t, 0, nz, 0, ny, 0, nx);
        if (first.empty())
            first = cells;
        else
            EXPECT_EQ(cells, first) << "one thread against two";
    }
#ifdef _OPENMP
    omp_set_num_threads(omp_get_num_procs());
#endif
}
