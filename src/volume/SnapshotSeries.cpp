#include "volume/SnapshotSeries.h"

#include "platform/BinaryFile.h"
#include "platform/Dialog.h"
#include "platform/Form.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"
#include "volume/ReaderKit.h"
#include "volume/StretchInfo.h"
#include "volume/VolumeDialogs.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>

using platform::Format;

namespace {

void Message(const std::string& text)
{
    ReportToUser(text);
}

// A distance in metres as a grid position, rounded half up and kept inside int.
int GridPosition(double distance, float spacing)
{
    double p = distance / static_cast<double>(spacing) + 0.5;
    if (!(p > INT_MIN))
        return p != p ? 0 : INT_MIN;
    return p < INT_MAX ? static_cast<int>(p) : INT_MAX;
}

// Writes the 2D FD model. values[c] holds component c (P-velocity, S-velocity, density, Qp, Qs)
// per layer: values[c][z * nx + y]; layer[r] maps depth row r to its layer. Returns false when
// the file cannot be created or a write failed.
bool WriteFD2DModel(const std::string& path, int nx, float spacing, int p1, int p2,
                    const std::vector<int>& layer, const std::vector<float> (&values)[5],
                    std::string& error)
{
    platform::AtomicTextFile out; // an interrupted export leaves the previous model whole
    if (!out.Create(path, &error))
        return false;
    const int nz = static_cast<int>(layer.size());
    const int points = nx / 10;
    out.Printf(" %d %d %f \n", nx, nz, static_cast<double>(spacing));
    out.Printf(" %d %d %d \n", p1, p2, points);
    for (int i = 0; i < points; ++i)
        out.Printf(" %d %d \n", 10 * i, 0);
    out.Printf(" %d %d %d \n", 0, 1, 2);
    out.Printf(" %d %d %f \n", 0, 0, 0.0);

    // Blocks in file order: P-velocity, S-velocity, density, the integer block (all 0), Qp, Qs.
    const int blocks[6] = {0, 1, 2, -1, 3, 4};
    for (int c : blocks) {
        for (int r = 0; r < nz; ++r) {
            const float* row =
                c >= 0 ? values[c].data() + static_cast<std::size_t>(layer[r]) * nx : nullptr;
            for (int j = 0; j < nx; ++j) {
                if (row)
                    out.Printf(" %f ", static_cast<double>(row[j]));
                else
                    out.Printf(" %d ", 0);
            }
            out.Printf(" \n");
        }
    }
    return out.Commit(&error);
}

} // namespace

int ReadFDModelHeader(const std::string& path, FDModelHeader& header)
{
    auto file = OpenOrReport(path);
    if (!file)
        return -1;
    FDModelHeader h;
    bool ok = ReadFDModelHeader(*file, h);
    file->Close();
    if (!ok)
        return -1;
    header = h;
    return h.NX;
}

std::vector<std::string> AskSeriesFiles()
{
    return platform::GetUi().OpenFiles("Snapshots files(*.*)", true);
}

SeriesSelection CollectSeries(const std::vector<std::string>& paths)
{
    SeriesSelection sel;
    bool fullReported = false;
    for (const std::string& path : paths) {
        ++sel.SelectedCount;
        SeriesName name = SplitSeriesName(path);
        if (!name.HasNumber()) {
            Message(Format("\"%s\" carries no usable file number and is left out of the series.",
                           name.FileName.c_str()));
            continue;
        }
        Message(Format("%s %s %d", name.FileName.c_str(), name.NumberText.c_str(), name.Number));
        if (sel.Numbers.Contains(name.Number))
            continue;
        if (sel.Numbers.IsFull()) {
            if (!fullReported)
                Message(Format("A series holds at most %d files; \"%s\" and the further new "
                               "numbers are left out.",
                               SeriesNumberList::MaxNumbers, name.FileName.c_str()));
            fullReported = true;
            continue;
        }
        int at = sel.Numbers.Insert(name.Number);
        sel.Paths.insert(sel.Paths.begin() + at, path);
    }
    Message(Format("Number of files = %d", sel.SelectedCount));
    return sel;
}

