#include "platform/TextFile.h"

#include "platform/BinaryFile.h"

#include <cstdarg>
#include <vector>

namespace platform {

namespace {

// Text is handed to the file in pieces of about this size.
constexpr std::size_t TextBlock = 4096;

std::string VFormat(const char* format, va_list ap)
{
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buf(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), format, ap);
        out.assign(buf.data(), static_cast<std::size_t>(n));
    }
    return out;
}

} // namespace

AtomicTextFile::AtomicTextFile() = default;
AtomicTextFile::~AtomicTextFile() = default;

bool AtomicTextFile::Create(const std::string& path, std::string* error)
{
    buffer.clear();
    file = AtomicFile::Create(path, error);
    return file != nullptr;
}

void AtomicTextFile::Printf(const char* format, ...)
{
    if (!file)
        return;
    va_list ap;
    va_start(ap, format);
    buffer += VFormat(format, ap);
    va_end(ap);
    if (buffer.size() >= TextBlock)
        Flush();
}

void AtomicTextFile::Write(const std::string& text)
{
    if (!file)
        return;
    buffer += text;
    if (buffer.size() >= TextBlock)
        Flush();
}

void AtomicTextFile::Flush()
{
    // A failed write is remembered by the file and reported by Commit.
    if (file && !buffer.empty())
        file->Write(buffer.data(), buffer.size());
    buffer.clear();
}

bool AtomicTextFile::Commit(std::string* error)
{
    if (!file) {
        if (error)
            *error = "the file was not created";
        return false;
    }
    Flush();
    const bool ok = file->Commit(error);
    file.reset();
    return ok;
}

bool TextFile::Create(const std::string& path)
{
    Close();
    file = std::fopen(path.c_str(), "w");
    return file != nullptr;
}

bool TextFile::Append(const std::string& path)
{
    Close();
    file = std::fopen(path.c_str(), "a");
    return file != nullptr;
}

bool TextFile::Open(const std::string& path)
{
    Close();
    file = std::fopen(path.c_str(), "r");
    return file != nullptr;
}

void TextFile::Printf(const char* format, ...)
{
    if (!file)
        return;
    va_list ap;
    va_start(ap, format);
    std::vfprintf(file, format, ap);
    va_end(ap);
}

void TextFile::Write(const std::string& text)
{
    if (file)
        std::fputs(text.c_str(), file);
}

bool TextFile::Close()
{
    if (!file)
        return true;
    bool ok = std::ferror(file) == 0;
    ok = std::fclose(file) == 0 && ok;
    file = nullptr;
    return ok;
}

std::string Format(const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    std::string out = VFormat(format, ap);
    va_end(ap);
    return out;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

} // namespace platform
