#include "render/ColorScale.h"

#include "platform/TextFile.h"
#include "render/ColorPalette.h"
#include "render/TextLimits.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr int MaxBands = 10000;
constexpr int LabelFontHeight = 35; // the text font the plot selects, for width estimates
constexpr long long EndGap = 25;    // between the bar and each end box, clear of its labels
constexpr long long ClearGap = 10;  // between the legend and the text it keeps clear of

// Where the legend's parts go. Positions are long long so that the sums of page coordinates
// below cannot overflow; they are limited to page coordinates when drawn.
struct Legend {
    int n = 0;        // contour intervals: bands 0..n
    long long e = 0;  // band height
    long long ay = 0; // plot's bottom edge
    long long originY = 0;
    long long shift = 0; // moved down to keep clear of the header
    int labelStep = 1;
    int left = 0, right = 0, labelX = 0;
    long long box = 0; // end box height

    long long BandBottom(int i) const { return i * e - ay + originY - shift; }
    long long Top() const { return LabelY(OverBottom(), box); }
    long long Bottom() const { return UnderBottom(); }
    void SetBandHeight(long long height)
    {
        e = height;
        box = std::clamp<long long>(e, 25, 50);
        labelStep = e < 25 ? 4 : (e < 50 ? 2 : 1);
    }
    long long OverBottom() const { return BandBottom(n) + e + EndGap; }
    long long UnderBottom() const { return BandBottom(0) - EndGap - box; }
    // The label beside a part from bottom y of height h: 40 above its middle.
    static long long LabelY(long long bottom, long long h) { return (2 * bottom + h) / 2 + 40; }
};

float BandLabel(const CPlotSettings& s, int i)
{
    return static_cast<float>(i) * s.ContourInterval + s.ContourMin;
}

std::string OverLabel(const CPlotSettings& s)
{
    return platform::Format(">= %.3f", s.ContourMax);
}

std::string UnderLabel(const CPlotSettings& s)
{
    return platform::Format("< %.3f", s.ContourMin);
}

// Lowers the band height until the legend fits between limit and floor, and moves it so that it
// does; false when not even bands of one unit fit.
bool FitBetween(Legend& g, long long limit, long long floor)
{
    g.shift = 0;
    auto height = [&g](long long e) {
        g.SetBandHeight(e);
        return g.Top() - g.Bottom();
    };
    if (height(g.e) > limit - floor) {
        long long fits = 0, tooTall = g.e; // the largest height known to fit, the least not to
        while (tooTall - fits > 1) {
            const long long mid = fits + (tooTall - fits) / 2;
            (height(mid) <= limit - floor ? fits : tooTall) = mid;
        }
        if (fits < 1)
            return false;
        height(fits);
    }
    const long long top = g.Top();
    g.shift = top - std::clamp(top, floor + (top - g.Bottom()), limit);
    return true;
}

std::optional<Legend> MakeLegend(const CPlotSettings& s, int ax, int ay,
                                 const platform::Rect& keepClear, long long floor)
{
    const int n = s.ContourCount;
    // More bands than a page has room for are left out rather than drawn as a pile of labels.
    if (n < 1 || n > MaxBands || !std::isfinite(s.ContourInterval) || !std::isfinite(s.ContourMin))
        return std::nullopt;
    // Band height, logical units: the single-precision quotient truncated.
    const int e = TruncToInt(static_cast<float>(ay) / static_cast<float>(n));
    if (e < 1)
        return std::nullopt;
    Legend g;
    g.n = n;
    g.e = e;
    g.ay = PageCoord(ay);
    g.originY = PageCoord(s.OriginY);
    g.SetBandHeight(e);
    ax = PageCoord(ax);
    g.left = ax + 70;
    g.right = ax + 110;
    g.labelX = ax + 120;

    // The legend's highest point is the over box's label: keep it on the page and clear of the
    // given text.
    long long limit = -ClearGap;
    if (keepClear.left < keepClear.right && keepClear.bottom < keepClear.top) {
        int width = std::max(EstimateTextWidth(OverLabel(s), LabelFontHeight),
                             EstimateTextWidth(UnderLabel(s), LabelFontHeight));
        for (int i = 0; i <= n; i += g.labelStep)
            width = std::max(width, EstimateTextWidth(platform::Format("%.3f", BandLabel(s, i)),
                                                      LabelFontHeight));
        if (g.left < keepClear.right && g.labelX + width > keepClear.left)
            limit = std::min<long long>(limit, keepClear.bottom - ClearGap);
    }
    const long long top = g.Top();
    if (top > limit)
        g.shift = top - limit;
    // Above a floor, the legend keeps clear of it too, with lower bands where it must.
    if (floor != NoLegendFloor && g.Bottom() < floor && !FitBetween(g, limit, floor))
        return std::nullopt;
    return g;
}

