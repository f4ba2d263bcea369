#include "render/PlotSettings.h"

#include "plot/Settings.h"
#include "render/ColorPalette.h"

#include <algorithm>
#include <cmath>
#include <limits>

CPlotSettings::CPlotSettings()
{
    ReadSettingFloat("SCALE", ScaleDenominator, MinScaleDenominator, MaxScaleDenominator);
}

std::vector<SettingBinding> CDisplayOptions::Bindings()
{
    // A hand-edited value outside its range keeps the default.
    return {IntSetting("bFitToWindow", FitToWindow, 0, 1),
            IntSetting("ColourMap", ColourMap, 0, ColourMapCount - 1),
            IntSetting("bContinuousShading", ContinuousShading, 0, 1),
            IntSetting("bClipToPercentiles", ClipToPercentiles, 0, 1),
            FloatSetting("ClipLowPercent", ClipLowPercent, 0.0f, 100.0f),
            FloatSetting("ClipHighPercent", ClipHighPercent, 0.0f, 100.0f),
            IntSetting("bClipSampled", ClipSampled, 0, 1),
            IntSetting("bSymmetricAboutZero", SymmetricAboutZero, 0, 1),
            IntSetting("bHistogramLog", HistogramLog, 0, 1)};
}

int TruncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (value <= lo)
        return std::numeric_limits<int>::min();
    if (value >= hi)
        return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

int PageCoord(double value)
{
    constexpr double limit = 1.0e9;
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(value, -limit, limit));
}

int ValueToLevel(const CPlotSettings& settings, float value)
{
    const int n = settings.ContourCount;
    const float range = settings.ContourMax - settings.ContourMin;
    if (n == 0 || range == 0.0f)
        return 0;
    // Single precision as the levels have always been computed, so band edges fall where
    // they did.
    const float q = (value - settings.ContourMin) * static_cast<float>(n) / range;
    return IntervalLevel(TruncToInt(q), n);
}

int IntervalLevel(int k, int n)
{
    if (n == 0)
        return 0;
    return TruncToInt(static_cast<float>(k) * 36.0f / static_cast<float>(n));
}

void SetAutoContours(CPlotSettings& settings, float min, float max)
{
    settings.ContourMin = min;
    settings.ContourMax = max;
    settings.ContourCount = 24;
    settings.ContourInterval = (max - min) / 24.0f;
}

void SetManualContours(CPlotSettings& settings)
{
    settings.ManualContour = 1;
    const float q = (settings.ContourMax - settings.ContourMin) / settings.ContourInterval;
    const double count = static_cast<double>(q) + 0.5;
    if (!std::isfinite(count) || count >= std::numeric_limits<int>::max() ||
        count <= std::numeric_limits<int>::min())
        settings.ContourCount = 0;
    else
        settings.ContourCount = static_cast<int>(count);
}
