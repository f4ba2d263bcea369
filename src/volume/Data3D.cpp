#include "volume/Data3D.h"

#include "numeric/Allocation.h"
#include "plot/Settings.h"

#include <cmath>
#include <limits>

CData3D::CData3D() : Stretch(std::make_unique<StretchInfo>())
{
    ReadSettingInt("bReadStretchInfo", bReadStretchInfo, 0, 1);
    Stretch->LoadStretchSettings();
}

CData3D::~CData3D()
{
    Release();
    ReleaseAux();
}

namespace {

// The values and the auxiliary values are held alike: a tensor, the extents it was allocated
// with (which its release needs) and a flag saying whether it is held.
void ReleaseHeld(float***& tensor, int& held, int nx, int ny, int nz)
{
    if (held) {
        FreeTensor3(tensor, 0, nz, 0, ny, 0, nx);
        tensor = nullptr;
        held = 0;
    }
}

float*** AllocateHeld(float***& tensor, int& held, int& heldNX, int& heldNY, int& heldNZ, int nx,
                      int ny, int nz)
{
    ReleaseHeld(tensor, held, heldNX, heldNY, heldNZ);
    tensor = f3tensor(0, nz, 0, ny, 0, nx);
    heldNX = nx;
    heldNY = ny;
    heldNZ = nz;
    held = 1;
    return tensor;
}

} // namespace

float*** CData3D::Allocate(int nx, int ny, int nz)
{
    return AllocateHeld(Values, valuesAllocated, allocNX, allocNY, allocNZ, nx, ny, nz);
}

void CData3D::Release()
{
    ReleaseHeld(Values, valuesAllocated, allocNX, allocNY, allocNZ);
}

float*** CData3D::AllocateAux(int nx, int ny, int nz)
{
    return AllocateHeld(AuxValues, auxAllocated, auxNX, auxNY, auxNZ, nx, ny, nz);
}

void CData3D::ReleaseAux()
{
    ReleaseHeld(AuxValues, auxAllocated, auxNX, auxNY, auxNZ);
}

int CData3D::IsAllocated(int which) const
{
    return which == 1 ? valuesAllocated : auxAllocated;
}

bool CData3D::ExtentsFitAllocation() const
{
    if (NX < 1 || NY < 1 || NZ < 1)
        return true;
    return valuesAllocated && NX <= allocNX && NY <= allocNY && NZ <= allocNZ;
}

void CData3D::CopyFrom(const CData3D& other)
{
    NX = other.NX;
    NY = other.NY;
    NZ = other.NZ;
    Allocate(NX, NY, NZ);
    for (int z = 0; z < NZ; ++z)
        for (int y = 0; y < NY; ++y) {
            const float* src = other.Values[z][y];
            float* dst = Values[z][y];
            for (int x = 0; x < NX; ++x)
                dst[x] = src[x];
        }
}

void CData3D::GetMinMax(float& min, float& max) const
{
    // Branch-free per row so the compiler vectorises it; a NaN fails both comparisons and is
    // skipped. Some number (infinities included) was seen exactly when lo <= hi at the end.
    // Minimum and maximum are exact, so splitting the planes over threads changes nothing.
    float lo = std::numeric_limits<float>::infinity();
    float hi = -std::numeric_limits<float>::infinity();
    const int nx = NX, ny = NY, nz = NZ;
    float*** values = Values;
#pragma omp parallel for reduction(min : lo) reduction(max : hi) schedule(static)
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y) {
            const float* row = values[z][y];
            float rowLo = lo, rowHi = hi;
            for (int x = 0; x < nx; ++x) {
                float v = row[x];
                rowLo = v < rowLo ? v : rowLo;
                rowHi = v > rowHi ? v : rowHi;
            }
            lo = rowLo;
            hi = rowHi;
        }
    bool any = lo <= hi;
    min = any ? lo : 1.0e8f;
    max = any ? hi : -1.0e8f;
}

int CData3D::GetPlaneCount(int kind) const
{
    switch (kind) {
    case PlaneZ:
        return NZ;
    case PlaneY:
        return NY;
    case PlaneX:
        return NX;
    default:
        return 0;
    }
}

