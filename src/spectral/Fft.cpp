// Radix-2 decimation-in-frequency FFT, natural order in and out.
//
// Stage with span d (d = n, n/2, ..., 2), offset j < d/2, twiddle w = exp(i s 2 pi j / d) with
// s = -1 forward, +1 inverse; for p = b + j (b = 0, d, 2d, ...), q = p + d/2:
//   x[p] <- x[p] + x[q],   x[q] <- (x[p] - x[q]) w.
// After the stages the output sits in bit-reversed order; the inverse then scales by 1/n.
//
// The 3D transform runs the same arithmetic on B lines at once (B = 8 or 16): a batch buffer
// holds element k of lane l at [k * B + l], so every butterfly works on whole vectors of lanes,
// each line is gathered once into the buffer (X rows through 8 x 8 transposes, Y and Z lines as
// runs of B neighbouring x), and the bit reversal and the 1/n scaling are folded into the
// scatter back to float. Two radix-2 stages are done per sweep over the buffer. Planes are
// transformed along X and Y while they sit in cache, then the volume along Z. Every line meets
// the same operations in the same order as in Fft(), without FMA contraction, so the result
// does not depend on the batch, the thread count or the instruction set chosen at run time.

#include "spectral/Fft.h"

#include "platform/Services.h"
#include "platform/Surface.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Twiddle of stage span d at offset j; s = -1 forward, +1 inverse.
inline void Twiddle(double s, int j, int d, double& c, double& t)
{
    double phi = s * 2.0 * kPi * j / d;
    c = std::cos(phi);
    t = std::sin(phi);
}

// log2(n) when n is a power of two >= 2, otherwise -1.
int Log2Exact(int n)
{
    if (n < 2)
        return -1;
    int m = 0;
    for (int h = n / 2; h > 0; h /= 2)
        ++m;
    return n == (1 << m) ? m : -1;
}

// Everything one line length needs, computed once per 3D call.
struct LinePlan {
    int n = 0;
    double scale = 1.0;       // 1 forward, 1/n inverse
    std::vector<double> cosT; // stage d, offset j at [(n - d) + j]; n - 1 entries
    std::vector<double> sinT;
    std::vector<int> rev; // bit-reversed index of every k

    LinePlan(int length, int inverse) : n(length)
    {
        double s = inverse ? 1.0 : -1.0;
        scale = inverse ? 1.0 / n : 1.0;
        cosT.resize(static_cast<std::size_t>(n));
        sinT.resize(static_cast<std::size_t>(n));
        for (int d = n; d >= 2; d /= 2)
            for (int j = 0; j < d / 2; ++j)
                Twiddle(s, j, d, cosT[n - d + j], sinT[n - d + j]);
        // the same swap sequence as the in-place reordering of Fft()
        rev.resize(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k)
            rev[k] = k;
        int j = n / 2;
        for (int i = 1; i < n - 1; ++i) {
            if (i < j)
                std::swap(rev[i], rev[j]);
            int k = n / 2;
            while (k <= j) {
                j -= k;
                k /= 2;
            }
            j += k;
        }
    }
};

// Eight doubles; the default build splits it into SSE2 pairs, the AVX2 clone into two halves.
typedef double V8 __attribute__((vector_size(64)));

// Unaligned access through memcpy (no aliasing questions); by reference, so no vector crosses a
// call boundary whose ABI depends on the instruction set.
#define KALDER_LOAD(v, p) std::memcpy(&(v), (p), sizeof(V8))
#define KALDER_STORE(p, v) std::memcpy((p), &(v), sizeof(V8))
// Eight floats, for the conversions between the tensors and the batch buffers (round to nearest).
typedef float F8 __attribute__((vector_size(32)));
#define KALDER_LOAD8F(v, p) std::memcpy(&(v), (p), sizeof(F8))
#define KALDER_STORE8F(p, v) std::memcpy((p), &(v), sizeof(F8))

