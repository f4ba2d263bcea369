#include "render/ColorScale.h"

#include "platform/TextFile.h"
#include "render/ColorPalette.h"

#include <cmath>

namespace {
constexpr int MaxBands = 10000;
}

void DrawColorScale(const CPlotSettings& settings, platform::Surface& surface, int ax, int ay,
                    int colourMode)
{
    const int n = settings.ContourCount;
    // More bands than a page has room for are left out rather than drawn as a pile of labels.
    if (n < 1 || n > MaxBands || !std::isfinite(settings.ContourInterval) ||
        !std::isfinite(settings.ContourMin))
        return;
    // Band height, logical units: the single-precision quotient truncated.
    const int e = TruncToInt(static_cast<float>(ay) / static_cast<float>(n));
    if (e < 1)
        return;
    // Positions are page coordinates; limiting the inputs keeps every sum below inside an int.
    ax = PageCoord(ax);
    ay = PageCoord(ay);
    const int originY = PageCoord(settings.OriginY);
    const int labelStep = e < 25 ? 4 : (e < 50 ? 2 : 1);
    const int left = ax + 70;
    const int right = ax + 110;
    for (int i = 0; i <= n; ++i) {
        // Half an interval below the label, so band i (i >= 1) has the colour of interval i - 1.
        const float value = static_cast<float>((i - 0.5) * double(settings.ContourInterval) +
                                               double(settings.ContourMin));
        const platform::Rgb colour = LevelColor(ValueToLevel(settings, value), colourMode);
        const int y0 = i * e - ay + originY; // i e <= n e <= ay
        platform::Brush old = surface.SelectBrush(platform::Brush{colour, false});
        surface.Rectangle(left, y0, right, y0 + e);
        surface.SelectBrush(old);
        if (i % labelStep == 0) {
            const float label =
                static_cast<float>(i) * settings.ContourInterval + settings.ContourMin;
            const long long labelY = (2LL * y0 + e) / 2 + 40;
            surface.TextOut(ax + 120, static_cast<int>(labelY), platform::Format("%.3f", label));
        }
    }
}