void Box(platform::Surface& surface, int left, int right, long long bottom, long long height,
         platform::Rgb colour)
{
    const platform::Brush old = surface.SelectBrush(platform::Brush{colour, false});
    surface.Rectangle(left, PageCoord(bottom), right, PageCoord(bottom + height));
    surface.SelectBrush(old);
}

} // namespace

namespace {

// The continuous bar: one image whose rows run with the value, from the bottom of band 0 to the
// top of band n, outlined like the bands.
void ContinuousBar(const CPlotSettings& settings, platform::Surface& surface, const Legend& g,
                   const ColourMapTable& map)
{
    constexpr int Rows = 4 * ShadeCount; // every shade gets rows even when n is 1
    const ShadeScale shade(settings);
    const long long bottom = g.BandBottom(0);
    const long long top = g.BandBottom(g.n) + g.e;
    const double span = static_cast<double>(top - bottom);
    platform::PixelImage bar(1, Rows);
    for (int r = 0; r < Rows; ++r) {
        // Row r's middle, in bands above the middle of band 0, is its value in intervals.
        const double y = span * (Rows - r - 0.5) / Rows;
        const double intervals = (y - 0.5 * static_cast<double>(g.e)) / static_cast<double>(g.e);
        const float value =
            static_cast<float>(settings.ContourMin + intervals * double(settings.ContourInterval));
        bar.SetPixel(0, r, map.shade[shade(value)]);
    }
    surface.StretchImage(bar, g.left, PageCoord(top), g.right - g.left, PageCoord(span));
    const platform::Brush old =
        surface.SelectBrush(platform::Brush{platform::MakeRgb(0, 0, 0), true});
    surface.Rectangle(g.left, PageCoord(bottom), g.right, PageCoord(top));
    surface.SelectBrush(old);
}

} // namespace

void DrawColorScale(const CPlotSettings& settings, platform::Surface& surface, int ax, int ay,
                    const ColourChoice& colours, const platform::Rect& keepClear, long long floor)
{
    const std::optional<Legend> g = MakeLegend(settings, ax, ay, keepClear, floor);
    if (!g)
        return;
    const ColourMapTable& map = GetColourMap(colours.EffectiveMap());
    if (colours.continuousShading)
        ContinuousBar(settings, surface, *g, map);
    for (int i = 0; i <= g->n; ++i) {
        const long long y0 = g->BandBottom(i);
        if (!colours.continuousShading) {
            // Band i (i >= 1) shows interval i - 1, band 0 the first interval too: the levels
            // the image gives the cells of those intervals.
            const int level = std::clamp(IntervalLevel(std::max(i - 1, 0), g->n), 0, 36);
            Box(surface, g->left, g->right, y0, g->e, map.level[level]);
        }
        if (i % g->labelStep == 0)
            surface.TextOut(g->labelX, PageCoord(Legend::LabelY(y0, g->e)),
                            platform::Format("%.3f", BandLabel(settings, i)));
    }
}

void DrawColorScaleEnds(const CPlotSettings& settings, platform::Surface& surface, int ax, int ay,
                        const ColourChoice& colours, const platform::Rect& keepClear,
                        long long floor)
{
    const std::optional<Legend> g = MakeLegend(settings, ax, ay, keepClear, floor);
    if (!g)
        return;
    const ColourMapTable& map = GetColourMap(colours.EffectiveMap());
    // The colours the image gives a value at ContourMax and one a whole range below ContourMin.
    const float range = std::fabs(settings.ContourMax - settings.ContourMin);
    platform::Rgb over, under;
    if (colours.continuousShading) {
        const ShadeScale shade(settings);
        over = map.shade[shade(settings.ContourMax)];
        under = map.shade[shade(settings.ContourMin - range)];
    } else {
        over = map.level[std::clamp(ValueToLevel(settings, settings.ContourMax), 0, 36)];
        under = map.level[std::clamp(ValueToLevel(settings, settings.ContourMin - range), 0, 36)];
    }
    Box(surface, g->left, g->right, g->OverBottom(), g->box, over);
    surface.TextOut(g->labelX, PageCoord(Legend::LabelY(g->OverBottom(), g->box)),
                    OverLabel(settings));
    Box(surface, g->left, g->right, g->UnderBottom(), g->box, under);
    surface.TextOut(g->labelX, PageCoord(Legend::LabelY(g->UnderBottom(), g->box)),
                    UnderLabel(settings));
}

void DrawColorScaleNote(const CPlotSettings& settings, platform::Surface& surface, int ax, int ay,
                        const std::string& text, const platform::Rect& keepClear, long long floor)
{
    const std::optional<Legend> g = MakeLegend(settings, ax, ay, keepClear, floor);
    if (!g)
        return;
    // Under the under box, clear of its label.
    surface.TextOut(g->left, PageCoord(g->UnderBottom() - (LegendNoteDrop - LabelFontHeight)),
                    text);
}
