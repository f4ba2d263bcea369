#pragma once
// Folder test and creation, the operating-system version, and the repaint request.

#include <string>

namespace platform {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool IsFolder(const std::string& path) = 0;
    // Creates one folder level; false when it cannot be created (or a file is in the way).
    virtual bool CreateFolder(const std::string& path) = 0;
};

class PosixFileSystem : public FileSystem {
public:
    bool IsFolder(const std::string& path) override;
    bool CreateFolder(const std::string& path) override;
};

// The version the operating system reports. system names the scheme the numbers follow
// ("Windows" or "Linux"), since the font size rule only means something for Windows numbers.
struct OsVersionInfo {
    std::string system;
    int major = 0;
    int minor = 0;
};

class OsVersion {
public:
    virtual ~OsVersion() = default;
    virtual OsVersionInfo Query() = 0;
};

// Reads the kernel release from uname().
class PosixOsVersion : public OsVersion {
public:
    OsVersionInfo Query() override;
};

class FixedOsVersion : public OsVersion {
public:
    explicit FixedOsVersion(OsVersionInfo info) : info(std::move(info)) {}
    OsVersionInfo Query() override { return info; }
    OsVersionInfo info;
};

// Invalidates the whole client area with background erase; the view's paint entry then runs.
class RepaintTarget {
public:
    virtual ~RepaintTarget() = default;
    virtual void RequestRepaint() = 0;
};

} // namespace platform
