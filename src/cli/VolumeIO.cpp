#include "VolumeIO.h"

#include "exchange/ExchangeVolume.h"
#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "shell/ExchangeCommands.h"
#include "shell/KalderDoc.h"
#include "volume/Data3D.h"
#include "volume/VolumeCommands.h"
#include "volume/VolumeFile.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

const std::vector<std::string> InputKinds = {"auto", "volume", "raw", "fd",
                                             "npy",  "vti",    "nc",  "segy"};
const std::vector<std::string> OutputKinds = {"auto", "volume", "raw", "npy", "vti", "nc", "segy"};

std::int64_t FileSize(const std::string& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

std::int64_t ValueBytes(const CData3D& v)
{
    return static_cast<std::int64_t>(v.NX) * v.NY * v.NZ * 4;
}

// The kind an input is read as: the options first, then the file's extension and content.
std::string InputKind(const InputOptions& in)
{
    if (in.from != "auto")
        return in.from;
    if (!in.dims.empty())
        return "raw";
    if (in.component >= 0)
        return "fd";
    ExchangeFormat f = FormatFromExtension(in.path);
    if (f == ExchangeFormat::Unknown)
        f = FormatFromContent(in.path);
    switch (f) {
    case ExchangeFormat::Npy:
        return "npy";
    case ExchangeFormat::Vti:
        return "vti";
    case ExchangeFormat::Netcdf:
        return "nc";
    case ExchangeFormat::Segy:
        return "segy";
    default:
        return "volume";
    }
}

// Bytes before the values of a volume file: 24 for the legacy header (first word > 0), 32 for
// versions 0 and 1, 44 from version 2 on. -1 when the file cannot be read that far.
std::int64_t VolumeHeaderBytes(const std::string& path)
{
    auto file = platform::OpenBinaryRead(path);
    std::int32_t first = 0, version = 0;
    if (!file || !file->ReadInt32(first))
        return -1;
    if (first > 0)
        return 24;
    if (!file->ReadInt32(version))
        return -1;
    return version >= 2 ? 44 : 32;
}

int LoadVolumeFile(Job& job, CKalderDoc& doc, const std::string& path)
{
    if (!doc.OnOpenDocument(path))
        return job.FailFromCommand(path, "the file was not read");
    // The window shows what a short file held; a batch job must not go on with made-up zeros.
    const std::int64_t need = VolumeHeaderBytes(path) + ValueBytes(theVolume());
    const std::int64_t have = FileSize(path);
    if (have < need)
        return job.Fail(path, platform::Format("the file ends inside its values (%lld of %lld "
                                               "bytes)",
                                               static_cast<long long>(have),
                                               static_cast<long long>(need)));
    return ExitDone;
}

int LoadRaw(Job& job, const InputOptions& in)
{
    if (in.dims.size() != 3)
        return job.Usage("--dims NX,NY,NZ is needed to read headerless values");
    CliUi& ui = job.Ui();
    const char* labels[3] = {"NX =", "NY =", "NZ ="};
    for (int a = 0; a < 3; ++a)
        ui.AnswerField("Data size", labels[a], std::to_string(in.dims[a]));
    ui.AnswerOpen({in.path});
    ViewLoadMemory memory;
    const CommandResult r = OnOpenBinaryNoHeader(theVolume(), memory);
    if (!r.Done)
        return job.FailFromCommand(in.path, "the file was not read");
    if (r.Bytes != ValueBytes(theVolume()) || FileSize(in.path) != r.Bytes)
        return job.Fail(in.path, platform::Format("holds %lld bytes, --dims %d,%d,%d need %lld",
                                                  static_cast<long long>(FileSize(in.path)),
                                                  in.dims[0], in.dims[1], in.dims[2],
                                                  static_cast<long long>(ValueBytes(theVolume()))));
    return ExitDone;
}

int LoadFD(Job& job, const InputOptions& in)
{
    ViewLoadMemory memory;
    memory.Component = in.component < 0 ? 0 : in.component;
    CData3DEx& volume = theVolume();
    const std::int64_t bytes = LoadFDModelStep(volume, in.path, 1, 1, memory);
    if (bytes <= 0)
        return job.FailFromCommand(in.path, "the file was not read");
    if (bytes < ValueBytes(volume))
        return job.Fail(in.path, platform::Format("the file ends inside component %d (%lld of "
                                                  "%lld bytes)",
                                                  memory.Component, static_cast<long long>(bytes),
                                                  static_cast<long long>(ValueBytes(volume))));
    return ExitDone;
}

int LoadExchange(Job& job, CKalderDoc& doc, const InputOptions& in)
{
    CliUi& ui = job.Ui();
    if (in.steps.size() == 3) {
        const char* npy[3] = {"Step X", "Step Y", "Step Z"};
        const char* segy[3] = {"Step X (crossline spacing)", "Step Y (inline spacing)",
                               "Step Z (sample interval)"};
        for (int a = 0; a < 3; ++a) {
            ui.AnswerField("NumPy import", npy[a], platform::Format("%.9g", in.steps[a]));
            ui.AnswerField("SEG-Y import", segy[a], platform::Format("%.9g", in.steps[a]));
        }
    }
    ui.AnswerField("VTK import", "Array name (empty: the active scalars)", in.variable);
    ui.AnswerField("NetCDF import", "Variable name (empty: the first 3D float variable)",
                   in.variable);
    ui.AnswerOpen({in.path});
    if (!OnImportExchange(doc, theVolume()).Done)
        return job.FailFromCommand(in.path, "the file was not read");
    return ExitDone;
}

int WriteRaw(Job& job, const std::string& path)
{
    const CData3DEx& v = theVolume();
    std::string error;
    auto file = platform::AtomicFile::Create(path, &error);
    if (!file)
        return job.Fail(path, "cannot create the file: " + error);
    bool ok = v.ExtentsFitAllocation();
    for (int z = 0; ok && z < v.NZ; ++z)
        for (int y = 0; ok && y < v.NY; ++y)
            ok = file->Write(v.Values[z][y], static_cast<std::size_t>(v.NX) * 4);
    if (!ok || !file->Commit(&error))
        return job.Fail(path, "cannot write the file: " + (error.empty() ? "a write failed (disk "
                                                                           "full?)"
                                                                         : error));
    return ExitDone;
}

} // namespace