// Butterfly stages on B lanes (a multiple of 8), element k of lane l at [k * B + l]; output in
// bit-reversed order.
template <int B>
[[gnu::always_inline]] inline void BatchStages(double* re, double* im, int n, const double* cosT,
                                               const double* sinT)
{
    static_assert(B % 8 == 0);
    int d = n;
    // two stages per sweep (spans d and d/2) while four quarter-blocks remain: the same
    // butterflies as one stage at a time, with half the loads and stores
    for (; d >= 4; d /= 4) {
        const int qd = d / 4;
        const std::size_t step = static_cast<std::size_t>(qd) * B;
        const double* c1 = cosT + (n - d);
        const double* t1 = sinT + (n - d);
        const double* c2 = cosT + (n - d / 2);
        const double* t2 = sinT + (n - d / 2);
        for (int b = 0; b < n; b += d)
            for (int j = 0; j < qd; ++j) {
                const double ca = c1[j], ta = t1[j], cb = c1[j + qd], tb = t1[j + qd];
                const double cc = c2[j], tc = t2[j];
                double* r0 = re + static_cast<std::size_t>(b + j) * B;
                double* i0 = im + static_cast<std::size_t>(b + j) * B;
                for (int g = 0; g < B; g += 8) {
                    V8 x0r, x0i, x1r, x1i, x2r, x2i, x3r, x3i;
                    KALDER_LOAD(x0r, r0 + g), KALDER_LOAD(x0i, i0 + g);
                    KALDER_LOAD(x1r, r0 + step + g), KALDER_LOAD(x1i, i0 + step + g);
                    KALDER_LOAD(x2r, r0 + 2 * step + g), KALDER_LOAD(x2i, i0 + 2 * step + g);
                    KALDER_LOAD(x3r, r0 + 3 * step + g), KALDER_LOAD(x3i, i0 + 3 * step + g);
                    // span d: pairs (0, 2) at offset j and (1, 3) at offset j + d/4
                    V8 ur = x0r - x2r, ui = x0i - x2i;
                    const V8 a0r = x0r + x2r, a0i = x0i + x2i;
                    const V8 a2r = ur * ca - ui * ta, a2i = ur * ta + ui * ca;
                    ur = x1r - x3r, ui = x1i - x3i;
                    const V8 a1r = x1r + x3r, a1i = x1i + x3i;
                    const V8 a3r = ur * cb - ui * tb, a3i = ur * tb + ui * cb;
                    // span d/2: pairs (0, 1) and (2, 3), both at offset j
                    ur = a0r - a1r, ui = a0i - a1i;
                    V8 y0r = a0r + a1r, y0i = a0i + a1i;
                    V8 y1r = ur * cc - ui * tc, y1i = ur * tc + ui * cc;
                    ur = a2r - a3r, ui = a2i - a3i;
                    V8 y2r = a2r + a3r, y2i = a2i + a3i;
                    V8 y3r = ur * cc - ui * tc, y3i = ur * tc + ui * cc;
                    KALDER_STORE(r0 + g, y0r), KALDER_STORE(i0 + g, y0i);
                    KALDER_STORE(r0 + step + g, y1r), KALDER_STORE(i0 + step + g, y1i);
                    KALDER_STORE(r0 + 2 * step + g, y2r), KALDER_STORE(i0 + 2 * step + g, y2i);
                    KALDER_STORE(r0 + 3 * step + g, y3r), KALDER_STORE(i0 + 3 * step + g, y3i);
                }
            }
    }
    if (d == 2) {
        // last single stage; its twiddle is exp(0) = (1, 0), applied as the general butterfly
        const double c = cosT[n - 2], t = sinT[n - 2];
        for (int b = 0; b < n; b += 2) {
            double* r0 = re + static_cast<std::size_t>(b) * B;
            double* i0 = im + static_cast<std::size_t>(b) * B;
            for (int g = 0; g < B; g += 8) {
                V8 x0r, x0i, x1r, x1i;
                KALDER_LOAD(x0r, r0 + g), KALDER_LOAD(x0i, i0 + g);
                KALDER_LOAD(x1r, r0 + B + g), KALDER_LOAD(x1i, i0 + B + g);
                const V8 ur = x0r - x1r, ui = x0i - x1i;
                V8 y0r = x0r + x1r, y0i = x0i + x1i;
                V8 y1r = ur * c - ui * t, y1i = ur * t + ui * c;
                KALDER_STORE(r0 + g, y0r), KALDER_STORE(i0 + g, y0i);
                KALDER_STORE(r0 + B + g, y1r), KALDER_STORE(i0 + B + g, y1i);
            }
        }
    }
}

