#pragma once
// A built-in demonstration model, so the program has something to show on first start.

class CData3D;

// A 128 x 96 x 64 P-wave velocity model in m/s with 1 km cells, a crustal section: sediments
// over an undulating basement, a dipping fast layer, a Moho and a slow spherical body.
void FillDemoVolume(CData3D& volume);
