#pragma once
// The document's display settings and the value-to-colour-level rule shared by the slice image
// and the colour scale.

#include <cstdint>
#include <string>
#include <vector>

#include "plot/Settings.h"

// A manual axis: range, tick spacing and a shift added to every tick label, in axis units.
struct CAxisRecord {
    float Min = 0;
    float Max = 0;
    float Interval = 0;
    float Shift = 0;
    std::string Title;
};

// The viewer's display options beyond the classic picture. The defaults give the classic
// picture; the view reads and writes them through Bindings (profile section "General"), and
// the command-line tools set the fields directly.
struct CDisplayOptions {
    int FitToWindow = 0;       // 1: a map-scale section is scaled to fill the window
    int ColourMap = 0;         // ColourMapId, used while the view's colour mode is 1
    int ContinuousShading = 0; // 1: each cell its interpolated colour instead of its band's
    int ClipToPercentiles = 0; // 1: the automatic range runs between two percentiles
    float ClipLowPercent = 1.0f;
    float ClipHighPercent = 99.0f;
    int ClipSampled = 1;        // 1: percentiles of a sample of at least a million cells
    int SymmetricAboutZero = 0; // 1: the automatic range is -m..m, m its larger magnitude
    int HistogramLog = 0;       // 1: the histogram dock counts on a log scale

    // Each option's profile key and member, declared once.
    std::vector<SettingBinding> Bindings();
};

// Map scales 1/S that "SCALE" may set: a hand-edited zero, negative or absurd S keeps the
// default instead of drawing the image far past the window or as a dot.
inline constexpr float MinScaleDenominator = 100.0f;
inline constexpr float MaxScaleDenominator = 1.0e10f;

class CPlotSettings {
public:
    // Reads "SCALE" (section "General") once; it is never written back.
    CPlotSettings();

    std::int32_t ManualAxis = 0; // 0: axis ranges and titles come from the volume
    CAxisRecord AxisX;
    CAxisRecord AxisY;
    CAxisRecord AxisZ;
    float DataMax = 0;
    float DataMin = 0;
    std::int32_t DataRangeValid = 0;     // 1 once DataMin/DataMax hold a scanned range
    float ScaleDenominator = 1000000.0f; // S of the map scale 1/S
    float VHRatio = 1.0f;                // vertical exaggeration of XZ and YZ planes
    float ContourMin = 0;
    float ContourMax = 0;
    float ContourInterval = 0;
    std::int32_t OriginX = 250; // image's top-left corner, logical units (0.1 mm, y upward)
    std::int32_t OriginY = -250;
    std::int32_t ScaleTextRow = 1; // row of the scale text below the plot, 150 units per row
    std::int32_t ContourCount = 0;
    std::int32_t ManualContour = 0; // 1 once the Contour setup dialog set the levels

    CDisplayOptions Display;
    // The automatic range last derived from the data (percentiles and symmetry applied), and
    // the options and data range it was derived for; refreshed when any of them changes.
    float AutoRangeMin = 0;
    float AutoRangeMax = 0;
    std::int32_t AutoRangeValid = 0;
    CDisplayOptions AutoRangeOptions;
    float AutoRangeDataMin = 0, AutoRangeDataMax = 0;
    // Clears the cached automatic range, after the values changed under an unchanged data range.
    void InvalidateAutoRange() { AutoRangeValid = 0; }
    // The scale denominator the last layout used: ScaleDenominator, or the fitted scale.
    float ScaleInUse = 1000000.0f;
};

// Number of colour levels, 0..36.
inline constexpr int LevelCount = 37;

// Colour level of a value: k = trunc((v - ContourMin) * n / (ContourMax - ContourMin)) with
// n = ContourCount, then trunc(k * 36 / n), single precision. Not clamped to 0..36. A range or
// count that leaves no finite level (zero width, n = 0, NaN) gives level 0; quotients beyond the
// int range saturate, so the caller's clamp to 0..36 still holds.
int ValueToLevel(const CPlotSettings& settings, float value);
// Colour level of contour interval k of n: trunc(k * 36 / n), single precision, not clamped;
// 0 when n is 0. ValueToLevel ends with it.
int IntervalLevel(int k, int n);

// ContourMin = min, ContourMax = max, ContourCount = 24, ContourInterval = (max - min) / 24.
void SetAutoContours(CPlotSettings& settings, float min, float max);

// After the Contour setup dialog stored Minimum, Maximum and Interval: ManualContour = 1 and
// ContourCount = trunc((max - min) / interval + 0.5) (quotient single, sum double); a quotient
// that is not finite or exceeds the int range gives 0 intervals.
void SetManualContours(CPlotSettings& settings);

// Truncation toward zero of a float or double to int that is defined for every input: NaN
// gives 0 and values beyond the int range saturate.
int TruncToInt(double value);

// A page position in logical units: truncated toward zero like TruncToInt and limited to
// +-10^9 (100 km of page), so that offsets and negations of positions never overflow an int.
int PageCoord(double value);
