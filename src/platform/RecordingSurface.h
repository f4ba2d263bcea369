#pragma once
// Surface for tests: logs every drawing operation with its exact logical coordinates.

#include "platform/Surface.h"

#include <string>
#include <vector>

namespace platform {

enum class OpKind {
    SelectPen,
    SelectBrush,
    SelectFont,
    Rectangle,
    Ellipse,
    FillRect,
    MoveTo,
    LineTo,
    Polyline,
    Text,
    Image
};

struct DrawOp {
    OpKind kind;
    std::vector<int> args;     // coordinates in logical units, in the call's argument order
    std::vector<Point> points; // Polyline
    std::string text;          // Text
    Pen pen;                   // the pen selected when the op ran (or selected by SelectPen)
    Brush brush;               // likewise
    FontDesc font;             // likewise
    PixelImage image;          // Image: a copy of the pixels copied
};

class RecordingSurface : public Surface {
public:
    // client: the client rectangle in logical units; pixelsPerMm: the device resolution.
    explicit RecordingSurface(Rect client = {0, 0, 3000, -2000}, double pixelsPerMm = 4.0);

    Rect ClientRect() override { return client; }
    Point DeviceToLogical(Point device) override;
    Point LogicalToDevice(Point logical) override;
    Pen SelectPen(const Pen& pen) override;
    Brush SelectBrush(const Brush& brush) override;
    FontDesc SelectFont(const FontDesc& font) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void FillRect(const Rect& rect, Rgb color) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(const std::vector<Point>& points) override;
    void TextOut(int x, int y, const std::string& text) override;
    void StretchImage(const PixelImage& image, int x, int y, int width, int height) override;
    Rgb WindowBackground() override { return background; }

    // Every operation of one kind, in order.
    std::vector<DrawOp> OpsOf(OpKind kind) const;
    // Texts drawn, in order.
    std::vector<std::string> Texts() const;
    // The first text op whose text is exactly this, or nullptr.
    const DrawOp* FindText(const std::string& text) const;
    // A readable one-line-per-op listing, for failure messages.
    std::string Describe() const;

    std::vector<DrawOp> ops;
    Rect client;
    double pixelsPerMm;
    Rgb background = MakeRgb(255, 255, 255);
    Pen pen;
    Brush brush;
    FontDesc font;

private:
    DrawOp Op(OpKind kind, std::vector<int> args) const;
};

} // namespace platform
