#pragma once
// What every exchange reader and writer shares: the result record, the grid a file describes
// before any value is read, and the two ways values reach the volume.
//
// Axis order: arrays indexed by axis hold X at 0, Y at 1, Z at 2. A volume's values are
// Values[z][y][x], x fastest; every format here is mapped to that order (NumPy shape
// (NZ, NY, NX), NetCDF dimensions (z, y, x), VTK extents x fastest, SEG-Y samples along Z).
//
// A reader first describes the file in an ExchangeGrid and checks it against the file's length
// and the memory limit of VolumeFile.h; only then does it touch the volume. Values that can be
// read without a late failure (raw blocks whose length was checked) go straight into the
// volume's rows; values that can still fail while being decoded (zlib blocks, text, chunked
// NetCDF) are decoded into a staging block first and copied in only when everything decoded.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CData3D;

// The formats, in the order of the Import/Export dialogs.
enum class ExchangeFormat : int { Npy = 0, Vti = 1, Netcdf = 2, Segy = 3, Unknown = -1 };

// Outcome of a read or write. Error names the file and what is wrong; when it is set the volume
// (reading) or the target file (writing) was left as it was.
struct ExchangeResult {
    std::string Error;
    std::vector<std::string> Notes; // accepted, but worth telling (values filled in, rounding)
    std::int64_t Bytes = 0;         // value bytes read from or written to the file

    bool Ok() const { return Error.empty(); }
};

// A grid as a file describes it. Titles and units are set only where the format carries them;
// the volume keeps its own otherwise.
struct ExchangeGrid {
    std::int64_t N[3] = {0, 0, 0};      // cells along X, Y, Z
    float Step[3] = {1.0f, 1.0f, 1.0f}; // cell sizes, axis units
    float Start[3] = {0, 0, 0};         // coordinate of index 0, axis units
    std::optional<std::string> Title[3];
    std::optional<std::string> Unit[3];

    std::int64_t Cells() const { return N[0] * N[1] * N[2]; }
};

// Extension of path (lower case, without the dot) to a format: npy, vti, nc/nc4/cdf/netcdf,
// sgy/segy. Unknown otherwise.
ExchangeFormat FormatFromExtension(const std::string& path);
// Format from the first bytes of a file ("\x93NUMPY", "<?xml"/"<VTKFile", "CDF\1|\2|\5" or the
// HDF5 signature, a 3600-byte SEG-Y header); Unknown when nothing matches.
ExchangeFormat FormatFromContent(const std::string& path);
// The format's name in messages and dialogs ("NumPy", "VTK ImageData", "NetCDF", "SEG-Y").
const char* FormatName(ExchangeFormat format);

// Refuses a grid without cells, with an extent below 1, or one whose volume plus stagedBytes (a
// decoded copy of the values held while they are checked) does not fit the memory limit. Empty
// when the grid may be read.
std::string CheckGrid(const std::string& path, const ExchangeGrid& grid,
                      std::uint64_t stagedBytes = 0);
// Refuses steps that are not positive and finite, and starts that are not finite.
std::string CheckGeometry(const std::string& path, const ExchangeGrid& grid);

// Makes the volume's allocation hold the grid (reusing one of exactly these extents) and sets
// NX, NY, NZ. The caller has passed CheckGrid; values are then written row by row.
void PrepareVolume(CData3D& volume, const ExchangeGrid& grid);
// Sets steps and starts, the titles and units the grid carries, DataType 0 ("Default"), and cuts
// the stretch areas to the new NZ. Called after the values are in.
void ApplyGrid(CData3D& volume, const ExchangeGrid& grid);

// Values decoded in file order (x fastest, then y, then z), kept until all decoded.
struct StagedValues {
    std::vector<float> Values;
    // Allocates Cells() floats; false when memory is exhausted.
    bool Reserve(const ExchangeGrid& grid);
};
// Prepares the volume, copies the staged rows in, and applies the grid.
void CommitStaged(CData3D& volume, const ExchangeGrid& grid, const StagedValues& staged);

// The volume a writer writes: extents in use of at least 1 that fit the allocation. Empty when
// it may be written; otherwise the message naming path.
std::string CheckWritable(const CData3D& volume, const std::string& path);

// A scratch file beside a target for libraries that write by path (NetCDF): created empty at
// construction, renamed over the target by Commit, removed otherwise.
class ScratchBeside {
public:
    explicit ScratchBeside(const std::string& target);
    ~ScratchBeside();
    ScratchBeside(const ScratchBeside&) = delete;
    ScratchBeside& operator=(const ScratchBeside&) = delete;

    // False when the scratch file could not be made (Error() says why).
    bool Made() const { return !temp.empty(); }
    const std::string& Path() const { return temp; }
    const std::string& Error() const { return error; }
    // Flushes the scratch file to disk and renames it over the target; false (error set) if not.
    bool Commit();

private:
    std::string target;
    std::string temp;
    std::string error;
};

// "%.9g": the shortest text that reads back as the same float.
std::string FloatText(float value);
