// kalder: the desktop program. Usage:
//   kalder [volume-file]            opens the file as the document
//   kalder --demo                   starts on the built-in demonstration model
//   kalder ... --snapshot out.png   renders the window to a PNG (or the view's page to a PDF or
//                                   SVG, by extension) and exits; no dialog is shown, and
//                                   without a display it runs offscreen
//   kalder ... --plane x|y|z        section shown first
//   kalder ... --index N            plane index shown first (clamped to the section's planes)

#include "MainWindow.h"
#include "QtProfile.h"
#include "QtUi.h"
#include "platform/Services.h"
#include "render_qt/RenderToFile.h"
#include "shell/DemoVolume.h"
#include "volume/Data3D.h"

#include "SliceWidget.h"
#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct Options {
    QCommandLineOption demo{"demo", "Start on the built-in demonstration model."};
    QCommandLineOption snapshot{"snapshot",
                                "Render to <file> and exit: the window as PNG, or the view's page "
                                "as PDF or SVG, by the file's extension. No dialog is shown: "
                                "questions take their preset answers, and one without a preset "
                                "ends the run with status 2. The profile is not written.",
                                "file"};
    QCommandLineOption plane{"plane", "Section shown first: x, y or z.", "kind"};
    QCommandLineOption index{"index",
                             "Plane index shown first, counted from 0 (clamped to the planes of "
                             "the section).",
                             "n"};
    QCommandLineOption screenshot{"screenshot",
                                  "Grab the whole screen to <png> with the mouse over the "
                                  "picture, then exit.",
                                  "png"};
};

void Describe(QCommandLineParser& parser, const Options& o)
{
    parser.setApplicationDescription("Kalder: viewer and model builder for 3D earth models");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({o.demo, o.snapshot, o.plane, o.index, o.screenshot});
    parser.addPositionalArgument("file", "Volume file to open.");
}

bool HasArgument(int argc, char** argv, const char* name)
{
    const std::size_t n = std::strlen(name);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0 ||
            (std::strncmp(argv[i], name, n) == 0 && argv[i][n] == '='))
            return true;
    return false;
}

bool Unset(const char* variable)
{
    const char* v = std::getenv(variable);
    return !v || !*v;
}

