#pragma once
// The layer tops of the regional model drawn as lines over a vertical section.

#include "platform/Surface.h"
#include "regional/RegionalModelHolder.h"

// orientation: 1 = XZ plane, 2 = YZ plane (anything else draws nothing). c: coordinate of the
// constant axis, metres. hs, vs: logical units (0.1 mm) per metre across and down the section.
// (originX, originY): the image's top-left corner. Samples n = 0..count-1 lie at n * spacing
// metres from coordinate 0 along the section; at each the model is queried into the probe and
// layer k is drawn top[0] - top[k] metres below the image's top edge. A query that matched
// nothing leaves the probe as it was, so the lines continue at the previous depths.
void DrawLayerOverlay(CRegionalModelHolder& holder, platform::Surface& surface, int orientation,
                      float c, float hs, float vs, int originX, int originY, int count,
                      float spacing);
