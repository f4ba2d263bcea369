#pragma once
// File > Import... and File > Export...: the exchange formats (NumPy .npy, VTK .vti, NetCDF,
// SEG-Y) in and out of the document's volume, with the questions each format needs asked as
// form dialogs.
//
// Import replaces the volume as File Open does when "New" is chosen: no "Append data?", the
// file's extents, values, steps, starts, titles and units; the working folder becomes the file's
// folder. The document becomes untitled, so that File Save asks for a name instead of writing a
// volume file over the imported one. A refused file leaves the volume as it was.
//
// Export writes the volume as it is; the document's name and the volume do not change.

#include "volume/VolumeCommands.h"

#include <string>

namespace platform {
class Form;
}
class CKalderDoc;
class CData3D;

// "Export": which format (0 NumPy, 1 VTK ImageData, 2 NetCDF, 3 SEG-Y; ExchangeFormat order).
struct CDlgExchangeFormat {
    int Format = 0;
    void Describe(platform::Form& form);
};

// "NumPy import": cell sizes and starts, which a .npy file cannot hold; filled from the sidecar
// "<name>.npy.json" when there is one.
struct CDlgImportNpy {
    float StepX = 1.0f, StepY = 1.0f, StepZ = 1.0f;
    float StartX = 0, StartY = 0, StartZ = 0;
    void Describe(platform::Form& form);
};

// "VTK import": the data array to read; empty for the active scalars.
struct CDlgImportVti {
    std::string ArrayName;
    void Describe(platform::Form& form);
};

// "NetCDF import": the variable to read; the file's 3D variables are listed above the field.
struct CDlgImportNetcdf {
    std::string VariableName;
    std::string Available; // "3D variables: a, b" (read-only prompt)
    void Describe(platform::Form& form);
};

// "SEG-Y import": where the line numbers are, and spacings for headers without coordinates.
struct CDlgImportSegy {
    int InlineByte = 189, CrosslineByte = 193;
    float StepX = 1.0f, StepY = 1.0f, StepZ = 1.0f;
    void Describe(platform::Form& form);
};

// "VTK export".
struct CDlgExportVti {
    int Compress = 0; // 1: zlib-compressed blocks
    void Describe(platform::Form& form);
};

// "NetCDF export": the data variable's name and CF attributes, and the deflate level.
struct CDlgExportNetcdf {
    std::string VariableName = "values";
    std::string LongName = "values";
    std::string Units = "1";
    int DeflateLevel = 0; // 0 none, 1..9 zlib
    void Describe(platform::Form& form);
};

// "SEG-Y export": the numbers of the first inline (Y index 0) and crossline (X index 0).
struct CDlgExportSegy {
    int FirstInline = 1, FirstCrossline = 1;
    void Describe(platform::Form& form);
};

// "Import...": a file-open dialog "NumPy, VTK, NetCDF, SEG-Y (*.npy *.vti *.nc *.sgy)", the
// format from the extension (else from the content), its dialog, then the read. Messages name
// the file and the problem, or tell what was adjusted. The result asks the window to clear
// DataRangeValid and repaint once a file was read.
CommandResult OnImportExchange(CKalderDoc& doc, CData3D& volume);

// "Export...": "Export" (the format), a file-save dialog with that format's filter, its dialog,
// then the write (through a temporary file, so a failed export leaves an existing file as it
// was). Returns true when written.
bool OnExportExchange(CKalderDoc& doc, const CData3D& volume);
