#pragma once
// Synthesis of a three-dimensional random medium with a model auto-correlation.

#include "random_media/Noise.h"

#include <cstdint>

namespace platform {
class Surface;
}

// Makes values [z][y][x] (nx x ny x nz cells, x fastest) a random field whose auto-correlation
// follows the model of the given type (Correlation.h): uniform noise is transformed, each noise
// coefficient is multiplied by sqrt|C(k)|, the root of the magnitude of the transformed model
// auto-correlation sampled on the same grid, the product is transformed back and scaled to unit
// standard deviation (the mean is not removed).
//
// The two spectra are parked in "RandomModel.dat" (noise) and "AutoCorrelationModel.dat"
// (model) in the current directory, so only values and one scratch tensor are held in memory;
// diagnostics go to "VonKarmanNoise3D.txt" and "VonKarmanNoise3D_ac_{x,y,z}.txt".
//
// Steps are the cell sizes in axis units, ax/ay/az the correlation distances in the same units,
// e the standard deviation as a fraction (scales only the diagnostic profiles), h the Hurst
// number, angle the X-Z rotation in degrees, bRandomNoise = 1 to seed the noise from the clock
// (seed otherwise).
// surface receives the progress texts of the transforms (logical units of 0.1 mm, y upward).
//
// Returns 1 when done. A model that is zero everywhere (types without a correlation function or
// a correlation distance of 0) leaves a field of zeros; the user is told unless the homogeneous
// type asked for exactly that. Returns 0 when the sizes are not powers of two from 8 to 65536
// (values untouched, after the size message) or when a scratch file cannot be written or read
// back (values set to 0, after a message naming the file). Between its stages it polls the Ui's
// cancel query and returns 0 without a message when the user stopped it (values partly made:
// the caller restores what it needs).
int VonKarmanNoise3D(int type, int nx, int ny, int nz, float*** values, float stepX, float stepY,
                     float stepZ, float ax, float ay, float az, float e, float h, float angle,
                     int bRandomNoise, platform::Surface& surface,
                     std::uint32_t seed = FixedNoiseSeed);
