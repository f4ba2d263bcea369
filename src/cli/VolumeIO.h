#pragma once
// Reading the volume a subcommand works on and writing the volume it made, through the
// window's own load and save paths: File Open for volume files, "Open binary file(no header)",
// the FD model loading step, File > Import... and Export..., with every question they ask
// answered from the options. Everything is read into theVolume().

#include "Job.h"

#include <string>
#include <vector>

namespace CLI {
class App;
}
class CKalderDoc;
class CData3D;

namespace cli {

// How an input file is read.
struct InputOptions {
    std::string path;
    std::string from = "auto"; // auto, volume, raw, fd, npy, vti, nc, segy
    std::vector<int> dims;     // raw: NX, NY, NZ (cells)
    std::vector<float> steps;  // raw, npy, segy: cell sizes (axis units)
    int component = -1;        // fd: 0 P-velocity .. 4 Qs
    std::string variable;      // vti: data array, nc: variable
};

// What was read: the format's name and the file's size.
struct InputInfo {
    std::string format;
    std::int64_t fileBytes = 0;
};

// Adds --from, --dims, --steps, --component and --variable to a subcommand.
void AddInputOptions(CLI::App& app, InputOptions& in);

// Reads the input into theVolume(). Returns ExitDone, or the exit status after the error line
// (a refused, missing or truncated file is ExitFailed, a combination of options that cannot be
// used is ExitUsage).
int LoadInput(Job& job, CKalderDoc& doc, const InputOptions& in, InputInfo* info = nullptr);

// How an output file is written.
struct OutputOptions {
    std::string path;
    std::string to = "auto"; // auto, volume, raw, npy, vti, nc, segy
};

// Adds --to to a subcommand.
void AddOutputOptions(CLI::App& app, OutputOptions& out);

// Writes theVolume() in the output's format; the target is replaced only by a complete file.
int SaveOutput(Job& job, CKalderDoc& doc, const OutputOptions& out);

// Writes volume (any volume, not only theVolume()) as a volume file.
int SaveVolumeAs(Job& job, const CData3D& volume, const std::string& path);

// A file beside a target that a writer without its own atomic replacement fills; Commit()
// renames it over the target, otherwise it is removed.
class TempBeside {
public:
    explicit TempBeside(const std::string& target);
    ~TempBeside();
    TempBeside(const TempBeside&) = delete;
    TempBeside& operator=(const TempBeside&) = delete;
    bool Made() const { return !temp.empty(); }
    const std::string& Path() const { return temp; }
    // False (with error set) when the rename failed.
    bool Commit(std::string& error);

private:
    std::string target;
    std::string temp;
};

} // namespace cli
