// Same geometry and single-precision arithmetic as VonKarmanFunction3D, cell for cell:
//   X = cx - x StepX,  Y = cy - y StepY,  Z = cz - z StepZ,   (cx, cy, cz) the grid's centre
//   X' = X cos t - Z sin t,  Z' = X sin t + Z cos t,  t = angle / 180 pi (float)
//   r = sqrt((X'/ax)^2 + (Y/ay)^2 + (Z'/az)^2),  value = CorrelationValue(type, r, e, h)
// The Von Karman value (a Bessel function) costs about a microsecond; a cell whose r has the
// bits of an r met before takes the stored value instead, which is exactly what it would get.

#include "distributed/SlabCorrelation.h"

#include "random_media/Correlation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Open-addressing table from the bits of r to the correlation value. It starts small, doubles
// when half full up to maxSlots, then stops taking new entries, so memory stays bounded
// whatever the grid (later misses just evaluate).
class RValueTable {
public:
    explicit RValueTable(std::size_t maxSlots) : maxSlots(maxSlots)
    {
        Resize(std::max<std::size_t>(1, std::min<std::size_t>(maxSlots, 1u << 12)));
    }
    // Returns true and sets value when r was stored.
    bool Find(std::uint32_t key, float& value) const
    {
        for (std::size_t i = Slot(key);; i = (i + 1) & mask) {
            if (keys[i] == key) {
                value = values[i];
                return true;
            }
            if (keys[i] == kEmpty)
                return false;
        }
    }
    void Insert(std::uint32_t key, float value)
    {
        if (key == kEmpty)
            return;
        if ((used + 1) * 2 > keys.size()) { // half full: probes stay short
            if (keys.size() * 2 > maxSlots)
                return;
            Resize(keys.size() * 2);
        }
        Place(key, value);
        ++used;
    }

private:
    // r >= 0 is never a NaN pattern this high, so all ones marks an empty slot
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::size_t Slot(std::uint32_t key) const
    {
        return static_cast<std::size_t>((key * 2654435761u) ^ (key >> 15)) & mask;
    }
    void Place(std::uint32_t key, float value)
    {
        std::size_t i = Slot(key);
        while (keys[i] != kEmpty)
            i = (i + 1) & mask;
        keys[i] = key;
        values[i] = value;
    }
    void Resize(std::size_t slots)
    {
        std::vector<std::uint32_t> oldKeys(slots, kEmpty);
        std::vector<float> oldValues(slots);
        oldKeys.swap(keys);
        oldValues.swap(values);
        mask = slots - 1;
        for (std::size_t i = 0; i < oldKeys.size(); ++i)
            if (oldKeys[i] != kEmpty)
                Place(oldKeys[i], oldValues[i]);
    }
    std::size_t maxSlots;
    std::size_t mask = 0;
    std::vector<std::uint32_t> keys;
    std::vector<float> values;
    std::size_t used = 0;
};

std::uint32_t Bits(float r)
{
    std::uint32_t b;
    std::memcpy(&b, &r, sizeof b);
    return b;
}

} // namespace

std::size_t CorrelationTableSlots(int type, std::size_t slabCells)
{
    // Only the Von Karman value is worth remembering; the exponential is one exp().
    if (type != CorrelationVonKarman)
        return 0;
    std::size_t slots = 1;
    while (slots < 2 * slabCells && slots < (std::size_t{1} << 24))
        slots *= 2;
    return slots;
}

std::size_t SampleCorrelationSlab(const CorrelationGrid& g, int z0, int planes, float* out,
                                  std::size_t rowStride)
{
    const float cx = static_cast<float>(g.nx) * g.stepX * 0.5f;
    const float cy = static_cast<float>(g.ny) * g.stepY * 0.5f;
    const float cz = static_cast<float>(g.nz) * g.stepZ * 0.5f;
    const float theta = static_cast<float>(g.angle / 180.0 * kPi);
    const float cosT = std::cos(theta);
    const float sinT = std::sin(theta);

    const bool remember = g.type == CorrelationVonKarman;
    const std::size_t cells = static_cast<std::size_t>(std::max(planes, 0)) * g.ny * g.nx;
    RValueTable table(CorrelationTableSlots(g.type, cells));
    std::size_t evaluations = 0;

    for (int p = 0; p < planes; ++p) {
        const int z = z0 + p;
        const float zOff = cz - static_cast<float>(z) * g.stepZ;
        for (int y = 0; y < g.ny; ++y) {
            const float yOff = cy - static_cast<float>(y) * g.stepY;
            const float yn = yOff / g.ay;
            float* row = out + (static_cast<std::size_t>(p) * g.ny + y) * rowStride;
            for (int x = 0; x < g.nx; ++x) {
                const float xOff = cx - static_cast<float>(x) * g.stepX;
                const float xr = xOff * cosT - zOff * sinT;
                const float zr = xOff * sinT + zOff * cosT;
                const float xn = xr / g.ax;
                const float zn = zr / g.az;
                const float r = std::sqrt(xn * xn + yn * yn + zn * zn);
                if (!remember || r > 400.0f) { // beyond 400 the value is a plain 0
                    row[x] = CorrelationValue(g.type, r, g.e, g.h);
                    evaluations += remember ? 0 : 1;
                    continue;
                }
                const std::uint32_t key = Bits(r);
                float value;
                if (!table.Find(key, value)) {
                    value = CorrelationValue(g.type, r, g.e, g.h);
                    ++evaluations;
                    table.Insert(key, value);
                }
                row[x] = value;
            }
        }
    }
    return evaluations;
}
