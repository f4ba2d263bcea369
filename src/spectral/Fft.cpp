// Radix-2 decimation-in-frequency FFT, natural order in and out.
//
// Stage with span d (d = n, n/2, ..., 2), offset j < d/2, twiddle w = exp(i s 2 pi j / d) with
// s = -1 forward, +1 inverse; for p = b + j (b = 0, d, 2d, ...), q = p + d/2:
//   x[p] <- x[p] + x[q],   x[q] <- (x[p] - x[q]) w.
// After the stages the output sits in bit-reversed order; the inverse then scales by 1/n.
//
// The 3D transform runs the same arithmetic on B lines at once: a batch buffer holds element k
// of lane l at [k * B + l], so every butterfly is a loop over B contiguous doubles that the
// compiler vectorises, the strided Y and Z lines are gathered once per line, and the bit
// reversal and the 1/n scaling are folded into the scatter back to float. Every line meets the
// same operations in the same order as in Fft(), so the result does not depend on the batch,
// the thread count or the instruction set chosen at run time.

#include "spectral/Fft.h"

#include "platform/Services.h"
#include "platform/Surface.h"
#include "platform/TextFile.h"

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Twiddle of stage span d at offset j; s = -1 forward, +1 inverse.
inline void Twiddle(double s, int j, int d, double& c, double& t) {
    double phi = s * 2.0 * kPi * j / d;
    c = std::cos(phi);
    t = std::sin(phi);
}

