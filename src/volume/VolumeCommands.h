#pragma once
// The view's volume load commands that read headerless values and FD 3D models. The view passes
// its remembered values in and applies the result.

#include "volume/CommandResult.h"

#include <cstdint>
#include <string>

class CData3D;

// What the view remembers between loads.
struct ViewLoadMemory {
    int RememberedNX = 0; // extents proposed by "Open binary file(no header)", cells
    int RememberedNY = 0;
    int RememberedNZ = 0;
    int Component = 0; // last "Component selection": 0 P-velocity .. 4 Qs
};

// "Open binary file(no header)": "Data size" with the remembered extents, a file-open dialog
// "3d binary data(*.*)", then the values, with "%d bytes have been read" or "Data size was not
// correct ! Ideal=... Real=...". The volume changes only once a file has been opened.
CommandResult OnOpenBinaryNoHeader(CData3D& volume, ViewLoadMemory& memory);

// The model loading step: "Append data?" (preset "Append", shown when interactive is 1 and the
// volume holds columns), "Component selection" when interactive is 1, then ReadFDModel.
// Returns the bytes read (0 when cancelled or refused).
std::int64_t LoadFDModelStep(CData3D& volume, const std::string& path, int interactive,
                             int fileCount, ViewLoadMemory& memory);

// "Velocity model (binary file, with header)": file-open dialog "FD 3D velocity model(*.*)", the
// model loading step with interactive = 1 and fileCount = 1, then repaint; DataRangeValid is
// left as it is.
CommandResult OnVelocityModelWithHeader(CData3D& volume, ViewLoadMemory& memory);
