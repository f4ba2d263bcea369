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

std::string TickLabel(float value, float tick)
{
    if (tick >= 1.0f)
        return platform::Format("%4.0f", value);
    if (tick >= 0.1f)
        return platform::Format("%4.1f", value);
    if (tick >= 0.01f)
        return platform::Format("%4.2f", value);
    return platform::Format("%4.3f", value);
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

void DrawAxisFrame(CAxisFrame& frame, platform::Surface& surface, int x0, int top, float height,
                   float width, const std::string& horizontalTitle,
                   const std::string& verticalTitle, float horizontalShift, float verticalShift,
                   int kiloMeter, int verticalDown, int dateTime, int& ax, int& ay)
{
    platform::TextFile dump;
    dump.Create("axis.txt");
    x0 = PageCoord(x0);
    top = PageCoord(top);

    CFontSetup fonts;
    InitFontSetup(fonts);

    const float hRange = std::fabs(frame.HMax - frame.HMin);
    const float vRange = std::fabs(frame.VMax - frame.VMin);
    if (!(hRange > 0.0f) || !(vRange > 0.0f) || !std::isfinite(hRange) || !std::isfinite(vRange)) {
        // Positions would divide by a zero range: no frame, only the image's edges reported.
        ax = std::max(ax, AbsInt(PageCoord(double(x0) + width)));
        ay = std::max(ay, AbsInt(PageCoord(double(top) + height)));
        return;
    }
    if (frame.Manual == 0) {
        frame.HTick = hRange / 10.0f;
        frame.VTick = vRange / 10.0f;
    }
    frame.HCount = TickCount(hRange, frame.HTick);
    frame.VCount = TickCount(vRange, frame.VTick);

    // How far each range reaches beyond its last tick (signed, axis units).
    const float hRem = frame.HMax - frame.HMin - static_cast<float>(frame.HCount - 1) * frame.HTick;
    const float vRem = frame.VMax - frame.VMin - static_cast<float>(frame.VCount - 1) * frame.VTick;

    const int xr = PageCoord(x0 + TruncToInt((frame.HMax - frame.HMin) / hRange * width) * 1.0);
    const int yb = PageCoord(top + TruncToInt((frame.VMax - frame.VMin) * height / vRange) * 1.0);

    const platform::Pen gridPen{2, platform::MakeRgb(0, 0, 0)};

    // Vertical axis: ticks anchored at the bottom edge.
    {
        ScopedFont font(surface, CreateTextFont(fonts));
        ScopedPen pen(surface, gridPen);
        for (int i = 0; i < frame.VCount; ++i) {
            const int step = verticalDown == 1 ? i : frame.VCount - 1 - i;
            const float value = frame.VMin + static_cast<float>(step) * frame.VTick + verticalShift;
            const std::string label = kiloMeter == 1 ? platform::Format("%4.1f", value / 1000.0f)
                                                     : TickLabel(value, frame.VTick);
            const int yi =
                PageCoord(top + 1.0 * TruncToInt((static_cast<float>(i) * frame.VTick + vRem) *
                                                 height / vRange));
            surface.TextOut(x0 - 150, -yi + 20, label);
            Line(surface, x0, -yi, xr, -yi);
            ax = std::max(ax, AbsInt(xr));
            ay = std::max(ay, AbsInt(yi));
        }
        if (vRem > 0.0f)
            Line(surface, x0, -top, xr, -top);
    }
    {
        ScopedFont font(surface, CreateRotatedFont(fonts));
        const int middle = PageCoord(
            0.5f * (static_cast<float>(frame.VCount) * frame.VTick + vRem) * height / vRange);
        surface.TextOut(x0 - 200, PageCoord(-(double(top) + middle)),
                        CutText(verticalTitle, TitleChars));
    }

    // Horizontal axis: ticks anchored at the left edge.
    {
        ScopedFont font(surface, CreateTextFont(fonts));
        ScopedPen pen(surface, gridPen);
        for (int i = 0; i < frame.HCount; ++i) {
            const float value = frame.HMin + static_cast<float>(i) * frame.HTick + horizontalShift;
            std::string label;
            if (dateTime == 1) {
                int month = 0, day = 0;
                label = DateTickLabel(value, frame.HTick, &month, &day);
                dump.Printf("%d %f %f %f %f %d %d/%d\n", i, frame.HTick, frame.HMin,
                            horizontalShift, value, TruncToInt(value), month, day);
            } else if (kiloMeter == 1) {
                label = platform::Format("%4.1f", value / 1000.0f);
            } else {
                label = TickLabel(value, frame.HTick);
            }
            const int xi = PageCoord(
                x0 + 1.0 * TruncToInt(static_cast<float>(i) * width * frame.HTick / hRange));
            Line(surface, xi, -top, xi, -yb);
            surface.TextOut(xi - 50, -yb - 30, label);
            ax = std::max(ax, AbsInt(xi));
            ay = std::max(ay, AbsInt(yb));
        }
        if (hRem > 0.0f)
            Line(surface, xr, -top, xr, -yb);
    }
    {
        ScopedFont font(surface, CreateTitleFont(fonts));
        surface.TextOut(x0 + (xr - x0) / 2 - 150, -yb - 80, CutText(horizontalTitle, TitleChars));
    }
    dump.Close();
}
