// Decimation-in-frequency FFT, natural order in and out.
//
// The radix-2 stage with span d (d = n, n/2, ..., 2), offset j < d/2, twiddle w = exp(i s 2 pi j /
// d) (s = -1 forward, +1 inverse) is, for p = b + j (b = 0, d, 2d, ...), q = p + d/2:
//   x[p] <- x[p] + x[q],   x[q] <- (x[p] - x[q]) w.
// Three such stages (spans d, d/2, d/4) are done at once as one radix-8 pass, two as a radix-4
// pass: the twiddles of the inner stages are the eighth and quarter roots of unity (1, -i s,
// (1 - i s)/sqrt 2, ...) applied inside the butterfly, and the offset-dependent factors are
// gathered into one multiplication per output, by w_d^(j rev(p)) for the output at local position
// p (rev reverses the bits of p). That is the same transform with fewer multiplications; the
// output is in the same bit-reversed order, so the reordering afterwards is unchanged. A length
// 2^m takes one radix-2 or radix-4 pass first when m is not a multiple of 3, then radix-8 passes;
// the last pass (span 8) has no twiddles. The inverse then scales by 1/n.
//
// The 3D transform runs the same arithmetic on B lines at once (B = 8 or 16): a batch buffer
// holds element k of lane l at [k * B + l] (plus a gap every 32 elements against cache-set
// conflicts), so every butterfly works on whole vectors of lanes,
// each line is gathered once into the buffer (X rows through 8 x 8 transposes, Y and Z lines as
// runs of B neighbouring x), and the bit reversal and the 1/n scaling are folded into the
// scatter back to float. Planes are transformed along X and Y while they sit in cache, then the
// volume along Z. Every line meets the same operations in the same order as in Fft() (one
// template serves both), without FMA contraction, so the result does not depend on the batch,
// the thread count or the instruction set chosen at run time.

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
#include <type_traits>
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

// One pass of the kernel: radix 2, 4 or 8 over span d.
struct Pass {
    int radix = 2;
    int d = 2;
    std::size_t twiddles = 0; // first (cos, sin) pair of this pass in the plan's table
};

// The passes for a length 2^m: radix 2 or 4 first when m is not a multiple of 3, then radix 8.
int PassList(int n, Pass (&passes)[32])
{
    const int m = Log2Exact(n);
    int count = 0, d = n;
    auto add = [&](int radix) {
        passes[count].radix = radix;
        passes[count].d = d;
        ++count;
        d /= radix;
    };
    if (m % 3 == 1)
        add(2);
    else if (m % 3 == 2)
        add(4);
    while (d >= 8)
        add(8);
    return count;
}

// Exponent multipliers of the outer twiddles of the outputs at local positions 1 .. radix - 1:
// the bit-reversed position.
constexpr int kRev8[7] = {4, 2, 6, 1, 5, 3, 7};
constexpr int kRev4[3] = {2, 1, 3};
constexpr int kRev2[1] = {1};

inline const int* RevFor(int radix)
{
    return radix == 8 ? kRev8 : radix == 4 ? kRev4 : kRev2;
}

// The outer twiddles of pass offset j: (cos, sin) of w_d^(j rev(p)) for p = 1 .. radix - 1.
inline void PassTwiddles(double s, const Pass& pass, int j, double* cs)
{
    const int* rev = RevFor(pass.radix);
    for (int p = 0; p < pass.radix - 1; ++p)
        Twiddle(s, j * rev[p], pass.d, cs[2 * p], cs[2 * p + 1]);
}

// cos(pi/4), the magnitude of both parts of the eighth roots of unity.
constexpr double kC8 = 0.70710678118654752440;

// A complex value of T (double, or a vector of lanes). Only ever inlined, so the vector-return
// ABI note of the compiler does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"
template <typename T> struct Cx {
    T r, i;
};

