#pragma once
// Complex FFTs in one and three dimensions.
//
// For a line x of length n (a power of two):
//   forward  X[k] = sum_{j=0}^{n-1} x[j] exp(-2 pi i j k / n), not scaled;
//   inverse  x[j] = (1/n) sum_{k=0}^{n-1} X[k] exp(+2 pi i j k / n).
// The kernel is a decimation in frequency with natural order in and out (bit reversal after the
// butterflies), three radix-2 stages at a time as radix-8 passes. A complex line is a pair of double arrays (real, imaginary); a complex
// volume is a pair of float tensors [z][y][x], x fastest, each [z][y] row contiguous.

namespace platform {
class Surface;
}

// In-place transform of n complex samples; inverse = 0 forward, anything else inverse.
// Lengths below 2 or not a power of two leave both arrays untouched.
void Fft(double* re, double* im, int n, int inverse);

// Transform length for count samples: 8 for count <= 8, the next power of two up to 32768,
// 65536 above that.
int FftSize(int count);

// Replaces values[0..n-1] by the circular auto-correlation of the profile zero-padded to
// L = FftSize(n), divided by L: values[i] = (1/L) sum_j x[j] x[(j + i) mod L].
// Returns 1 when done, 0 (values untouched) for n < 1 or n > 65536, which no length covers.
int AutoCorrelation1D(float* values, int n);

// 1 when every count is a power of two from 8 to 65536; otherwise shows the message
// "Error! Number of cells is not equal to power of 2." followed by the first axis at fault and
// its extent, and returns 0.
int CheckPowerOfTwo3D(int nfftx, int nffty, int nfftz);

// Separable 3D transform of the tensor pair (re, im) over nfftx x nffty x nfftz cells, in place:
// every X line, then every Y line, then every Z line, arithmetic in double precision, results
// rounded to float. The inverse divides by nfftx * nffty * nfftz. Draws its progress texts on
// surface (logical units of 0.1 mm, y upward). Between the X/Y sweep and the Z sweep it asks the
// Ui whether the user cancelled. Returns 1 when done, 0 when the sizes are refused by
// CheckPowerOfTwo3D (tensors untouched) or when cancelled (tensors half transformed: the caller
// restores them).
int Fft3D(int nfftx, int nffty, int nfftz, float*** re, float*** im, int inverse,
          platform::Surface& surface);
inline int Fft3DForward(int nfftx, int nffty, int nfftz, float*** re, float*** im,
                        platform::Surface& surface)
{
    return Fft3D(nfftx, nffty, nfftz, re, im, 0, surface);
}
inline int Fft3DInverse(int nfftx, int nffty, int nfftz, float*** re, float*** im,
                        platform::Surface& surface)
{
    return Fft3D(nfftx, nffty, nfftz, re, im, 1, surface);
}
