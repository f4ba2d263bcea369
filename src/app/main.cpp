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

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Local AppWizard-Generated Applications");
    QApplication::setApplicationName("Kalder");

    QCommandLineParser parser;
    parser.setApplicationDescription("Kalder: viewer and model builder for 3D earth models");
    parser.addHelpOption();
    QCommandLineOption demo("demo", "Start on the built-in demonstration model.");
    QCommandLineOption snapshot("snapshot", "Render the window to <png> and exit.", "png");
    QCommandLineOption plane("plane", "Section shown first: x, y or z.", "kind");
    parser.addOptions({demo, snapshot, plane});
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
        window.View().ClampPlaneIndex();
    }
    window.UpdateActions();
    window.show();

    if (parser.isSet(snapshot)) {
        QString out = parser.value(snapshot);
        QTimer::singleShot(400, &window, [&window, out]() {
            bool ok = window.grab().save(out);
            std::printf("%s%s\n", ok ? "" : "could not write ", out.toLocal8Bit().constData());
            window.close();
        });
    }
    int rc = app.exec();
    profile.Sync();
    platform::InstallServices({});
    return rc;
}
