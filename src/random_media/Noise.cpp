// Uniform noise: cell = draw * (1/32768) - 0.5 in single precision, draw in 0..32767 from
//   s <- s * 214013 + 2531011 (mod 2^32),   draw = (s >> 16) & 0x7FFF.

#include "random_media/Noise.h"

#include <ctime>

void FillUniformNoise(int nx, int ny, int nz, float*** tensor, int bRandomNoise)
{
    // the clock's seconds, truncated to the 32 bits of the state
    const std::uint32_t seed =
        bRandomNoise == 1 ? static_cast<std::uint32_t>(std::time(nullptr)) : FixedNoiseSeed;
    CRandomGenerator generator(seed);
    const float scale = 1.0f / 32768.0f;
    // one draw per cell in storage order: the sequence fixes the field, so no threads here
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y) {
            float* row = tensor[z][y];
            for (int x = 0; x < nx; ++x)
                row[x] = static_cast<float>(generator.Next()) * scale - 0.5f;
        }
}