std::vector<int> SliceRowLayers(const std::vector<float>& bottoms, int rows, float spacing)
{
    std::vector<int> layer(static_cast<std::size_t>(std::max(rows, 0)), 0);
    const int nz = static_cast<int>(bottoms.size());
    if (nz == 0)
        return layer;
    // reach[k]: the deepest bottom among layers 0..k (NaN skipped). The first layer whose bottom
    // reaches a depth is the first k whose reach does, and reach never decreases, so one pass
    // down the rows finds every layer even in a column whose bottoms do not ascend.
    std::vector<float> reach(static_cast<std::size_t>(nz));
    float deepest = -INFINITY;
    for (int k = 0; k < nz; ++k) {
        if (bottoms[static_cast<std::size_t>(k)] > deepest)
            deepest = bottoms[static_cast<std::size_t>(k)];
        reach[static_cast<std::size_t>(k)] = deepest;
    }
    int k = 0;
    for (int r = 0; r < rows; ++r) {
        // depth of the row centre in metres (double: an int plus a half times the float spacing)
        double depth = (r + 0.5) * static_cast<double>(spacing);
        while (k < nz && !(reach[static_cast<std::size_t>(k)] >= depth))
            ++k;
        layer[static_cast<std::size_t>(r)] =
            std::min(k, nz - 1); // below the last bottom: the last layer goes on
    }
    return layer;
}

namespace {

// Layer bottoms in metres: running sums of the thicknesses (float, as stored), or multiples of
// StepZ when the file has none.
std::vector<float> LayerBottoms(const FDModelHeader& h, const StretchInfo& stretch,
                                bool haveThickness)
{
    std::vector<float> bottoms(static_cast<std::size_t>(h.NZ));
    float sum = 0;
    for (int i = 0; i < h.NZ; ++i) {
        if (haveThickness) {
            sum += stretch.LayerThickness[static_cast<std::size_t>(i)];
            bottoms[static_cast<std::size_t>(i)] = sum;
        } else {
            bottoms[static_cast<std::size_t>(i)] = static_cast<float>(i + 1) * h.StepZ;
        }
    }
    return bottoms;
}

// values[c][z * NY + y]: the value at X = column of every row of the five components, read in
// chunks of one row at a time. Returns the bytes read, or -1 when the file ends early.
std::int64_t ReadColumnOfComponents(platform::BinaryFile& file, const FDModelHeader& h, int column,
                                    std::vector<float> (&values)[5])
{
    std::vector<float> chunk(static_cast<std::size_t>(std::min<std::int64_t>(h.NX, BlockFloats)));
    std::int64_t bytes = 0;
    for (int c = 0; c < 5; ++c) {
        values[c].resize(static_cast<std::size_t>(h.NZ) * static_cast<std::size_t>(h.NY));
        for (std::size_t row = 0; row < values[c].size(); ++row) {
            // The chunk holding the column gives the value.
            for (std::int64_t x0 = 0; x0 < h.NX; x0 += BlockFloats) {
                std::size_t n = static_cast<std::size_t>(std::min(BlockFloats, h.NX - x0));
                std::size_t got = file.Read(chunk.data(), n * 4);
                bytes += static_cast<std::int64_t>(got);
                if (got < n * 4)
                    return -1;
                if (column >= x0 && column < x0 + static_cast<std::int64_t>(n))
                    values[c][row] = chunk[static_cast<std::size_t>(column - x0)];
            }
        }
    }
    return bytes;
}

} // namespace

std::int64_t ExtractSlice2D(const std::string& path, int column, double p1Distance,
                            double p2Distance, double depthExtent, const std::string& outputPath)
{
    auto file = OpenOrReport(path);
    if (!file)
        return 0;
    FDModelHeader h;
    if (!ReadFDModelHeader(*file, h))
        return 0;
    if (h.NX < 1 || h.NY < 1 || h.NZ < 1 || column < 0 || column >= h.NX) {
        Message(Format("\"%s\" (NX = %d, NY = %d, NZ = %d) has no column %d to extract.",
                       path.c_str(), h.NX, h.NY, h.NZ, column));
        return 0;
    }
    if (!(h.StepX > 0) || !std::isfinite(h.StepX)) {
        Message(Format("\"%s\": the cell size StepX = %f cannot be used as the 2D grid spacing.",
                       path.c_str(), static_cast<double>(h.StepX)));
        return 0;
    }
    const double rowsExact = depthExtent / static_cast<double>(h.StepX) + 0.5;
    const int rows = rowsExact >= 0 && rowsExact < INT_MAX ? static_cast<int>(rowsExact) : -1;
    if (h.NY > MaxSlice2DCells || rows < 1 || rows > MaxSlice2DCells) {
        Message(Format("\"%s\": the 2D model would be %d cells wide and %s rows deep; at most "
                       "%d x %d cells are possible.",
                       path.c_str(), h.NY, rows < 0 ? "too many" : std::to_string(rows).c_str(),
                       MaxSlice2DCells, MaxSlice2DCells));
        return 0;
    }

    // The thickness block goes to a record of its own: the volume on screen has nothing to do
    // with the series.
    StretchInfo stretch;
    const bool haveThickness = stretch.ReadLayerThickness(*file, h.NZ, h.StepX) == 1 &&
                               static_cast<int>(stretch.LayerThickness.size()) == h.NZ;

    // Five components of NZ * NY * NX floats must follow; refuse a short file before allocating.
    std::int64_t cells = 0, bytesNeeded = 0;
    const std::int64_t length = file->Length(), here = file->Tell();
    if (__builtin_mul_overflow(static_cast<std::int64_t>(h.NZ) * h.NY, h.NX, &cells) ||
        __builtin_mul_overflow(cells, std::int64_t{20}, &bytesNeeded) ||
        (length >= 0 && bytesNeeded > length - here)) {
        Message(Format("Cannot extract from \"%s\": the file is shorter than the five "
                       "components of NX = %d, NY = %d, NZ = %d cells.",
                       path.c_str(), h.NX, h.NY, h.NZ));
        return 0;
    }

    const std::vector<int> layer =
        SliceRowLayers(LayerBottoms(h, stretch, haveThickness), rows, h.StepX);

    std::vector<float> values[5];
    const std::int64_t bytes = ReadColumnOfComponents(*file, h, column, values);
    if (bytes < 0) {
        Message(Format("Cannot extract from \"%s\": the file ends early.", path.c_str()));
        return 0;
    }
    file->Close();

    const float spacing = h.StepX;
    const int p1 = GridPosition(p1Distance, spacing);
    const int p2 = GridPosition(p2Distance, spacing);
    std::string error;
    if (!WriteFD2DModel(outputPath, h.NY, spacing, p1, p2, layer, values, error)) {
        Message(Format("Cannot write \"%s\": %s.", outputPath.c_str(), error.c_str()));
        return 0;
    }
    return bytes;
}

