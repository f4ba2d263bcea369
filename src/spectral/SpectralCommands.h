#pragma once
// The "Fourier analysis" commands on a volume: "Forward transform", "Inverse transform" and
// "Auto correlation". Each works in place on the volume and tells the view what to do next; the
// view owns the plot settings, the undo copies and the repaint. The transforms ask the Ui whether
// the user cancelled; a cancelled command returns nothing changed with the volume half
// transformed, and the caller puts back the copy it kept.

#include "volume/CommandResult.h"
#include "volume/Data3D.h"

namespace platform {
class Surface;
}

// Command enabling: data (NX, NY, NZ all >= 1) and the spectrum flag.
bool CanForwardTransform(const CData3D& volume);
bool CanInverseTransform(const CData3D& volume);
bool CanAutoCorrelation(const CData3D& volume);

// Values and AuxValues become the real and imaginary parts of the unscaled 3D transform of the
// volume; AuxValues is created zero-filled when missing or of other extents. Sets IsSpectrum.
// surface: the view's client area in logical units of 0.1 mm, y upward, for progress text.
CommandResult ForwardTransformCommand(CData3D& volume, platform::Surface& surface);

// Values and AuxValues become the inverse transform of (Values, AuxValues), divided by
// NX * NY * NZ. An AuxValues that is missing or of other extents (a volume loaded after the
// last transform) counts as zero imaginary parts. Sets IsSpectrum.
CommandResult InverseTransformCommand(CData3D& volume, platform::Surface& surface);

// Values becomes the inverse transform of the magnitude spectrum |X| of Values, with zero lag at
// [0][0][0]; AuxValues and IsSpectrum are left alone.
CommandResult AutoCorrelationCommand(CData3D& volume, platform::Surface& surface);
