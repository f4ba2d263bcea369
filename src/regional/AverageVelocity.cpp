// Travel-time average velocity down to depth D (a time-averaged velocity in the sense of the
// "Vs30" site parameter, here with D = 8000 in the Z unit):
//
//   Vavg = sum_l h_l / sum_l (h_l / V_l)
//
// over the cells l from the top down to the first cell whose bottom lies strictly below D; that
// cell counts in full. Cell thicknesses come from the Z stretch areas: StepZ times the area's
// factor for each of its cells.

#include "regional/AverageVelocity.h"

#include "numeric/Allocation.h"
#include "platform/BinaryFile.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"

#include <algorithm>

std::vector<float> AverageVelocityCells(const CData3D& volume)
{
    std::vector<float> cells;
    if (!volume.Stretch || volume.NZ < 1)
        return cells;
    const StretchInfo& stretch = *volume.Stretch;
    float sum = 0; // float32, as the running depth of the walk
    // NArea of 0 walks no cell (the map is then 0/0); more than the slots that exist is cut.
    const int areas = std::clamp(stretch.NArea, 0, StretchInfo::MaxAreas);
    for (int m = 0; m < areas; ++m) {
        const float h = volume.StepZ * stretch.Stretch[m];
        for (int n = 0; n < stretch.Boundary[m]; ++n) {
            // The walk never reads planes beyond the volume: it stops at the last plane.
            if (static_cast<int>(cells.size()) >= volume.NZ)
                return cells;
            cells.push_back(h);
            sum += h;
            if (sum > AverageVelocityDepth)
                return cells;
        }
    }
    return cells;
}

namespace {

bool HasData(const CData3D& volume)
{
    return volume.NX >= 1 && volume.NY >= 1 && volume.NZ >= 1 && volume.Values &&
           volume.ExtentsFitAllocation();
}

// The walk for every column of row y = j into out[0..NX-1]. The running depth is the same for
// every column, so it is passed in; the travel times are accumulated plane by plane over the
// row (x fastest), which adds the same float32 terms in the same order per column as a
// column-by-column walk. time is scratch of NX floats.
void AverageVelocityRow(const CData3D& volume, const std::vector<float>& cells, float sum, int j,
                        float* out, std::vector<float>& time)
{
    const int nx = volume.NX;
    std::fill(time.begin(), time.end(), 0.0f);
    for (std::size_t l = 0; l < cells.size(); ++l) {
        const float h = cells[l];
        const float* row = volume.Values[l][j];
        for (int k = 0; k < nx; ++k)
            time[k] += h / row[k];
    }
    for (int k = 0; k < nx; ++k)
        out[k] = sum / time[k]; // 0/0 = NaN for a column without cells
}

float CellSum(const std::vector<float>& cells)
{
    float sum = 0; // float32, in the walk's order
    for (float h : cells)
        sum += h;
    return sum;
}

} // namespace

std::vector<float> ComputeAverageVelocity(const CData3D& volume)
{
    if (!HasData(volume))
        return {};
    const int nx = volume.NX, ny = volume.NY;
    const std::vector<float> cells = AverageVelocityCells(volume);
    const float sum = CellSum(cells);
    std::vector<float> result(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
    std::vector<float> time(static_cast<std::size_t>(nx));
    for (int j = 0; j < ny; ++j)
        AverageVelocityRow(volume, cells, sum, j, result.data() + static_cast<std::size_t>(j) * nx,
                           time);
    return result;
}

CommandResult OnCalculatingAVS(const CData3D& volume, const std::string& folder)
{
    platform::Ui& ui = platform::GetUi();
    const std::string path = platform::JoinPath(folder, "avs.dat");
    if (!HasData(volume)) {
        ui.MessageBox("Calculating AVS needs a volume with data.");
        return {};
    }
    const int nx = volume.NX, ny = volume.NY;
    // The map is held in a matrix rows 0..NY, columns 0..NX, as the program's numerical code
    // holds its planes.
    float** avs = AllocMatrix(0, ny, 0, nx);
    if (!avs) {
        ui.MessageBox(
            platform::Format("Not enough memory for the %d x %d average velocity map.", nx, ny));
        return {};
    }
    {
        const std::vector<float> cells = AverageVelocityCells(volume);
        const float sum = CellSum(cells);
        std::vector<float> time(static_cast<std::size_t>(nx));
        for (int j = 0; j < ny; ++j)
            AverageVelocityRow(volume, cells, sum, j, avs[j], time);
    }

    std::string error;
    auto file = platform::AtomicFile::Create(path, &error);
    bool ok = file != nullptr;
    if (ok) {
        ok = file->WriteInt32(nx) && file->WriteInt32(ny) && file->WriteInt32(1) &&
             file->WriteFloat(volume.StepX) && file->WriteFloat(volume.StepY) &&
             file->WriteFloat(volume.StepZ);
        for (int j = 0; ok && j < ny; ++j)
            ok = file->Write(avs[j], static_cast<std::size_t>(nx) * sizeof(float));
        // Commit refuses a file with a failed write and says why.
        ok = file->Commit(&error) && ok;
    }
    FreeMatrix(avs, 0, ny, 0, nx);
    if (!ok) {
        ui.MessageBox(platform::Format("Cannot write \"%s\": %s.", path.c_str(),
                                       error.empty() ? "write failed" : error.c_str()));
        return {};
    }
    CommandResult result;
    result.Bytes = 24 + static_cast<std::int64_t>(nx) * ny * 4;
    return result;
}
