#pragma once
// One paint of a volume plane written to a PNG, PDF or SVG page, as the view would paint it on a
// page of that size. Needs a QGuiApplication (fonts); none of its types appear here.

#include "plot/DrawingParameter.h"
#include "render/DrawSlice.h"
#include "render/PlotSettings.h"
#include "volume/Data3D.h"

#include <cstddef>
#include <string>

enum class PageFormat { Png, Pdf, Svg };

struct PageSetup {
    double widthMm = 297.0; // page size, millimetres (A4 landscape by default)
    double heightMm = 210.0;
    double dotsPerMm = 4.0; // PNG pixels per millimetre (about 100 dpi); PDF and SVG ignore it
};

// The format named by the path's extension (".png", ".pdf", ".svg", any case); Png otherwise.
PageFormat PageFormatFromPath(const std::string& path);

// Paints the volume's current plane (PlaneKind, PlaneIndex, Stretch) on a white page and writes
// it to path, replacing an earlier file only once the whole page is written. Returns false when
// the page is empty or the file cannot be written; error then holds the system's reason for a
// file that could not be written (empty for a page that could not be painted), and an earlier
// file at path is unchanged.
bool RenderPlaneToFile(const std::string& path, PageFormat format, const PageSetup& page,
                       CPlotSettings& settings, const std::string& folder,
                       const CDrawingParameter& layout, const CData3D& volume,
                       const SliceViewState& view, std::string* error = nullptr);

// Writes size bytes to path through a temporary file beside it that replaces path only when all
// of them are on disk. False (with the system's reason in error) when a write failed; an earlier
// file at path is then unchanged.
bool SaveBytesReplacing(const std::string& path, const void* data, std::size_t size,
                        std::string* error = nullptr);
