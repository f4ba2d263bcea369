#include "shell/DemoVolume.h"

#include "volume/Data3D.h"

#include <cmath>

void FillDemoVolume(CData3D& v)
{
    const int nx = 128, ny = 96, nz = 64;
    const float step = 1000.0f; // m
    v.NX = nx, v.NY = ny, v.NZ = nz;
    v.StepX = v.StepY = v.StepZ = step;
    v.StartX = v.StartY = v.StartZ = 0;
    v.Allocate(nx, ny, nz);
    const double pi = 3.14159265358979;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                double depth = z * step;
                // sediment over basement: the interface undulates in x and y
                double interface = 14000 + 5000 * std::sin(2 * pi * x / nx) * std::cos(pi * y / ny);
                double moho = 34000 - 0.08 * (x - nx / 2) * step;
                double vp = depth < interface ? 2200 + 0.12 * depth
                            : depth < moho    ? 5600 + 0.02 * depth
                                              : 7800 + 0.005 * depth;
                // a dipping fast layer inside the basement
                double dip = 24000 + 0.3 * (x - nx / 2) * step - depth;
                if (std::fabs(dip) < 1500 && depth >= interface && depth < moho)
                    vp += 500;
                // a slow body (magma chamber)
                double dx = (x - 85) * step, dy = (y - 48) * step, dz = depth - 20000;
                double r = std::sqrt(dx * dx + dy * dy + dz * dz);
                if (r < 12000)
                    vp -= 1500 * (1 - r / 12000);
                v.Values[z][y][x] = static_cast<float>(vp);
            }
}
