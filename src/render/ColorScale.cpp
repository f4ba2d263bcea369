#include "render/ColorScale.h"

#include "platform/TextFile.h"
#include "render/ColorPalette.h"

#include <cmath>

void DrawColorScale(const CPlotSettings& settings, platform::Surface& surface, int ax, int ay,
                    int colourMode) {
    const int n = settings.ContourCount;
    if (n < 1 || !std::isfinite(settings.ContourInterval) || !std::isfinite(settings.ContourMin))
        return;
    // Band height, logical units: the single-precision quotient truncated.
    const int e = TruncToInt(static_cast<float>(ay) / static_cast<float>(n));
    if (e < 1)
        return;
    const int labelStep = e < 25 ? 4 : (e < 50 ? 2 : 1);
    const int left = ax + 70;
    const int right = ax + 110;
    for (int i = 0; i <= n; ++i) {
        // Half an interval below the label, so band i (i >= 1) has the colour of interval i - 1.
        const float value = static_cast<float>((i - 0.5) * double(settings.ContourInterval) +
                                               double(settings.ContourMin));
        const platform::Rgb colour = LevelColor(ValueToLevel(settings, value), colourMode);
        const long long y0long =
            static_cast<long long>(i) * e - ay + static_cast<long long>(settings.OriginY);
        const int y0 = static_cast<int>(y0long);
        platform::Brush old = surface.SelectBrush(platform::Brush{colour, false});
        surface.Rectangle(left, y0, right, y0 + e);
        surface.SelectBrush(old);
        if (i % labelStep == 0) {
            const float label =
                static_cast<float>(i) * settings.ContourInterval + settings.ContourMin;
            surface.TextOut(ax + 120, (2 * y0 + e) / 2 + 40, platform::Format("%.3f", label));
        }
    }
}
