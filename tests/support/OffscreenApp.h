#pragma once
// One Qt application per test program, whichever suite asks first: offscreen unless the
// environment names a platform, and never destroyed (Qt's exit routines must not run after the
// statics they use are gone).

#include <QCoreApplication>

#include <cstdlib>

namespace testing_support {

template <typename Application>
Application& OffscreenApplication()
{
    if (auto* existing = qobject_cast<Application*>(QCoreApplication::instance()))
        return *existing;
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "kalder-tests";
    static char* argv[] = {name, nullptr};
    static Application* app = new Application(argc, argv);
    return *app;
}

} // namespace testing_support
