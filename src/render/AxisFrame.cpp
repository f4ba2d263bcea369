#include "render/AxisFrame.h"

#include "platform/TextFile.h"
#include "plot/Fonts.h"
#include "render/PlotSettings.h"
#include "render/TextLimits.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace {

// More ticks than this on one axis cannot be told apart on any page; such a spacing is treated
// like a spacing of 0 (no ticks), so a mistyped interval cannot stall the paint.
constexpr int MaxTicks = 10000;

// Room kept between neighbouring tick labels, logical units.
constexpr int LabelGap = 10;

int TickCount(float range, float tick)
{
    const float q = range / tick + 0.1f;
    if (!std::isfinite(q) || q < 0.0f || q >= static_cast<float>(MaxTicks))
        return 0;
    return static_cast<int>(q) + 1;
}

int AbsInt(int v)
{
    return v == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : std::abs(v);
}

class ScopedPen {
public:
    ScopedPen(platform::Surface& s, const platform::Pen& pen) : surface(s), old(s.SelectPen(pen)) {}
    ~ScopedPen() { surface.SelectPen(old); }

private:
    platform::Surface& surface;
    platform::Pen old;
};

class ScopedFont {
public:
    ScopedFont(platform::Surface& s, const platform::FontDesc& f) : surface(s), old(s.SelectFont(f))
    {
    }
    ~ScopedFont() { surface.SelectFont(old); }

private:
    platform::Surface& surface;
    platform::FontDesc old;
};

void Line(platform::Surface& s, int x1, int y1, int x2, int y2)
{
    s.MoveTo(x1, y1);
    s.LineTo(x2, y2);
}

} // namespace

namespace {

// Decimals of a label for a tick spacing: 0 from 1 up, 1 from 0.1, 2 from 0.01, else 3.
int TickDecimals(float tick)
{
    if (tick >= 1.0f)
        return 0;
    if (tick >= 0.1f)
        return 1;
    if (tick >= 0.01f)
        return 2;
    return 3;
}

constexpr int MaxDecimals = 6;

bool NeighboursDiffer(const std::vector<std::string>& labels)
{
    for (std::size_t i = 1; i < labels.size(); ++i)
        if (labels[i] == labels[i - 1])
            return false;
    return true;
}

} // namespace

std::string TickLabel(float value, float tick)
{
    return platform::Format("%4.*f", TickDecimals(tick), value);
}

std::vector<std::string> NumberLabels(const std::vector<float>& values, float tick, int kiloMeter)
{
    std::vector<std::string> labels(values.size());
    for (int d = kiloMeter == 1 ? 1 : TickDecimals(tick); d <= MaxDecimals; ++d) {
        for (std::size_t i = 0; i < values.size(); ++i)
            labels[i] = kiloMeter == 1 ? platform::Format("%4.*f", d, values[i] / 1000.0f)
                                       : platform::Format("%4.*f", d, values[i]);
        if (NeighboursDiffer(labels))
            break;
    }
    return labels;
}

int LabelEvery(double spacing, double needed, int count)
{
    count = std::max(count, 1);
    if (!(spacing > 0) || !std::isfinite(spacing))
        return count;
    for (long long k = 1; k < count; k *= 10)
        for (long long m : {1, 2, 5})
            if (k * m >= count || spacing * static_cast<double>(k * m) >= needed)
                return static_cast<int>(std::min<long long>(k * m, count));
    return count;
}

std::string LabelUnit(const std::string& unit, int kiloMeter)
{
    if (kiloMeter != 1 || unit.empty())
        return unit;
    return unit == "m" ? "km" : "1000 " + unit;
}

std::string AxisTitle(const std::string& title, const std::string& unit, int kiloMeter)
{
    return title + " (" + LabelUnit(unit, kiloMeter) + ")";
}

