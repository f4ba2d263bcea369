// kalder-cli avs and station1d: "Calculating AVS" and "Extract 1D model".

#include "Subcommands.h"
#include "VolumeIO.h"

#include "regional/AverageVelocity.h"
#include "regional/StationModel.h"
#include "shell/KalderDoc.h"
#include "volume/Data3D.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace cli {

namespace {

struct AvsOptions {
    InputOptions input;
    std::string output;
};

struct StationOptions {
    std::string stations;
    std::string folder;
};

// A private folder beside a target, removed with what is left in it.
class FolderBeside {
public:
    explicit FolderBeside(const std::string& target)
    {
        const auto slash = target.find_last_of('/');
        std::string pattern =
            (slash == std::string::npos ? std::string(".") : target.substr(0, slash)) +
            "/.kalder-XXXXXX";
        if (::mkdtemp(pattern.data()))
            path = pattern;
    }
    ~FolderBeside()
    {
        if (!path.empty()) {
            ::unlink((path + "/avs.dat").c_str());
            ::rmdir(path.c_str());
        }
    }
    FolderBeside(const FolderBeside&) = delete;
    FolderBeside& operator=(const FolderBeside&) = delete;
    std::string path;
};

int RunAvs(const CommonOptions& common, const AvsOptions& o)
{
    Job job(common);
    if (!job.Started())
        return ExitFailed;
    CKalderDoc doc;
    if (int rc = LoadInput(job, doc, o.input); rc != ExitDone)
        return rc;
    if (o.output.empty()) {
        // as the window does: "avs.dat" in the working folder
        if (!OnCalculatingAVS(theVolume(), "").Bytes)
            return job.FailFromCommand("avs.dat", "the map was not written");
        return job.Succeed();
    }
    const std::string out = job.Path(o.output);
    FolderBeside scratch(out);
    if (scratch.path.empty())
        return job.Fail(out, std::string("cannot create a file in this folder: ") +
                                 std::strerror(errno));
    if (!OnCalculatingAVS(theVolume(), scratch.path).Bytes)
        return job.FailFromCommand(out, "the map was not written");
    if (std::rename((scratch.path + "/avs.dat").c_str(), out.c_str()) != 0)
        return job.Fail(out, std::string("cannot replace the file: ") + std::strerror(errno));
    return job.Succeed();
}

int RunStations(const CommonOptions& common, const StationOptions& o)
{
    Job job(common);
    if (!job.Started())
        return ExitFailed;
    const std::string folder = o.folder.empty() ? std::string() : job.Path(o.folder);
    job.Ui().AnswerOpen({job.Path(o.stations)});
    OnExtract1DModel(folder);
    if (!job.Ui().Unanswered().empty())
        return job.FailFromCommand(o.stations, "");
    // The command reports by message only: a model or list it could not use, or a file it could
    // not write, fails the job; a station outside the model is a note.
    for (const std::string& m : job.Ui().Messages())
        if (m.rfind("Cannot", 0) == 0 || m.rfind("Error", 0) == 0 ||
            m.rfind("The model file", 0) == 0)
            return job.Fail(o.stations, m);
    return job.Succeed();
}

} // namespace

void AddRegional(Registry r)
{
    auto avs = std::make_shared<AvsOptions>();
    CLI::App* a = r.app.add_subcommand(
        "avs", "Travel-time average S-wave velocity from the top down to 8000 (Z unit) as a map "
               "file: int32 NX, NY, 1, float32 steps, then NY x NX averages");
    a->add_option("FILE", avs->input.path, "S-wave velocity volume")->required();
    a->add_option("-o,--output", avs->output,
                  "Map file to write (default: \"avs.dat\" in the working folder)");
    AddInputOptions(*a, avs->input);
    a->callback([avs, r]() { r.status = RunAvs(r.common, *avs); });

    auto st = std::make_shared<StationOptions>();
    CLI::App* s = r.app.add_subcommand(
        "station1d", "One-dimensional layered models at seismic stations from the Halvo FD "
                     "model \"HalvoBinary.dat\": \"<station>.dat\" per station and "
                     "\"FindStation.txt\"");
    s->add_option("STATIONS", st->stations,
                  "Station list: one \"number name Y X\" per line (plane coordinates, m)")
        ->required();
    s->add_option("--folder", st->folder,
                  "Folder holding \"HalvoBinary.dat\" that receives the station files (default: "
                  "the working folder)")
        ->check(CLI::ExistingDirectory);
    s->callback([st, r]() { r.status = RunStations(r.common, *st); });
}

} // namespace cli
