#include "shell/ExchangeCommands.h"

#include "exchange/ExchangeVolume.h"
#include "exchange/NetcdfFile.h"
#include "exchange/NpyFile.h"
#include "exchange/NpySidecar.h"
#include "exchange/SegyFile.h"
#include "exchange/VtiFile.h"
#include "platform/Dialog.h"
#include "platform/Form.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "shell/KalderDoc.h"
#include "volume/Data3D.h"

using platform::Format;

namespace {

const char* const ImportFilter = "NumPy, VTK, NetCDF, SEG-Y (*.npy *.vti *.nc *.sgy)";

struct FormatInfo {
    const char* filter;    // file dialog description
    const char* pattern;   // file dialog pattern
    const char* extension; // appended to a name without it
};

const FormatInfo Formats[4] = {
    {"NumPy array (*.npy)", "*.npy", ".npy"},
    {"VTK ImageData (*.vti)", "*.vti", ".vti"},
    {"NetCDF-4 (*.nc)", "*.nc", ".nc"},
    {"SEG-Y (*.sgy)", "*.sgy", ".sgy"},
};

void Message(const std::string& text)
{
    platform::GetUi().MessageBox(text);
}

std::string FolderOf(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The document's name without folder and extension, for the initial export name.
std::string BaseName(const CKalderDoc& doc)
{
    if (doc.PathName.empty())
        return "volume";
    std::string name = doc.Title();
    std::string::size_type dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Reads path in its format after that format's dialog; false when cancelled.
bool ReadWithDialog(ExchangeFormat format, const std::string& path, CData3D& volume,
                    ExchangeResult& result)
{
    switch (format) {
    case ExchangeFormat::Npy: {
        ExchangeGrid sidecar;
        sidecar.Step[0] = sidecar.Step[1] = sidecar.Step[2] = 1.0f;
        std::string error;
        ReadNpySidecar(path, sidecar, error);
        if (!error.empty()) {
            result.Error = error;
            return true;
        }
        CDlgImportNpy dlg{sidecar.Step[0],  sidecar.Step[1],  sidecar.Step[2],
                          sidecar.Start[0], sidecar.Start[1], sidecar.Start[2]};
        if (!platform::RunDialog(dlg))
            return false;
        NpyReadOptions o;
        o.UseSidecar = false; // the dialog showed its values, and the user may have changed them
        o.Step[0] = dlg.StepX, o.Step[1] = dlg.StepY, o.Step[2] = dlg.StepZ;
        o.Start[0] = dlg.StartX, o.Start[1] = dlg.StartY, o.Start[2] = dlg.StartZ;
        result = ReadNpyFile(path, volume, o);
        // Titles and units the sidecar names are taken as well.
        if (result.Ok()) {
            std::string* titles[3] = {&volume.TitleX, &volume.TitleY, &volume.TitleZ};
            std::string* units[3] = {&volume.UnitX, &volume.UnitY, &volume.UnitZ};
            for (int a = 0; a < 3; ++a) {
                if (sidecar.Title[a])
                    *titles[a] = *sidecar.Title[a];
                if (sidecar.Unit[a])
                    *units[a] = *sidecar.Unit[a];
            }
        }
        return true;
    }
    case ExchangeFormat::Vti: {
        CDlgImportVti dlg;
        if (!platform::RunDialog(dlg))
            return false;
        VtiReadOptions o;
        o.ArrayName = dlg.ArrayName;
        result = ReadVtiFile(path, volume, o);
        return true;
    }
    case ExchangeFormat::Netcdf: {
        CDlgImportNetcdf dlg;
        std::vector<std::string> names = ListNetcdfVariables(path);
        dlg.Available = "3D variables:";
        for (std::size_t i = 0; i < names.size(); ++i)
            dlg.Available += (i ? ", " : " ") + names[i];
        if (names.empty())
            dlg.Available += " none found";
        if (!platform::RunDialog(dlg))
            return false;
        NetcdfReadOptions o;
        o.VariableName = dlg.VariableName;
        result = ReadNetcdfFile(path, volume, o);
        return true;
    }
    case ExchangeFormat::Segy: {
        CDlgImportSegy dlg;
        if (!platform::RunDialog(dlg))
            return false;
        SegyReadOptions o;
        o.InlineByte = dlg.InlineByte, o.CrosslineByte = dlg.CrosslineByte;
        o.StepX = dlg.StepX, o.StepY = dlg.StepY, o.StepZ = dlg.StepZ;
        result = ReadSegyFile(path, volume, o);
        return true;
    }
    default:
        return false;
    }
}

// Writes path in its format after that format's dialog; false when cancelled.
bool WriteWithDialog(ExchangeFormat format, const std::string& path, const CData3D& volume,
                     ExchangeResult& result)
{
    switch (format) {
    case ExchangeFormat::Npy:
        result = WriteNpyFile(volume, path);
        return true;
    case ExchangeFormat::Vti: {
        CDlgExportVti dlg;
        if (!platform::RunDialog(dlg))
            return false;
        VtiWriteOptions o;
        o.Compress = dlg.Compress != 0;
        result = WriteVtiFile(volume, path, o);
        return true;
    }
    case ExchangeFormat::Netcdf: {
        CDlgExportNetcdf dlg;
        if (!platform::RunDialog(dlg))
            return false;
        NetcdfWriteOptions o;
        o.VariableName = dlg.VariableName;
        o.LongName = dlg.LongName;
        o.Units = dlg.Units;
        o.DeflateLevel = dlg.DeflateLevel;
        result = WriteNetcdfFile(volume, path, o);
        return true;
    }
    case ExchangeFormat::Segy: {
        CDlgExportSegy dlg;
        if (!platform::RunDialog(dlg))
            return false;
        SegyWriteOptions o;
        o.FirstInline = dlg.FirstInline;
        o.FirstCrossline = dlg.FirstCrossline;
        result = WriteSegyFile(volume, path, o);
        return true;
    }
    default:
        return false;
    }
}

void ShowOutcome(const ExchangeResult& result)
{
    if (!result.Ok())
        Message(result.Error);
    for (const std::string& note : result.Notes)
        Message(note);
}

} // namespace

void CDlgExchangeFormat::Describe(platform::Form& form)
{
    form.caption = "Export";
    form.Radio("Format", Format,
               {"NumPy array (.npy)", "VTK ImageData (.vti)", "NetCDF-4 (.nc)", "SEG-Y (.sgy)"});
}

void CDlgImportNpy::Describe(platform::Form& form)
{
    form.caption = "NumPy import";
    form.Prompt("A .npy file holds values only: give the cell sizes and starts.");
    form.BeginGrid({"X", "Y", "Z"}, {"Step", "Start"});
    form.Float("Step X", StepX).Float("Start X", StartX);
    form.Float("Step Y", StepY).Float("Start Y", StartY);
    form.Float("Step Z", StepZ).Float("Start Z", StartZ);
}

void CDlgImportVti::Describe(platform::Form& form)
{
    form.caption = "VTK import";
    form.Text("Array name (empty: the active scalars)", ArrayName);
}

void CDlgImportNetcdf::Describe(platform::Form& form)
{
    form.caption = "NetCDF import";
    form.Prompt(Available);
    form.Text("Variable name (empty: the first 3D float variable)", VariableName);
}

void CDlgImportSegy::Describe(platform::Form& form)
{
    form.caption = "SEG-Y import";
    form.Int("Inline number byte", InlineByte).Int("Crossline number byte", CrosslineByte);
    form.Prompt("Used when the trace headers carry no coordinates or sample interval:");
    form.Float("Step X (crossline spacing)", StepX).Float("Step Y (inline spacing)", StepY);
    form.Float("Step Z (sample interval)", StepZ);
}

void CDlgExportVti::Describe(platform::Form& form)
{
    form.caption = "VTK export";
    form.Check("Compress with zlib", Compress);
}

void CDlgExportNetcdf::Describe(platform::Form& form)
{
    form.caption = "NetCDF export";
    form.Text("Variable name", VariableName).Text("Long name", LongName).Text("Units", Units);
    form.Int("Compression level (0 none, 1-9)", DeflateLevel);
}

void CDlgExportSegy::Describe(platform::Form& form)
{
    form.caption = "SEG-Y export";
    form.Int("First inline number", FirstInline).Int("First crossline number", FirstCrossline);
}

CommandResult OnImportExchange(CKalderDoc& doc, CData3D& volume)
{
    std::vector<std::string> paths = platform::GetUi().OpenFiles(ImportFilter, false);
    if (paths.empty())
        return {};
    const std::string& path = paths.front();
    ExchangeFormat format = FormatFromExtension(path);
    if (format == ExchangeFormat::Unknown)
        format = FormatFromContent(path);
    if (format == ExchangeFormat::Unknown) {
        Message(
            Format("\"%s\" is not a NumPy, VTK ImageData, NetCDF or SEG-Y file.", path.c_str()));
        return {};
    }
    ExchangeResult result;
    if (!ReadWithDialog(format, path, volume, result))
        return {};
    ShowOutcome(result);
    if (!result.Ok())
        return {};
    doc.WorkingFolder = FolderOf(path);
    doc.PathName.clear();
    return {.Done = 1, .Changed = true, .Repaint = true, .Bytes = result.Bytes};
}

bool OnExportExchange(CKalderDoc& doc, const CData3D& volume)
{
    if (volume.NX < 1 || volume.NY < 1 || volume.NZ < 1 || !volume.ExtentsFitAllocation()) {
        Message("Nothing to export: the volume holds no values.");
        return false;
    }
    CDlgExchangeFormat choice;
    if (!platform::RunDialog(choice) || choice.Format < 0 || choice.Format > 3)
        return false;
    const FormatInfo& info = Formats[choice.Format];
    const auto format = static_cast<ExchangeFormat>(choice.Format);
    std::optional<std::string> chosen =
        platform::GetUi().SaveFile(BaseName(doc) + info.extension, info.filter, info.pattern);
    if (!chosen || chosen->empty())
        return false;
    std::string path = *chosen;
    if (FormatFromExtension(path) != format)
        path += info.extension;
    ExchangeResult result;
    if (!WriteWithDialog(format, path, volume, result))
        return false;
    ShowOutcome(result);
    if (!result.Ok())
        return false;
    doc.WorkingFolder = FolderOf(path);
    return true;
}