std::string ManualAxisTitle(const std::string& title, const std::string& unit, int kiloMeter)
{
    const std::string shown = "(" + LabelUnit(unit, kiloMeter) + ")";
    const std::string own = "(" + unit + ")";
    auto endsWith = [&title](const std::string& tail) {
        return title.size() >= tail.size() &&
               title.compare(title.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (endsWith(shown))
        return title;
    if (endsWith(own))
        return title.substr(0, title.size() - own.size()) + shown;
    if (endsWith(")") && title.find('(') != std::string::npos)
        return title; // a unit of the user's own
    return title + " " + shown;
}

std::string DateTickLabel(float value, float tick, int* monthOut, int* dayOut)
{
    int month = 0, day = 0, hour = -1, minute = -1;
    // Seconds since 1970-01-01 00:00 UTC, truncated; far outside any calendar is not broken down.
    if (std::isfinite(value) && std::fabs(value) < 1.0e15f) {
        const std::time_t t = static_cast<std::time_t>(static_cast<long long>(value));
        std::tm parts{};
        if (gmtime_r(&t, &parts)) {
            month = parts.tm_mon + 1;
            day = parts.tm_mday;
            hour = parts.tm_hour;
            minute = parts.tm_min;
        }
    }
    if (monthOut)
        *monthOut = month;
    if (dayOut)
        *dayOut = day;
    if (tick < 86400.0f)
        return platform::Format("%d/%d %d:%d", month, day, hour, minute);
    return platform::Format("%d/%d", month, day);
}

namespace {

// The frame's place on the page and its ranges, as the two axes share them.
struct FramePlace {
    int x0 = 0, top = 0; // left and top edges (top positive, the edge at y = -top)
    int xr = 0, yb = 0;  // right and bottom edges
    float width = 0, height = 0;
    float hRange = 0, vRange = 0;
    float hRem = 0, vRem = 0; // how far each range reaches beyond its last tick
    platform::FontDesc textFont;
};

const platform::Pen GridPen{2, platform::MakeRgb(0, 0, 0)};

// Vertical axis: ticks anchored at the bottom edge, labels left of the frame.
void DrawVerticalAxis(const CAxisFrame& frame, platform::Surface& surface, const FramePlace& p,
                      float verticalShift, int kiloMeter, int verticalDown, int& ax, int& ay)
{
    ScopedFont font(surface, p.textFont);
    ScopedPen pen(surface, GridPen);
    // Values from the top tick down; step counts ticks from VMin.
    std::vector<float> values(static_cast<std::size_t>(frame.VCount));
    for (int i = 0; i < frame.VCount; ++i) {
        const int step = verticalDown == 1 ? i : frame.VCount - 1 - i;
        values[static_cast<std::size_t>(i)] =
            frame.VMin + static_cast<float>(step) * frame.VTick + verticalShift;
    }
    const std::vector<std::string> labels = NumberLabels(values, frame.VTick, kiloMeter);
    const int every = LabelEvery(double(p.height) * frame.VTick / p.vRange,
                                 p.textFont.height + LabelGap, frame.VCount);
    for (int i = 0; i < frame.VCount; ++i) {
        const int step = verticalDown == 1 ? i : frame.VCount - 1 - i;
        const int yi =
            PageCoord(p.top + 1.0 * TruncToInt((static_cast<float>(i) * frame.VTick + p.vRem) *
                                               p.height / p.vRange));
        if (step % every == 0)
            surface.TextOut(p.x0 - 150, -yi + 20, labels[static_cast<std::size_t>(i)]);
        Line(surface, p.x0, -yi, p.xr, -yi);
        ax = std::max(ax, AbsInt(p.xr));
        ay = std::max(ay, AbsInt(yi));
    }
    if (p.vRem > 0.0f)
        Line(surface, p.x0, -p.top, p.xr, -p.top);
}

// Horizontal axis: ticks anchored at the left edge, labels under the frame.
void DrawHorizontalAxis(const CAxisFrame& frame, platform::Surface& surface, const FramePlace& p,
                        float horizontalShift, int kiloMeter, int dateTime,
                        platform::TextFile& dump, int& ax, int& ay)
{
    ScopedFont font(surface, p.textFont);
    ScopedPen pen(surface, GridPen);
    std::vector<float> values(static_cast<std::size_t>(frame.HCount));
    for (int i = 0; i < frame.HCount; ++i)
        values[static_cast<std::size_t>(i)] =
            frame.HMin + static_cast<float>(i) * frame.HTick + horizontalShift;
    std::vector<std::string> labels;
    // Numbers are thinned out where they would overlap; dates are all written, as the date
    // axis has always labelled every tick.
    int every = 1;
    if (dateTime == 1) {
        for (int i = 0; i < frame.HCount; ++i) {
            const float value = values[static_cast<std::size_t>(i)];
            int month = 0, day = 0;
            labels.push_back(DateTickLabel(value, frame.HTick, &month, &day));
            dump.Printf("%d %f %f %f %f %d %d/%d\n", i, frame.HTick, frame.HMin, horizontalShift,
                        value, TruncToInt(value), month, day);
        }
    } else {
        labels = NumberLabels(values, frame.HTick, kiloMeter);
        int widest = 0;
        for (const std::string& label : labels)
            widest = std::max(widest, EstimateTextWidth(label, p.textFont.height));
        every = LabelEvery(double(p.width) * frame.HTick / p.hRange, double(widest) + LabelGap,
                           frame.HCount);
    }
    for (int i = 0; i < frame.HCount; ++i) {
        const int xi = PageCoord(
            p.x0 + 1.0 * TruncToInt(static_cast<float>(i) * p.width * frame.HTick / p.hRange));
        Line(surface, xi, -p.top, xi, -p.yb);
        if (i % every == 0)
            surface.TextOut(xi - 50, -p.yb - 30, labels[static_cast<std::size_t>(i)]);
        ax = std::max(ax, AbsInt(xi));
        ay = std::max(ay, AbsInt(p.yb));
    }
    if (p.hRem > 0.0f)
        Line(surface, p.xr, -p.top, p.xr, -p.yb);
}

} // namespace

void DrawAxisFrame(CAxisFrame& frame, platform::Surface& surface, int x0, int top, float height,
                   float width, const std::string& horizontalTitle,
                   const std::string& verticalTitle, float horizontalShift, float verticalShift,
                   int kiloMeter, int verticalDown, int dateTime, int& ax, int& ay)
{
    platform::TextFile dump;
    dump.Create("axis.txt");
    FramePlace p;
    p.x0 = PageCoord(x0);
    p.top = PageCoord(top);
    p.width = width;
    p.height = height;

    CFontSetup fonts;
    InitFontSetup(fonts);
    p.textFont = CreateTextFont(fonts);

    p.hRange = std::fabs(frame.HMax - frame.HMin);
    p.vRange = std::fabs(frame.VMax - frame.VMin);
    if (!(p.hRange > 0.0f) || !(p.vRange > 0.0f) || !std::isfinite(p.hRange) ||
        !std::isfinite(p.vRange)) {
        // Positions would divide by a zero range: no frame, only the image's edges reported.
        ax = std::max(ax, AbsInt(PageCoord(double(p.x0) + width)));
        ay = std::max(ay, AbsInt(PageCoord(double(p.top) + height)));
        return;
    }
    if (frame.Manual == 0) {
        frame.HTick = p.hRange / 10.0f;
        frame.VTick = p.vRange / 10.0f;
    }
    frame.HCount = TickCount(p.hRange, frame.HTick);
    frame.VCount = TickCount(p.vRange, frame.VTick);
    p.hRem = frame.HMax - frame.HMin - static_cast<float>(frame.HCount - 1) * frame.HTick;
    p.vRem = frame.VMax - frame.VMin - static_cast<float>(frame.VCount - 1) * frame.VTick;
    p.xr = PageCoord(p.x0 + TruncToInt((frame.HMax - frame.HMin) / p.hRange * width) * 1.0);
    p.yb = PageCoord(p.top + TruncToInt((frame.VMax - frame.VMin) * height / p.vRange) * 1.0);

    DrawVerticalAxis(frame, surface, p, verticalShift, kiloMeter, verticalDown, ax, ay);
    {
        ScopedFont font(surface, CreateRotatedFont(fonts));
        const int middle = PageCoord(
            0.5f * (static_cast<float>(frame.VCount) * frame.VTick + p.vRem) * height / p.vRange);
        surface.TextOut(p.x0 - 200, PageCoord(-(double(p.top) + middle)),
                        CutText(verticalTitle, TitleChars));
    }
    DrawHorizontalAxis(frame, surface, p, horizontalShift, kiloMeter, dateTime, dump, ax, ay);
    {
        ScopedFont font(surface, CreateTitleFont(fonts));
        surface.TextOut(p.x0 + (p.xr - p.x0) / 2 - 150, -p.yb - 80,
                        CutText(horizontalTitle, TitleChars));
    }
    dump.Close();
}
