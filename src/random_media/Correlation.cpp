// Model auto-correlations:
//   exponential  C(r) = e^2 exp(-r)
//   Von Karman   C(r) = e^2 2^(1-h) / Gamma(h) r^h K_h(r),   0 < r <= 400
// with r = sqrt((X'/ax)^2 + (Y/ay)^2 + (Z'/az)^2), (X', Z') the X-Z offset rotated by the angle.
// As r -> 0, r^h K_h(r) -> Gamma(h) 2^(h-1), so the Von Karman value tends to e^2.
//
// Sampling a grid: a Bessel function costs far more than everything else, and most cells repeat
// a value already computed. Every cell's r is formed exactly as a cell-by-cell loop forms it, and
// its value is a function of r alone, so equal r (to the bit) means an equal value:
// - rows: the rotation leaves Y alone, so two rows of a plane whose (Y/ay)^2 are equal floats
//   hold the same values;
// - without rotation (sin = 0 exactly) r depends only on the three squared normalised offsets,
//   so planes and columns with equal squares repeat too, and the distinct values are looked up
//   in a table keyed by the bits of r;
// - with a rotation, cell (x, y, z) and (nx - x, y, nz - z) lie at exactly opposite X-Z offsets
//   when the offsets of the two axes are exactly antisymmetric (checked), so they share r.
// Whatever is reused is then bit for bit what the cell-by-cell loop would have computed.

#include "random_media/Correlation.h"

#include "platform/Services.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The correlation function with its constant factor formed once. Value() gives exactly
// CorrelationValue(type, r, e, h): the factor e^2 2^(1-h) / Gamma(h) is the leading part of the
// same left-to-right product.
class CorrelationFunction {
public:
    CorrelationFunction(int type, float e, float h) : type(type), e(e), h(h), e2(e * e)
    {
        if (type == CorrelationVonKarman && h > 0.0f)
            factor = static_cast<double>(e2) * std::pow(2.0, 1.0 - static_cast<double>(h)) /
                     std::tgamma(static_cast<double>(h));
    }

    float Value(float r) const
    {
        switch (type) {
        case CorrelationExponential:
            return e * e * std::exp(-r);
        case CorrelationVonKarman:
            if (std::isnan(r))
                return r;
            if (r <= 0.0f)
                return e2;
            if (r > 400.0f)
                return 0.0f;
            return VonKarman(r);
        default:
            return 0.0f;
        }
    }

private:
    // Von Karman value for 0 < r <= 400, in double precision.
    float VonKarman(float r) const
    {
        // The function is a correlation only for h > 0 (Gamma(h) has poles at 0, -1, ...).
        if (!(h > 0.0f))
            return 0.0f;
        const double hd = h;
        const double rd = r;
        const double value = factor * std::pow(rd, hd) * std::cyl_bessel_k(hd, rd);
        // K_h(r) overflows only for r far below h, where the value is at its limit e^2.
        if (!std::isfinite(value))
            return e2;
        return static_cast<float>(value);
    }

    int type;
    float e, h, e2;
    double factor = 0.0;
};

