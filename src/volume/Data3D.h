#pragma once
// The volume grid: NX x NY x NZ single-precision values with cell sizes, start coordinates,
// titles and units per axis, and the plane choice on screen.
//
// Values is indexed [z][y][x], x fastest: Values[z][y] is a contiguous row of NX floats and the
// whole grid is one block. The allocation has one spare element in every dimension
// (x 0..nx, y 0..ny, z 0..nz for allocated extents nx, ny, nz). NX, NY, NZ (the extents in use)
// never exceed the allocated extents while anything reads Values.

#include "volume/StretchInfo.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class BinaryFile;
}

// Plane families on screen.
enum PlaneKindValue : int {
    PlaneZ = 0, // XY section at one Z index; columns along Y, rows along X
    PlaneY = 1, // XZ section at one Y index; columns along X, rows along Z
    PlaneX = 2, // YZ section at one X index; columns along Y, rows along Z
};

// Read access to the cells of one plane, column by column and row by row as the picture shows
// them: row 0 is the top row. An XY plane puts the largest X at the top and Y along the columns,
// its Z layer counted from the far end when ZAxisDown is 0; XZ and YZ planes put Z index 0 at
// the top. The owner checks the plane index and the extents before reading.
struct PlaneAccessor {
    float*** values = nullptr; // [z][y][x] of the volume
    int kind = PlaneZ;
    int index = 0;  // Z layer (XY), Y index (XZ) or X index (YZ)
    int lastX = -1; // NX - 1: an XY plane's row 0 is the largest X

    float operator()(int column, int row) const
    {
        switch (kind) {
        case PlaneZ:
            return values[index][column][lastX - row];
        case PlaneY:
            return values[row][index][column];
        case PlaneX:
            return values[row][column][index];
        default:
            return 0;
        }
    }
};

class CData3D {
public:
    CData3D();
    ~CData3D(); // not virtual: volumes are never deleted through a base pointer
    CData3D(const CData3D&) = delete;
    CData3D& operator=(const CData3D&) = delete;

    // First virtual operation; returns 0.
    virtual int Validate() { return 0; }
    // Reads a volume file at path; returns the bytes read by the header-and-values step
    // (64-bit: a volume of 1024 cells per side is 4 GiB).
    virtual std::int64_t ReadVolumeFile(const std::string& path, int readTrailer) { return 0; }

    float*** Allocate(int nx, int ny, int nz);
    void Release();
    float*** AllocateAux(int nx, int ny, int nz);
    void ReleaseAux();
    // which = 1: values allocated; otherwise aux allocated.
    int IsAllocated(int which) const;
    // Extents of the last Allocate / AllocateAux (0 when none).
    int AllocatedNX() const { return allocNX; }
    int AllocatedNY() const { return allocNY; }
    int AllocatedNZ() const { return allocNZ; }
    int AuxAllocatedNX() const { return auxNX; }
    int AuxAllocatedNY() const { return auxNY; }
    int AuxAllocatedNZ() const { return auxNZ; }
    // True when the extents in use fit the allocation (or a volume without cells).
    bool ExtentsFitAllocation() const;

    // Copies the extents and values only; steps, starts, titles, units, data type, stretch and
    // AuxValues keep this object's.
    void CopyFrom(const CData3D& other);
    // Smallest and largest value of the cells in use (NaN ignored); 1.0e8 and -1.0e8 when the
    // volume has no cells.
    void GetMinMax(float& min, float& max) const;
    float GetValue(int x, int y, int z) const { return Values[z][y][x]; }

    int GetPlaneCount(int kind) const;
    void GetPlaneGeometry(int kind, int& columns, int& rows, float& columnStep,
                          float& rowStep) const;
    // The one accessor of plane cells; GetPlaneValue reads one cell through it.
    PlaneAccessor Plane(int kind, int planeIndex) const;
    float GetPlaneValue(int kind, int planeIndex, int column, int row) const;
    float GetPlaneCoordinate(int kind, int i) const;
    void GetAxisLabels(int kind, float& horizontalStart, float& verticalStart,
                       std::string& horizontalLabel, std::string& verticalLabel) const;
    void GetAxisFormat(int kind, int& horizontalIsDate, int& verticalIsDate) const;

    void SetPhaseVelocityVsDistance();
    void SetPhaseVelocityVsDatetime();
    void FillTestData();
    void FillImpulse(int n);
    void AllocateCube(int n);

    // File formats (VolumeFile.cpp, helpers in VolumeFile.h). Byte counts are 64-bit. A refused
    // file is reported through the Ui and leaves the volume as it was.
    // refused, when given, tells a refused file (volume untouched) from one that was read.
    std::int64_t ReadVolume(platform::BinaryFile& file, int readTrailer,
                            const CData3D* appendSource, bool* refused = nullptr);
    // False when a write failed or the extents in use exceed the allocation.
    bool WriteVolume(platform::BinaryFile& file) const;
    std::int64_t ReadRawValues(const std::string& path);
    std::int64_t ReadFDModel(const std::string& path, int component, int xOffset, int fileCount);

    int HeaderVersion = 0;
    int SizeOffset = 20;
    int DataOffset = 44;
    int DataType = 0;   // 0 "Default", 1 phase velocity vs. distance, 2 phase velocity vs. datetime
    int FixedScale = 1; // 1: drawn at the map scale; 0: fitted to the window
    int Dimensions = 3;
    int NX = 0, NY = 0, NZ = 0;
    float StepX = 1.0f, StepY = 1.0f, StepZ = 1.0f; // cell sizes, axis units
    float StartX = 0, StartY = 0, StartZ = 0;       // coordinate of index 0, axis units
    float ShiftX = 0, ShiftY = 0, ShiftZ = 0;       // axis label shifts ("Axis setup")
    float*** Values = nullptr;                      // [z][y][x]
    float*** AuxValues = nullptr;                   // imaginary parts for the spectral commands
    int PlaneIndex = 0;
    int PlaneKind = PlaneZ;
    std::unique_ptr<StretchInfo> Stretch;
    std::int32_t ReservedWords[3] = {0, 0, 0};
    int IsSpectrum = 0;
    int bReadStretchInfo = 1;
    std::string TitleX = "X", UnitX = "m";
    std::string TitleY = "Y", UnitY = "m";
    std::string TitleZ = "Z", UnitZ = "m";
    int ZAxisDown = 1;
    int DrawColourScale = 1;

private:
    int valuesAllocated = 0;
    int auxAllocated = 0;
    int allocNX = 0, allocNY = 0, allocNZ = 0;
    int auxNX = 0, auxNY = 0, auxNZ = 0;
};

class CData3DEx : public CData3D {
public:
    // Opens path, reads it with ReadVolume (no append source), closes it.
    std::int64_t ReadVolumeFile(const std::string& path, int readTrailer) override;
};

// The current volume, created on first use (after main installed the platform services, since
// its constructor reads the profile) and never replaced.
CData3DEx& theVolume();
