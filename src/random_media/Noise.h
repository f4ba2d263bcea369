#pragma once
// Uniform white noise from the program's own linear congruential generator, so that a seed gives
// the same noise on every machine and with every library.

#include <cstddef>
#include <cstdint>

// 32-bit linear congruential generator: s = s * 214013 + 2531011 (mod 2^32); each draw yields
// bits 16..30 of the new state, a number from 0 to 32767.
class CRandomGenerator {
public:
    explicit CRandomGenerator(std::uint32_t seed = 1) : state(seed) {}
    void Seed(std::uint32_t seed) { state = seed; }
    int Next()
    {
        state = state * 214013u + 2531011u; // unsigned: wraps modulo 2^32
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }
    // Advances the state as draws calls of Next() would, in O(log draws) steps, so a process
    // can start at its own part of the sequence.
    void Discard(std::uint64_t draws);
    std::uint32_t State() const { return state; }

private:
    std::uint32_t state;
};

// Seed used when the noise is not seeded from the clock.
inline constexpr std::uint32_t FixedNoiseSeed = 10;

// The seed FillUniformNoise uses: the calendar time in whole seconds (truncated to 32 bits) for
// bRandomNoise = 1, FixedNoiseSeed otherwise.
std::uint32_t UniformNoiseSeed(int bRandomNoise);

// Fills nx x ny x nz cells of tensor [z][y][x] with draw / 32768 - 0.5 (single precision), one
// draw per cell with z outermost and x innermost, so values lie in [-0.5, 0.5 - 1/32768].
// bRandomNoise = 1 seeds the generator with the calendar time in whole seconds, anything else
// with seed (10 unless the command line chose another), so every such run gives the same noise.
void FillUniformNoise(int nx, int ny, int nz, float*** tensor, int bRandomNoise,
                      std::uint32_t seed = FixedNoiseSeed);

// The same noise for a part of the grid: rows of nx cells that continue the sequence seeded
// with seed from cell firstCell (0 is cell [0][0][0], counted in storage order z, y, x). Row r
// starts at out + r * rowStride (floats), so padded rows can be filled in place. Cells of
// FillUniformNoise and of this function agree bit for bit.
void FillUniformNoiseRows(std::uint32_t seed, std::uint64_t firstCell, int nx, std::size_t rows,
                          float* out, std::size_t rowStride);
