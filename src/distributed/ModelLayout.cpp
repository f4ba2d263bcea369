#include "distributed/ModelLayout.h"

#include <cstring>

std::int64_t ModelBlockOffset(int block, int nx, int ny, int nz, int z)
{
    const std::int64_t plane = static_cast<std::int64_t>(nx) * ny;
    return ModelHeaderBytes + 4 * plane * nz * block + 4 * plane * z;
}

std::int64_t ModelFileBytes(int nx, int ny, int nz)
{
    return ModelBlockOffset(ModelBlocks, nx, ny, nz, 0);
}

std::array<unsigned char, ModelHeaderBytes> ModelHeader(int nx, int ny, int nz, float stepX,
                                                        float stepY, float stepZ)
{
    static_assert(sizeof(float) == 4 && sizeof(std::int32_t) == 4);
    // the format is little-endian, as every machine this runs on
    const std::int32_t size[3] = {nx, ny, nz};
    const float steps[3] = {stepX, stepY, stepZ};
    const std::int32_t flag = 0;
    std::array<unsigned char, ModelHeaderBytes> bytes{};
    std::memcpy(bytes.data(), size, 12);
    std::memcpy(bytes.data() + 12, steps, 12);
    std::memcpy(bytes.data() + 24, &flag, 4);
    return bytes;
}

ModelCells::ModelCells(const RandomModelSettings& s)
    : vp(s.vp), vs(s.vs), density(s.density),
      vpCap(static_cast<float>(static_cast<double>(s.vp) * 1.3)), vpScale(s.e * s.vp),
      vsScale(s.e * s.vs), densityScale(s.e * s.density)
{
}

float ModelCells::Block(int block, float u) const
{
    switch (block) {
    case 0:
        return Vp(u);
    case 1:
        return Vs(u);
    case 2:
        return Density(u);
    default:
        return Quality;
    }
}

ProfileLines::ProfileLines(int nx, int ny)
{
    const int cx = nx / 2, cy = ny / 2;
    x = {cx, cx - 20, cx + 20, cx, cx};
    y = {cy, cy, cy, cy - 20, cy + 20};
    for (int i = 0; i < Count; ++i)
        inside[i] = x[i] >= 0 && x[i] < nx && y[i] >= 0 && y[i] < ny;
}
