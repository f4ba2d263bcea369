#include "platform/qt/QtSurface.h"
#include "regional/RegionalModelHolder.h"
#include "render_qt/RenderToFile.h"
#include "support/TestServices.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "support/OffscreenApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// Fonts need a QGuiApplication; the tests run without a display.
void EnsureApp()
{
    testing_support::OffscreenApplication<QGuiApplication>();
}

// The test volume (Values[z][y][x] = z y, 100 cells a side) with 1 km cells, drawn at 1/1000000
// as 1 mm per cell.
void MakeTestVolume(CData3DEx& v)
{
    v.FillTestData();
    v.StepX = v.StepY = v.StepZ = 1000.0f;
}

// Layer tops deepening along the first axis, for the overlay on vertical sections.
std::unique_ptr<CIntermediateModel> MakeLayerModel()
{
    auto m = std::make_unique<CIntermediateModel>();
    m->InitGrid(2, 2, "");
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            CIntermediateData& r = m->Record(i, j);
            r.X = 100000.0f * i, r.Y = 100000.0f * j, r.LayerCount = 4;
            const float tilt = 20000.0f * i + 10000.0f * j;
            r.top[0] = 0, r.top[1] = -5000 - tilt, r.top[2] = -30000 - tilt,
            r.top[3] = -60000 - 0.5f * tilt;
        }
    return m;
}

} // namespace

TEST(QtSurface, MappingAndSharpCells)
{
    EnsureApp();
    QImage image(1000, 500, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        platform::QtSurface s(painter, 4.0, 4.0, QRectF(0, 0, 1000, 500));
        EXPECT_EQ(s.ClientRect(), (platform::Rect{0, 0, 2500, -1250}));
        EXPECT_EQ(s.LogicalToDevice({100, -100}), (platform::Point{40, 40}));
        EXPECT_EQ(s.DeviceToLogical({40, 40}), (platform::Point{100, -100}));
        // Two cells over 25 mm: each a uniform block, no blended colour at the seam.
        platform::PixelImage cells(2, 1);
        cells.SetPixel(0, 0, platform::MakeRgb(255, 0, 0));
        cells.SetPixel(1, 0, platform::MakeRgb(0, 0, 255));
        s.StretchImage(cells, 0, 0, 250, 125);
    }
    for (int x = 0; x < 100; ++x) {
        const QRgb px = image.pixel(x, 20);
        EXPECT_EQ(px, x < 50 ? qRgb(255, 0, 0) : qRgb(0, 0, 255)) << x;
    }
    EXPECT_EQ(image.pixel(20, 49), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(20, 50), qRgb(255, 255, 255));
    // Fonts are sized by cell height: 3.5 mm at 10 px/mm is about 35 pixels.
    const QFont f = platform::QtSurface::MakeQFont(platform::FontDesc{"Arial", 35}, 10.0);
    const QFontMetricsF m(f);
    EXPECT_NEAR(m.ascent() + m.descent(), 35.0, 3.0);
}

TEST(RenderToFile, PngPdfAndSvgOfTheTestVolume)
{
    EnsureApp();
    testing_support::HeadlessServices services;
    testing_support::TempDir scratch;
    // Set KALDER_RENDER_DIR to keep the pictures for a person to look at.
    const char* keep = std::getenv("KALDER_RENDER_DIR");
    const std::string out = keep ? keep : scratch.path;
    std::filesystem::create_directories(out);
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(scratch.path); // the axis and query logs land here

    CData3DEx volume;
    MakeTestVolume(volume);
    CDrawingParameter layout;
    layout.LeftMargin = 250, layout.TopMargin = 200, layout.BottomMargin = 150;
    PageSetup page; // A4 landscape at 4 px/mm
    CRegionalModelHolder& holder = theRegionalModelHolder();
    holder.Select(MakeLayerModel(), std::make_unique<CIntermediateData>(), 0, 0);

    struct Case {
        const char* name;
        int kind;
        int index;
        int stretch;
        int colour;
    };
    const Case cases[] = {{"xy", PlaneZ, 50, 0, 1},
                          {"xz_stretched", PlaneY, 60, 1, 1},
                          {"yz", PlaneX, 30, 0, 1},
                          {"xy_grey", PlaneZ, 50, 0, 0},
                          {"xz_stretched_grey", PlaneY, 60, 1, 0},
                          {"yz_grey", PlaneX, 30, 0, 0}};
    for (const Case& c : cases) {
        CPlotSettings settings;
        volume.PlaneKind = c.kind;
        volume.PlaneIndex = c.index;
        StretchInfo& st = *volume.Stretch;
        st.StretchOn = c.stretch, st.NArea = 3;
        st.Boundary[0] = 20, st.Boundary[1] = 30, st.Boundary[2] = 50;
        st.Stretch[0] = 2, st.Stretch[1] = 1, st.Stretch[2] = 0.5f;
        holder.Loaded = c.kind == PlaneZ ? 0 : 1;
        SliceViewState view;
        view.colourMode = c.colour;
        const std::string png = out + "/slice_" + c.name + ".png";
        ASSERT_TRUE(RenderPlaneToFile(png, PageFormat::Png, page, settings, scratch.path, layout,
                                      volume, view));
        QImage read(QString::fromStdString(png));
        ASSERT_FALSE(read.isNull());
        EXPECT_EQ(read.width(), 1188);
        EXPECT_EQ(read.height(), 840);
        // The image's top-left cell starts at (25 mm, 20 mm) from the page corner.
        const QColor corner = read.pixelColor(102, 82);
        EXPECT_NE(corner, QColor(Qt::white)) << c.name;
    }
    // The vector formats of one plane.
    CPlotSettings settings;
    volume.PlaneKind = PlaneY, volume.PlaneIndex = 60;
    SliceViewState view;
    EXPECT_EQ(PageFormatFromPath("a/b.PDF"), PageFormat::Pdf);
    EXPECT_EQ(PageFormatFromPath("b.svg"), PageFormat::Svg);
    for (const char* ext : {".pdf", ".svg"}) {
        const std::string file = out + "/slice_xz_stretched" + ext;
        ASSERT_TRUE(RenderPlaneToFile(file, PageFormatFromPath(file), page, settings, scratch.path,
                                      layout, volume, view));
        EXPECT_GT(std::filesystem::file_size(file), 1000u);
    }
    // Impossible pages are refused.
    PageSetup bad;
    bad.widthMm = -1;
    EXPECT_FALSE(RenderPlaneToFile(out + "/bad.png", PageFormat::Png, bad, settings, "", layout,
                                   volume, view));
    holder.Loaded = 0;
    holder.Select(std::make_unique<CIntermediateModel>(), std::make_unique<CIntermediateData>(), 0,
                  0);
    std::filesystem::current_path(cwd);
}

// fontconfig keeps a cache for the life of the process; it is not ours to free.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
