#pragma once
// The frame of a plot: grid lines across the image with a tick label at each, closing lines
// where the last grid line does not reach the image edge, and the two axis titles.
//
// Positions are logical units of 0.1 mm with y upward; the image's top edge is at y = -top.

#include "platform/Surface.h"

#include <cstdint>
#include <string>
#include <vector>

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
// spacing; more decimals are used when two neighbouring labels would read the same, and when
// numbers would overlap only every 2nd, 5th, 10th, ... tick is labelled (the first always is;
// date labels are all written).
// Grid lines are drawn at every tick. verticalDown = 1 makes the vertical labels grow downward
// (depth). dateTime = 1 writes the horizontal labels as UTC dates of a value in seconds since 1970
// and logs them to "axis.txt" in the current directory (rewritten at every call).
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
// Labels of evenly spaced tick values (value / 1000 with the kilometre flag), in order: the
// precision TickLabel or the kilometre format gives, with decimals added (up to 6) until no two
// neighbours read the same.
std::vector<std::string> NumberLabels(const std::vector<float>& values, float tick, int kiloMeter);
// Label every how many ticks (1, 2, 5, 10, 20, 50, ...) so that labelled ticks lie at least
// needed apart when neighbouring ticks lie spacing apart (logical units); at most count.
int LabelEvery(double spacing, double needed, int count);

// The unit the labels show: with the kilometre flag "m" becomes "km" and any other unit is
// counted in thousands ("1000 s"); without it the unit itself.
std::string LabelUnit(const std::string& unit, int kiloMeter);
// "title (unit)" with the unit the labels show.
std::string AxisTitle(const std::string& title, const std::string& unit, int kiloMeter);
// The title of a manual axis record, which holds the bare title: the unit the labels show is
// added, unless the title already ends with one in parentheses (then "(unit)" of the volume's
// own unit becomes the unit the labels show, and any other the user wrote is kept).
std::string ManualAxisTitle(const std::string& title, const std::string& unit, int kiloMeter);
// "%d/%d %d:%d" (month/day hour:minute, UTC) when tick is under one day, else "%d/%d"; a time
// that cannot be broken down gives month 0, day 0, hour -1, minute -1.
std::string DateTickLabel(float value, float tick, int* month = nullptr, int* day = nullptr);