CommandResult OnAppendAllFiles(CData3D& volume, ViewLoadMemory& memory, int& drawEnabled)
{
    CommandResult result;
    result.Repaint = true; // in every case, also after Cancel
    std::vector<std::string> paths = AskSeriesFiles();
    if (paths.empty())
        return result;

    drawEnabled = 0; // the view draws nothing while the strips arrive
    SeriesSelection sel = CollectSeries(paths);
    const int count = sel.Numbers.Count();
    for (int k = 0; k < count; ++k) {
        const std::string& path = sel.Paths[static_cast<std::size_t>(k)];
        std::int64_t bytes = LoadFDModelStep(volume, path, k == 0 ? 1 : 0, count, memory);
        if (bytes <= 0) {
            // Appending the later strips after a missing one would put them at its columns.
            if (k > 0)
                Message(Format("Loading the series stopped at \"%s\": %d of %d files were "
                               "loaded.",
                               path.c_str(), k, count));
            break;
        }
        result.Bytes += bytes;
    }
    drawEnabled = 1;
    result.Done = result.Bytes > 0 ? 1 : 0;
    result.Changed = result.Bytes > 0;
    return result;
}

CommandResult OnExtract2DSlice(const std::string& outputPath)
{
    std::vector<std::string> paths = AskSeriesFiles();
    if (paths.empty())
        return {};
    SeriesSelection sel = CollectSeries(paths);
    const int count = sel.Numbers.Count();
    if (count == 0)
        return {}; // every name was reported as carrying no number

    std::int64_t total = 0; // columns of the whole series
    for (const std::string& path : sel.Paths) {
        Message(path);
        FDModelHeader h;
        int nx = ReadFDModelHeader(path, h);
        if (nx < 0)
            return {};
        total += nx;
    }
    if (total > INT_MAX) {
        Message(Format("The series is %lld columns wide; at most %d can be addressed.",
                       static_cast<long long>(total), INT_MAX));
        return {};
    }

    CDlgGetInteger dlg;
    dlg.Prompt = Format("Enter number of X position (0 to %d)", static_cast<int>(total - 1));
    if (!platform::RunDialog(dlg))
        return {};
    const int b = dlg.Value;
    if (b < 0 || b >= total) {
        Message(Format("The X position %d lies outside 0 to %d; nothing was extracted.", b,
                       static_cast<int>(total - 1)));
        return {};
    }

    std::int64_t start = 0;
    for (int k = 0; k < count; ++k) {
        const std::string& path = sel.Paths[static_cast<std::size_t>(k)];
        Message(path);
        FDModelHeader h;
        int nx = ReadFDModelHeader(path, h);
        if (nx < 0)
            return {};
        std::int64_t end = start + nx;
        if (b < end) {
            CommandResult r;
            r.Bytes = ExtractSlice2D(path, static_cast<int>(b - start), 10000.0, 10000.0, 20000.0,
                                     outputPath);
            return r;
        }
        start = end;
    }
    // The files shrank since their widths were added up.
    Message(Format("The X position %d is no longer inside the series; nothing was extracted.", b));
    return {};
}
