#include "render_qt/RenderToFile.h"

#include "platform/BinaryFile.h"
#include "platform/qt/QtSurface.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

bool ValidPage(const PageSetup& page)
{
    return std::isfinite(page.widthMm) && std::isfinite(page.heightMm) && page.widthMm > 0 &&
           page.heightMm > 0 && page.widthMm < 10000 && page.heightMm < 10000;
}

void Paint(QPainter& painter, double dotsPerMm, QSizeF pixels, bool vector, CPlotSettings& settings,
           const std::string& folder, const CDrawingParameter& layout, const CData3D& volume,
           const SliceViewState& view)
{
    painter.fillRect(QRectF(QPointF(0, 0), pixels), Qt::white);
    platform::QtSurface surface(painter, dotsPerMm, dotsPerMm, QRectF(QPointF(0, 0), pixels),
                                vector);
    DrawVolumePlane(settings, surface, folder, layout, volume, view);
}

bool EncodePage(QIODevice& device, PageFormat format, const PageSetup& page,
                CPlotSettings& settings, const std::string& folder, const CDrawingParameter& layout,
                const CData3D& volume, const SliceViewState& view);

} // namespace

PageFormat PageFormatFromPath(const std::string& path)
{
    std::string ext;
    const auto dot = path.find_last_of('.');
    if (dot != std::string::npos)
        ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    if (ext == "pdf")
        return PageFormat::Pdf;
    if (ext == "svg")
        return PageFormat::Svg;
    return PageFormat::Png;
}

bool RenderPlaneToFile(const std::string& path, PageFormat format, const PageSetup& page,
                       CPlotSettings& settings, const std::string& folder,
                       const CDrawingParameter& layout, const CData3D& volume,
                       const SliceViewState& view, std::string* error)
{
    if (error)
        error->clear();
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!EncodePage(buffer, format, page, settings, folder, layout, volume, view))
            return false;
    }
    return SaveBytesReplacing(path, bytes.constData(), static_cast<std::size_t>(bytes.size()),
                              error);
}

bool SaveBytesReplacing(const std::string& path, const void* data, std::size_t size,
                        std::string* error)
{
    std::string why;
    auto file = platform::AtomicFile::Create(path, &why);
    if (file) {
        // In pieces, as any large write reaches the disk; Commit refuses a file whose write
        // failed and gives the reason.
        constexpr std::size_t piece = 16384;
        const auto* bytes = static_cast<const char*>(data);
        for (std::size_t at = 0; at < size; at += piece)
            if (!file->Write(bytes + at, std::min(piece, size - at)))
                break;
        if (file->Commit(&why))
            return true;
    }
    if (error)
        *error = why;
    return false;
}

namespace {

bool EncodePage(QIODevice& device, PageFormat format, const PageSetup& page,
                CPlotSettings& settings, const std::string& folder, const CDrawingParameter& layout,
                const CData3D& volume, const SliceViewState& view)
{
    if (!ValidPage(page))
        return false;
    switch (format) {
    case PageFormat::Png: {
        if (!(page.dotsPerMm > 0) || page.dotsPerMm > 100)
            return false;
        const int w = std::max(1, static_cast<int>(std::lround(page.widthMm * page.dotsPerMm)));
        const int h = std::max(1, static_cast<int>(std::lround(page.heightMm * page.dotsPerMm)));
        QImage image(w, h, QImage::Format_RGB32);
        if (image.isNull())
            return false;
        const int dotsPerMetre = static_cast<int>(std::lround(page.dotsPerMm * 1000.0));
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        {
            QPainter painter(&image);
            Paint(painter, page.dotsPerMm, QSizeF(w, h), false, settings, folder, layout, volume,
                  view);
        }
        return image.save(&device, "PNG");
    }
    case PageFormat::Pdf: {
        QPdfWriter writer(&device);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QSizeF(page.widthMm, page.heightMm), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&writer))
            return false;
        const double dotsPerMm = writer.resolution() / 25.4;
        Paint(painter, dotsPerMm, QSizeF(writer.width(), writer.height()), true, settings, folder,
              layout, volume, view);
        return painter.end();
    }
    case PageFormat::Svg: {
        // One SVG unit per logical unit: 254 dpi is 10 units per millimetre.
        constexpr double dotsPerMm = 10.0;
        const QSize size(static_cast<int>(std::lround(page.widthMm * dotsPerMm)),
                         static_cast<int>(std::lround(page.heightMm * dotsPerMm)));
        QSvgGenerator generator;
        generator.setOutputDevice(&device);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setResolution(254);
        generator.setTitle(QStringLiteral("Kalder"));
        QPainter painter;
        if (!painter.begin(&generator))
            return false;
        Paint(painter, dotsPerMm, QSizeF(size), true, settings, folder, layout, volume, view);
        return painter.end();
    }
    }
    return false;
}

} // namespace
