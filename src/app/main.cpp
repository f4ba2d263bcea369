// kalder: the desktop program. Usage:
//   kalder [volume-file]            opens the file as the document
//   kalder --demo                   starts on the built-in demonstration model
//   kalder ... --snapshot out.png   renders the window to a PNG and exits (works offscreen)
//   kalder ... --plane x|y|z        section shown first

#include "MainWindow.h"
#include "QtProfile.h"
#include "QtUi.h"
#include "platform/Services.h"
#include "shell/DemoVolume.h"
#include "volume/Data3D.h"

#include "SliceWidget.h"
#include <QApplication>
#include <QCommandLineParser>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Local AppWizard-Generated Applications");
    QApplication::setApplicationName("Kalder");
    // Qt adopts the user's locale for the C library; every text file and message of the program
    // uses C number formats ("%f" with a decimal point), whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");

    QCommandLineParser parser;
    parser.setApplicationDescription("Kalder: viewer and model builder for 3D earth models");
    parser.addHelpOption();
    QCommandLineOption demo("demo", "Start on the built-in demonstration model.");
    QCommandLineOption snapshot("snapshot", "Render the window to <png> and exit.", "png");
    QCommandLineOption plane("plane", "Section shown first: x, y or z.", "kind");
    QCommandLineOption screenshot("screenshot",
                                  "Grab the whole screen to <png> with the mouse over the "
                                  "picture, then exit.",
                                  "png");
    parser.addOptions({demo, snapshot, plane, screenshot});
    parser.addPositionalArgument("file", "Volume file to open.");
    parser.process(app);

    // The platform services go in before anything reads the profile (theVolume, the view).
    QtProfile profile;
    QtUi ui;
    platform::InstallServices({&profile, &ui, nullptr, nullptr, nullptr});

    MainWindow window;
    ui.SetParent(&window);
    platform::InstallServices({&profile, &ui, nullptr, nullptr, &window});

    CData3DEx& volume = theVolume();
    if (parser.isSet(demo)) {
        FillDemoVolume(volume);
        volume.PlaneKind = PlaneY;
        volume.PlaneIndex = volume.NY / 2;
    }
    if (!parser.positionalArguments().isEmpty() &&
        !window.OpenDocument(parser.positionalArguments().first()))
        return 1;
    if (parser.isSet(plane)) {
        QString k = parser.value(plane).toLower();
        volume.PlaneKind = k == "x" ? PlaneX : k == "y" ? PlaneY : PlaneZ;
        // The demo's slow body lies at 20 km depth under x = 85 km: show it on every section.
        if (parser.isSet(demo))
            volume.PlaneIndex = k == "x" ? 85 : k == "y" ? 48 : 20;
        window.View().ClampPlaneIndex();
    }
    window.UpdateActions();
    window.show();

    bool imageFailed = false;
    if (parser.isSet(snapshot)) {
        QString out = parser.value(snapshot);
        QTimer::singleShot(400, &window, [&window, out, &imageFailed]() {
            bool ok = window.grab().save(out);
            imageFailed = !ok;
            std::printf("%s%s\n", ok ? "" : "could not write ", out.toLocal8Bit().constData());
            window.close();
        });
    }
    if (parser.isSet(screenshot)) {
        QString out = parser.value(screenshot);
        window.move(0, 0);
        QTimer::singleShot(1200, &window, [&window, out, &imageFailed]() {
            // Point at a cell of the picture so the status bar shows its readout.
            QWidget* port = window.Slice()->viewport();
            QPointF at(port->width() * 0.3, port->height() * 0.35);
            QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
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
    int rc = app.exec();
    profile.Sync();
    platform::InstallServices({});
    return rc != 0 ? rc : imageFailed ? 2 : 0;
}
