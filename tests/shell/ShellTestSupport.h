#pragma once
// A headless session of the shell for tests: services, a working-folder root, one document and
// its view, and theVolume reset before and after.

#include "shell/KalderDoc.h"
#include "shell/KalderView.h"
#include "support/TestServices.h"
#include "volume/Data3D.h"

namespace shell_test {

// Resets theVolume to a fresh state between stories (it lives for the whole process).
inline void ResetVolume()
{
    CData3DEx& v = theVolume();
    v.Release();
    v.ReleaseAux();
    v.NX = v.NY = v.NZ = 0;
    v.StepX = v.StepY = v.StepZ = 1.0f;
    v.StartX = v.StartY = v.StartZ = 0;
    v.PlaneIndex = 0;
    v.PlaneKind = PlaneZ;
    v.DataType = 0;
    v.IsSpectrum = 0;
    v.FixedScale = 1;
    v.ZAxisDown = 1;
    v.DrawColourScale = 1;
    v.TitleX = "X", v.TitleY = "Y", v.TitleZ = "Z";
    v.UnitX = v.UnitY = v.UnitZ = "m";
    v.Stretch->Reset();
    v.bReadStretchInfo = 1;
}

// A headless session: services, a working folder root, one document and its view.
struct Session {
    Session() : env("KALDER_HOME", home.path), doc(), view(doc) { ResetVolume(); }
    ~Session() { ResetVolume(); }
    testing_support::HeadlessServices svc;
    testing_support::TempDir home;
    testing_support::ScopedEnv env;
    CKalderDoc doc;
    CKalderView view;
};

} // namespace shell_test