// Writes the snapshot; false when the file could not be written.
bool WriteSnapshot(MainWindow& window, const QString& out)
{
    std::string path = out.toStdString();
    PageFormat format = PageFormatFromPath(path);
    if (format == PageFormat::Png) {
        // Encoded in memory and put in place whole, so a failed write keeps an earlier file.
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        return window.grab().save(&buffer, "PNG") &&
               SaveBytesReplacing(path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    CKalderDoc& doc = window.Doc();
    CKalderView& view = window.View();
    if (!doc.PlotSettings)
        return false;
    SliceViewState state;
    state.pickedCount = view.PickedCount;
    state.pickedPoints = view.PickedPoints.empty() ? nullptr : view.PickedPoints.data();
    state.colourMode = view.ColourMode;
    state.kiloMeter = view.bKiloMeter;
    state.pickDisplay = view.PickMode;
    return RenderPlaneToFile(path, format, PageSetup{}, *doc.PlotSettings, doc.WorkingFolder,
                             *doc.DrawingParameter, theVolume(), state);
}

bool AsksForHelpOrVersion(int argc, char** argv)
{
    for (const char* name : {"--help", "-h", "--help-all", "--version", "-v"})
        if (HasArgument(argc, argv, name))
            return true;
    return false;
}

// Help and version need no window system: they are answered before a GUI application is made.
int PrintHelpOrVersion(int argc, char** argv, const Options& options)
{
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationVersion(KALDER_VERSION);
    QCommandLineParser parser;
    Describe(parser, options);
    parser.process(core); // prints the help and exits
    return 0;
}

// The section and plane asked for on the command line; false after a bad --index.
bool ShowFirstPlane(const QCommandLineParser& parser, const Options& options, MainWindow& window)
{
    CData3DEx& volume = theVolume();
    if (parser.isSet(options.plane)) {
        QString k = parser.value(options.plane).toLower();
        volume.PlaneKind = k == "x" ? PlaneX : k == "y" ? PlaneY : PlaneZ;
        // The demo's slow body lies at 20 km depth under x = 85 km: show it on every section.
        if (parser.isSet(options.demo))
            volume.PlaneIndex = k == "x" ? 85 : k == "y" ? 48 : 20;
        window.View().ClampPlaneIndex();
    }
    if (parser.isSet(options.index)) {
        bool ok = false;
        int index = parser.value(options.index).toInt(&ok);
        if (!ok || index < 0) {
            std::fprintf(stderr, "kalder: --index needs a plane index of 0 or more.\n");
            return false;
        }
        volume.PlaneIndex = index;
        window.View().ClampPlaneIndex();
    }
    return true;
}

// Writes the snapshot once the window has painted, then closes it.
void ScheduleSnapshot(MainWindow& window, const QString& out, bool& imageFailed)
{
    QTimer::singleShot(400, &window, [&window, out, &imageFailed]() {
        bool ok = WriteSnapshot(window, out);
        imageFailed = !ok;
        std::printf("%s%s\n", ok ? "" : "could not write ", out.toLocal8Bit().constData());
        // Nothing of a snapshot is saved: closing must not ask about it.
        window.Doc().SetModifiedFlag(false);
        window.close();
    });
}

// Grabs the whole screen with the pointer over the picture, then closes the window.
void ScheduleScreenshot(MainWindow& window, const QString& out, bool& imageFailed)
{
    window.move(0, 0);
    QTimer::singleShot(1200, &window, [&window, out, &imageFailed]() {
        // Point at a cell of the picture so the status bar shows its readout.
        QWidget* port = window.Slice()->viewport();
        QPointF at(port->width() * 0.3, port->height() * 0.35);
        QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        QApplication::processEvents();
        QTimer::singleShot(300, &window, [&window, out, &imageFailed]() {
            QPixmap shot = window.screen()->grabWindow(0);
            bool ok = shot.save(out);
            imageFailed = !ok;
            std::printf("%s%s\n", ok ? "" : "could not write ", out.toLocal8Bit().constData());
            window.close();
        });
    });
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (AsksForHelpOrVersion(argc, argv))
        return PrintHelpOrVersion(argc, argv, options);
    const bool snapshotMode = HasArgument(argc, argv, "--snapshot");
    // A snapshot needs no screen: without a display it draws offscreen.
    if (snapshotMode && Unset("QT_QPA_PLATFORM") && Unset("DISPLAY") && Unset("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    QApplication::setOrganizationName("Local AppWizard-Generated Applications");
    QApplication::setApplicationName("Kalder");
    QApplication::setApplicationVersion(KALDER_VERSION);
    // Qt adopts the user's locale for the C library; every text file and message of the program
    // uses C number formats ("%f" with a decimal point), whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");

    QCommandLineParser parser;
    Describe(parser, options);
    parser.process(app);

    // The platform services go in before anything reads the profile (theVolume, the view). A
    // snapshot reads the user's profile but keeps its own writes in memory, and answers every
    // question with its preset instead of a dialog.
    QtProfile qtProfile;
    platform::OverlayProfile overlay(qtProfile);
    platform::Profile& profile = snapshotMode ? static_cast<platform::Profile&>(overlay)
                                              : static_cast<platform::Profile&>(qtProfile);
    QtUi qtUi;
    platform::PresetUi presetUi;
    platform::Ui& ui =
        snapshotMode ? static_cast<platform::Ui&>(presetUi) : static_cast<platform::Ui&>(qtUi);
    platform::InstallServices({.profile = &profile, .ui = &ui});

    MainWindow window;
    qtUi.SetParent(&window);
    platform::InstallServices({.profile = &profile, .ui = &ui, .repaint = &window});
    auto finish = [&](int status) {
        if (!snapshotMode)
            qtProfile.Sync();
        platform::InstallServices({});
        return status;
    };
    auto unanswered = [&]() {
        if (presetUi.Unanswered().empty())
            return false;
        std::fprintf(stderr, "kalder: the snapshot stopped: %s has no preset answer.\n",
                     presetUi.Unanswered().c_str());
        return true;
    };

    CData3DEx& volume = theVolume();
    if (parser.isSet(options.demo)) {
        FillDemoVolume(volume);
        volume.PlaneKind = PlaneY;
        volume.PlaneIndex = volume.NY / 2;
    }
    if (!parser.positionalArguments().isEmpty() &&
        !window.OpenDocument(parser.positionalArguments().first())) {
        unanswered();
        return finish(1);
    }
    if (snapshotMode && unanswered())
        return finish(2);
    if (!ShowFirstPlane(parser, options, window))
        return finish(2);
    window.UpdateActions();
    window.show();

    bool imageFailed = false;
    if (snapshotMode)
        ScheduleSnapshot(window, parser.value(options.snapshot), imageFailed);
    if (parser.isSet(options.screenshot))
        ScheduleScreenshot(window, parser.value(options.screenshot), imageFailed);
    int rc = app.exec();
    if (snapshotMode && unanswered())
        return finish(2);
    return finish(rc != 0 ? rc : imageFailed ? 2 : 0);
}