// Hint to fetch the line holding p[ahead]; computed as an integer, since the address may lie
// past the tensor (a prefetch never faults).
[[gnu::always_inline]] inline void Prefetch(const float* p, int ahead)
{
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(p) +
                                                     sizeof(float) * static_cast<unsigned>(ahead)));
}

// One batch of Y or Z lines: the B lanes are B neighbouring x, so element k of every lane is a
// run of B floats starting at runsR[k] (real) and runsI[k] (imaginary). Gathers the runs into
// the batch buffers, transforms, and scatters back undoing the bit reversal, scaled (by exactly
// 1 forward) and rounded to float.
template <int B>
[[gnu::always_inline]] inline void ContiguousBatch(float* const* runsR, float* const* runsI,
                                                   const LinePlan& plan, double* br, double* bi)
{
    const int n = plan.n;
    for (int k = 0; k < n; ++k) {
        const float* pr = runsR[k];
        const float* pi = runsI[k];
        double* dr = br + static_cast<std::size_t>(k) * B;
        double* di = bi + static_cast<std::size_t>(k) * B;
        // the batch four steps along x reads the next lines of these runs; with one run per
        // plane or row there are more streams than the hardware prefetcher follows
        Prefetch(pr, 4 * B), Prefetch(pi, 4 * B);
        for (int g = 0; g < B; g += 8) {
            F8 fr, fi;
            KALDER_LOAD8F(fr, pr + g), KALDER_LOAD8F(fi, pi + g);
            V8 vr = __builtin_convertvector(fr, V8), vi = __builtin_convertvector(fi, V8);
            KALDER_STORE(dr + g, vr), KALDER_STORE(di + g, vi);
        }
    }
    BatchStages<B>(br, bi, n, plan.cosT.data(), plan.sinT.data());
    const double scale = plan.scale;
    for (int k = 0; k < n; ++k) {
        float* pr = runsR[k];
        float* pi = runsI[k];
        const double* sr = br + static_cast<std::size_t>(plan.rev[k]) * B;
        const double* si = bi + static_cast<std::size_t>(plan.rev[k]) * B;
        for (int g = 0; g < B; g += 8) {
            V8 vr, vi;
            KALDER_LOAD(vr, sr + g), KALDER_LOAD(vi, si + g);
            vr *= scale, vi *= scale;
            F8 fr = __builtin_convertvector(vr, F8), fi = __builtin_convertvector(vi, F8);
            KALDER_STORE8F(pr + g, fr), KALDER_STORE8F(pi + g, fi);
        }
    }
}

typedef long long M8 __attribute__((vector_size(64)));

