#pragma once
// The travel-time average S-wave velocity from the top of the volume down to a fixed depth, as a
// one-plane map.

#include "volume/VolumeCommands.h"

#include <string>
#include <vector>

class CData3D;

// Depth limit of the average, in the Z unit of the volume.
constexpr float AverageVelocityDepth = 8000.0f;

// Thicknesses (Z unit) of the cells the average walks through, from the top: the stretch areas'
// cells, StepZ times the area factor each, up to and including the first cell whose bottom lies
// strictly below AverageVelocityDepth, and never more than NZ cells.
std::vector<float> AverageVelocityCells(const CData3D& volume);

// The averages, row y = 0..NY-1 of NX values each (x fastest): sum of thicknesses over the
// travel time sum(h / V), both accumulated in float32 from the top down. A column without cells
// gives NaN (0/0).
std::vector<float> ComputeAverageVelocity(const CData3D& volume);

// "Calculating AVS": writes "avs.dat" (int32 NX, NY, 1; float32 StepX, StepY, StepZ; then the
// NY x NX averages, x fastest) into folder (empty: the current directory). Shows no message on
// success, leaves the volume as it is and asks for no repaint; Bytes is the file size written.
// A volume without data, an allocation that fails or a file that cannot be written is reported
// through the Ui and any earlier "avs.dat" is left as it was.
CommandResult OnCalculatingAVS(const CData3D& volume, const std::string& folder = "");
