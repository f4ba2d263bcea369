#pragma once
// What every subcommand of kalder-cli shares while it runs: the platform services (an in-memory
// profile with the built-in defaults, so a batch job does not depend on the window's settings
// and never changes them, and the command-line Ui), the working folder for scratch and
// diagnostic files, paths named on the command line, and the way a job ends.
//
// Exit status: 0 done, 1 the job failed (one line on standard error naming the file and the
// problem), 2 a usage error (an option missing or wrong, or a question no option answers).

#include "CliUi.h"

#include "platform/Profile.h"
#include "platform/Services.h"

#include <string>

namespace cli {

constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

struct CommonOptions {
    bool quiet = false;
    std::string workdir; // scratch and diagnostic files; empty: the current directory
};

class Job {
public:
    explicit Job(const CommonOptions& options);
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // False (after the error line) when the working folder could not be entered.
    bool Started() const { return started; }
    // A path named on the command line, made absolute against the directory the program was
    // started in (the job runs in the working folder).
    std::string Path(const std::string& path) const;

    CliUi& Ui() { return ui; }
    Progress& Stages() { return progress; }
    bool Quiet() const { return quiet; }

    // Prints "kalder-cli: <file>: <problem>" (the file left out when the problem names it) and
    // returns ExitFailed.
    int Fail(const std::string& file, const std::string& problem);
    // Fails with the last message a command showed, or with fallback when it showed none. A
    // question that had no answer makes it a usage error instead.
    int FailFromCommand(const std::string& file, const std::string& fallback);
    // The messages shown so far are notes: a later failure without a message of its own uses the
    // fallback instead of one of them.
    void Checkpoint() { mark = ui.Messages().size(); }
    // Prints a usage error line and returns ExitUsage.
    int Usage(const std::string& problem);
    // Prints the messages the commands showed as notes (unless quiet) and returns ExitDone.
    int Succeed();

private:
    bool quiet;
    bool started = true;
    std::string startDir;
    Progress progress;
    CliUi ui;
    platform::MemoryProfile profile;
    platform::Services previous;
    std::size_t notesShown = 0;
    std::size_t mark = 0;
};

} // namespace cli
