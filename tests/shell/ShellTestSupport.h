#pragma once
// A headless session of the shell for tests: services, a working-folder root, one document and
// its view, and theVolume reset before and after.

#include "shell/KalderDoc.h"
#include "shell/KalderView.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"

namespace shell_test {

// Resets theVolume to a fresh state between stories (it lives for the whole process): every
// field as a new volume has it, so a field added later cannot be missed.
inline void ResetVolume()
{
    testing_support::ResetToNew(theVolume());
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
