#pragma once
// The Edit command "Medien filter". It lives beside the statistics object it constructs for its
// duration (creating "utility.txt"); the filter itself is MedianFilter3D in spectral/.
//
// The view stores its undo copy before calling it, and afterwards repeats the picking when pick
// mode is on and repaints, as the outcome says. The data range is kept.

#include "spectral/SpectralCommands.h"
#include "volume/Data3D.h"

bool CanMedianFilter(const CData3D& volume);

// Filters the volume in place; done = 0 with nothing to repaint when the volume has no data.
CommandResult MedianFilterCommand(CData3D& volume);
