#pragma once
// Binary files with 64-bit positions. Reads return the bytes delivered, so a short file is read
// as far as it goes and the caller sees how far that was.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class SeekFrom { Begin, Current, End };

class BinaryFile {
public:
    virtual ~BinaryFile() = default;
    // Reads up to count bytes; returns the number delivered (0 at end of file or on error).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Writes all count bytes; false on any failure.
    virtual bool Write(const void* buffer, std::size_t count) = 0;
    virtual bool Seek(std::int64_t offset, SeekFrom from = SeekFrom::Begin) = 0;
    virtual std::int64_t Tell() = 0;
    // Length in bytes, or -1 when unknown.
    virtual std::int64_t Length() = 0;
    // Flushes and closes; false when a buffered write failed.
    virtual bool Close() = 0;
    virtual const std::string& Path() const = 0;

    // Typed little-endian helpers (the machine is little-endian, as the formats are).
    bool ReadInt32(std::int32_t& v) { return Read(&v, 4) == 4; }
    bool ReadFloat(float& v) { return Read(&v, 4) == 4; }
    bool WriteInt32(std::int32_t v) { return Write(&v, 4); }
    bool WriteFloat(float v) { return Write(&v, 4); }
};

// A file on disk through POSIX calls. Open returns nullptr and sets error (strerror text) when
// the file cannot be opened.
std::unique_ptr<BinaryFile> OpenBinaryRead(const std::string& path, std::string* error = nullptr);
std::unique_ptr<BinaryFile> CreateBinaryWrite(const std::string& path,
                                              std::string* error = nullptr);

// A file that replaces its target only when committed: writes go to a temporary file in the
// target's folder, Commit() flushes it to disk and renames it over the target. Dropping the
// object without a successful Commit() removes the temporary file and leaves the target as it was.
class AtomicFile : public BinaryFile {
public:
    static std::unique_ptr<AtomicFile> Create(const std::string& target,
                                              std::string* error = nullptr);
    ~AtomicFile() override;
    std::size_t Read(void* buffer, std::size_t count) override;
    bool Write(const void* buffer, std::size_t count) override;
    bool Seek(std::int64_t offset, SeekFrom from) override;
    std::int64_t Tell() override;
    std::int64_t Length() override;
    // Closing without Commit() discards the temporary file.
    bool Close() override;
    const std::string& Path() const override { return target; }
    // True when every write succeeded and the target now holds the new content.
    bool Commit(std::string* error = nullptr);

private:
    AtomicFile(int fd, std::string target, std::string temp);
    int fd;
    bool failed = false;
    std::string failure;     // system text of the first failed write
    std::int64_t written = 0; // bytes written so far, for the fault hook
    std::string target;
    std::string temp;
};

// Fault injection for tests of interrupted and failing saves. When set, every AtomicFile write
// first calls the hook with the target, the bytes already written and the size of the request;
// false makes that write fail as on a full device (ENOSPC). A hook may also end the process, as a
// crash or a kill part way through a save would. An empty function removes the hook.
using AtomicWriteHook =
    std::function<bool(const std::string& target, std::int64_t written, std::size_t count)>;
void SetAtomicWriteHook(AtomicWriteHook hook);

// An in-memory file for tests of readers and writers.
class MemoryFile : public BinaryFile {
public:
    MemoryFile() = default;
    explicit MemoryFile(std::vector<std::uint8_t> bytes) : data(std::move(bytes)) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    bool Write(const void* buffer, std::size_t count) override;
    bool Seek(std::int64_t offset, SeekFrom from) override;
    std::int64_t Tell() override { return pos; }
    std::int64_t Length() override { return static_cast<std::int64_t>(data.size()); }
    bool Close() override { return true; }
    const std::string& Path() const override { return path; }

    std::vector<std::uint8_t> data;
    std::int64_t pos = 0;
    std::string path = "<memory>";
};

} // namespace platform
