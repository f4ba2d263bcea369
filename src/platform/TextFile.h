#pragma once
// Buffered text files with C formats: the program's report, log and dump files, and the text
// inputs it parses. The object closes its file, so no path leaves a stream open.

#include <cstdio>
#include <memory>
#include <string>

namespace platform {

class TextFile {
public:
    TextFile() = default;
    ~TextFile() { Close(); }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Creates or truncates the file; false when it cannot be opened.
    bool Create(const std::string& path);
    // Opens for appending.
    bool Append(const std::string& path);
    // Opens an existing file for reading.
    bool Open(const std::string& path);
    // The stream for the parsers that read with C functions; null when not open.
    std::FILE* Stream() const { return file; }
    bool IsOpen() const { return file != nullptr; }
    // Writes formatted text; does nothing when the file is not open.
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Write(const std::string& text);
    // Flushes and closes; false when a write failed.
    bool Close();

private:
    std::FILE* file = nullptr;
};

class AtomicFile;

// Text output for files the user keeps: written beside the target and put in its place only by
// Commit, so a crash, a kill or a full disk part way leaves the previous file as it was.
class AtomicTextFile {
public:
    AtomicTextFile();
    ~AtomicTextFile();
    AtomicTextFile(const AtomicTextFile&) = delete;
    AtomicTextFile& operator=(const AtomicTextFile&) = delete;

    // Starts the temporary file; false (with the system's text in error) when it cannot.
    bool Create(const std::string& path, std::string* error = nullptr);
    bool IsOpen() const { return file != nullptr; }
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Write(const std::string& text);
    // Writes what is buffered and replaces the target; false (with the reason) when any write
    // failed, and then the target is unchanged. Without Commit nothing replaces the target.
    bool Commit(std::string* error = nullptr);

private:
    void Flush();
    std::unique_ptr<AtomicFile> file;
    std::string buffer;
};

// Formats into a std::string with C formats.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Joins a folder and a file name with '/'. An empty folder means the current directory, so the
// name is returned alone rather than rooted at "/".
std::string JoinPath(const std::string& folder, const std::string& name);

} // namespace platform