void AddInputOptions(CLI::App& app, InputOptions& in)
{
    app.add_option("--from", in.from,
                   "Input format: volume (the volume file, legacy and versions 0-3), raw "
                   "(headerless float32 values), fd (one component of an FD 3D model), npy, vti, "
                   "nc or segy; auto picks by --dims, --component, then extension and content, "
                   "else volume")
        ->check(CLI::IsMember(InputKinds))
        ->capture_default_str();
    app.add_option("--dims", in.dims, "Headerless input: NX,NY,NZ (cells)")
        ->delimiter(',')
        ->expected(3)
        ->check(CLI::PositiveNumber);
    app.add_option("--steps", in.steps,
                   "Cell sizes StepX,StepY,StepZ (axis units, default 1,1,1) for headerless, "
                   "NumPy and SEG-Y input")
        ->delimiter(',')
        ->expected(3)
        ->check(CLI::PositiveNumber);
    app.add_option("--component", in.component,
                   "FD 3D model input: component 0 P-velocity, 1 S-velocity, 2 density, 3 Qp, "
                   "4 Qs (default 0)")
        ->check(CLI::Range(0, 4));
    app.add_option("--variable", in.variable,
                   "VTK input: the data array; NetCDF input: the variable (default: the active "
                   "scalars / the first 3D float variable)");
}

void AddOutputOptions(CLI::App& app, OutputOptions& out)
{
    app.add_option("--to", out.to,
                   "Output format: volume (version 3 volume file), raw (headerless float32), "
                   "npy, vti, nc or segy; auto picks by the extension (.npy, .vti, .nc, .sgy), "
                   "else volume")
        ->check(CLI::IsMember(OutputKinds))
        ->capture_default_str();
}

int LoadInput(Job& job, CKalderDoc& doc, const InputOptions& given, InputInfo* info)
{
    InputOptions in = given;
    in.path = job.Path(given.path);
    const std::string kind = InputKind(in);
    if (kind != "raw" && !in.dims.empty())
        return job.Usage("--dims applies to headerless input (--from raw) only");
    if (kind != "fd" && in.component >= 0)
        return job.Usage("--component applies to FD 3D model input (--from fd) only");
    int rc = ExitDone;
    if (kind == "volume")
        rc = LoadVolumeFile(job, doc, in.path);
    else if (kind == "raw")
        rc = LoadRaw(job, in);
    else if (kind == "fd")
        rc = LoadFD(job, in);
    else
        rc = LoadExchange(job, doc, in);
    if (rc != ExitDone)
        return rc;
    CData3DEx& v = theVolume();
    if ((kind == "raw" || kind == "volume" || kind == "fd") && in.steps.size() == 3) {
        v.StepX = in.steps[0], v.StepY = in.steps[1], v.StepZ = in.steps[2];
    }
    if (v.NX < 1 || v.NY < 1 || v.NZ < 1 || !v.ExtentsFitAllocation())
        return job.Fail(in.path, "the file holds no values");
    if (info) {
        info->format = kind;
        info->fileBytes = FileSize(in.path);
    }
    job.Checkpoint();
    return ExitDone;
}

int SaveVolumeAs(Job& job, const CData3D& volume, const std::string& path)
{
    job.Checkpoint();
    if (!SaveVolumeFile(volume, path))
        return job.FailFromCommand(path, "the file was not written");
    return ExitDone;
}

int SaveOutput(Job& job, CKalderDoc& doc, const OutputOptions& given)
{
    const std::string path = job.Path(given.path);
    std::string kind = given.to;
    if (kind == "auto") {
        switch (FormatFromExtension(path)) {
        case ExchangeFormat::Npy:
            kind = "npy";
            break;
        case ExchangeFormat::Vti:
            kind = "vti";
            break;
        case ExchangeFormat::Netcdf:
            kind = "nc";
            break;
        case ExchangeFormat::Segy:
            kind = "segy";
            break;
        default:
            kind = "volume";
        }
    }
    job.Checkpoint();
    if (kind == "volume")
        return SaveVolumeAs(job, theVolume(), path);
    if (kind == "raw")
        return WriteRaw(job, path);
    const int index = kind == "npy" ? 0 : kind == "vti" ? 1 : kind == "nc" ? 2 : 3;
    job.Ui().AnswerField("Export", "Format", std::to_string(index));
    job.Ui().AnswerSave(path);
    if (!OnExportExchange(doc, theVolume()))
        return job.FailFromCommand(path, "the file was not written");
    return ExitDone;
}

TempBeside::TempBeside(const std::string& target) : target(target)
{
    const auto slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = folder + "/." + name + ".kalder-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) {
        // mkstemp makes the file private; the output gets the permissions of a new file
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        ::close(fd);
        temp = pattern;
    }
}

TempBeside::~TempBeside()
{
    if (!temp.empty())
        ::unlink(temp.c_str());
}

bool TempBeside::Commit(std::string& error)
{
    if (temp.empty() || ::rename(temp.c_str(), target.c_str()) != 0) {
        error = temp.empty() ? "no temporary file" : std::strerror(errno);
        return false;
    }
    temp.clear();
    return true;
}

} // namespace cli
