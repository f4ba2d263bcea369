// kalder-cli render: one plane of a volume to PNG, PDF or SVG through the window's own renderer,
// offscreen: no display, no window system, no dialog.

#include "Subcommands.h"
#include "VolumeIO.h"

#include "platform/TextFile.h"
#include "render/ColorPalette.h"
#include "render/PlotSettings.h"
#include "render_qt/RenderToFile.h"
#include "shell/KalderDoc.h"
#include "volume/Data3D.h"

#include <CLI/CLI.hpp>
#include <QGuiApplication>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace cli {

namespace {

struct RenderOptions {
    InputOptions input;
    std::string output;
    std::string plane = "z";
    int index = -1;
    double at = 0;
    bool grey = false;
    std::string labels = "km";
    int contours = 0;
    float interval = 0;
    std::vector<float> range;
    float scale = 0;
    std::string size;
    bool atGiven = false;
    std::string colourMap = "Classic";
    bool continuous = false;
    std::vector<float> clip; // lower and upper percent
    bool clipExact = false;
    bool symmetric = false;
};

constexpr double DotsPerMm = 4.0;      // PNG pixels per millimetre of the page
constexpr int FittedRightMargin = 350; // logical units of 0.1 mm: the colour scale's width

// Qt's own notes (a missing runtime folder, font fallbacks) are no business of a batch job's
// standard error; its warnings about failures show up as the job's own error.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "kalder-cli: %s\n", text.toLocal8Bit().constData());
}

int PlaneKindOf(const std::string& name)
{
    return name == "x" ? PlaneX : name == "y" ? PlaneY : PlaneZ;
}

// The plane whose coordinate lies nearest to at (axis units).
int NearestPlane(const CData3D& v, int kind, double at)
{
    int best = 0;
    double bestDistance = INFINITY;
    for (int i = 0; i < v.GetPlaneCount(kind); ++i) {
        const double d = std::fabs(v.GetPlaneCoordinate(kind, i) - at);
        if (d < bestDistance)
            best = i, bestDistance = d;
    }
    return best;
}

// Contour levels from the options; the automatic 24 between min and max when none is given.
void ApplyContours(const RenderOptions& o, const CData3D& v, CPlotSettings& ps)
{
    if (o.contours == 0 && o.interval == 0 && o.range.empty())
        return;
    float mn = 0, mx = 0;
    v.GetMinMax(mn, mx);
    ps.DataMin = mn, ps.DataMax = mx, ps.DataRangeValid = 1;
    ps.ContourMin = o.range.empty() ? mn : o.range[0];
    ps.ContourMax = o.range.empty() ? mx : o.range[1];
    const int count = o.contours > 0 ? o.contours : 24;
    ps.ContourInterval =
        o.interval > 0 ? o.interval : (ps.ContourMax - ps.ContourMin) / static_cast<float>(count);
    SetManualContours(ps);
}

// The colour map, shading and automatic colour range, as the window's View menu sets them.
void ApplyColours(const RenderOptions& o, CDisplayOptions& d)
{
    d.ColourMap = ColourMapFromName(o.colourMap);
    d.ContinuousShading = o.continuous ? 1 : 0;
    d.ClipToPercentiles = o.clip.empty() ? 0 : 1;
    if (!o.clip.empty()) {
        d.ClipLowPercent = o.clip[0];
        d.ClipHighPercent = o.clip[1];
    }
    d.ClipSampled = o.clipExact ? 0 : 1;
    d.SymmetricAboutZero = o.symmetric ? 1 : 0;
}

// Checks the options that CLI11 cannot check alone; empty when they fit together.
std::string CheckOptions(const RenderOptions& o, PageSetup& page)
{
    if (o.contours > 0 && o.interval > 0)
        return "--contours and --interval: give one of them";
    if (!o.range.empty() && !(o.range[0] < o.range[1]))
        return "--range MIN,MAX needs MIN below MAX";
    if (ColourMapFromName(o.colourMap) < 0)
        return "--colormap: \"" + o.colourMap + "\" is not one of Classic, Monochrome, viridis, " +
               "cividis, magma, Blue-white-red, turbo";
    if (!o.clip.empty() && !(o.clip[0] >= 0 && o.clip[0] < o.clip[1] && o.clip[1] <= 100))
        return "--clip LOW,HIGH needs 0 <= LOW < HIGH <= 100 (percent)";
    if (!o.size.empty()) {
        int w = 0, h = 0;
        char tail = 0;
        if (std::sscanf(o.size.c_str(), "%dx%d%c", &w, &h, &tail) != 2 || w < 16 || h < 16 ||
            w > 20000 || h > 20000)
            return "--size: \"" + o.size + "\" is not WIDTHxHEIGHT in pixels (16 to 20000)";
        page.widthMm = w / DotsPerMm;
        page.heightMm = h / DotsPerMm;
    }
    page.dotsPerMm = DotsPerMm;
    return {};
}

// Paints into a file beside the target and renames it, so a failure leaves no partial output.
int Paint(Job& job, CKalderDoc& doc, const RenderOptions& o, const PageSetup& page,
          const SliceViewState& state)
{
    const std::string out = job.Path(o.output);
    TempBeside temp(out);
    if (!temp.Made())
        return job.Fail(out, "cannot create a file in this folder");
    // Fonts need a GUI application; a batch job never talks to a display.
    if (const char* p = std::getenv("QT_QPA_PLATFORM"); !p || !*p)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "kalder-cli";
    char* argv[] = {name, nullptr};
    qInstallMessageHandler(QuietQtMessages);
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // the texts on the page use C number formats
    job.Stages().Stage("painting " + o.output);
    if (!RenderPlaneToFile(temp.Path(), PageFormatFromPath(out), page, *doc.PlotSettings, "",
                           *doc.DrawingParameter, theVolume(), state))
        return job.Fail(out, "the page could not be painted or written");
    std::string error;
    if (!temp.Commit(error))
        return job.Fail(out, "cannot replace the file: " + error);
    return ExitDone;
}

