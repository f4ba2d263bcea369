#include "Job.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace cli {

namespace {

// Messages can hold line breaks; an error is one line.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

Job::Job(const CommonOptions& options)
    : quiet(options.quiet), startDir(std::filesystem::current_path().string()),
      progress(options.quiet, ::isatty(2) == 1), ui(progress)
{
    previous = platform::InstallServices({.profile = &profile, .ui = &ui});
    if (!options.workdir.empty() && ::chdir(options.workdir.c_str()) != 0) {
        Fail(options.workdir, std::string("cannot work in this folder: ") + std::strerror(errno));
        started = false;
    }
}

Job::~Job()
{
    progress.Finish();
    platform::InstallServices(previous);
}

std::string Job::Path(const std::string& path) const
{
    if (path.empty() || path.front() == '/')
        return path;
    return startDir + "/" + path;
}

int Job::Fail(const std::string& file, const std::string& problem)
{
    progress.Finish();
    std::string line = OneLine(problem);
    if (file.empty() || line.find(file) != std::string::npos)
        std::fprintf(stderr, "kalder-cli: %s\n", line.c_str());
    else
        std::fprintf(stderr, "kalder-cli: %s: %s\n", file.c_str(), line.c_str());
    return ExitFailed;
}

int Job::FailFromCommand(const std::string& file, const std::string& fallback)
{
    if (!ui.Unanswered().empty())
        return Usage(ui.Unanswered() + " has no answer on the command line");
    const auto& messages = ui.Messages();
    return Fail(file, messages.size() > mark ? messages.back() : fallback);
}

int Job::Usage(const std::string& problem)
{
    progress.Finish();
    std::fprintf(stderr, "kalder-cli: %s\n", OneLine(problem).c_str());
    return ExitUsage;
}

int Job::Succeed()
{
    progress.Finish();
    if (!ui.Unanswered().empty())
        return Usage(ui.Unanswered() + " has no answer on the command line");
    const auto& messages = ui.Messages();
    for (; notesShown < messages.size(); ++notesShown)
        if (!quiet)
            std::fprintf(stderr, "kalder-cli: %s\n", OneLine(messages[notesShown]).c_str());
    return ExitDone;
}

} // namespace cli
