// kalder-cli convert: a volume from one format to another, through File Open / Import and File
// Save / Export.

#include "Subcommands.h"
#include "VolumeIO.h"

#include "shell/KalderDoc.h"

#include <CLI/CLI.hpp>

#include <memory>

namespace cli {

namespace {

struct ConvertOptions {
    InputOptions input;
    OutputOptions output;
};

int RunConvert(const CommonOptions& common, const ConvertOptions& o)
{
    Job job(common);
    if (!job.Started())
        return ExitFailed;
    CKalderDoc doc;
    if (int rc = LoadInput(job, doc, o.input); rc != ExitDone)
        return rc;
    if (int rc = SaveOutput(job, doc, o.output); rc != ExitDone)
        return rc;
    return job.Succeed();
}

} // namespace

void AddConvert(Registry r)
{
    auto o = std::make_shared<ConvertOptions>();
    CLI::App* sub = r.app.add_subcommand(
        "convert", "Convert between the volume file, headerless values, one component of an FD "
                   "3D model, NumPy .npy, VTK .vti, NetCDF .nc and SEG-Y");
    sub->add_option("IN", o->input.path, "File to read")->required();
    sub->add_option("OUT", o->output.path, "File to write")->required();
    AddInputOptions(*sub, o->input);
    AddOutputOptions(*sub, o->output);
    sub->callback([o, r]() { r.status = RunConvert(r.common, *o); });
}

} // namespace cli
