#include "render/ColorPalette.h"

#include <algorithm>

namespace {

// R, G, B per level, 0..36.
constexpr unsigned char RainbowTable[LevelCount][3] = {
    {255, 0, 255}, {255, 0, 200}, {255, 0, 150}, {255, 0, 100}, {255, 0, 50},  {255, 0, 0},
    {255, 35, 0},  {255, 70, 0},  {255, 105, 0}, {255, 135, 0}, {255, 165, 0}, {255, 195, 0},
    {255, 225, 0}, {255, 255, 0}, {240, 255, 0}, {220, 255, 0}, {200, 255, 0}, {180, 255, 0},
    {160, 255, 0}, {140, 255, 0}, {120, 255, 0}, {100, 255, 0}, {75, 255, 0},  {50, 255, 0},
    {25, 255, 0},  {0, 255, 0},   {0, 225, 25},  {0, 200, 50},  {0, 170, 75},  {0, 150, 100},
    {0, 125, 125}, {0, 100, 150}, {0, 75, 175},  {0, 50, 200},  {0, 25, 225},  {0, 0, 255},
    {0, 0, 255}};

} // namespace

CColorPalette::CColorPalette()
{
    for (int i = 0; i < LevelCount; ++i) {
        Rainbow[i] = platform::MakeRgb(RainbowTable[i][0], RainbowTable[i][1], RainbowTable[i][2]);
        // floor(i * 255 / 36 + 0.5) in integers: (i * 255 * 2 + 36) / 72.
        const int g = (i * 255 * 2 + 36) / 72;
        Grey[i] = platform::MakeRgb(g, g, g);
    }
}

platform::Rgb CColorPalette::Color(int level, int colourMode) const
{
    const int l = std::clamp(level, 0, LevelCount - 1);
    return colourMode == 1 ? Rainbow[l] : Grey[l];
}

platform::Rgb LevelColor(int level, int colourMode)
{
    static const CColorPalette palette;
    return palette.Color(level, colourMode);
}
