#pragma once
// The drawing surface every picture is drawn on.
//
// Logical units are 0.1 mm, x grows to the right, y grows upward, and the page's top-left corner
// is (0, 0), so everything on the page has y <= 0. Text is anchored at its top-left corner.
// Pens, brushes and fonts are selected for one use: Select* returns the previous object, which
// the caller selects again when done.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Colour as 0x00BBGGRR, the layout of the Windows colour reference.
using Rgb = std::uint32_t;
constexpr Rgb MakeRgb(int r, int g, int b)
{
    return static_cast<Rgb>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}
constexpr int RgbRed(Rgb c)
{
    return static_cast<int>(c & 0xff);
}
constexpr int RgbGreen(Rgb c)
{
    return static_cast<int>((c >> 8) & 0xff);
}
constexpr int RgbBlue(Rgb c)
{
    return static_cast<int>((c >> 16) & 0xff);
}

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// In logical units; for the client rectangle top is 0 and bottom is negative.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Rect&) const = default;
};

struct Pen {
    int width = 0; // logical units; 0 means one device pixel
    Rgb color = MakeRgb(0, 0, 0);
    bool operator==(const Pen&) const = default;
};

struct Brush {
    Rgb color = MakeRgb(255, 255, 255);
    bool hollow = false; // no fill
    bool operator==(const Brush&) const = default;
};

// A logical-font description, as the font template holds it.
struct FontDesc {
    std::string face = "Arial";
    int height = 40;    // cell height, logical units
    int escapement = 0; // tenths of a degree, counter-clockwise; -900 runs top to bottom
    int charSet = 0;    // 0 = ANSI
    int pitchAndFamily = 0;
    bool operator==(const FontDesc&) const = default;
};

// An off-screen image with one pixel per cell; written directly, not through the surface, so
// filling it costs no virtual call per pixel.
class PixelImage {
public:
    PixelImage() = default;
    PixelImage(int width, int height, Rgb fill = MakeRgb(255, 255, 255));
    int Width() const { return width; }
    int Height() const { return height; }
    void Fill(Rgb c);
    void SetPixel(int x, int y, Rgb c) { pixels[static_cast<std::size_t>(y) * width + x] = c; }
    Rgb Pixel(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const std::vector<Rgb>& Pixels() const { return pixels; }

private:
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels; // row by row, row 0 at the top
};

class Surface {
public:
    virtual ~Surface() = default;
    // The visible client area, logical units.
    virtual Rect ClientRect() = 0;
    // Device pixel to logical point and back.
    virtual Point DeviceToLogical(Point device) = 0;
    virtual Point LogicalToDevice(Point logical) = 0;

    virtual Pen SelectPen(const Pen& pen) = 0;
    virtual Brush SelectBrush(const Brush& brush) = 0;
    virtual FontDesc SelectFont(const FontDesc& font) = 0;

    // Outlined with the current pen, filled with the current brush.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    // Filled with colour, no outline.
    virtual void FillRect(const Rect& rect, Rgb color) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void Polyline(const std::vector<Point>& points) = 0;
    // Black text on an opaque white background, top-left corner at (x, y), current font.
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    // Copies the whole image scaled, without smoothing, to the rectangle whose top-left corner
    // is (x, y) and which extends width to the right and height downward.
    virtual void StretchImage(const PixelImage& image, int x, int y, int width, int height) = 0;
    // The system window background colour, used to fill images before cells are drawn.
    virtual Rgb WindowBackground() = 0;
};

// The surface long commands write their progress texts on when no page is being drawn (the
// window draws only in its paint event, the command-line tool has no page): it draws nothing,
// since the same texts reach the user through the Ui's progress display.
class ProgressSurface : public Surface {
public:
    Rect ClientRect() override { return {0, 0, 0, 0}; }
    Point DeviceToLogical(Point device) override { return device; }
    Point LogicalToDevice(Point logical) override { return logical; }
    Pen SelectPen(const Pen& pen) override { return pen; }
    Brush SelectBrush(const Brush& brush) override { return brush; }
    FontDesc SelectFont(const FontDesc& font) override { return font; }
    void Rectangle(int, int, int, int) override {}
    void Ellipse(int, int, int, int) override {}
    void FillRect(const Rect&, Rgb) override {}
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void Polyline(const std::vector<Point>&) override {}
    void TextOut(int, int, const std::string&) override {}
    void StretchImage(const PixelImage&, int, int, int, int) override {}
    Rgb WindowBackground() override { return MakeRgb(255, 255, 255); }
};

} // namespace platform