// log2(n) when n is a power of two >= 2, otherwise -1.
int Log2Exact(int n) {
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

    LinePlan(int length, int inverse) : n(length) {
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

// Butterfly stages on B lanes, element k of lane l at [k * B + l]; output in bit-reversed order.
template <int B>
[[gnu::always_inline]] inline void BatchStages(double* re, double* im, int n, const double* cosT,
                                               const double* sinT) {
    int d = n;
    // two stages per sweep (spans d and d/2) while four quarter-blocks remain: the same
    // butterflies as one stage at a time, with half the loads and stores
    for (; d >= 4; d /= 4) {
        const int qd = d / 4;
        const double* c1 = cosT + (n - d);
        const double* t1 = sinT + (n - d);
        const double* c2 = cosT + (n - d / 2);
        const double* t2 = sinT + (n - d / 2);
        for (int b = 0; b < n; b += d)
            for (int j = 0; j < qd; ++j) {
                const double ca = c1[j], ta = t1[j], cb = c1[j + qd], tb = t1[j + qd];
                const double cc = c2[j], tc = t2[j];
                double* __restrict r0 = re + static_cast<std::size_t>(b + j) * B;
                double* __restrict r1 = r0 + static_cast<std::size_t>(qd) * B;
                double* __restrict r2 = r1 + static_cast<std::size_t>(qd) * B;
                double* __restrict r3 = r2 + static_cast<std::size_t>(qd) * B;
                double* __restrict i0 = im + static_cast<std::size_t>(b + j) * B;
                double* __restrict i1 = i0 + static_cast<std::size_t>(qd) * B;
                double* __restrict i2 = i1 + static_cast<std::size_t>(qd) * B;
                double* __restrict i3 = i2 + static_cast<std::size_t>(qd) * B;
                for (int l = 0; l < B; ++l) {
                    // span d: pairs (0, 2) at offset j and (1, 3) at offset j + d/4
                    double ur = r0[l] - r2[l], ui = i0[l] - i2[l];
                    double a0r = r0[l] + r2[l], a0i = i0[l] + i2[l];
                    double a2r = ur * ca - ui * ta, a2i = ur * ta + ui * ca;
                    ur = r1[l] - r3[l], ui = i1[l] - i3[l];
                    double a1r = r1[l] + r3[l], a1i = i1[l] + i3[l];
                    double a3r = ur * cb - ui * tb, a3i = ur * tb + ui * cb;
                    // span d/2: pairs (0, 1) and (2, 3), both at offset j
                    ur = a0r - a1r, ui = a0i - a1i;
                    r0[l] = a0r + a1r, i0[l] = a0i + a1i;
                    r1[l] = ur * cc - ui * tc, i1[l] = ur * tc + ui * cc;
                    ur = a2r - a3r, ui = a2i - a3i;
                    r2[l] = a2r + a3r, i2[l] = a2i + a3i;
                    r3[l] = ur * cc - ui * tc, i3[l] = ur * tc + ui * cc;
                }
            }
    }
    if (d == 2) {
        // last single stage, twiddle exp(0) = (1, 0), applied as the general butterfly
        const double c = cosT[n - 2], t = sinT[n - 2];
        for (int b = 0; b < n; b += 2) {
            double* __restrict r0 = re + static_cast<std::size_t>(b) * B;
            double* __restrict r1 = r0 + B;
            double* __restrict i0 = im + static_cast<std::size_t>(b) * B;
            double* __restrict i1 = i0 + B;
            for (int l = 0; l < B; ++l) {
                double ur = r0[l] - r1[l], ui = i0[l] - i1[l];
                r0[l] = r0[l] + r1[l], i0[l] = i0[l] + i1[l];
                r1[l] = ur * c - ui * t, i1[l] = ur * t + ui * c;
            }
        }
    }
}

// Instruction-set variants chosen at load time; none enables FMA, so every variant rounds alike.
[[gnu::target_clones("avx512f", "avx2", "default")]] void
BatchStages8(double* re, double* im, int n, const double* cosT, const double* sinT) {
    BatchStages<8>(re, im, n, cosT, sinT);
}

[[gnu::target_clones("avx512f", "avx2", "default")]] void
BatchStages16(double* re, double* im, int n, const double* cosT, const double* sinT) {
    BatchStages<16>(re, im, n, cosT, sinT);
}

// Lanes per batch for lines of length n whose lane axis has laneExtent cells (a power of two
// >= 8): 16 while the batch buffer stays small enough for the cache, 8 otherwise.
int LanesFor(int n, int laneExtent) {
    return laneExtent >= 16 && n <= 4096 ? 16 : 8;
}

// One pass over all lines of one axis, grouped into batches of B lanes. rowOf(task, k, ...) gives
// the addresses of element k of lane 0 of batch task in both tensors and the distance (floats)
// from one lane to the next in each.
template <int B, typename RowOf>
void RunPass(const LinePlan& plan, long tasks, float*** re, float*** im, RowOf rowOf) {
    const int n = plan.n;
#pragma omp parallel
    {
        std::vector<double> bufRe(static_cast<std::size_t>(n) * B);
        std::vector<double> bufIm(static_cast<std::size_t>(n) * B);
        double* br = bufRe.data();
        double* bi = bufIm.data();
#pragma omp for schedule(static)
        for (long task = 0; task < tasks; ++task) {
            // gather: lane l, element k
            for (int k = 0; k < n; ++k) {
                float* pr;
                float* pi;
                std::ptrdiff_t strideR, strideI;
                rowOf(task, k, re, im, pr, pi, strideR, strideI);
                double* dr = br + static_cast<std::size_t>(k) * B;
                double* di = bi + static_cast<std::size_t>(k) * B;
                for (int l = 0; l < B; ++l) {
                    dr[l] = pr[l * strideR];
                    di[l] = pi[l * strideI];
                }
            }
            if constexpr (B == 16)
                BatchStages16(br, bi, n, plan.cosT.data(), plan.sinT.data());
            else
                BatchStages8(br, bi, n, plan.cosT.data(), plan.sinT.data());
            // scatter, undoing the bit reversal, scaled (by exactly 1 forward) and rounded
            const double scale = plan.scale;
            for (int k = 0; k < n; ++k) {
                float* pr;
                float* pi;
                std::ptrdiff_t strideR, strideI;
                rowOf(task, k, re, im, pr, pi, strideR, strideI);
                const double* sr = br + static_cast<std::size_t>(plan.rev[k]) * B;
                const double* si = bi + static_cast<std::size_t>(plan.rev[k]) * B;
                for (int l = 0; l < B; ++l) {
                    pr[l * strideR] = static_cast<float>(sr[l] * scale);
                    pi[l * strideI] = static_cast<float>(si[l] * scale);
                }
            }
        }
    }
}

template <typename RowOf>
void RunPassLanes(int lanes, const LinePlan& plan, long tasks, float*** re, float*** im,
                  RowOf rowOf) {
    if (lanes == 16)
        RunPass<16>(plan, tasks, re, im, rowOf);
    else
        RunPass<8>(plan, tasks, re, im, rowOf);
}

void Progress(platform::Surface& surface, int y, const std::string& text) {
    surface.TextOut(10, y, text);
    platform::GetUi().ShowProgress(text);
}

} // namespace

void Fft(double* re, double* im, int n, int inverse) {
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

int FftSize(int count) {
    if (count <= 8)
        return 8;
    if (count > 32768)
        return 65536;
    int n = 8;
    while (n < count)
        n *= 2;
    return n;
}

int AutoCorrelation1D(float* values, int n) {
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

int CheckPowerOfTwo3D(int nfftx, int nffty, int nfftz) {
    if (FftSize(nfftx) == nfftx && FftSize(nffty) == nffty && FftSize(nfftz) == nfftz)
        return 1;
    platform::GetUi().MessageBox("Error! Number of cells is not equal to power of 2.");
    return 0;
}

int Fft3D(int nfftx, int nffty, int nfftz, float*** re, float*** im, int inverse,
          platform::Surface& surface) {
    if (!CheckPowerOfTwo3D(nfftx, nffty, nfftz))
        return 0;
    const int nx = nfftx, ny = nffty, nz = nfftz;

    Progress(surface, -50, platform::Format("nfftx=%d : nffty=%d : nfftz=%d ", nx, ny, nz));

    // X lines: batch = B rows [z][y0 .. y0+B-1]; lane stride is the distance between rows
    Progress(surface, -100, "FFT for X direction");
    {
        LinePlan plan(nx, inverse);
        const int B = LanesFor(nx, ny);
        const long perZ = ny / B;
        RunPassLanes(B, plan, static_cast<long>(nz) * perZ, re, im,
                     [perZ, B](long task, int k, float*** r, float*** i, float*& pr, float*& pi,
                               std::ptrdiff_t& strideR, std::ptrdiff_t& strideI) {
                         const int z = static_cast<int>(task / perZ);
                         const int y0 = static_cast<int>(task % perZ) * B;
                         pr = r[z][y0] + k;
                         pi = i[z][y0] + k;
                         // the two tensors may be allocated with different row pitches
                         strideR = r[z][y0 + 1] - r[z][y0];
                         strideI = i[z][y0 + 1] - i[z][y0];
                     });
    }

    // Y lines: batch = B neighbouring x of one plane z, gathered as runs of B floats
    Progress(surface, -100, "FFT for Y direction");
    {
        LinePlan plan(ny, inverse);
        const int B = LanesFor(ny, nx);
        const long perZ = nx / B;
        RunPassLanes(B, plan, static_cast<long>(nz) * perZ, re, im,
                     [perZ, B](long task, int k, float*** r, float*** i, float*& pr, float*& pi,
                               std::ptrdiff_t& strideR, std::ptrdiff_t& strideI) {
                         const int z = static_cast<int>(task / perZ);
                         const int x0 = static_cast<int>(task % perZ) * B;
                         pr = r[z][k] + x0;
                         pi = i[z][k] + x0;
                         strideR = strideI = 1;
                     });
    }

    // Z lines: batch = B neighbouring x of one row y
    Progress(surface, -100, "FFT for Z direction");
    {
        LinePlan plan(nz, inverse);
        const int B = LanesFor(nz, nx);
        const long perY = nx / B;
        RunPassLanes(B, plan, static_cast<long>(ny) * perY, re, im,
                     [perY, B](long task, int k, float*** r, float*** i, float*& pr, float*& pi,
                               std::ptrdiff_t& strideR, std::ptrdiff_t& strideI) {
                         const int y = static_cast<int>(task / perY);
                         const int x0 = static_cast<int>(task % perY) * B;
                         pr = r[k][y] + x0;
                         pi = i[k][y] + x0;
                         strideR = strideI = 1;
                     });
    }
    platform::GetUi().EndProgress();
    return 1;
}
