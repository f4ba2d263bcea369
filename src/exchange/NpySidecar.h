#pragma once
// The JSON sidecar "<name>.npy.json" beside a .npy file: what the array cannot hold (cell sizes,
// starts, axis titles and units), as one flat JSON object with Kalder's field names:
//
//   {"StepX": 25, "StepY": 25, "StepZ": 10, "StartX": 0, "StartY": 0, "StartZ": 0,
//    "TitleX": "X", "UnitX": "m", "TitleY": "Y", "UnitY": "m", "TitleZ": "Z", "UnitZ": "m"}
//
// Every key is optional; unknown keys and nested values are skipped. Floats are written in the
// shortest form that reads back as the same float.

#include "exchange/ExchangeVolume.h"

#include <string>

// "<npyPath>.json".
std::string SidecarPath(const std::string& npyPath);

// Reads the sidecar of npyPath into grid (steps, starts, titles, units it names). Returns false
// when there is no sidecar; sets error (naming the sidecar) when there is one that cannot be used.
bool ReadNpySidecar(const std::string& npyPath, ExchangeGrid& grid, std::string& error);
// Parses sidecar text (path only names it in the error). Empty on success.
std::string ParseNpySidecar(const std::string& text, const std::string& path, ExchangeGrid& grid);

// The sidecar text of a volume's steps, starts, titles and units.
std::string NpySidecarText(const CData3D& volume);
