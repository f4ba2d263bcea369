#include "platform/Services.h"

namespace platform {

namespace {

MemoryProfile& DefaultProfile()
{
    static MemoryProfile p;
    return p;
}
ConsoleUi& DefaultUi()
{
    static ConsoleUi u;
    return u;
}
PosixFileSystem& DefaultFileSystem()
{
    static PosixFileSystem f;
    return f;
}
PosixOsVersion& DefaultOsVersion()
{
    static PosixOsVersion v;
    return v;
}

Services& Current()
{
    static Services s;
    return s;
}

} // namespace

Services InstallServices(const Services& services)
{
    Services previous = Current();
    Current() = services;
    return previous;
}

Profile& GetProfile()
{
    return Current().profile ? *Current().profile : DefaultProfile();
}
Ui& GetUi()
{
    return Current().ui ? *Current().ui : DefaultUi();
}
FileSystem& GetFileSystem()
{
    return Current().fileSystem ? *Current().fileSystem : DefaultFileSystem();
}
OsVersion& GetOsVersion()
{
    return Current().osVersion ? *Current().osVersion : DefaultOsVersion();
}
void RequestRepaint()
{
    if (Current().repaint)
        Current().repaint->RequestRepaint();
}

} // namespace platform