// In-place transpose of the 8 x 8 block m[i][j] (m[i] is a row of eight doubles).
[[gnu::always_inline]] inline void Transpose8(V8 (&m)[8])
{
    const M8 lo1 = {0, 8, 2, 10, 4, 12, 6, 14}, hi1 = {1, 9, 3, 11, 5, 13, 7, 15};
    const M8 lo2 = {0, 1, 8, 9, 4, 5, 12, 13}, hi2 = {2, 3, 10, 11, 6, 7, 14, 15};
    const M8 lo4 = {0, 1, 2, 3, 8, 9, 10, 11}, hi4 = {4, 5, 6, 7, 12, 13, 14, 15};
    V8 t[8], u[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = __builtin_shuffle(m[i], m[i + 1], lo1);
        t[i + 1] = __builtin_shuffle(m[i], m[i + 1], hi1);
    }
    for (int i = 0; i < 8; i += 4)
        for (int h = 0; h < 2; ++h) {
            u[i + h] = __builtin_shuffle(t[i + h], t[i + h + 2], lo2);
            u[i + h + 2] = __builtin_shuffle(t[i + h], t[i + h + 2], hi2);
        }
    for (int i = 0; i < 4; ++i) {
        m[i] = __builtin_shuffle(u[i], u[i + 4], lo4);
        m[i + 4] = __builtin_shuffle(u[i], u[i + 4], hi4);
    }
}

// Rows [l][k] of the tensor (8 lanes from g, 8 elements from k) into the batch as [k][l].
[[gnu::always_inline]] inline void GatherBlock(float* const* rows, int g, int k, double* buf, int B)
{
    V8 m[8];
    for (int i = 0; i < 8; ++i) {
        F8 f;
        KALDER_LOAD8F(f, rows[g + i] + k);
        m[i] = __builtin_convertvector(f, V8);
    }
    Transpose8(m);
    for (int j = 0; j < 8; ++j)
        KALDER_STORE(buf + static_cast<std::size_t>(k + j) * B + g, m[j]);
}

// Batch elements rev[k .. k+7] of lanes g .. g+7, scaled, back into the rows as floats.
[[gnu::always_inline]] inline void ScatterBlock(float* const* rows, int g, int k, const double* buf,
                                                int B, const int* rev, double scale)
{
    V8 m[8];
    for (int j = 0; j < 8; ++j) {
        KALDER_LOAD(m[j], buf + static_cast<std::size_t>(rev[k + j]) * B + g);
        m[j] *= scale;
    }
    Transpose8(m);
    for (int i = 0; i < 8; ++i) {
        F8 f = __builtin_convertvector(m[i], F8);
        KALDER_STORE8F(rows[g + i] + k, f);
    }
}

// One batch of X lines: lane l is the row of n floats at rowsR[l] (real) and rowsI[l]; n and B
// are multiples of 8, so the transposition runs in 8 x 8 blocks.
template <int B>
[[gnu::always_inline]] inline void RowBatch(float* const* rowsR, float* const* rowsI,
                                            const LinePlan& plan, double* br, double* bi)
{
    const int n = plan.n;
    for (int g = 0; g < B; g += 8)
        for (int k = 0; k < n; k += 8) {
            GatherBlock(rowsR, g, k, br, B);
            GatherBlock(rowsI, g, k, bi, B);
        }
    BatchStages<B>(br, bi, n, plan.cosT.data(), plan.sinT.data());
    for (int g = 0; g < B; g += 8)
        for (int k = 0; k < n; k += 8) {
            ScatterBlock(rowsR, g, k, br, B, plan.rev.data(), plan.scale);
            ScatterBlock(rowsI, g, k, bi, B, plan.rev.data(), plan.scale);
        }
}

// Instruction-set variants chosen at load time. The library is built without contraction into
// FMA, so every variant rounds exactly like Fft().
#define KALDER_CLONES [[gnu::target_clones("avx512f", "avx2", "default")]]
KALDER_CLONES void ContiguousBatch8(float* const* r, float* const* i, const LinePlan& plan,
                                    double* br, double* bi)
{
    ContiguousBatch<8>(r, i, plan, br, bi);
}
KALDER_CLONES void ContiguousBatch16(float* const* r, float* const* i, const LinePlan& plan,
                                     double* br, double* bi)
{
    ContiguousBatch<16>(r, i, plan, br, bi);
}
KALDER_CLONES void RowBatch8(float* const* r, float* const* i, const LinePlan& plan, double* br,
                             double* bi)
{
    RowBatch<8>(r, i, plan, br, bi);
}
KALDER_CLONES void RowBatch16(float* const* r, float* const* i, const LinePlan& plan, double* br,
                              double* bi)
{
    RowBatch<16>(r, i, plan, br, bi);
}
#undef KALDER_CLONES

