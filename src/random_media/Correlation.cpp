// Model auto-correlations:
//   exponential  C(r) = e^2 exp(-r)
//   Von Karman   C(r) = e^2 2^(1-h) / Gamma(h) r^h K_h(r),   0 < r <= 400
// with r = sqrt((X'/ax)^2 + (Y/ay)^2 + (Z'/az)^2), (X', Z') the X-Z offset rotated by the angle.
// As r -> 0, r^h K_h(r) -> Gamma(h) 2^(h-1), so the Von Karman value tends to e^2.

#include "random_media/Correlation.h"

#include "platform/TextFile.h"

#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Von Karman value for 0 < r <= 400, in double precision.
float VonKarmanValue(float r, float e, float h)
{
    const float e2 = e * e;
    // The function is a correlation only for h > 0 (Gamma(h) has poles at 0, -1, ...).
    if (!(h > 0.0f))
        return 0.0f;
    const double hd = h;
    const double rd = r;
    const double value = static_cast<double>(e2) * std::pow(2.0, 1.0 - hd) / std::tgamma(hd) *
                         std::pow(rd, hd) * std::cyl_bessel_k(hd, rd);
    // K_h(r) overflows only for r far below h, where the value is at its limit e^2.
    if (!std::isfinite(value))
        return e2;
    return static_cast<float>(value);
}

} // namespace

float CorrelationValue(int type, float r, float e, float h)
{
    switch (type) {
    case CorrelationExponential:
        return e * e * std::exp(-r);
    case CorrelationVonKarman:
        if (std::isnan(r))
            return r;
        if (r <= 0.0f)
            return e * e;
        if (r > 400.0f)
            return 0.0f;
        return VonKarmanValue(r, e, h);
    default:
        return 0.0f;
    }
}

int VonKarmanFunction3D(int type, int nx, int ny, int nz, float*** values, float stepX, float stepY,
                        float stepZ, float ax, float ay, float az, float e, float h, float angle)
{
    platform::TextFile text;
    text.Create("VonKarmanFunction3D.txt");
    text.Printf("e=%f h=%f ax%f ay=%f az=%f \n", e, h, ax, ay, az);
    if (ax == 0.0f || ay == 0.0f || az == 0.0f)
        return 0;

    // Centre of the grid in axis units; the peak of the correlation sits there.
    const float cx = static_cast<float>(nx) * stepX * 0.5f;
    const float cy = static_cast<float>(ny) * stepY * 0.5f;
    const float cz = static_cast<float>(nz) * stepZ * 0.5f;
    const float theta = static_cast<float>(angle / 180.0 * kPi);
    const float cosT = std::cos(theta);
    const float sinT = std::sin(theta);

    // The vertical through the centre, one entry per z, written in order after the loop:
    // x, y, z (axis units), X', Y, Z', r and the value.
    struct CentreLine {
        float x, y, z, xr, yr, zr, r, value;
    };
    std::vector<CentreLine> centre(nz > 0 ? static_cast<std::size_t>(nz) : 0);
    const int xc = nx / 2, yc = ny / 2;

    // Every cell is independent, so the result does not depend on the thread count.
#pragma omp parallel for schedule(dynamic, 1)
    for (int z = 0; z < nz; ++z) {
        const float zOff = cz - static_cast<float>(z) * stepZ;
        for (int y = 0; y < ny; ++y) {
            const float yOff = cy - static_cast<float>(y) * stepY;
            const float yn = yOff / ay;
            float* row = values[z][y];
            for (int x = 0; x < nx; ++x) {
                const float xOff = cx - static_cast<float>(x) * stepX;
                const float xr = xOff * cosT - zOff * sinT;
                const float zr = xOff * sinT + zOff * cosT;
                const float xn = xr / ax;
                const float zn = zr / az;
                const float r = std::sqrt(xn * xn + yn * yn + zn * zn);
                row[x] = CorrelationValue(type, r, e, h);
                if (y == yc && x == xc)
                    centre[z] = {static_cast<float>(x) * stepX,
                                 static_cast<float>(y) * stepY,
                                 static_cast<float>(z) * stepZ,
                                 xr,
                                 yOff,
                                 zr,
                                 r,
                                 row[x]};
            }
        }
    }
    if (nx > 0 && ny > 0)
        for (const CentreLine& c : centre)
            text.Printf("%f %f %f : %f %f %f  : %f %f \n", c.x, c.y, c.z, c.xr, c.yr, c.zr, c.r,
                        c.value);
    return 1;
}
