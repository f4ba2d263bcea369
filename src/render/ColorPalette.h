#pragma once
// The colour tables of the picture. The two 37-level palettes (level 0 = lowest value, 36 =
// highest) are the described ones; the colour maps add published 256-entry tables. Every map
// gives both a banded colour per level and a continuous colour per shade, so the image and the
// colour scale read the same table whichever way they paint.

#include "platform/Surface.h"

#include "render/PlotSettings.h"

#include <string>

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

// The colour maps of View > Colour map, in menu order. Classic is the 37-level rainbow and
// Monochrome the grey table; the others are published tables.
enum ColourMapId : int {
    ColourMapClassic = 0,
    ColourMapMonochrome = 1,
    ColourMapViridis = 2,
    ColourMapCividis = 3,
    ColourMapMagma = 4,
    ColourMapBlueWhiteRed = 5, // diverging, for perturbations and random media
    ColourMapTurbo = 6,
};
inline constexpr int ColourMapCount = 7;
// Continuous colours per map, lowest value first.
inline constexpr int ShadeCount = 256;

// How cells are coloured: the view's colour mode (1 colour, else grey whatever the map), the
// chosen map, and whether each cell takes its interpolated colour (continuous) or its band's.
// Converts from a plain colour mode, so the described palette stays the default.
struct ColourChoice {
    ColourChoice(int mode = 1, int map = ColourMapClassic, int continuous = 0)
        : colourMode(mode), colourMap(map), continuousShading(continuous)
    {
    }
    int colourMode;
    int colourMap;
    int continuousShading;

    // The map in effect: Monochrome when the colour mode is not 1, Classic for an unknown id.
    int EffectiveMap() const;
};

struct ColourMapTable {
    platform::Rgb level[LevelCount]; // banded: the colour of level 0..36
    platform::Rgb shade[ShadeCount]; // continuous: lowest to highest value
};

// The shared table of a map (Classic for an unknown id).
const ColourMapTable& GetColourMap(int id);
// The name shown in the menu and accepted on command lines: "Classic", "Monochrome", "viridis",
// "cividis", "magma", "Blue-white-red", "turbo". Empty for an unknown id.
std::string ColourMapName(int id);
// The id of a name (case-insensitive), or -1.
int ColourMapFromName(const std::string& name);

// The shade of a value between ContourMin (shade 0) and ContourMax (shade 255), rounded,
// clamped; 0 for a range of zero width or a value that is not a number. Single precision.
int ValueToShade(const CPlotSettings& settings, float value);

// ValueToShade with its quotient taken once, for painting whole planes.
struct ShadeScale {
    explicit ShadeScale(const CPlotSettings& settings);
    int operator()(float value) const
    {
        const float q = (value - min) * scale + 0.5f;
        // A NaN fails both comparisons and takes shade 0.
        if (!(q >= 0.0f))
            return 0;
        return q < static_cast<float>(ShadeCount) ? static_cast<int>(q) : ShadeCount - 1;
    }
    float min = 0;
    float scale = 0; // shades per value unit; 0 for a range of zero width
};
