#include "platform/Surface.h"
#include "platform/RecordingSurface.h"

#include <cmath>
#include <cstdio>

namespace platform {

PixelImage::PixelImage(int w, int h, Rgb fill)
    : width(w < 0 ? 0 : w), height(h < 0 ? 0 : h),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill)
{
}

void PixelImage::Fill(Rgb c)
{
    pixels.assign(pixels.size(), c);
}

RecordingSurface::RecordingSurface(Rect c, double ppm) : client(c), pixelsPerMm(ppm) {}

Point RecordingSurface::DeviceToLogical(Point d)
{
    // 10 logical units per mm; device y grows downward.
    return {static_cast<int>(std::lround(d.x * 10.0 / pixelsPerMm)),
            static_cast<int>(std::lround(-d.y * 10.0 / pixelsPerMm))};
}

Point RecordingSurface::LogicalToDevice(Point l)
{
    return {static_cast<int>(std::lround(l.x * pixelsPerMm / 10.0)),
            static_cast<int>(std::lround(-l.y * pixelsPerMm / 10.0))};
}

DrawOp RecordingSurface::Op(OpKind kind, std::vector<int> args) const
{
    DrawOp op{kind, std::move(args), {}, {}, pen, brush, font, {}};
    return op;
}

Pen RecordingSurface::SelectPen(const Pen& p)
{
    Pen old = pen;
    pen = p;
    ops.push_back(Op(OpKind::SelectPen, {p.width, static_cast<int>(p.color)}));
    return old;
}

Brush RecordingSurface::SelectBrush(const Brush& b)
{
    Brush old = brush;
    brush = b;
    ops.push_back(Op(OpKind::SelectBrush, {static_cast<int>(b.color), b.hollow ? 1 : 0}));
    return old;
}

FontDesc RecordingSurface::SelectFont(const FontDesc& f)
{
    FontDesc old = font;
    font = f;
    ops.push_back(Op(OpKind::SelectFont, {f.height, f.escapement}));
    return old;
}

void RecordingSurface::Rectangle(int l, int t, int r, int b)
{
    ops.push_back(Op(OpKind::Rectangle, {l, t, r, b}));
}

void RecordingSurface::Ellipse(int l, int t, int r, int b)
{
    ops.push_back(Op(OpKind::Ellipse, {l, t, r, b}));
}

void RecordingSurface::FillRect(const Rect& rc, Rgb color)
{
    ops.push_back(
        Op(OpKind::FillRect, {rc.left, rc.top, rc.right, rc.bottom, static_cast<int>(color)}));
}

void RecordingSurface::MoveTo(int x, int y)
{
    ops.push_back(Op(OpKind::MoveTo, {x, y}));
}

void RecordingSurface::LineTo(int x, int y)
{
    ops.push_back(Op(OpKind::LineTo, {x, y}));
}

void RecordingSurface::Polyline(const std::vector<Point>& points)
{
    DrawOp op = Op(OpKind::Polyline, {});
    op.points = points;
    ops.push_back(std::move(op));
}

void RecordingSurface::TextOut(int x, int y, const std::string& text)
{
    DrawOp op = Op(OpKind::Text, {x, y});
    op.text = text;
    ops.push_back(std::move(op));
}

void RecordingSurface::StretchImage(const PixelImage& image, int x, int y, int w, int h)
{
    DrawOp op = Op(OpKind::Image, {x, y, w, h});
    op.image = image;
    ops.push_back(std::move(op));
}

std::vector<DrawOp> RecordingSurface::OpsOf(OpKind kind) const
{
    std::vector<DrawOp> out;
    for (const auto& op : ops)
        if (op.kind == kind)
            out.push_back(op);
    return out;
}

std::vector<std::string> RecordingSurface::Texts() const
{
    std::vector<std::string> out;
    for (const auto& op : ops)
        if (op.kind == OpKind::Text)
            out.push_back(op.text);
    return out;
}

const DrawOp* RecordingSurface::FindText(const std::string& text) const
{
    for (const auto& op : ops)
        if (op.kind == OpKind::Text && op.text == text)
            return &op;
    return nullptr;
}

std::string RecordingSurface::Describe() const
{
    static const char* names[] = {"SelectPen", "SelectBrush", "SelectFont", "Rectangle",
                                  "Ellipse",   "FillRect",    "MoveTo",     "LineTo",
                                  "Polyline",  "Text",        "Image"};
    std::string out;
    for (const auto& op : ops) {
        out += names[static_cast<int>(op.kind)];
        for (int a : op.args)
            out += " " + std::to_string(a);
        for (const auto& p : op.points)
            out += " (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
        if (!op.text.empty())
            out += " \"" + op.text + "\"";
        if (op.kind == OpKind::Image)
            out += " [" + std::to_string(op.image.Width()) + "x" +
                   std::to_string(op.image.Height()) + "]";
        out += "\n";
    }
    return out;
}

} // namespace platform
