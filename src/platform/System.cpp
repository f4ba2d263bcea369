#include "platform/System.h"

#include <cstdio>
#include <sys/stat.h>
#include <sys/utsname.h>

namespace platform {

bool PosixFileSystem::IsFolder(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::CreateFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0 || IsFolder(path);
}

OsVersionInfo PosixOsVersion::Query()
{
    OsVersionInfo info;
    struct utsname u;
    if (::uname(&u) == 0) {
        info.system = u.sysname;
        std::sscanf(u.release, "%d.%d", &info.major, &info.minor);
    }
    return info;
}

} // namespace platform