int RunRender(const CommonOptions& common, const RenderOptions& o)
{
    PageSetup page;
    Job job(common);
    if (!job.Started())
        return ExitFailed;
    if (std::string problem = CheckOptions(o, page); !problem.empty())
        return job.Usage(problem);
    CKalderDoc doc;
    if (int rc = LoadInput(job, doc, o.input); rc != ExitDone)
        return rc;
    CData3DEx& v = theVolume();
    const int kind = PlaneKindOf(o.plane);
    const int count = v.GetPlaneCount(kind);
    int index = o.atGiven ? NearestPlane(v, kind, o.at) : o.index < 0 ? count / 2 : o.index;
    if (index >= count)
        return job.Usage(platform::Format("--index %d: the %s plane has indices 0 to %d", index,
                                          o.plane.c_str(), count - 1));
    v.PlaneKind = kind;
    v.PlaneIndex = index;
    // Fitted to the page unless a map scale is asked for. A map-scale volume is fitted as the
    // window's "Fit to window" does, keeping square cells (and the V/H ratio); one drawn to fill
    // its page (phase-velocity images) leaves room on the right for the colour scale and its
    // labels, which the window's narrow margin would cut off.
    if (o.scale > 0) {
        v.FixedScale = 1;
        doc.PlotSettings->ScaleDenominator = o.scale;
    } else if (v.FixedScale == 1) {
        doc.PlotSettings->Display.FitToWindow = 1;
    } else {
        doc.DrawingParameter->RightMargin = FittedRightMargin;
    }
    ApplyContours(o, v, *doc.PlotSettings);
    ApplyColours(o, doc.PlotSettings->Display);
    SliceViewState state;
    state.colourMode = o.grey ? 0 : 1;
    state.kiloMeter = o.labels == "km" ? 1 : 0;
    if (int rc = Paint(job, doc, o, page, state); rc != ExitDone)
        return rc;
    return job.Succeed();
}

} // namespace

void AddRender(Registry r)
{
    auto o = std::make_shared<RenderOptions>();
    CLI::App* sub = r.app.add_subcommand(
        "render", "Draw one plane of a volume, as the window draws it, to PNG, PDF or SVG "
                  "(by the output's extension)");
    sub->add_option("FILE", o->input.path, "Volume to draw")->required();
    sub->add_option("-o,--output", o->output, "Picture to write: .png, .pdf or .svg")->required();
    sub->add_option("--plane", o->plane,
                    "Section: z (XY plane at a Z index), y (XZ plane at a Y index), x (YZ plane "
                    "at an X index)")
        ->check(CLI::IsMember({"x", "y", "z"}))
        ->capture_default_str();
    auto* index = sub->add_option("--index", o->index,
                                  "Plane index, cells from 0 (default: the middle plane)")
                      ->check(CLI::NonNegativeNumber);
    sub->add_option("--at", o->at, "Plane nearest to this coordinate (axis units)")
        ->excludes(index)
        ->each([o](const std::string&) { o->atGiven = true; });
    sub->add_flag("--grey", o->grey, "Grey levels instead of colours (default: colour)");
    sub->add_option("--labels", o->labels, "Axis labels in km or in the axis unit (m)")
        ->check(CLI::IsMember({"km", "m"}))
        ->capture_default_str();
    sub->add_option("--contours", o->contours,
                    "Number of contour intervals between min and max (default 24)")
        ->check(CLI::Range(1, 1000000));
    sub->add_option("--interval", o->interval, "Contour interval (value units)")
        ->check(CLI::PositiveNumber);
    sub->add_option("--range", o->range,
                    "Contour range MIN,MAX (value units; default: the data's min and max)")
        ->delimiter(',')
        ->expected(2);
    sub->add_option("--scale", o->scale,
                    "Map scale 1/S: draw at this scale instead of fitting the page")
        ->check(CLI::PositiveNumber);
    sub->add_option("--size", o->size,
                    "Page size WIDTHxHEIGHT in pixels at 4 pixels per mm (default 1188x840, A4 "
                    "landscape); PDF and SVG take the same page in mm");
    sub->add_option("--colormap", o->colourMap,
                    "Colour map: Classic, Monochrome, viridis, cividis, magma, Blue-white-red or "
                    "turbo (case ignored)")
        ->capture_default_str();
    sub->add_flag("--continuous", o->continuous,
                  "Each cell its interpolated colour instead of its band's (default: banded)");
    sub->add_option("--clip", o->clip,
                    "Automatic colour range between two percentiles LOW,HIGH of the values "
                    "(percent; default: the data's min and max)")
        ->delimiter(',')
        ->expected(2);
    sub->add_flag("--clip-exact", o->clipExact,
                  "Percentiles over every cell (default: from a sample of at least a million "
                  "cells when the volume is larger)");
    sub->add_flag("--symmetric", o->symmetric,
                  "Automatic colour range symmetric about zero, for perturbations");
    AddInputOptions(*sub, o->input);
    sub->callback([o, r]() { r.status = RunRender(r.common, *o); });
}

} // namespace cli