template <typename T> [[gnu::always_inline]] inline Cx<T> Add(const Cx<T>& a, const Cx<T>& b)
{
    return {a.r + b.r, a.i + b.i};
}
template <typename T> [[gnu::always_inline]] inline Cx<T> Sub(const Cx<T>& a, const Cx<T>& b)
{
    return {a.r - b.r, a.i - b.i};
}
// u w with w = (c, t): the product as the radix-2 butterfly forms it.
template <typename T> [[gnu::always_inline]] inline Cx<T> Rotate(const Cx<T>& u, double c, double t)
{
    return {u.r * c - u.i * t, u.r * t + u.i * c};
}
// u (i s): exact.
template <typename T, bool Inv> [[gnu::always_inline]] inline Cx<T> RotateQuarter(const Cx<T>& u)
{
    if constexpr (Inv)
        return {-u.i, u.r};
    else
        return {u.i, -u.r};
}
// u (1 + i s) / sqrt 2, the first eighth root.
template <typename T, bool Inv> [[gnu::always_inline]] inline Cx<T> RotateEighth(const Cx<T>& u)
{
    if constexpr (Inv)
        return {(u.r - u.i) * kC8, (u.i + u.r) * kC8};
    else
        return {(u.r + u.i) * kC8, (u.i - u.r) * kC8};
}
// u (-1 + i s) / sqrt 2, the third eighth root.
template <typename T, bool Inv>
[[gnu::always_inline]] inline Cx<T> RotateThreeEighths(const Cx<T>& u)
{
    if constexpr (Inv)
        return {(-u.r - u.i) * kC8, (u.r - u.i) * kC8};
    else
        return {(u.i - u.r) * kC8, (-u.r - u.i) * kC8};
}

template <typename T> [[gnu::always_inline]] inline T Load(const double* p)
{
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}
template <typename T> [[gnu::always_inline]] inline void Store(double* p, const T& v)
{
    std::memcpy(p, &v, sizeof(T));
}

// Where element k of B lanes starts in a batch buffer: k * B, plus one cache line (8 doubles)
// after every 32 elements when the lanes are more than one. The radix-8 butterfly reads eight
// elements a power of two apart; without the gaps they would all fall into the same cache set
// and evict each other. Lines (B = 1) are not padded.
template <int B> [[gnu::always_inline]] inline std::size_t Slot(int k)
{
    return static_cast<std::size_t>(k) * B + (B > 1 ? static_cast<std::size_t>(k >> 5) * 8 : 0);
}

// Doubles in a batch buffer of n elements of B lanes, and 64 bytes to align its start.
inline std::size_t BatchDoubles(int n, int B)
{
    return static_cast<std::size_t>(n) * B + static_cast<std::size_t>(n / 32 + 1) * 8 + 8;
}
inline double* Aligned(std::vector<double>& v)
{
    const auto p = reinterpret_cast<std::uintptr_t>(v.data());
    return v.data() + ((64 - p % 64) % 64) / sizeof(double);
}

// Element k, lanes g .. g + W - 1, of a batch buffer (element k of lane l at Slot(k) + l).
template <typename T, int B> struct BufferAccess {
    double* re;
    double* im;
    [[gnu::always_inline]] Cx<T> Load(int k, int g) const
    {
        const std::size_t at = Slot<B>(k) + g;
        return {::Load<T>(re + at), ::Load<T>(im + at)};
    }
    [[gnu::always_inline]] void Store(int k, int g, const Cx<T>& v) const
    {
        const std::size_t at = Slot<B>(k) + g;
        ::Store<T>(re + at, v.r), ::Store<T>(im + at, v.i);
    }
};

