#include "platform/qt/QtSurface.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QString>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Logical units per millimetre.
constexpr double UnitsPerMm = 10.0;

int RoundToInt(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::clamp(std::round(v), -2147483648.0, 2147483647.0));
}

} // namespace

QtSurface::QtSurface(QPainter& p, double dotsPerMmX, double dotsPerMmY, QRectF c, bool vector)
    : painter(p), kx(dotsPerMmX / UnitsPerMm), ky(dotsPerMmY / UnitsPerMm), client(c),
      vectorDevice(vector)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // Text is black on an opaque white background.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    ApplyPen();
    painter.setBrush(QBrush(ToQColor(brush.color)));
    qfont = MakeQFont(font, dotsPerMmY);
    painter.setFont(qfont);
}

QtSurface::~QtSurface()
{
    painter.restore();
}

QColor QtSurface::ToQColor(Rgb c)
{
    return QColor(RgbRed(c), RgbGreen(c), RgbBlue(c));
}

QFont QtSurface::MakeQFont(const FontDesc& desc, double dotsPerMm)
{
    QFont f(QString::fromStdString(desc.face));
    // The description's face stands for a proportional sans face whatever its pitch bits say.
    f.setStyleHint(QFont::SansSerif);
    const double cell = std::max(1.0, std::abs(desc.height) * dotsPerMm / UnitsPerMm);
    f.setPixelSize(std::max(1, RoundToInt(cell)));
    // Windows heights are cell heights (ascent + descent); Qt's pixel size is the em size.
    const QFontMetricsF metrics(f);
    const double measured = metrics.ascent() + metrics.descent();
    if (measured > 0)
        f.setPixelSize(std::max(1, RoundToInt(cell * cell / measured)));
    return f;
}

Rect QtSurface::ClientRect()
{
    return {RoundToInt(client.left() / kx), RoundToInt(-client.top() / ky),
            RoundToInt(client.right() / kx), RoundToInt(-client.bottom() / ky)};
}

Point QtSurface::DeviceToLogical(Point d)
{
    return {RoundToInt(d.x / kx), RoundToInt(-d.y / ky)};
}

Point QtSurface::LogicalToDevice(Point l)
{
    return {RoundToInt(l.x * kx), RoundToInt(-l.y * ky)};
}

void QtSurface::ApplyPen()
{
    // Width 0 is one device pixel (a cosmetic pen); otherwise logical units scaled to pixels.
    QPen qpen(ToQColor(pen.color));
    qpen.setStyle(Qt::SolidLine);
    qpen.setCapStyle(Qt::FlatCap);
    qpen.setJoinStyle(Qt::MiterJoin);
    qpen.setWidthF(pen.width <= 0 ? 0.0 : std::max(1.0, pen.width * kx));
    painter.setPen(qpen);
}

Pen QtSurface::SelectPen(const Pen& p)
{
    Pen old = pen;
    pen = p;
    ApplyPen();
    return old;
}

Brush QtSurface::SelectBrush(const Brush& b)
{
    Brush old = brush;
    brush = b;
    painter.setBrush(b.hollow ? QBrush(Qt::NoBrush) : QBrush(ToQColor(b.color)));
    return old;
}

FontDesc QtSurface::SelectFont(const FontDesc& f)
{
    FontDesc old = font;
    font = f;
    qfont = MakeQFont(f, ky * UnitsPerMm);
    painter.setFont(qfont);
    return old;
}

QRectF QtSurface::MapRect(int left, int top, int right, int bottom) const
{
    return QRectF(Map(left, top), Map(right, bottom)).normalized();
}

void QtSurface::Rectangle(int left, int top, int right, int bottom)
{
    painter.drawRect(MapRect(left, top, right, bottom));
}

void QtSurface::Ellipse(int left, int top, int right, int bottom)
{
    painter.drawEllipse(MapRect(left, top, right, bottom));
}

void QtSurface::FillRect(const Rect& rc, Rgb color)
{
    painter.fillRect(MapRect(rc.left, rc.top, rc.right, rc.bottom), ToQColor(color));
}

void QtSurface::MoveTo(int x, int y)
{
    current = {x, y};
}

void QtSurface::LineTo(int x, int y)
{
    painter.drawLine(Map(current.x, current.y), Map(x, y));
    current = {x, y};
}

void QtSurface::Polyline(const std::vector<Point>& points)
{
    if (points.size() < 2)
        return;
    QPolygonF poly;
    poly.reserve(static_cast<qsizetype>(points.size()));
    for (const Point& p : points)
        poly << Map(p.x, p.y);
    painter.drawPolyline(poly);
}

void QtSurface::TextOut(int x, int y, const std::string& text)
{
    const QFontMetricsF metrics(qfont);
    painter.save();
    painter.translate(Map(x, y));
    // Escapement is counter-clockwise in tenths of a degree; Qt turns clockwise on a y-down
    // device, so -900 (top to bottom) becomes +90 degrees.
    if (font.escapement != 0)
        painter.rotate(-font.escapement / 10.0);
    painter.setPen(QPen(Qt::black));
    painter.drawText(QPointF(0, metrics.ascent()),
                     QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    painter.restore();
}

void QtSurface::StretchImage(const PixelImage& image, int x, int y, int width, int height)
{
    const int w = image.Width();
    const int h = image.Height();
    if (w < 1 || h < 1 || width == 0 || height == 0)
        return;
    QImage q(w, h, QImage::Format_RGB32);
    const std::vector<Rgb>& src = image.Pixels();
    for (int row = 0; row < h; ++row) {
        auto* line = reinterpret_cast<QRgb*>(q.scanLine(row));
        const Rgb* in = src.data() + static_cast<std::size_t>(row) * w;
        for (int col = 0; col < w; ++col)
            line[col] = qRgb(RgbRed(in[col]), RgbGreen(in[col]), RgbBlue(in[col]));
    }
    // height extends downward, that is toward smaller y.
    const QRectF target =
        QRectF(Map(x, y), Map(static_cast<double>(x) + width, static_cast<double>(y) - height))
            .normalized();
    if (vectorDevice) {
        // Enlarge by a whole factor with copied pixels, so a viewer that smooths embedded images
        // still shows uniform cells; kept below 2048 pixels a side.
        const int factor = std::clamp(2048 / std::max(w, h), 1, 16);
        if (factor > 1)
            q = q.scaled(w * factor, h * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, q);
    painter.restore();
}

} // namespace platform
