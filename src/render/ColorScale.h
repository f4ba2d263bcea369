#pragma once
// The legend of the slice image: a vertical bar of ContourCount + 1 colour bands to the right of
// the plot, band 0 at the bottom, with contour values beside it, and a box at each end with the
// colours of the cells beyond the contour range.

#include "platform/Surface.h"
#include "render/ColorPalette.h"
#include "render/PlotSettings.h"

#include <limits>

// ax, ay: the plot's right and bottom edges as the axis frame returned them (logical units,
// 0.1 mm, y upward). The current font is used for the labels. A contour count below 1 or above
// 10000, an interval that is not finite, or a band height below one unit (more intervals than
// ay) leaves the legend out.
//
// keepClear: a rectangle the legend must not cover (the header text lines; left, top, right,
// bottom with top above bottom). When the legend would reach into it, or above the page's top
// edge, the whole legend moves down until it does not. An empty rectangle (the default) leaves
// only the page's edge to keep clear of.
//
// floor: the lowest y the legend's under box may reach, such as the bottom edge of a page the
// plot fits on (LegendNoteDrop higher when the note goes under it); NoLegendFloor (the default)
// sets none. A legend that would
// reach below it gets lower bands (as high as still fit between the top limit and the floor)
// and moves up; when not even bands of one unit fit, the legend is left out.
//
// Band i (i >= 1) has the colour of contour interval i - 1, band 0 that of interval 0, each
// labelled with i x ContourInterval + ContourMin. With continuous shading the bands make one bar
// whose colour runs with the value: label i's value sits at the middle of band i, as the labels
// of the banded bar do, and the half bands beyond ContourMin and ContourMax take the end shades.
constexpr long long NoLegendFloor = std::numeric_limits<long long>::min();
// From the under box's bottom to the bottom of the note DrawColorScaleNote puts under it.
constexpr long long LegendNoteDrop = 65;

void DrawColorScale(const CPlotSettings& settings, platform::Surface& surface, int ax, int ay,
                    const ColourChoice& colours, const platform::Rect& keepClear = {},
                    long long floor = NoLegendFloor);

// The two end boxes of the same legend, apart from the bar: above it the colour of values at
// and above ContourMax, labelled ">= max"; below it the colour of values under ContourMin,
// labelled "< min". Drawn whenever the bar is, so every colour the picture can show is in the
// legend. Same arguments as DrawColorScale.
void DrawColorScaleEnds(const CPlotSettings& settings, platform::Surface& surface, int ax, int ay,
                        const ColourChoice& colours, const platform::Rect& keepClear = {},
                        long long floor = NoLegendFloor);

// One line under the legend (below the under box), for the colour range in use. Same placement
// arguments as DrawColorScale; nothing is drawn when the legend is left out.
void DrawColorScaleNote(const CPlotSettings& settings, platform::Surface& surface, int ax, int ay,
                        const std::string& text, const platform::Rect& keepClear = {},
                        long long floor = NoLegendFloor);