// Lanes per batch for lines of length n whose lane axis has laneExtent cells (a power of two
// >= 8): 16 while the batch buffer stays small enough for the cache, 8 otherwise.
int LanesFor(int n, int laneExtent)
{
    return laneExtent >= 16 && n <= 4096 ? 16 : 8;
}

// Runs every batch of one axis on all threads. addresses(task, r, i) fills the pointer lists
// of batch task (n runs for Y and Z lines, B rows for X lines). Batches are handed out a whole
// row or plane (chunk batches) at a time: two threads then never write the same cache line in
// the middle of a row, and a core that is busy elsewhere does not hold up the pass. Each line's
// arithmetic is the same whichever thread runs it.
template <typename Addresses, typename Body>
void RunBatches(const LinePlan& plan, int lanes, int pointers, long tasks, long chunk,
                Addresses addresses, Body body)
{
#pragma omp parallel
    {
        // per-thread buffers, allocated once per pass
        std::vector<double> br(static_cast<std::size_t>(plan.n) * lanes);
        std::vector<double> bi(static_cast<std::size_t>(plan.n) * lanes);
        std::vector<float*> r(static_cast<std::size_t>(pointers)), i(r.size());
#pragma omp for schedule(dynamic, chunk)
        for (long task = 0; task < tasks; ++task) {
            addresses(task, r.data(), i.data());
            body(r.data(), i.data(), plan, br.data(), bi.data());
        }
    }
}

void Progress(platform::Surface& surface, int y, const std::string& text)
{
    surface.TextOut(10, y, text);
    platform::GetUi().ShowProgress(text);
}

} // namespace

