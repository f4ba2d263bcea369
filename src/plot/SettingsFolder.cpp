#include "plot/SettingsFolder.h"

#include "platform/Services.h"

#include <cstdlib>

std::string SettingsRoot()
{
    auto nonEmpty = [](const char* v) { return v != nullptr && *v != '\0'; };
    std::string root;
    if (const char* home = std::getenv("KALDER_HOME"); nonEmpty(home))
        root = home;
    else if (const char* xdg = std::getenv("XDG_DATA_HOME"); nonEmpty(xdg))
        root = xdg;
    else if (const char* user = std::getenv("HOME"); nonEmpty(user))
        root = std::string(user) + "/.local/share";
    else
        root = ".";
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

namespace {

// Makes path and any missing parents (the root may not exist yet on a fresh account).
bool MakeTree(platform::FileSystem& fs, const std::string& path)
{
    if (path.empty() || fs.IsFolder(path))
        return true;
    std::string::size_type slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeTree(fs, path.substr(0, slash)))
        return false;
    return fs.CreateFolder(path);
}

bool EnsureFolder(platform::FileSystem& fs, const std::string& path)
{
    return fs.IsFolder(path) || fs.CreateFolder(path);
}

} // namespace

std::string GetSettingsFolder(const std::string& name)
{
    platform::FileSystem& fs = platform::GetFileSystem();
    std::string root = SettingsRoot();
    if (!MakeTree(fs, root))
        return {};
    std::string level1 = root + "/Norvane";
    if (!EnsureFolder(fs, level1))
        return {};
    std::string level2 = level1 + "/Pelorix";
    if (!EnsureFolder(fs, level2))
        return {};
    std::string folder = level2 + "/" + name;
    if (!EnsureFolder(fs, folder))
        return {};
    return folder;
}
