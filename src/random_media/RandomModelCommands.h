#pragma once
// The "Create model" commands that build a random heterogeneous medium as the volume:
// "VonKarman auto-correlation model", "VonKarman random model", "VonKarman random model for FD3D"
// and "Random velocity model".
//
// The view enables them only while the volume is empty, calls one, then applies the outcome:
// clearDataRange clears DataRangeValid in the plot settings, repaint invalidates the client area.
// The VonKarman commands show the dialog "Random heterogeneous model(3D) " filled from the
// "VonKarman_*" profile keys and write the confirmed values back; Cancel changes nothing. They
// (re)create "VonKarmanModel3D.txt" in the current directory, which only the FD3D command fills.

#include "spectral/SpectralCommands.h"

#include <cstdint>

namespace platform {
class Surface;
}
class CData3D;

// Samples the model auto-correlation on a cube of 128, 256 or 512 cells (the dialog's size) with
// the volume's steps. Outcome done = 1 with clearDataRange and repaint, or done = 0 without
// repaint (Cancel, a correlation distance of 0, or too little memory for the cube).
CommandResult VonKarmanAutoCorrelationCommand(CData3D& volume);

// Synthesises a random field of unit standard deviation on the cube. progress: a surface on the
// view's client area (logical units of 0.1 mm, y upward) for the transforms' progress texts; the
// view ends the progress display afterwards.
// seed: the noise's seed when "Random seed noise" is unchecked (the window always passes 10).
CommandResult VonKarmanRandomCommand(CData3D& volume, platform::Surface& progress,
                                     std::uint32_t seed = 10);

// Asks for the model file ("*.dat", filter "Finite-difference model(*.dat)"), then the dialog,
// synthesises the field and writes the five-component FD model and the report. The volume is
// left holding the S-wave velocities (m/s). The file is written beside its target and replaces
// it only when complete; a failed write is reported and leaves any old file as it was (the
// outcome then has done = 0 but still asks for the repaint, as the volume changed).
CommandResult VonKarmanRandomFD3DCommand(CData3D& volume, platform::Surface& progress,
                                         std::uint32_t seed = 10);

// "Random velocity model": a cube of 256 cells of uniform noise in [-0.5, 0.5) from the fixed
// seed. Outcome done = 1 with repaint only (the data range is kept).
CommandResult RandomVelocityModelCommand(CData3D& volume);