void Fft(double* re, double* im, int n, int inverse)
{
    if (Log2Exact(n) < 0)
        return;
    const double s = inverse ? 1.0 : -1.0;
    for (int d = n; d >= 2; d /= 2) {
        const int h = d / 2;
        for (int j = 0; j < h; ++j) {
            double c, t;
            Twiddle(s, j, d, c, t);
            for (int p = j; p < n; p += d) {
                const int q = p + h;
                double ur = re[p] - re[q], ui = im[p] - im[q];
                re[p] = re[p] + re[q];
                im[p] = im[p] + im[q];
                re[q] = ur * c - ui * t;
                im[q] = ur * t + ui * c;
            }
        }
    }
    int j = n / 2;
    for (int i = 1; i < n - 1; ++i) {
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
        int k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
    if (inverse) {
        const double f = 1.0 / n;
        for (int i = 0; i < n; ++i) {
            re[i] *= f;
            im[i] *= f;
        }
    }
}

int FftSize(int count)
{
    if (count <= 8)
        return 8;
    if (count > 32768)
        return 65536;
    int n = 8;
    while (n < count)
        n *= 2;
    return n;
}

int AutoCorrelation1D(float* values, int n)
{
    // FftSize caps at 65536: a longer profile would not fit the padded line
    if (n < 1 || n > 65536)
        return 0;
    const int L = FftSize(n);
    std::vector<double> re(static_cast<std::size_t>(L), 0.0), im(static_cast<std::size_t>(L), 0.0);
    for (int i = 0; i < n; ++i)
        re[i] = values[i];
    Fft(re.data(), im.data(), L, 0);
    // power spectrum with zero phase, magnitude and square in single precision
    for (int k = 0; k < L; ++k) {
        const float fr = static_cast<float>(re[k]);
        const float fi = static_cast<float>(im[k]);
        const float sum = fr * fr + fi * fi;
        const float a = static_cast<float>(std::sqrt(static_cast<double>(sum)));
        re[k] = static_cast<float>(a * a);
        im[k] = 0.0;
    }
    Fft(re.data(), im.data(), L, 1);
    for (int i = 0; i < n; ++i)
        values[i] = static_cast<float>(re[i]) / static_cast<float>(L);
    return 1;
}

int CheckPowerOfTwo3D(int nfftx, int nffty, int nfftz)
{
    if (FftSize(nfftx) == nfftx && FftSize(nffty) == nffty && FftSize(nfftz) == nfftz)
        return 1;
    // Name the first axis at fault, so the user knows which extent to change.
    const char* axis = FftSize(nfftx) != nfftx ? "NX" : FftSize(nffty) != nffty ? "NY" : "NZ";
    const int n = FftSize(nfftx) != nfftx ? nfftx : FftSize(nffty) != nffty ? nffty : nfftz;
    platform::GetUi().MessageBox(
        platform::Format("Error! Number of cells is not equal to power of 2. %s = %d is not a "
                         "power of 2 from 8 to 65536.",
                         axis, n));
    return 0;
}

int Fft3D(int nfftx, int nffty, int nfftz, float*** re, float*** im, int inverse,
          platform::Surface& surface)
{
    if (!CheckPowerOfTwo3D(nfftx, nffty, nfftz))
        return 0;
    const int nx = nfftx, ny = nffty, nz = nfftz;

    Progress(surface, -50, platform::Format("nfftx=%d : nffty=%d : nfftz=%d ", nx, ny, nz));

    // X and Y lines plane by plane: a plane z is transformed along X and then along Y while it
    // is still in the core's cache, which saves one trip of the whole volume through memory.
    // The X batch is B rows [z][y0 .. y0 + B - 1]; the Y batch is B neighbouring x of plane z.
    Progress(surface, -100, "FFT for X direction");
    {
        const LinePlan planX(nx, inverse), planY(ny, inverse);
        const int bx = LanesFor(nx, ny), by = LanesFor(ny, nx);
        const auto rowBatch = bx == 16 ? RowBatch16 : RowBatch8;
        const auto runBatch = by == 16 ? ContiguousBatch16 : ContiguousBatch8;
        const std::size_t bufSize =
            std::max(static_cast<std::size_t>(nx) * bx, static_cast<std::size_t>(ny) * by);
#pragma omp parallel
        {
            // per-thread buffers, allocated once per call
            std::vector<double> br(bufSize), bi(bufSize);
            std::vector<float*> r(static_cast<std::size_t>(std::max(ny, bx))), i(r.size());
#pragma omp for schedule(dynamic, 1)
            for (int z = 0; z < nz; ++z) {
                for (int y0 = 0; y0 < ny; y0 += bx) {
                    for (int l = 0; l < bx; ++l)
                        r[l] = re[z][y0 + l], i[l] = im[z][y0 + l];
                    rowBatch(r.data(), i.data(), planX, br.data(), bi.data());
                }
                for (int x0 = 0; x0 < nx; x0 += by) {
                    for (int k = 0; k < ny; ++k)
                        r[k] = re[z][k] + x0, i[k] = im[z][k] + x0;
                    runBatch(r.data(), i.data(), planY, br.data(), bi.data());
                }
            }
        }
    }
    Progress(surface, -100, "FFT for Y direction");

    // Z lines: batch = B neighbouring x of one row y
    Progress(surface, -100, "FFT for Z direction");
    {
        const LinePlan plan(nz, inverse);
        const int B = LanesFor(nz, nx);
        const long perY = nx / B;
        auto runs = [=](long task, float** r, float** i) {
            const int y = static_cast<int>(task / perY);
            const int x0 = static_cast<int>(task % perY) * B;
            for (int k = 0; k < nz; ++k)
                r[k] = re[k][y] + x0, i[k] = im[k][y] + x0;
        };
        RunBatches(plan, B, nz, ny * perY, perY, runs,
                   B == 16 ? ContiguousBatch16 : ContiguousBatch8);
    }
    platform::GetUi().EndProgress();
    return 1;
}
