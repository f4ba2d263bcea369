#pragma once
// Seven-point median filter: every cell becomes the median of itself and its six face
// neighbours inside the grid, all read from the values before filtering.

#include "volume/Data3D.h"

// The k-th largest number of values[0..n-1], k = (m - 1)/2 + 1 for the m values that are
// numbers: the median for odd m, the upper of the two middle values for even m. NaN values are
// ignored; a window without numbers gives values[0] (NaN for n < 1); n > 21 gives values[0].
float SelectMedian(const float* values, int n);

// Filters Values in place over NX x NY x NZ cells; the window is [z][y][x], then [z-1], [z+1],
// [y-1], [y+1], [x-1], [x+1] where they lie inside the grid. Between slabs of planes it asks the
// Ui whether the user cancelled. Returns 1 when done, 0 when the volume has no data (nothing
// changed) or when cancelled (some planes filtered: the caller restores the values it kept).
int MedianFilter3D(CData3D& volume);