// One pass over lines of n elements, W lanes per T, B lanes in all: reads element k through
// src.Load(k, g), writes it through dst.Store(k, g, v). twiddles(j, cs) gives the outer twiddles
// of offset j, in cs or in a table it points to (offset 0 needs none).
template <int R, typename T, int W, int B, bool Inv, typename Src, typename Dst, typename Twiddles>
[[gnu::always_inline]] inline void RunPass(const Src& src, const Dst& dst, int n, int d,
                                           Twiddles twiddles)
{
    const int e = d / R;
    double room[2 * (R - 1)];
    for (int j = 0; j < e; ++j) {
        const bool rotate = j != 0;
        const double* cs = rotate ? twiddles(j, room) : room;
        for (int b = 0; b < n; b += d) {
            const int at = b + j;
            for (int g = 0; g < B; g += W) {
                Cx<T> x[R];
#pragma GCC unroll 8
                for (int m = 0; m < R; ++m)
                    x[m] = src.Load(at + m * e, g);
                Cx<T> y[R];
                if constexpr (R == 2) {
                    y[0] = Add(x[0], x[1]);
                    y[1] = Sub(x[0], x[1]);
                } else if constexpr (R == 4) {
                    const Cx<T> a0 = Add(x[0], x[2]), a1 = Add(x[1], x[3]);
                    const Cx<T> d0 = Sub(x[0], x[2]);
                    const Cx<T> d1 = RotateQuarter<T, Inv>(Sub(x[1], x[3]));
                    y[0] = Add(a0, a1), y[1] = Sub(a0, a1);
                    y[2] = Add(d0, d1), y[3] = Sub(d0, d1);
                } else {
                    // span d: pairs (m, m + 4), the differences turned by the eighth roots
                    const Cx<T> a0 = Add(x[0], x[4]), a1 = Add(x[1], x[5]);
                    const Cx<T> a2 = Add(x[2], x[6]), a3 = Add(x[3], x[7]);
                    const Cx<T> d0 = Sub(x[0], x[4]);
                    const Cx<T> d1 = RotateEighth<T, Inv>(Sub(x[1], x[5]));
                    const Cx<T> d2 = RotateQuarter<T, Inv>(Sub(x[2], x[6]));
                    const Cx<T> d3 = RotateThreeEighths<T, Inv>(Sub(x[3], x[7]));
                    // span d/2 in each half: pairs (0, 2) and (1, 3), the second turned by i s
                    const Cx<T> b0 = Add(a0, a2), b1 = Add(a1, a3);
                    const Cx<T> b2 = Sub(a0, a2), b3 = RotateQuarter<T, Inv>(Sub(a1, a3));
                    const Cx<T> c0 = Add(d0, d2), c1 = Add(d1, d3);
                    const Cx<T> c2 = Sub(d0, d2), c3 = RotateQuarter<T, Inv>(Sub(d1, d3));
                    // span d/4: neighbours
                    y[0] = Add(b0, b1), y[1] = Sub(b0, b1), y[2] = Add(b2, b3), y[3] = Sub(b2, b3);
                    y[4] = Add(c0, c1), y[5] = Sub(c0, c1), y[6] = Add(c2, c3), y[7] = Sub(c2, c3);
                }
                if (rotate)
#pragma GCC unroll 8
                    for (int p = 1; p < R; ++p)
                        y[p] = Rotate(y[p], cs[2 * (p - 1)], cs[2 * (p - 1) + 1]);
#pragma GCC unroll 8
                for (int m = 0; m < R; ++m)
                    dst.Store(at + m * e, g, y[m]);
            }
        }
    }
}

template <typename T, int W, int B, bool Inv, typename Src, typename Dst, typename Twiddles>
[[gnu::always_inline]] inline void RunPassOfRadix(const Pass& pass, const Src& src, const Dst& dst,
                                                  int n, Twiddles tw)
{
    if (pass.radix == 8)
        RunPass<8, T, W, B, Inv>(src, dst, n, pass.d, tw);
    else if (pass.radix == 4)
        RunPass<4, T, W, B, Inv>(src, dst, n, pass.d, tw);
    else
        RunPass<2, T, W, B, Inv>(src, dst, n, pass.d, tw);
}

// All passes of a line length, the first reading through first, the last writing through last,
// the others working in buf; the output is in bit-reversed order (last.Store(k) receives
// bit-reversed element k).
template <typename T, int W, int B, bool Inv, typename First, typename Last, typename TwiddlesOf>
[[gnu::always_inline]] inline void RunPasses(const First& first, const BufferAccess<T, B>& buf,
                                             const Last& last, int n, const Pass* passes, int count,
                                             TwiddlesOf twiddlesOf)
{
    for (int k = 0; k < count; ++k) {
        const Pass& pass = passes[k];
        auto tw = [&](int j, double* room) { return twiddlesOf(pass, j, room); };
        if (count == 1)
            RunPassOfRadix<T, W, B, Inv>(pass, first, last, n, tw);
        else if (k == 0)
            RunPassOfRadix<T, W, B, Inv>(pass, first, buf, n, tw);
        else if (k == count - 1)
            RunPassOfRadix<T, W, B, Inv>(pass, buf, last, n, tw);
        else
            RunPassOfRadix<T, W, B, Inv>(pass, buf, buf, n, tw);
    }
}

