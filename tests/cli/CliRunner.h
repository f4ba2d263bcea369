#pragma once
// Runs the real kalder-cli binary on temporary files and collects what it printed.

#include "support/VolumeBuilders.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace testing_support {

struct CliRun {
    int status = -1; // exit status, -1 when the program did not exit normally
    std::string out; // standard output
    std::string err; // standard error

    // Lines of standard error (without the empty last one).
    std::vector<std::string> ErrLines() const
    {
        std::vector<std::string> lines;
        std::string::size_type start = 0;
        while (start < err.size()) {
            std::string::size_type end = err.find('\n', start);
            if (end == std::string::npos)
                end = err.size();
            lines.push_back(err.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }
};

// Runs kalder-cli with args in the folder dir (its current directory); output is kept in
// files of that folder while it runs.
inline CliRun RunCli(const std::string& dir, const std::vector<std::string>& args)
{
    const std::string outPath = dir + "/.cli-stdout", errPath = dir + "/.cli-stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    std::vector<char*> argv;
    std::string program = KALDER_CLI_BINARY;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    CliRun run;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int wstatus = 0;
        ::waitpid(pid, &wstatus, 0);
        run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = ReadWholeFile(outPath);
    run.err = ReadWholeFile(errPath);
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    return run;
}

} // namespace testing_support
