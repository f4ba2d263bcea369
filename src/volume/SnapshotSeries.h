#pragma once
// Numbered FD model series (one FD 3D model file per strip along X, snap1.dat, snap2.dat, ...):
// "Append all files" loads one component of every strip into the volume side by side along X;
// "Extract 2D slice" cuts the YZ section at one X position of the series out of the strip that
// holds it and writes it, resampled to a square grid in depth, as the 2D FD model text file
// "FD2D_model.fd2".

#include "volume/SeriesNames.h"
#include "volume/VolumeCommands.h"

#include "volume/ReaderKit.h"

#include <cstdint>
#include <string>
#include <vector>

// Reads the header of the FD 3D model file at path. Returns NX, or -1 when the file cannot be
// opened, ends inside the header or has negative extents (a message naming the file was shown).
// No volume is touched.
int ReadFDModelHeader(const std::string& path, FDModelHeader& header);

// A selected series in ascending file number. The files are opened under the selected paths, so
// zero-padded numbers and other extensions load what the user chose.
struct SeriesSelection {
    SeriesNumberList Numbers;
    std::vector<std::string> Paths; // Paths[k]: the first selected path with number Numbers.At(k)
    int SelectedCount = 0;          // paths selected, duplicates and names without number included
};

// The file-open dialog "Snapshots files(*.*)" with multiple selection; empty when cancelled.
std::vector<std::string> AskSeriesFiles();
// Splits every path, shows "%s %s %d" (file name, number text, number) for each, lists the
// numbers and ends with "Number of files = %d" (paths selected, duplicates included). A name
// without a usable number is reported and left out.
SeriesSelection CollectSeries(const std::vector<std::string>& paths);

// Layer of every depth row of the 2D section: row r lies at depth (r + 0.5) * spacing and takes
// the first layer whose bottom (metres, ascending) is at or below that depth; rows deeper than the
// last bottom take the last layer. bottoms must not be empty.
std::vector<int> SliceRowLayers(const std::vector<float>& bottoms, int rows, float spacing);

// Largest width (NY) and depth rows of a 2D model.
constexpr int MaxSlice2DCells = 1701;

// Cuts the YZ section at X index column (0-based, within the file's NX) out of the FD 3D model at
// path and writes it as a 2D FD model to outputPath. The file carries the thickness flag word
// after its header; with thicknesses the layer bottoms are their running sums, otherwise
// multiples of StepZ. Rows = (int)(depthExtent / StepX + 0.5), the grid spacing is StepX.
// Returns the bytes of values read, or 0 when the file or the section is refused (reported).
std::int64_t ExtractSlice2D(const std::string& path, int column, double p1Distance = 10000.0,
                            double p2Distance = 10000.0, double depthExtent = 20000.0,
                            const std::string& outputPath = "FD2D_model.fd2");

// "Append all files": the series dialog, then the model loading step for every file in ascending
// number (interactive for the first, fileCount = the number of files), each appended after the
// columns filled so far. drawEnabled (the view's DrawEnabled) is 0 from the confirmed dialog to
// the end and 1 afterwards. Loading stops at the first file that adds nothing (cancelled or
// refused), keeping the strips read before it. Always asks for a repaint; DataRangeValid is
// left as it is.
CommandResult OnAppendAllFiles(CData3D& volume, ViewLoadMemory& memory, int& drawEnabled);

// "Extract 2D slice": the series dialog, the total width of the series, "Get integer" for the X
// position (0 to total - 1), then ExtractSlice2D on the strip that holds it, writing
// "FD2D_model.fd2" into the current directory (the command line names another outputPath). The
// volume is not touched; no repaint.
CommandResult OnExtract2DSlice(const std::string& outputPath = "FD2D_model.fd2");
