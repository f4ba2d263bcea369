#pragma once
// The two 37-level colour tables (level 0 = lowest value, 36 = highest).

#include "platform/Surface.h"

#include "render/PlotSettings.h"

class CColorPalette {
public:
    CColorPalette();

    // Rainbow: magenta and red for low values, yellow and green in the middle, blue for high
    // values (levels 35 and 36 are both pure blue).
    platform::Rgb Rainbow[LevelCount];
    // Grey: black at level 0 to white at 36, round(i * 255 / 36).
    platform::Rgb Grey[LevelCount];

    // Colour mode 1 is the rainbow table, any other mode the grey table; level is clamped to
    // 0..36.
    platform::Rgb Color(int level, int colourMode) const;
};

// The colour of a level in a colour mode, from the shared tables.
platform::Rgb LevelColor(int level, int colourMode);