// Everything one line length needs, computed once per 3D call.
struct LinePlan {
    int n = 0;
    int inverse = 0;
    double scale = 1.0; // 1 forward, 1/n inverse
    Pass passes[32];
    int passCount = 0;
    std::vector<double> twiddles; // per pass, per offset j: radix - 1 (cos, sin) pairs
    std::vector<int> rev;         // bit-reversed index of every k

    LinePlan(int length, int inverse) : n(length), inverse(inverse)
    {
        const double s = inverse ? 1.0 : -1.0;
        scale = inverse ? 1.0 / n : 1.0;
        passCount = PassList(n, passes);
        std::size_t size = 0;
        for (int k = 0; k < passCount; ++k) {
            passes[k].twiddles = size;
            size +=
                static_cast<std::size_t>(passes[k].d / passes[k].radix) * 2 * (passes[k].radix - 1);
        }
        twiddles.resize(size);
        for (int k = 0; k < passCount; ++k) {
            const Pass& pass = passes[k];
            const int pairs = pass.radix - 1;
            for (int j = 0; j < pass.d / pass.radix; ++j)
                PassTwiddles(s, pass, j, twiddles.data() + pass.twiddles + 2 * pairs * j);
        }
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

// Butterfly passes on B lanes (a multiple of 8), element k of lane l at Slot(k) + l; output in
// bit-reversed order.
template <int B>
[[gnu::always_inline]] inline void BatchStages(double* re, double* im, const LinePlan& plan)
{
    static_assert(B % 8 == 0);
    const double* table = plan.twiddles.data();
    auto twiddlesOf = [table](const Pass& pass, int j, double*) {
        return table + pass.twiddles + 2 * (pass.radix - 1) * j;
    };
    const BufferAccess<V8, B> buf{re, im};
    if (plan.inverse)
        RunPasses<V8, 8, B, true>(buf, buf, buf, plan.n, plan.passes, plan.passCount, twiddlesOf);
    else
        RunPasses<V8, 8, B, false>(buf, buf, buf, plan.n, plan.passes, plan.passCount, twiddlesOf);
}

// Hint to fetch the line holding p[ahead]; computed as an integer, since the address may lie
// past the tensor (a prefetch never faults).
[[gnu::always_inline]] inline void Prefetch(const float* p, int ahead)
{
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(p) +
                                                     sizeof(float) * static_cast<unsigned>(ahead)));
}

// One batch of Y or Z lines: the B lanes are B neighbouring x, so element k of every lane is a
// run of B floats starting at runsR[k] (real) and runsI[k] (imaginary). The first pass reads the
// runs, widened to double; the last pass writes them back undoing the bit reversal, scaled (not
// at all forward, where the scale is 1) and rounded to float; the passes between work in the
// batch buffers.
template <int B, bool Inv> struct RunsIn {
    float* const* r;
    float* const* i;
    [[gnu::always_inline]] Cx<V8> Load(int k, int g) const
    {
        F8 fr, fi;
        KALDER_LOAD8F(fr, r[k] + g), KALDER_LOAD8F(fi, i[k] + g);
        return {__builtin_convertvector(fr, V8), __builtin_convertvector(fi, V8)};
    }
};
template <int B, bool Inv> struct RunsOut {
    float* const* r;
    float* const* i;
    const int* rev;
    double scale;
    [[gnu::always_inline]] void Store(int k, int g, const Cx<V8>& v) const
    {
        V8 vr = v.r, vi = v.i;
        if constexpr (Inv)
            vr *= scale, vi *= scale;
        const F8 fr = __builtin_convertvector(vr, F8), fi = __builtin_convertvector(vi, F8);
        const int to = rev[k];
        KALDER_STORE8F(r[to] + g, fr), KALDER_STORE8F(i[to] + g, fi);
    }
};

template <int B, bool Inv>
[[gnu::always_inline]] inline void ContiguousBatchIn(float* const* runsR, float* const* runsI,
                                                     const LinePlan& plan, double* br, double* bi)
{
    // the batch four steps along x reads the next lines of these runs; with one run per plane
    // or row there are more streams than the hardware prefetcher follows
    for (int k = 0; k < plan.n; ++k)
        Prefetch(runsR[k], 4 * B), Prefetch(runsI[k], 4 * B);
    const double* table = plan.twiddles.data();
    auto twiddlesOf = [table](const Pass& pass, int j, double*) {
        return table + pass.twiddles + 2 * (pass.radix - 1) * j;
    };
    const RunsIn<B, Inv> first{runsR, runsI};
    const RunsOut<B, Inv> last{runsR, runsI, plan.rev.data(), plan.scale};
    const BufferAccess<V8, B> buf{br, bi};
    RunPasses<V8, 8, B, Inv>(first, buf, last, plan.n, plan.passes, plan.passCount, twiddlesOf);
}

