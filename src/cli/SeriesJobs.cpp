// kalder-cli slice2d and append-series: "Extract 2D slice" and "Append all files" on a numbered
// FD model series (snap1.dat, snap2.dat, ...).

#include "Subcommands.h"
#include "VolumeIO.h"

#include "random_media/Utility.h"
#include "shell/KalderDoc.h"
#include "volume/Data3D.h"
#include "volume/SnapshotSeries.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace cli {

namespace {

struct SliceOptions {
    std::vector<std::string> files;
    int x = 0;
    std::string output;
};

struct AppendOptions {
    std::vector<std::string> files;
    int component = 0;
    OutputOptions output;
};

std::vector<std::string> Paths(const Job& job, const std::vector<std::string>& files)
{
    std::vector<std::string> out;
    for (const std::string& f : files)
        out.push_back(job.Path(f));
    return out;
}

int RunSlice(const CommonOptions& common, const SliceOptions& o)
{
    Job job(common);
    if (!job.Started())
        return ExitFailed;
    job.Ui().AnswerOpen(Paths(job, o.files));
    job.Ui().AnswerField("Get integer", "Value", std::to_string(o.x));
    CUtility utility; // the series commands keep their utility object (and "utility.txt")
    // The model text is written beside its target and renamed only when complete.
    const std::string out = o.output.empty() ? std::string("FD2D_model.fd2") : job.Path(o.output);
    TempBeside temp(out);
    if (!temp.Made())
        return job.Fail(out, std::string("cannot create a file in this folder: ") +
                                 std::strerror(errno));
    if (OnExtract2DSlice(temp.Path()).Bytes <= 0)
        return job.FailFromCommand(o.files.front(), "the slice was not extracted");
    std::string error;
    if (!temp.Commit(error))
        return job.Fail(out, "cannot replace the file: " + error);
    return job.Succeed();
}

int RunAppend(const CommonOptions& common, const AppendOptions& o)
{
    Job job(common);
    if (!job.Started())
        return ExitFailed;
    CKalderDoc doc;
    job.Ui().AnswerOpen(Paths(job, o.files));
    ViewLoadMemory memory;
    memory.Component = o.component;
    int drawEnabled = 1;
    CUtility utility;
    const CommandResult r = OnAppendAllFiles(theVolume(), memory, drawEnabled);
    if (!r.Done)
        return job.FailFromCommand(o.files.front(), "no file of the series was read");
    // A series that stopped early is not the model asked for.
    for (const std::string& m : job.Ui().Messages())
        if (m.rfind("Loading the series stopped", 0) == 0 || m.rfind("Cannot", 0) == 0)
            return job.Fail(o.files.front(), m);
    if (int rc = SaveOutput(job, doc, o.output); rc != ExitDone)
        return rc;
    return job.Succeed();
}

} // namespace

void AddSeries(Registry r)
{
    auto sl = std::make_shared<SliceOptions>();
    CLI::App* s = r.app.add_subcommand(
        "slice2d", "Cut the YZ section at one X position of a numbered FD model series and "
                   "write it as the 2D FD model text file \"FD2D_model.fd2\"");
    s->add_option("FILES", sl->files, "The series' FD 3D model files (numbered names)")->required();
    s->add_option("--x", sl->x, "X position: column of the whole series, from 0")
        ->required()
        ->check(CLI::NonNegativeNumber);
    s->add_option("-o,--output", sl->output,
                  "Where to put the 2D model (default: \"FD2D_model.fd2\" in the working "
                  "folder)");
    s->callback([sl, r]() { r.status = RunSlice(r.common, *sl); });

    auto ap = std::make_shared<AppendOptions>();
    CLI::App* a = r.app.add_subcommand(
        "append-series", "Load one component of every file of a numbered FD model series side "
                         "by side along X, in ascending file number, and write the volume");
    a->add_option("FILES", ap->files, "The series' FD 3D model files (numbered names)")->required();
    a->add_option("--component", ap->component,
                  "Component: 0 P-velocity, 1 S-velocity, 2 density, 3 Qp, 4 Qs")
        ->check(CLI::Range(0, 4))
        ->capture_default_str();
    a->add_option("-o,--output", ap->output.path, "Volume to write")->required();
    AddOutputOptions(*a, ap->output);
    a->callback([ap, r]() { r.status = RunAppend(r.common, *ap); });
}

} // namespace cli
