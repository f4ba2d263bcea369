#include "spectral/SpectralCommands.h"

#include "numeric/Allocation.h"
#include "platform/Services.h"
#include "spectral/Fft.h"

#include <cmath>

namespace {

bool HasData(const CData3D& volume)
{
    return volume.NX >= 1 && volume.NY >= 1 && volume.NZ >= 1;
}

// Data whose cells in use are really allocated; anything else is left alone.
bool Usable(const CData3D& volume)
{
    return HasData(volume) && volume.IsAllocated(1) && volume.ExtentsFitAllocation();
}

// Sets every allocated cell of a tensor [0..nz][0..ny][0..nx] to 0 (one contiguous block).
void ZeroTensor(float*** t, int nx, int ny, int nz)
{
    const long long count = (static_cast<long long>(nx) + 1) * (ny + 1) * (nz + 1);
    float* p = t[0][0];
#pragma omp parallel for schedule(static)
    for (long long i = 0; i < count; ++i)
        p[i] = 0.0f;
}

// AuxValues of exactly the extents in use, zero-filled when it had to be made anew.
void PrepareAux(CData3D& volume)
{
    if (volume.IsAllocated(0) && volume.AuxAllocatedNX() == volume.NX &&
        volume.AuxAllocatedNY() == volume.NY && volume.AuxAllocatedNZ() == volume.NZ)
        return;
    volume.AllocateAux(volume.NX, volume.NY, volume.NZ);
    ZeroTensor(volume.AuxValues, volume.NX, volume.NY, volume.NZ);
}

CommandResult Transformed()
{
    CommandResult o;
    o.Done = 1;
    o.Changed = true;
    o.Repaint = true;
    return o;
}

} // namespace

bool CanForwardTransform(const CData3D& volume)
{
    return HasData(volume) && volume.IsSpectrum == 0;
}
bool CanInverseTransform(const CData3D& volume)
{
    return HasData(volume) && volume.IsSpectrum == 1;
}
bool CanAutoCorrelation(const CData3D& volume)
{
    return HasData(volume) && volume.IsSpectrum == 0;
}

CommandResult ForwardTransformCommand(CData3D& volume, platform::Surface& surface)
{
    if (!Usable(volume))
        return {};
    // size test first, so a refusal leaves AuxValues as it was
    if (!CheckPowerOfTwo3D(volume.NX, volume.NY, volume.NZ))
        return {};
    PrepareAux(volume);
    if (!Fft3DForward(volume.NX, volume.NY, volume.NZ, volume.Values, volume.AuxValues, surface))
        return {};
    volume.IsSpectrum = 1;
    return Transformed();
}

CommandResult InverseTransformCommand(CData3D& volume, platform::Surface& surface)
{
    if (!Usable(volume))
        return {};
    if (!CheckPowerOfTwo3D(volume.NX, volume.NY, volume.NZ))
        return {};
    PrepareAux(volume);
    if (!Fft3DInverse(volume.NX, volume.NY, volume.NZ, volume.Values, volume.AuxValues, surface))
        return {};
    volume.IsSpectrum = 1;
    return Transformed();
}

CommandResult AutoCorrelationCommand(CData3D& volume, platform::Surface& surface)
{
    if (!Usable(volume))
        return {};
    const int nx = volume.NX, ny = volume.NY, nz = volume.NZ;
    if (!CheckPowerOfTwo3D(nx, ny, nz))
        return {};
    // imaginary parts of its own, so AuxValues is neither used nor changed
    float*** im = f3tensor(0, nz, 0, ny, 0, nx);
    ZeroTensor(im, nx, ny, nz);
    // Cancel between the two transforms too; the caller restores Values.
    int done = Fft3DForward(nx, ny, nz, volume.Values, im, surface) &&
               !platform::GetUi().CancelRequested();
    if (done) {
        // magnitude |X| with zero phase: squares and sum in float, root in double, stored as float
        float*** re = volume.Values;
#pragma omp parallel for schedule(static)
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y) {
                float* r = re[z][y];
                float* i = im[z][y];
                for (int x = 0; x < nx; ++x) {
                    const float sum = r[x] * r[x] + i[x] * i[x];
                    r[x] = static_cast<float>(std::sqrt(static_cast<double>(sum)));
                    i[x] = 0.0f;
                }
            }
        done = Fft3DInverse(nx, ny, nz, volume.Values, im, surface);
    }
    FreeTensor3(im, 0, nz, 0, ny, 0, nx);
    if (!done)
        return {};
    return Transformed();
}
