#include "platform/BinaryFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::size_t ReadAll(int fd, void* buffer, std::size_t count)
{
    auto* p = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd, p + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool WriteAll(int fd, const void* buffer, std::size_t count)
{
    const auto* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd, p + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

AtomicWriteHook& WriteHook()
{
    static AtomicWriteHook hook;
    return hook;
}

int Whence(SeekFrom from)
{
    return from == SeekFrom::Begin ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
}

class PosixFile : public BinaryFile {
public:
    PosixFile(int fd, std::string path) : fd(fd), path(std::move(path)) {}
    ~PosixFile() override { Close(); }
    std::size_t Read(void* buffer, std::size_t count) override
    {
        return fd < 0 ? 0 : ReadAll(fd, buffer, count);
    }
    bool Write(const void* buffer, std::size_t count) override
    {
        return fd >= 0 && WriteAll(fd, buffer, count);
    }
    bool Seek(std::int64_t offset, SeekFrom from) override
    {
        return fd >= 0 && ::lseek(fd, static_cast<off_t>(offset), Whence(from)) >= 0;
    }
    std::int64_t Tell() override { return fd < 0 ? -1 : ::lseek(fd, 0, SEEK_CUR); }
    std::int64_t Length() override
    {
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0)
            return -1;
        return static_cast<std::int64_t>(st.st_size);
    }
    bool Close() override
    {
        if (fd < 0)
            return true;
        int rc = ::close(fd);
        fd = -1;
        return rc == 0;
    }
    const std::string& Path() const override { return path; }

private:
    int fd;
    std::string path;
};

std::unique_ptr<BinaryFile> OpenWith(const std::string& path, int flags, std::string* error)
{
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error)
            *error = std::strerror(errno);
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        if (error)
            *error = std::strerror(EISDIR);
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd, path);
}

} // namespace

void SetAtomicWriteHook(AtomicWriteHook hook)
{
    WriteHook() = std::move(hook);
}

std::unique_ptr<BinaryFile> OpenBinaryRead(const std::string& path, std::string* error)
{
    return OpenWith(path, O_RDONLY, error);
}

std::unique_ptr<BinaryFile> CreateBinaryWrite(const std::string& path, std::string* error)
{
    return OpenWith(path, O_WRONLY | O_CREAT | O_TRUNC, error);
}

AtomicFile::AtomicFile(int f, std::string t, std::string tmp)
    : fd(f), target(std::move(t)), temp(std::move(tmp))
{
}

std::unique_ptr<AtomicFile> AtomicFile::Create(const std::string& target, std::string* error)
{
    std::string temp = target + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        if (error)
            *error = std::strerror(errno);
        return nullptr;
    }
    // Keep the permissions an ordinary new file would get, not mkstemp's 0600.
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st;
    mode_t mode = (::stat(target.c_str(), &st) == 0) ? (st.st_mode & 07777) : (0666 & ~mask);
    ::fchmod(fd, mode);
    return std::unique_ptr<AtomicFile>(new AtomicFile(fd, target, name.data()));
}

AtomicFile::~AtomicFile()
{
    Close();
}

std::size_t AtomicFile::Read(void* buffer, std::size_t count)
{
    return fd < 0 ? 0 : ReadAll(fd, buffer, count);
}

bool AtomicFile::Write(const void* buffer, std::size_t count)
{
    if (fd < 0)
        return false;
    const AtomicWriteHook& hook = WriteHook();
    errno = 0;
    bool ok = true;
    if (hook && !hook(target, written, count)) {
        errno = ENOSPC;
        ok = false;
    }
    ok = ok && WriteAll(fd, buffer, count);
    if (!ok) {
        if (!failed)
            failure = errno != 0 ? std::strerror(errno) : "a write failed";
        failed = true;
        return false;
    }
    written += static_cast<std::int64_t>(count);
    return true;
}

bool AtomicFile::Seek(std::int64_t offset, SeekFrom from)
{
    return fd >= 0 && ::lseek(fd, static_cast<off_t>(offset), Whence(from)) >= 0;
}

std::int64_t AtomicFile::Tell()
{
    return fd < 0 ? -1 : ::lseek(fd, 0, SEEK_CUR);
}

std::int64_t AtomicFile::Length()
{
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool AtomicFile::Close()
{
    if (fd < 0)
        return true;
    ::close(fd);
    fd = -1;
    ::unlink(temp.c_str());
    return false;
}

bool AtomicFile::Commit(std::string* error)
{
    if (fd < 0) {
        if (error)
            *error = "the file was already closed";
        return false;
    }
    if (failed) {
        if (error)
            *error = failure;
        Close();
        return false;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        if (error)
            *error = std::strerror(errno);
        fd = -1;
        ::unlink(temp.c_str());
        return false;
    }
    fd = -1;
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        if (error)
            *error = std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::size_t MemoryFile::Read(void* buffer, std::size_t count)
{
    if (pos < 0 || pos >= static_cast<std::int64_t>(data.size()))
        return 0;
    std::size_t avail = data.size() - static_cast<std::size_t>(pos);
    std::size_t n = count < avail ? count : avail;
    if (n == 0)
        return 0;
    std::memcpy(buffer, data.data() + pos, n);
    pos += static_cast<std::int64_t>(n);
    return n;
}

bool MemoryFile::Write(const void* buffer, std::size_t count)
{
    if (count == 0)
        return true;
    std::size_t end = static_cast<std::size_t>(pos) + count;
    if (end > data.size())
        data.resize(end);
    std::memcpy(data.data() + pos, buffer, count);
    pos = static_cast<std::int64_t>(end);
    return true;
}

bool MemoryFile::Seek(std::int64_t offset, SeekFrom from)
{
    std::int64_t base = from == SeekFrom::Begin     ? 0
                        : from == SeekFrom::Current ? pos
                                                    : static_cast<std::int64_t>(data.size());
    if (base + offset < 0)
        return false;
    pos = base + offset;
    return true;
}

} // namespace platform
