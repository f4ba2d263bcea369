#pragma once
// What a cancelled command must leave as it found it: the volume's extents, values, spectral
// second grid and IsSpectrum. Copies only the cells in use, so an empty volume (the model
// commands' case) costs nothing.

#include "volume/Data3D.h"

#include <vector>

class VolumeSnapshot {
public:
    explicit VolumeSnapshot(const CData3D& volume);
    // Puts the recorded state back, reallocating the grids at their recorded extents.
    void Restore(CData3D& volume) const;

private:
    struct Grid {
        bool allocated = false;
        int allocNX = 0, allocNY = 0, allocNZ = 0;
        int nx = 0, ny = 0, nz = 0;
        std::vector<float> cells; // [z][y][x] of the extents nx, ny, nz
    };
    static Grid Take(float*** values, bool allocated, int anx, int any, int anz, int nx, int ny,
                     int nz);
    static void Put(const Grid& g, float*** values);
    int NX = 0, NY = 0, NZ = 0;
    int IsSpectrum = 0;
    Grid values, aux;
};
