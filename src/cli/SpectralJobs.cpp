// kalder-cli fft, ifft, autocorrelation and median: the "Fourier analysis" commands and the
// median filter on a volume file.

#include "Subcommands.h"
#include "VolumeIO.h"

#include "platform/BinaryFile.h"
#include "platform/Surface.h"
#include "platform/TextFile.h"
#include "random_media/MedianFilterCommand.h"
#include "shell/KalderDoc.h"
#include "spectral/SpectralCommands.h"
#include "volume/Data3D.h"
#include "volume/ReaderKit.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <memory>

namespace cli {

namespace {

enum class Transform { Forward, Inverse, AutoCorrelation, Median };

struct SpectralOptions {
    Transform kind = Transform::Forward;
    InputOptions input;
    OutputOptions output;
    std::string imagIn;  // ifft: imaginary parts
    std::string imagOut; // fft (required), ifft (optional): imaginary parts written
};

// The second grid of the volume as a volume file of its own, with the volume's geometry.
int SaveImaginary(Job& job, const CData3D& v, const std::string& path)
{
    CData3D imag;
    imag.NX = v.NX, imag.NY = v.NY, imag.NZ = v.NZ;
    imag.Allocate(v.NX, v.NY, v.NZ);
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y)
            std::memcpy(imag.Values[z][y], v.AuxValues[z][y], sizeof(float) * v.NX);
    imag.StepX = v.StepX, imag.StepY = v.StepY, imag.StepZ = v.StepZ;
    imag.StartX = v.StartX, imag.StartY = v.StartY, imag.StartZ = v.StartZ;
    return SaveVolumeAs(job, imag, path);
}

// Reads the imaginary parts of a spectrum into the volume's second grid; they must have the
// volume's extents.
int LoadImaginary(Job& job, CData3D& v, const std::string& path)
{
    auto file = OpenOrReport(path);
    if (!file)
        return job.FailFromCommand(path, "cannot open the file");
    CData3D imag;
    bool refused = false;
    const std::int64_t bytes = imag.ReadVolume(*file, 1, nullptr, &refused);
    if (refused)
        return job.FailFromCommand(path, "the file was not read");
    if (imag.NX != v.NX || imag.NY != v.NY || imag.NZ != v.NZ)
        return job.Fail(path, platform::Format("holds %d x %d x %d cells, the real parts %d x %d "
                                               "x %d",
                                               imag.NX, imag.NY, imag.NZ, v.NX, v.NY, v.NZ));
    if (bytes < static_cast<std::int64_t>(v.NX) * v.NY * v.NZ * 4)
        return job.Fail(path, "the file ends inside its values");
    v.AllocateAux(v.NX, v.NY, v.NZ);
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y)
            std::memcpy(v.AuxValues[z][y], imag.Values[z][y], sizeof(float) * v.NX);
    return ExitDone;
}

CommandResult RunCommand(Transform kind, CData3D& v, Job& job)
{
    platform::ProgressSurface surface;
    switch (kind) {
    case Transform::Forward:
        job.Stages().Plan(5);
        return ForwardTransformCommand(v, surface);
    case Transform::Inverse:
        job.Stages().Plan(5);
        v.IsSpectrum = 1; // the input is a spectrum: the user says so by asking for the inverse
        return InverseTransformCommand(v, surface);
    case Transform::AutoCorrelation:
        job.Stages().Plan(9);
        return AutoCorrelationCommand(v, surface);
    case Transform::Median:
        job.Stages().Plan(2);
        job.Stages().Stage("median filter");
        return MedianFilterCommand(v);
    }
    return {};
}

int RunSpectral(const CommonOptions& common, const SpectralOptions& o)
{
    Job job(common);
    if (!job.Started())
        return ExitFailed;
    CKalderDoc doc;
    if (int rc = LoadInput(job, doc, o.input); rc != ExitDone)
        return rc;
    CData3DEx& v = theVolume();
    if (!o.imagIn.empty())
        if (int rc = LoadImaginary(job, v, job.Path(o.imagIn)); rc != ExitDone)
            return rc;
    job.Checkpoint();
    if (!RunCommand(o.kind, v, job).Done)
        return job.FailFromCommand(job.Path(o.input.path), "the command refused the volume");
    job.Stages().Stage("writing " + o.output.path);
    const std::string imagPath = job.Path(o.imagOut);
    if (!o.imagOut.empty())
        if (int rc = SaveImaginary(job, v, imagPath); rc != ExitDone)
            return rc;
    if (int rc = SaveOutput(job, doc, o.output); rc != ExitDone) {
        if (!o.imagOut.empty())
            std::remove(imagPath.c_str()); // half a spectrum is no output
        return rc;
    }
    return job.Succeed();
}

CLI::App* AddOne(Registry r, const char* name, const char* help, Transform kind,
                 std::shared_ptr<SpectralOptions> o)
{
    o->kind = kind;
    CLI::App* sub = r.app.add_subcommand(name, help);
    sub->add_option("FILE", o->input.path, "Volume to read")->required();
    sub->add_option("-o,--output", o->output.path,
                    kind == Transform::Forward ? "Volume file of the real parts"
                                               : "Volume file to write")
        ->required();
    AddInputOptions(*sub, o->input);
    AddOutputOptions(*sub, o->output);
    sub->callback([o, r]() { r.status = RunSpectral(r.common, *o); });
    return sub;
}

} // namespace

void AddSpectral(Registry r)
{
    auto fft = std::make_shared<SpectralOptions>();
    AddOne(r, "fft",
           "Forward 3D Fourier transform (unscaled; extents powers of two from 8): real and "
           "imaginary parts as two volume files",
           Transform::Forward, fft)
        ->add_option("--imag", fft->imagOut, "Volume file of the imaginary parts")
        ->required();
    auto ifft = std::make_shared<SpectralOptions>();
    CLI::App* inv = AddOne(r, "ifft",
                           "Inverse 3D Fourier transform divided by NX*NY*NZ: FILE holds the real "
                           "parts, --imag the imaginary parts",
                           Transform::Inverse, ifft);
    inv->add_option("--imag", ifft->imagIn,
                    "Volume file of the imaginary parts (default: all zero)");
    inv->add_option("--imag-out", ifft->imagOut,
                    "Also write the imaginary parts of the result to this volume file");
    AddOne(r, "autocorrelation",
           "Auto-correlation: the inverse transform of the magnitude spectrum, zero lag at cell "
           "[0][0][0]",
           Transform::AutoCorrelation, std::make_shared<SpectralOptions>());
    AddOne(r, "median", "Seven-point median filter (each cell and its six neighbours)",
           Transform::Median, std::make_shared<SpectralOptions>());
}

} // namespace cli