template <int B>
[[gnu::always_inline]] inline void ContiguousBatch(float* const* runsR, float* const* runsI,
                                                   const LinePlan& plan, double* br, double* bi)
{
    if (plan.inverse)
        ContiguousBatchIn<B, true>(runsR, runsI, plan, br, bi);
    else
        ContiguousBatchIn<B, false>(runsR, runsI, plan, br, bi);
}

typedef long long M8 __attribute__((vector_size(64)));

// In-place transpose of the 8 x 8 block m[i][j] (m[i] is a row of eight doubles).
[[gnu::always_inline]] inline void Transpose8(V8 (&m)[8])
{
    const M8 lo1 = {0, 8, 2, 10, 4, 12, 6, 14}, hi1 = {1, 9, 3, 11, 5, 13, 7, 15};
    const M8 lo2 = {0, 1, 8, 9, 4, 5, 12, 13}, hi2 = {2, 3, 10, 11, 6, 7, 14, 15};
    const M8 lo4 = {0, 1, 2, 3, 8, 9, 10, 11}, hi4 = {4, 5, 6, 7, 12, 13, 14, 15};
    V8 t[8], u[8];
#pragma GCC unroll 8
    for (int i = 0; i < 8; i += 2) {
        t[i] = __builtin_shuffle(m[i], m[i + 1], lo1);
        t[i + 1] = __builtin_shuffle(m[i], m[i + 1], hi1);
    }
#pragma GCC unroll 8
    for (int i = 0; i < 8; i += 4)
#pragma GCC unroll 8
        for (int h = 0; h < 2; ++h) {
            u[i + h] = __builtin_shuffle(t[i + h], t[i + h + 2], lo2);
            u[i + h + 2] = __builtin_shuffle(t[i + h], t[i + h + 2], hi2);
        }
#pragma GCC unroll 8
    for (int i = 0; i < 4; ++i) {
        m[i] = __builtin_shuffle(u[i], u[i + 4], lo4);
        m[i + 4] = __builtin_shuffle(u[i], u[i + 4], hi4);
    }
}

// Rows [l][k] of the tensor (8 lanes from g, 8 elements from k) into the batch as [k][l].
template <int B>
[[gnu::always_inline]] inline void GatherBlock(float* const* rows, int g, int k, double* buf)
{
    V8 m[8];
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
        F8 f;
        KALDER_LOAD8F(f, rows[g + i] + k);
        m[i] = __builtin_convertvector(f, V8);
    }
    Transpose8(m);
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j)
        KALDER_STORE(buf + Slot<B>(k + j) + g, m[j]);
}

// Batch elements rev[k .. k+7] of lanes g .. g+7, scaled, back into the rows as floats.
template <int B, bool Scaled>
[[gnu::always_inline]] inline void ScatterBlock(float* const* rows, int g, int k, const double* buf,
                                                const int* rev, double scale)
{
    V8 m[8];
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) {
        KALDER_LOAD(m[j], buf + Slot<B>(rev[k + j]) + g);
        if constexpr (Scaled) // the forward scale is exactly 1
            m[j] *= scale;
    }
    Transpose8(m);
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
        F8 f = __builtin_convertvector(m[i], F8);
        KALDER_STORE8F(rows[g + i] + k, f);
    }
}

