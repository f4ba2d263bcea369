#pragma once
// Export of a random medium as a five-component finite-difference model file.
//
// File layout (little-endian, no padding), N = NX * NY * NZ:
//   0  int32 NX, NY, NZ;  12  float32 StepX, StepY, StepZ;  24  int32 layer-thickness flag (0)
//   28 + 4 N k  block k = 0..4 of N float32, rows of NX values, y then z outermost:
//   P-wave velocity, S-wave velocity, density, Qp, Qs.

#include "random_media/RandomModelDialog.h"

namespace platform {
class BinaryFile;
class Surface;
class TextFile;
} // namespace platform
class CData3D;
class CUtility;

// Turns the unit random field in volume.Values (NX x NY x NZ cells) into the model
//   vp' = min(1.3 vp, e vp u + vp),  vs' = e vs u + vs,  density' = e density u + density,
//   Qp = Qs = 1000000
// and writes it to file, the statistics report to report ("VonKarmanModel3D.txt"). The volume is
// left holding the S-wave velocities (m/s), whatever happens to the file. Returns true when every
// write succeeded; the caller commits or discards the file.
bool ExportRandomFDModel(CData3D& volume, const RandomModelSettings& settings,
                         platform::BinaryFile& file, platform::TextFile& report,
                         const CUtility& utility);

// Synthesises the unit field in volume.Values (VonKarmanNoise3D with the settings and the volume's
// steps) and exports it. Returns 1 when the field was made and every write succeeded; 0 when the
// synthesis failed (nothing is written then) or a write failed (the volume holds the S-wave
// model all the same; *volumeChanged tells the two apart).
int VonKarmanModelFD3D(CData3D& volume, const RandomModelSettings& settings,
                       platform::BinaryFile& file, platform::TextFile& report,
                       const CUtility& utility, platform::Surface& surface, bool* volumeChanged);
