#pragma once
// The one typeface of every plot at its three sizes. Heights are cell heights in logical units
// of 0.1 mm (35 = 3.5 mm).

#include "platform/Surface.h"

struct CFontSetup {
    float HeightScale = 1.0f; // factor applied to every font height
};

// The application-wide font template: face "Arial", ANSI character set, pitch and family 0x11,
// escapement 0; its height is set before each font is made.
platform::FontDesc& LatinFont();

// Fills setup from the operating-system version and resets the template. Version numbers mean
// something only on Windows: there 6.0, 6.1 and 6.3 enlarge all plot text 1.5 times; every other
// system and version gets 1.0.
void InitFontSetup(CFontSetup& setup);

platform::FontDesc CreateTextFont(const CFontSetup& setup);    // trunc(35 x HeightScale)
platform::FontDesc CreateTitleFont(const CFontSetup& setup);   // trunc(40 x HeightScale)
platform::FontDesc CreateRotatedFont(const CFontSetup& setup); // 35, turned 90 deg clockwise
