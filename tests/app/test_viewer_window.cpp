// Smoke tests of the viewer's additions in the Qt window (offscreen): the plane slider follows
// the navigation commands and the keys, Ctrl + wheel zooms about the cursor, the picture export
// writes complete files, and the profile and histogram windows show what the shell computed.

#include "MainWindow.h"
#include "QtProfile.h"
#include "SliceWidget.h"
#include "ViewerDocks.h"
#include "platform/Services.h"
#include "shell/CommandIds.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QWheelEvent>

#include "support/OffscreenApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

namespace {

QApplication& ViewerApp()
{
    return testing_support::OffscreenApplication<QApplication>();
}

struct Viewer {
    Viewer()
        : profileEnv("KALDER_PROFILE", dir.File("profile.ini")), homeEnv("KALDER_HOME", dir.path)
    {
        ViewerApp();
        services = std::make_unique<platform::ScopedServices>(
            platform::Services{.profile = &profile, .ui = &ui});
        CData3DEx& v = theVolume();
        testing_support::ResetToNew(v); // whatever earlier tests of the process left
        testing_support::FillCoded(v, 40, 30, 20);
        v.StepX = v.StepY = v.StepZ = 1.0f; // 1 m cells: a dot at the map scale
        v.PlaneKind = PlaneZ;
        v.PlaneIndex = 0;
        window = std::make_unique<MainWindow>();
        window->resize(1100, 780);
        window->show();
        QApplication::processEvents();
    }
    ~Viewer()
    {
        window.reset();
        testing_support::ResetToNew(theVolume());
    }
    testing_support::TempDir dir;
    testing_support::ScopedEnv profileEnv;
    testing_support::ScopedEnv homeEnv;
    QtProfile profile;
    platform::ScriptedUi ui;
    std::unique_ptr<platform::ScopedServices> services;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST(ViewerWindow, SliderAndSpinBoxFollowEveryWayOfStepping)
{
    Viewer w;
    CData3DEx& v = theVolume();
    EXPECT_EQ(w.window->PlaneSlider()->maximum(), 19);
    w.window->RunCommand(ID_FAST_FORWARD);
    EXPECT_EQ(w.window->PlaneSlider()->value(), 10);
    EXPECT_EQ(w.window->PlaneSpin()->value(), 10);
    // The keys reach the commands through the window's shortcuts.
    w.window->Slice()->setFocus();
    for (auto [key, expected] : {std::pair{Qt::Key_PageDown, 11},
                                 {Qt::Key_End, 19},
                                 {Qt::Key_PageUp, 18},
                                 {Qt::Key_Home, 0}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget()
                                                      : static_cast<QWidget*>(w.window.get());
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
        QApplication::processEvents();
        // Offscreen windows may not take the focus: then the key's action is triggered as the
        // shortcut would.
        if (v.PlaneIndex != expected)
            for (QAction* a : static_cast<QWidget*>(w.window.get())->actions())
                if (a->shortcut() == QKeySequence(key))
                    a->trigger();
        EXPECT_EQ(v.PlaneIndex, expected) << key;
        EXPECT_EQ(w.window->PlaneSlider()->value(), expected);
    }
    // Moving the slider shows the plane.
    w.window->PlaneSpin()->setValue(7);
    EXPECT_EQ(v.PlaneIndex, 7);
    EXPECT_EQ(w.window->PlaneSlider()->value(), 7);
    w.window->RunCommand(ID_PLANE_X);
    EXPECT_EQ(w.window->PlaneSlider()->maximum(), 39);
}

TEST(ViewerWindow, FirstStartFitsAndCtrlWheelZoomsAboutTheCursor)
{
    Viewer w;
    CPlotSettings& s = *w.window->Doc().PlotSettings;
    EXPECT_TRUE(w.window->Action(ID_FIT_TO_WINDOW)->isChecked());
    w.window->RunCommand(ID_PLANE_Y); // 40 columns by 20 rows: as wide as the window allows
    w.window->Slice()->viewport()->repaint();
    const float fitted = s.ScaleInUse;
    EXPECT_LT(fitted, 2000.0f); // 40 cells of 1 m across most of the window
    QWidget* port = w.window->Slice()->viewport();
    const QPointF at(port->width() * 0.45, port->height() * 0.4);
    const QPointF before = w.window->Slice()->ToLogical(at);
    QWheelEvent wheel(at, port->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(port, &wheel);
    EXPECT_FALSE(w.window->Action(ID_FIT_TO_WINDOW)->isChecked());
    EXPECT_NEAR(s.ScaleDenominator, fitted / 1.5f, 1.0f);
    // The page point under the cursor moved by the zoom, and the view scrolled after it.
    const QPointF origin(s.OriginX, s.OriginY);
    const QPointF moved = origin + (before - origin) * 1.5;
    const QPointF now = w.window->Slice()->ToLogical(at);
    EXPECT_NEAR(now.x(), moved.x(), 5.0);
    // Vertically the page may end first: scrolling stops at the picture's edge.
    const QScrollBar* down = w.window->Slice()->verticalScrollBar();
    if (down->value() < down->maximum())
        EXPECT_NEAR(now.y(), moved.y(), 5.0);
    else
        EXPECT_GT(now.y(), moved.y());
    EXPECT_GT(w.window->Slice()->horizontalScrollBar()->value(), 0);
}

TEST(ViewerWindow, ExportPictureWritesCompleteFilesOnly)
{
    Viewer w;
    const QString png = QString::fromStdString(w.dir.File("figure.png"));
    ASSERT_TRUE(w.window->ExportPicture(png, 1600));
    const QImage image(png);
    EXPECT_EQ(image.width(), 1600);
    EXPECT_GT(image.height(), 800);
    for (const char* name : {"figure.pdf", "figure.svg"})
        EXPECT_TRUE(w.window->ExportPicture(QString::fromStdString(w.dir.File(name)), 1000))
            << name;
    QFile svg(QString::fromStdString(w.dir.File("figure.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("<svg"));
    // An unwritable place: false, and nothing half-written left behind.
    EXPECT_FALSE(
        w.window->ExportPicture(QString::fromStdString(w.dir.File("missing/figure.png")), 800));
    for (const auto& e : std::filesystem::directory_iterator(w.dir.path))
        EXPECT_EQ(e.path().string().find("kalder-part"), std::string::npos) << e.path();
}

TEST(ViewerWindow, ProfileAndHistogramWindows)
{
    Viewer w;
    theVolume().PlaneKind = PlaneY;
    w.window->RunCommand(ID_PLANE_Y);
    w.window->Slice()->viewport()->repaint();
    const SliceLayout layout = w.window->View().CurrentLayout();
    const SlicePoint c = layout.CellCentre(12, 5);
    ASSERT_TRUE(w.window->ShowProfilesAt(static_cast<int>(c.x), static_cast<int>(c.y)));
    EXPECT_TRUE(w.window->Profiles()->isVisible());
    const CellProfiles& p = w.window->Profiles()->Profiles();
    EXPECT_EQ(p.column, 12);
    EXPECT_EQ(p.row, 5);
    EXPECT_EQ(p.vertical.values.size(), 20u);
    EXPECT_FALSE(w.window->ShowProfilesAt(0, 0)); // the page corner holds no cell

    w.window->RunCommand(ID_HISTOGRAM);
    ASSERT_TRUE(w.window->Histogram()->isVisible());
    const ValueHistogram& h = w.window->Histogram()->Histogram();
    EXPECT_EQ(std::accumulate(h.counts.begin(), h.counts.end(), std::int64_t{0}), 40 * 30 * 20);
    // New values reach the open window.
    w.window->RunCommand(ID_CLEAR_VOLUME);
    EXPECT_TRUE(w.window->Histogram()->Histogram().counts.empty());
}
