#pragma once
// Helpers of the kalder-random-mpi tests: tolerances, runs of the programs in a folder of their
// own, and model files read back as floats.

#include "support/TextNumbers.h"
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace mpi_test {

// Relative agreement of model values: between rank counts (FFTW's plans differ with the slab
// split), and with the single-machine synthesis (double-precision radix-2 transforms there,
// single-precision FFTW here).
inline constexpr double kAcrossRanks = 1e-5;
inline constexpr double kAgainstSingleMachine = 1e-4;
// No run may hang a test: mpirun is ended after this many seconds.
inline constexpr int kRunTimeoutSeconds = 120;

struct RunResult {
    int status = -1; // exit status, or 128 + signal
    std::string out, err;
};

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    const std::string text = ReadText(path);
    return {text.begin(), text.end()};
}

// Runs command with /bin/sh in folder dir, its output and errors kept.
inline RunResult RunIn(const std::string& dir, const std::string& command)
{
    const std::string outPath = dir + "/run.out", errPath = dir + "/run.err";
    const std::string line = "cd '" + dir + "' && exec timeout " +
                             std::to_string(kRunTimeoutSeconds) + " " + command + " >'" + outPath +
                             "' 2>'" + errPath + "'";
    RunResult r;
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = ReadText(outPath);
    r.err = ReadText(errPath);
    return r;
}

// mpirun -np ranks kalder-random-mpi arguments (oversubscribed beyond the machine's cores).
// With fileSizeLimit > 0 the ranks (not mpirun) may write files of at most that many bytes, so
// a write beyond fails the way it fails on a full disk.
inline RunResult RunMpi(const std::string& dir, int ranks, const std::string& arguments,
                        long long fileSizeLimit = 0)
{
    const std::string limit =
        fileSizeLimit > 0 ? "prlimit --fsize=" + std::to_string(fileSizeLimit) + " " : "";
    return RunIn(dir, std::string(KALDER_MPIEXEC) + " -np " + std::to_string(ranks) +
                          (ranks > 2 ? " --oversubscribe " : " ") + limit + KALDER_RANDOM_MPI +
                          " " + arguments);
}

// The single-machine synthesis and export with the same options.
inline RunResult RunReference(const std::string& dir, const std::string& arguments)
{
    return RunIn(dir, std::string(KALDER_RANDOM_REFERENCE) + " " + arguments);
}

// The floats of an FD 3D model file after its 28-byte header.
inline std::vector<float> ModelValues(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    std::vector<float> v(bytes.size() > 28 ? (bytes.size() - 28) / 4 : 0);
    if (!v.empty())
        std::memcpy(v.data(), bytes.data() + 28, v.size() * 4);
    return v;
}

// Lines of a text that contain needle.
inline int CountLines(const std::string& text, const std::string& needle)
{
    std::istringstream in(text);
    int n = 0;
    for (std::string line; std::getline(in, line);)
        n += line.find(needle) != std::string::npos ? 1 : 0;
    return n;
}

using testing_support::Numbers;

inline std::vector<std::string> Lines(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The files in dir whose names start with prefix.
inline std::vector<std::string> FilesStartingWith(const std::string& dir, const std::string& prefix)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0)
            names.push_back(name);
    }
    return names;
}

} // namespace mpi_test
