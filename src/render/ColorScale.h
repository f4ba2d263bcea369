#pragma once
// The legend of the slice image: a vertical bar of ContourCount + 1 colour bands to the right of
// the plot, band 0 at the bottom, with contour values beside it.

#include "platform/Surface.h"
#include "render/PlotSettings.h"

// ax, ay: the plot's right and bottom edges as the axis frame returned them (logical units,
// 0.1 mm, y upward). The current font is used for the labels. A contour count below 1 or above
// 10000, an
// interval that is not finite, or a band height below one unit (more intervals than ay) leaves
// the legend out.
void DrawColorScale(const CPlotSettings& settings, platform::Surface& surface, int ax, int ay,
                    int colourMode);
