#pragma once
// The frame of a plot: grid lines across the image with a tick label at each, closing lines
// where the last grid line does not reach the image edge, and the two axis titles.
//
// Positions are logical units of 0.1 mm with y upward; the image's top edge is at y = -top.

#include "platform/Surface.h"

#include <cstdint>
#include <string>

struct CAxisFrame {
    std::int32_t Manual = 0; // 0: tick spacings are recomputed as range / 10; else kept
    float HMin = 0;
    float HMax = 1.0f;
    float HTick = 0.1f; // horizontal tick spacing, axis units
    std::int32_t HCount = 11;
    float VMin = 1.0e7f;
    float VMax = -1.0e7f;
    float VTick = 0.1f; // vertical tick spacing, axis units
    std::int32_t VCount = 11;
};

// Labels use "%4.1f" of value / 1000 with the kilometre flag, else a precision chosen by the tick
// spacing. verticalDown = 1 makes the vertical labels grow downward (depth). dateTime = 1 writes
// the horizontal labels as UTC dates of a value in seconds since 1970 and logs them to
// "axis.txt" in the current directory (rewritten at every call).
//
// ax and ay are raised to the largest |x| and |y| the grid lines reach: the plot's right and
// bottom edges. A range of zero width (or not finite) draws no frame and reports the image's
// own edges x0 + width and top + height.
void DrawAxisFrame(CAxisFrame& frame, platform::Surface& surface, int x0, int top, float height,
                   float width, const std::string& horizontalTitle,
                   const std::string& verticalTitle, float horizontalShift, float verticalShift,
                   int kiloMeter, int verticalDown, int dateTime, int& ax, int& ay);

// The tick label of value for a spacing tick: "%4.0f", "%4.1f", "%4.2f" or "%4.3f".
std::string TickLabel(float value, float tick);
// "%d/%d %d:%d" (month/day hour:minute, UTC) when tick is under one day, else "%d/%d"; a time
// that cannot be broken down gives month 0, day 0, hour -1, minute -1.
std::string DateTickLabel(float value, float tick, int* month = nullptr, int* day = nullptr);
