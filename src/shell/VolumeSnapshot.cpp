#include "shell/VolumeSnapshot.h"

#include <algorithm>

VolumeSnapshot::Grid VolumeSnapshot::Take(float*** v, bool allocated, int anx, int any, int anz,
                                          int nx, int ny, int nz)
{
    Grid g;
    g.allocated = allocated && v;
    g.allocNX = anx, g.allocNY = any, g.allocNZ = anz;
    if (!g.allocated)
        return g;
    // The extents in use, never beyond the allocation.
    g.nx = std::clamp(nx, 0, anx), g.ny = std::clamp(ny, 0, any), g.nz = std::clamp(nz, 0, anz);
    g.cells.reserve(static_cast<std::size_t>(g.nx) * g.ny * g.nz);
    for (int z = 0; z < g.nz; ++z)
        for (int y = 0; y < g.ny; ++y)
            g.cells.insert(g.cells.end(), v[z][y], v[z][y] + g.nx);
    return g;
}

void VolumeSnapshot::Put(const Grid& g, float*** v)
{
    std::size_t at = 0;
    for (int z = 0; z < g.nz; ++z)
        for (int y = 0; y < g.ny; ++y, at += static_cast<std::size_t>(g.nx))
            std::copy_n(g.cells.data() + at, g.nx, v[z][y]);
}

VolumeSnapshot::VolumeSnapshot(const CData3D& v)
    : NX(v.NX), NY(v.NY), NZ(v.NZ), IsSpectrum(v.IsSpectrum),
      values(Take(v.Values, v.IsAllocated(1) != 0, v.AllocatedNX(), v.AllocatedNY(),
                  v.AllocatedNZ(), v.NX, v.NY, v.NZ)),
      aux(Take(v.AuxValues, v.IsAllocated(2) != 0, v.AuxAllocatedNX(), v.AuxAllocatedNY(),
               v.AuxAllocatedNZ(), v.NX, v.NY, v.NZ))
{
}

void VolumeSnapshot::Restore(CData3D& v) const
{
    v.Release();
    v.ReleaseAux();
    if (values.allocated) {
        v.Allocate(values.allocNX, values.allocNY, values.allocNZ);
        Put(values, v.Values);
    }
    if (aux.allocated) {
        v.AllocateAux(aux.allocNX, aux.allocNY, aux.allocNZ);
        Put(aux, v.AuxValues);
    }
    v.NX = NX, v.NY = NY, v.NZ = NZ;
    v.IsSpectrum = IsSpectrum;
}
