#pragma once
// A file that changes while it is read, as another program truncating or extending it between
// the reader's size check and its value reads would: Length reports one size, Read delivers
// another.

#include "platform/BinaryFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class ChangingFile : public platform::BinaryFile {
public:
    // bytes: what Read delivers; claimedLength: what Length reports.
    ChangingFile(std::vector<std::uint8_t> bytes, std::int64_t claimedLength)
        : inner(std::move(bytes)), claimed(claimedLength)
    {
        inner.path = "changing.dat";
    }
    std::size_t Read(void* buffer, std::size_t count) override { return inner.Read(buffer, count); }
    bool Write(const void* buffer, std::size_t count) override { return inner.Write(buffer, count); }
    bool Seek(std::int64_t offset, platform::SeekFrom from) override
    {
        // Seeking from the end goes from the end the reader was told of.
        if (from == platform::SeekFrom::End)
            return inner.Seek(claimed + offset, platform::SeekFrom::Begin);
        return inner.Seek(offset, from);
    }
    std::int64_t Tell() override { return inner.Tell(); }
    std::int64_t Length() override { return claimed; }
    bool Close() override { return true; }
    const std::string& Path() const override { return inner.path; }

private:
    platform::MemoryFile inner;
    std::int64_t claimed;
};

// The first keep bytes of bytes, reported as the whole length: a file truncated after its size
// was taken.
inline ChangingFile Truncated(const std::vector<std::uint8_t>& bytes, std::size_t keep)
{
    return ChangingFile(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + keep),
                        static_cast<std::int64_t>(bytes.size()));
}

// bytes with extra bytes appended but reported at the old length: a file extended after its
// size was taken.
inline ChangingFile Extended(const std::vector<std::uint8_t>& bytes, std::size_t extra)
{
    std::vector<std::uint8_t> grown(bytes);
    grown.resize(bytes.size() + extra, 0x7f);
    return ChangingFile(std::move(grown), static_cast<std::int64_t>(bytes.size()));
}

} // namespace testing_support
