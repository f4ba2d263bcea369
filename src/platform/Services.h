#pragma once
// The platform services the program reaches the system through. main() installs the backends
// (Qt, command line or test doubles) before anything else runs; whatever is not installed falls
// back to a headless default (in-memory profile, console Ui, POSIX folders and version).

#include "platform/Profile.h"
#include "platform/System.h"
#include "platform/Ui.h"

namespace platform {

struct Services {
    Profile* profile = nullptr;
    Ui* ui = nullptr;
    FileSystem* fileSystem = nullptr;
    OsVersion* osVersion = nullptr;
    RepaintTarget* repaint = nullptr;
};

// Installs the given services; null members select the defaults. Returns what was installed
// before, so a caller can put it back.
Services InstallServices(const Services& services);

Profile& GetProfile();
Ui& GetUi();
FileSystem& GetFileSystem();
OsVersion& GetOsVersion();
// Asks the installed view to repaint; does nothing when no view is installed.
void RequestRepaint();

// Installs services for the lifetime of a scope (tests), then restores the previous ones.
class ScopedServices {
public:
    explicit ScopedServices(const Services& services) : previous(InstallServices(services)) {}
    ~ScopedServices() { InstallServices(previous); }
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    Services previous;
};

} // namespace platform