// All B rows back from the batch, 8 x 8 blocks at a time.
template <int B, bool Scaled>
[[gnu::always_inline]] inline void ScatterRows(float* const* rowsR, float* const* rowsI,
                                               const LinePlan& plan, const double* br,
                                               const double* bi)
{
    for (int g = 0; g < B; g += 8)
        for (int k = 0; k < plan.n; k += 8) {
            ScatterBlock<B, Scaled>(rowsR, g, k, br, plan.rev.data(), plan.scale);
            ScatterBlock<B, Scaled>(rowsI, g, k, bi, plan.rev.data(), plan.scale);
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
            GatherBlock<B>(rowsR, g, k, br);
            GatherBlock<B>(rowsI, g, k, bi);
        }
    BatchStages<B>(br, bi, plan);
    // inline by hand: a lambda here would be compiled for the baseline instruction set
    if (plan.inverse)
        ScatterRows<B, true>(rowsR, rowsI, plan, br, bi);
    else
        ScatterRows<B, false>(rowsR, rowsI, plan, br, bi);
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
    Pass passes[32];
    const int count = PassList(n, passes);
    // twiddles formed once per pass and offset, applied across all blocks
    auto twiddlesOf = [s](const Pass& pass, int j, double* room) {
        PassTwiddles(s, pass, j, room);
        return static_cast<const double*>(room);
    };
    const BufferAccess<double, 1> line{re, im};
    if (inverse)
        RunPasses<double, 1, 1, true>(line, line, line, n, passes, count, twiddlesOf);
    else
        RunPasses<double, 1, 1, false>(line, line, line, n, passes, count, twiddlesOf);
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
    // Then the Z lines, a batch being B neighbouring x of one row y. One parallel region for
    // both sweeps, so the threads are woken once per call.
    Progress(surface, -100, "FFT for X direction");
    const LinePlan planX(nx, inverse), planY(ny, inverse), planZ(nz, inverse);
    const int bx = LanesFor(nx, ny), by = LanesFor(ny, nx), bz = LanesFor(nz, nx);
    const auto rowBatch = bx == 16 ? RowBatch16 : RowBatch8;
    const auto runBatchY = by == 16 ? ContiguousBatch16 : ContiguousBatch8;
    const auto runBatchZ = bz == 16 ? ContiguousBatch16 : ContiguousBatch8;
    const std::size_t bufSize =
        std::max({BatchDoubles(nx, bx), BatchDoubles(ny, by), BatchDoubles(nz, bz)});
    const std::size_t pointers = static_cast<std::size_t>(std::max({ny, nz, bx}));
    // Z batches are handed out a whole row y (perY batches) at a time: two threads then never
    // write the same cache line in the middle of a row. Each line's arithmetic is the same
    // whichever thread runs it.
    const long perY = nx / bz;
    const long zTasks = static_cast<long>(ny) * perY;
    bool stopped = false;
#pragma omp parallel
    {
        // per-thread buffers, allocated once per call
        std::vector<double> bufR(bufSize), bufI(bufSize);
        double* const br = Aligned(bufR);
        double* const bi = Aligned(bufI);
        std::vector<float*> r(pointers), i(pointers);
#pragma omp for schedule(dynamic, 1)
        for (int z = 0; z < nz; ++z) {
            for (int y0 = 0; y0 < ny; y0 += bx) {
                for (int l = 0; l < bx; ++l)
                    r[l] = re[z][y0 + l], i[l] = im[z][y0 + l];
                rowBatch(r.data(), i.data(), planX, br, bi);
            }
            for (int x0 = 0; x0 < nx; x0 += by) {
                for (int k = 0; k < ny; ++k)
                    r[k] = re[z][k] + x0, i[k] = im[z][k] + x0;
                runBatchY(r.data(), i.data(), planY, br, bi);
            }
        }
        // The progress texts and the Cancel poll from the thread that owns the window; all
        // threads read the answer after the barrier, so all skip the Z sweep or none does.
#pragma omp master
        {
            Progress(surface, -100, "FFT for Y direction");
            stopped = platform::GetUi().CancelRequested();
            if (!stopped)
                Progress(surface, -100, "FFT for Z direction");
        }
#pragma omp barrier
        const long zCount = stopped ? 0 : zTasks;
#pragma omp for schedule(dynamic, perY)
        for (long task = 0; task < zCount; ++task) {
            const int y = static_cast<int>(task / perY);
            const int x0 = static_cast<int>(task % perY) * bz;
            for (int k = 0; k < nz; ++k)
                r[k] = re[k][y] + x0, i[k] = im[k][y] + x0;
            runBatchZ(r.data(), i.data(), planZ, br, bi);
        }
    }
    // The progress window stays up: the command that runs the transforms ends it, so a command
    // of several transforms shows one window that its Cancel button belongs to.
    return stopped ? 0 : 1;
}