std::uint32_t Bits(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// For each index, the first index whose value has the same bits (itself when it is the first).
std::vector<int> FirstWithSameBits(const std::vector<float>& v)
{
    std::vector<int> first(v.size());
    std::unordered_map<std::uint32_t, int> seen;
    for (std::size_t i = 0; i < v.size(); ++i)
        first[i] = seen.emplace(Bits(v[i]), static_cast<int>(i)).first->second;
    return first;
}

// Offsets from the grid centre along one axis: centre - i step, in float as the cells see them.
std::vector<float> Offsets(int n, float step, float centre)
{
    std::vector<float> off(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        off[i] = centre - static_cast<float>(i) * step;
    return off;
}

bool AllFinite(const std::vector<float>& v)
{
    return std::all_of(v.begin(), v.end(), [](float f) { return std::isfinite(f); });
}

// True when offset n - i is exactly -offset i for i = 1 .. n - 1 (zeros of either sign).
bool Antisymmetric(const std::vector<float>& off)
{
    const int n = static_cast<int>(off.size());
    for (int i = 1; i < n; ++i)
        if (!(off[n - i] == -off[i]))
            return false;
    return true;
}

// Values of a set of distinct r, keyed by their bits: open addressing, filled in one pass, then
// read by all threads. The table grows with the keys up to maxKeys; r beyond that are evaluated
// directly.
class ValueTable {
public:
    explicit ValueTable(std::size_t maxKeys) : limit(maxKeys) { Resize(4096); }

    // Takes r in; false when the table is full and r is new.
    bool Insert(float r)
    {
        const std::uint32_t k = Bits(r);
        if (k == kEmpty)
            return false;
        std::size_t s = Find(k);
        if (keys[s] == k)
            return true;
        if (used == limit)
            return false;
        if (2 * (used + 1) > keys.size()) {
            Resize(2 * keys.size());
            s = Find(k);
        }
        keys[s] = k;
        ++used;
        return true;
    }

    // Evaluates every key taken in, over all threads.
    void Evaluate(const CorrelationFunction& f)
    {
        values.assign(keys.size(), 0.0f);
        const long slots = static_cast<long>(keys.size());
#pragma omp parallel for schedule(dynamic, 256)
        for (long s = 0; s < slots; ++s)
            if (keys[s] != kEmpty) {
                float r;
                std::memcpy(&r, &keys[s], sizeof r);
                values[s] = f.Value(r);
            }
    }

    float Value(float r, const CorrelationFunction& f) const
    {
        const std::uint32_t k = Bits(r);
        if (k != kEmpty) {
            const std::size_t s = Find(k);
            if (keys[s] == k)
                return values[s];
        }
        return f.Value(r);
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu; // a NaN that sqrt never yields

    // The slot holding k, or the empty slot where it would go.
    std::size_t Find(std::uint32_t k) const
    {
        const std::size_t mask = keys.size() - 1;
        std::size_t s = static_cast<std::size_t>((k * 0x9E3779B97F4A7C15ull) >> shift);
        while (keys[s] != k && keys[s] != kEmpty)
            s = (s + 1) & mask;
        return s;
    }

    void Resize(std::size_t slots)
    {
        std::vector<std::uint32_t> old(slots, kEmpty);
        old.swap(keys);
        shift = 64;
        for (std::size_t n = slots; n > 1; n /= 2)
            --shift;
        for (std::uint32_t k : old)
            if (k != kEmpty)
                keys[Find(k)] = k;
    }

    std::vector<std::uint32_t> keys;
    std::vector<float> values;
    std::size_t used = 0, limit;
    int shift = 0;
};

// Largest number of distinct r kept in the table (8 bytes per slot, at least a quarter of the
// slots used): at most 16 MB beside the tensors, reached only by grids with few repeats.
constexpr std::size_t kMaxTableKeys = std::size_t(1) << 20;

// The grid geometry of one call, every offset formed as the cell-by-cell loop forms it.
struct GridGeometry {
    int nx, ny, nz;
    float ax, ay, az, cosT, sinT;
    std::vector<float> xOff, yOff, zOff;
    std::vector<float> yn2; // (Y / ay)^2 per row

    // r of cell (x, y, z), exactly as the plain loop computes it.
    float R(int x, int y, int z) const
    {
        const float xr = xOff[x] * cosT - zOff[z] * sinT;
        const float zr = xOff[x] * sinT + zOff[z] * cosT;
        const float xn = xr / ax;
        const float yn = yOff[y] / ay;
        const float zn = zr / az;
        return std::sqrt(xn * xn + yn * yn + zn * zn);
    }
};

// Copies every row y of plane z whose (Y/ay)^2 repeats an earlier row's from that row.
void CopyRepeatedRows(float** plane, int nx, const std::vector<int>& firstY)
{
    for (std::size_t y = 0; y < firstY.size(); ++y)
        if (firstY[y] != static_cast<int>(y))
            std::memcpy(plane[y], plane[firstY[y]], sizeof(float) * static_cast<std::size_t>(nx));
}

// Between the sampling stages the user may cancel; the caller restores the volume.
bool Stopped()
{
    return platform::GetUi().CancelRequested();
}

// No rotation (sin = 0): xr and zr are xOff cos and zOff cos up to the sign of a zero, so r is
// sqrt((xn^2 + yn^2) + zn^2) of per-axis squares, and equal squares give equal rows and planes.
bool SampleSeparable(const GridGeometry& g, float*** values, const CorrelationFunction& f)
{
    const int nx = g.nx, ny = g.ny, nz = g.nz;
    std::vector<float> xn2(static_cast<std::size_t>(nx)), zn2(static_cast<std::size_t>(nz));
    for (int x = 0; x < nx; ++x) {
        const float xn = (g.xOff[x] * g.cosT - g.zOff[0] * g.sinT) / g.ax;
        xn2[x] = xn * xn;
    }
    for (int z = 0; z < nz; ++z) {
        const float zn = (g.xOff[0] * g.sinT + g.zOff[z] * g.cosT) / g.az;
        zn2[z] = zn * zn;
    }
    const std::vector<int> firstX = FirstWithSameBits(xn2);
    const std::vector<int> firstY = FirstWithSameBits(g.yn2);
    const std::vector<int> firstZ = FirstWithSameBits(zn2);
    std::vector<int> xs, ys, zs; // the distinct columns, rows and planes
    for (int x = 0; x < nx; ++x)
        if (firstX[x] == x)
            xs.push_back(x);
    for (int y = 0; y < ny; ++y)
        if (firstY[y] == y)
            ys.push_back(y);
    for (int z = 0; z < nz; ++z)
        if (firstZ[z] == z)
            zs.push_back(z);
    const long planes = static_cast<long>(zs.size());

    // 1. r at the distinct columns of the distinct rows and planes, parked in the grid itself
#pragma omp parallel for schedule(static)
    for (long p = 0; p < planes; ++p) {
        const int z = zs[p];
        for (int y : ys) {
            float* row = values[z][y];
            const float yz = g.yn2[y];
            for (int x : xs)
                row[x] = std::sqrt(xn2[x] + yz + zn2[z]);
        }
    }
    if (Stopped())
        return false;
    // 2. the distinct r, each evaluated once
    ValueTable table(kMaxTableKeys);
    for (int z : zs)
        for (int y : ys) {
            const float* row = values[z][y];
            for (int x : xs)
                table.Insert(row[x]);
        }
    table.Evaluate(f);
    if (Stopped())
        return false;
    // 3. r to values, repeated columns and rows filled in
#pragma omp parallel for schedule(static)
    for (long p = 0; p < planes; ++p) {
        const int z = zs[p];
        for (int y : ys) {
            float* row = values[z][y];
            for (int x : xs)
                row[x] = table.Value(row[x], f);
            for (int x = 0; x < nx; ++x)
                row[x] = row[firstX[x]];
        }
        CopyRepeatedRows(values[z], nx, firstY);
    }
    // 4. repeated planes
#pragma omp parallel for schedule(static)
    for (int z = 0; z < nz; ++z)
        if (firstZ[z] != z)
            for (int y = 0; y < ny; ++y)
                std::memcpy(values[z][y], values[firstZ[z]][y],
                            sizeof(float) * static_cast<std::size_t>(nx));
    return true;
}

// Any rotation: distinct rows of each plane evaluated directly; with antisymmetric X and Z
// offsets the planes past the middle are the point mirrors of those before it.
bool SampleRotated(const GridGeometry& g, float*** values, const CorrelationFunction& f)
{
    const int nx = g.nx, ny = g.ny, nz = g.nz;
    const std::vector<int> firstY = FirstWithSameBits(g.yn2);
    const bool mirrored = Antisymmetric(g.xOff) && Antisymmetric(g.zOff);
    // planes z and nz - z pair up for 1 <= z <= nz - 1; the first of each pair is computed
    auto computed = [&](int z) { return !mirrored || z == 0 || z <= nz - z; };
#pragma omp parallel for schedule(dynamic, 1)
    for (int z = 0; z < nz; ++z) {
        if (!computed(z))
            continue;
        for (int y = 0; y < ny; ++y) {
            if (firstY[y] != y)
                continue;
            float* row = values[z][y];
            for (int x = 0; x < nx; ++x)
                row[x] = f.Value(g.R(x, y, z));
        }
        CopyRepeatedRows(values[z], nx, firstY);
    }
    if (Stopped())
        return false;
#pragma omp parallel for schedule(dynamic, 1)
    for (int z = 0; z < nz; ++z) {
        if (computed(z))
            continue;
        const int zm = nz - z;
        for (int y = 0; y < ny; ++y) {
            float* row = values[z][y];
            const float* mirror = values[zm][y];
            // column 0 has no partner inside the grid
            row[0] = f.Value(g.R(0, y, z));
            for (int x = 1; x < nx; ++x)
                row[x] = mirror[nx - x];
        }
    }
    return true;
}

// The plain loop, for grids whose offsets are not all finite (no symmetry argument holds).
bool SampleEveryCell(const GridGeometry& g, float*** values, const CorrelationFunction& f)
{
#pragma omp parallel for schedule(dynamic, 1)
    for (int z = 0; z < g.nz; ++z)
        for (int y = 0; y < g.ny; ++y)
            for (int x = 0; x < g.nx; ++x)
                values[z][y][x] = f.Value(g.R(x, y, z));
    return true;
}

} // namespace

float CorrelationValue(int type, float r, float e, float h)
{
    return CorrelationFunction(type, e, h).Value(r);
}

int VonKarmanFunction3D(int type, int nx, int ny, int nz, float*** values, float stepX, float stepY,
                        float stepZ, float ax, float ay, float az, float e, float h, float angle)
{
    platform::TextFile text;
    text.Create("VonKarmanFunction3D.txt");
    text.Printf("e=%f h=%f ax%f ay=%f az=%f \n", e, h, ax, ay, az);
    if (ax == 0.0f || ay == 0.0f || az == 0.0f)
        return 0;
    if (nx < 1 || ny < 1 || nz < 1)
        return 1;

    // Centre of the grid in axis units; the peak of the correlation sits there.
    const float cx = static_cast<float>(nx) * stepX * 0.5f;
    const float cy = static_cast<float>(ny) * stepY * 0.5f;
    const float cz = static_cast<float>(nz) * stepZ * 0.5f;
    const float theta = static_cast<float>(angle / 180.0 * kPi);

    GridGeometry g{nx, ny, nz, ax, ay, az, std::cos(theta), std::sin(theta), {}, {}, {}, {}};
    g.xOff = Offsets(nx, stepX, cx);
    g.yOff = Offsets(ny, stepY, cy);
    g.zOff = Offsets(nz, stepZ, cz);
    g.yn2.resize(static_cast<std::size_t>(ny));
    for (int y = 0; y < ny; ++y) {
        const float yn = g.yOff[y] / ay;
        g.yn2[y] = yn * yn;
    }

    const CorrelationFunction f(type, e, h);
    const bool finite = AllFinite(g.xOff) && AllFinite(g.yOff) && AllFinite(g.zOff) &&
                        std::isfinite(g.cosT) && std::isfinite(g.sinT);
    const bool complete = !finite          ? SampleEveryCell(g, values, f)
                          : g.sinT == 0.0f ? SampleSeparable(g, values, f)
                                           : SampleRotated(g, values, f);
    if (!complete)
        return 0;

    // The vertical through the centre: x, y, z (axis units), X', Y, Z', r and the value.
    const int xc = nx / 2, yc = ny / 2;
    for (int z = 0; z < nz; ++z) {
        const float xr = g.xOff[xc] * g.cosT - g.zOff[z] * g.sinT;
        const float zr = g.xOff[xc] * g.sinT + g.zOff[z] * g.cosT;
        text.Printf("%f %f %f : %f %f %f  : %f %f \n", static_cast<float>(xc) * stepX,
                    static_cast<float>(yc) * stepY, static_cast<float>(z) * stepZ, xr, g.yOff[yc],
                    zr, g.R(xc, yc, z), values[z][yc][xc]);
    }
    return 1;
}
