#pragma once
// The drawing surface on a QPainter: logical units of 0.1 mm, x to the right, y upward, the
// device's top-left corner at (0, 0). Positions are converted to device pixels in floating point,
// so nothing accumulates rounding. Fonts with face "Arial" are drawn in the system's sans face.

#include "platform/Surface.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace platform {

class QtSurface : public Surface {
public:
    // painter: active on its device. dotsPerMmX/Y: device pixels per millimetre. client: the
    // visible area in device pixels. vectorDevice: the device keeps images as images (PDF, SVG),
    // where viewers may smooth them; cells are then enlarged beforehand so they stay sharp.
    QtSurface(QPainter& painter, double dotsPerMmX, double dotsPerMmY, QRectF client,
              bool vectorDevice = false);
    ~QtSurface() override;

    Rect ClientRect() override;
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

    // The colour images are filled with before cells are drawn; white unless set.
    Rgb background = MakeRgb(255, 255, 255);

    // The Qt font a description stands for on a device of dotsPerMm pixels per millimetre: the
    // cell height (ascent + descent) matches height.
    static QFont MakeQFont(const FontDesc& desc, double dotsPerMm);
    static QColor ToQColor(Rgb c);

private:
    QPointF Map(double x, double y) const { return {x * kx, -y * ky}; }
    QRectF MapRect(int left, int top, int right, int bottom) const;
    void ApplyPen();

    QPainter& painter;
    double kx; // device pixels per logical unit along x
    double ky;
    QRectF client;
    bool vectorDevice;
    Pen pen;
    Brush brush;
    FontDesc font;
    QFont qfont;
    Point current;
};

} // namespace platform
