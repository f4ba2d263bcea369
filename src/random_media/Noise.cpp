// Uniform noise: cell = draw * (1/32768) - 0.5 in single precision, draw in 0..32767 from
//   s <- s * 214013 + 2531011 (mod 2^32),   draw = (s >> 16) & 0x7FFF.
//
// Jumping ahead: k steps of s <- a s + c compose to s <- A_k s + C_k with
//   A_1 = a, C_1 = c;   A_2k = A_k^2, C_2k = (A_k + 1) C_k;   A_(j+k) = A_j A_k, C_(j+k) = A_k C_j
//   + C_k
// (all modulo 2^32), so k steps cost one squaring per bit of k (F. Brown, "Random number
// generation with arbitrary strides", Trans. Am. Nucl. Soc. 71, 1994).

#include "random_media/Noise.h"

#include <ctime>

namespace {

float NoiseValue(int draw)
{
    return static_cast<float>(draw) * (1.0f / 32768.0f) - 0.5f;
}

} // namespace

void CRandomGenerator::Discard(std::uint64_t draws)
{
    std::uint32_t stepMul = 214013u, stepAdd = 2531011u; // A and C of 2^bit steps
    std::uint32_t mul = 1u, add = 0u;                    // A and C of the steps taken so far
    for (; draws != 0; draws >>= 1) {
        if (draws & 1u) {
            mul = mul * stepMul;
            add = add * stepMul + stepAdd;
        }
        stepAdd = (stepMul + 1u) * stepAdd;
        stepMul = stepMul * stepMul;
    }
    state = mul * state + add;
}

std::uint32_t UniformNoiseSeed(int bRandomNoise)
{
    // the clock's seconds, truncated to the 32 bits of the state
    return bRandomNoise == 1 ? static_cast<std::uint32_t>(std::time(nullptr)) : FixedNoiseSeed;
}

void FillUniformNoise(int nx, int ny, int nz, float*** tensor, int bRandomNoise, std::uint32_t seed)
{
    CRandomGenerator generator(bRandomNoise == 1 ? UniformNoiseSeed(1) : seed);
    // one draw per cell in storage order: the sequence fixes the field, so no threads here
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y) {
            float* row = tensor[z][y];
            for (int x = 0; x < nx; ++x)
                row[x] = NoiseValue(generator.Next());
        }
}

void FillUniformNoiseRows(std::uint32_t seed, std::uint64_t firstCell, int nx, std::size_t rows,
                          float* out, std::size_t rowStride)
{
    CRandomGenerator generator(seed);
    generator.Discard(firstCell);
    for (std::size_t r = 0; r < rows; ++r) {
        float* row = out + r * rowStride;
        for (int x = 0; x < nx; ++x)
            row[x] = NoiseValue(generator.Next());
    }
}