void CData3D::GetPlaneGeometry(int kind, int& columns, int& rows, float& columnStep,
                               float& rowStep) const
{
    switch (kind) {
    case PlaneZ:
        columns = NY, rows = NX, columnStep = StepY, rowStep = StepX;
        break;
    case PlaneY:
        columns = NX, rows = NZ, columnStep = StepX, rowStep = StepZ;
        break;
    case PlaneX:
        columns = NY, rows = NZ, columnStep = StepY, rowStep = StepZ;
        break;
    default:
        break;
    }
}

PlaneAccessor CData3D::Plane(int kind, int planeIndex) const
{
    // Any ZAxisDown other than 0 counts as "down", as on the picture.
    const int layer = kind == PlaneZ && ZAxisDown == 0 ? NZ - 1 - planeIndex : planeIndex;
    return PlaneAccessor{Values, kind, layer, NX - 1};
}

float CData3D::GetPlaneValue(int kind, int planeIndex, int column, int row) const
{
    return Plane(kind, planeIndex)(column, row);
}

float CData3D::GetPlaneCoordinate(int kind, int i) const
{
    switch (kind) {
    case PlaneZ:
        return static_cast<float>(i) * StepZ + StartZ;
    case PlaneY:
        return static_cast<float>(i) * StepY + StartY;
    case PlaneX:
        return static_cast<float>(i) * StepX + StartX;
    default:
        return 0;
    }
}

void CData3D::GetAxisLabels(int kind, float& horizontalStart, float& verticalStart,
                            std::string& horizontalLabel, std::string& verticalLabel) const
{
    auto label = [](const std::string& title, const std::string& unit) {
        return title + " (" + unit + ")";
    };
    switch (kind) {
    case PlaneZ:
        horizontalStart = StartY, verticalStart = StartX;
        horizontalLabel = label(TitleY, UnitY), verticalLabel = label(TitleX, UnitX);
        break;
    case PlaneY:
        horizontalStart = StartX, verticalStart = StartZ;
        horizontalLabel = label(TitleX, UnitX), verticalLabel = label(TitleZ, UnitZ);
        break;
    case PlaneX:
        horizontalStart = StartY, verticalStart = StartZ;
        horizontalLabel = label(TitleY, UnitY), verticalLabel = label(TitleZ, UnitZ);
        break;
    default:
        break;
    }
}

void CData3D::GetAxisFormat(int kind, int& horizontalIsDate, int& verticalIsDate) const
{
    horizontalIsDate = (kind == PlaneY && DataType == 2) ? 1 : 0;
    verticalIsDate = 0;
}

namespace {

// The presentation of a stack of phase-velocity images: frequency planes, velocity rows.
void SetPhaseVelocityAxes(CData3D& v, int dataType, const char* titleX, const char* unitX)
{
    v.DataType = dataType;
    v.FixedScale = 0;
    v.TitleX = titleX, v.UnitX = unitX;
    v.TitleY = "Frequency", v.UnitY = "Hz";
    v.TitleZ = "Phase velocity", v.UnitZ = "m/sec";
    v.ZAxisDown = 0;
    v.DrawColourScale = 0;
}

} // namespace

void CData3D::SetPhaseVelocityVsDistance()
{
    SetPhaseVelocityAxes(*this, 1, "Distance", "m");
}

void CData3D::SetPhaseVelocityVsDatetime()
{
    SetPhaseVelocityAxes(*this, 2, "Datetime", "Day");
}

void CData3D::FillTestData()
{
    NX = NY = NZ = 100;
    Allocate(100, 100, 100);
    for (int z = 0; z < NZ; ++z)
        for (int y = 0; y < NY; ++y)
            for (int x = 0; x < NX; ++x)
                Values[z][y][x] = static_cast<float>(z * y);
}

void CData3D::FillImpulse(int n)
{
    AllocateCube(n);
    for (int z = 0; z < NZ; ++z)
        for (int y = 0; y < NY; ++y)
            for (int x = 0; x < NX; ++x)
                Values[z][y][x] = 0.0f;
    if (n > 0)
        Values[NZ / 4][NY / 4][NX / 4] = 1.0f;
}

void CData3D::AllocateCube(int n)
{
    NX = NY = NZ = n;
    Allocate(n, n, n);
}

CData3DEx& theVolume()
{
    static CData3DEx volume;
    return volume;
}
