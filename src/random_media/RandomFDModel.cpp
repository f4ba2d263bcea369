// Finite-difference model from a unit random field u (standard deviation 1):
//   vp'(u)      = min(cap, (e vp) u + vp),  cap = 1.3 vp   (float; only vp is capped)
//   vs'(u)      = (e vs) u + vs                          (float, no bound)
//   density'(u) = (e density) u + density                (float)
//   Qp = Qs     = 1000000
// written block by block, each block z outermost, then y, x fastest.

#include "random_media/RandomFDModel.h"

#include "numeric/Allocation.h"
#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "random_media/RandomField.h"
#include "random_media/Utility.h"
#include "volume/Data3D.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr float kQuality = 1000000.0f;
constexpr int kProfileLines = 5;

// Streams the blocks one z plane at a time; after the first failed write the rest are skipped,
// so the caller learns of the failure without a flood of further errors.
class PlaneWriter {
public:
    PlaneWriter(platform::BinaryFile& file, int nx, int ny)
        : file(file), plane(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny))
    {
    }
    float* Row(int y, int nx) { return plane.data() + static_cast<std::size_t>(y) * nx; }
    void Flush()
    {
        if (ok)
            ok = file.Write(plane.data(), plane.size() * sizeof(float));
    }
    void Header(const CData3D& v)
    {
        // The flag word is always 0: the grid has uniform Z cells of StepZ and no thickness block
        // follows, so a reader never takes values of block 1 for layer thicknesses.
        const std::int32_t size[3] = {v.NX, v.NY, v.NZ};
        const float steps[3] = {v.StepX, v.StepY, v.StepZ};
        ok = ok && file.Write(size, sizeof size) && file.Write(steps, sizeof steps) &&
             file.WriteInt32(0);
    }
    bool ok = true;

private:
    platform::BinaryFile& file;
    std::vector<float> plane;
};

} // namespace

namespace {

// Writes one block of base + scale * u a plane at a time, each value capped at cap when capped.
void WriteScaledBlock(PlaneWriter& out, float*** u, int nx, int ny, int nz, float scale, float base,
                      bool capped, float cap)
{
    for (int z = 0; z < nz; ++z) {
        for (int y = 0; y < ny; ++y) {
            const float* src = u[z][y];
            float* row = out.Row(y, nx);
            if (capped)
                for (int x = 0; x < nx; ++x)
                    row[x] = std::min(cap, scale * src[x] + base);
            else
                for (int x = 0; x < nx; ++x)
                    row[x] = scale * src[x] + base;
        }
        out.Flush();
    }
}

// The S-wave velocity and the unit field down five vertical lines at (x, y) = (c, c),
// (c - 20, c), (c + 20, c), (c, c - 20), (c, c + 20), c = NY / 2; a line outside the grid is
// never sampled and stays 0.
struct ProfileLines {
    ProfileLines(int nx, int ny, int nz)
        : nz(nz), vs(static_cast<std::size_t>(kProfileLines) * nz, 0.0f), u(vs.size(), 0.0f)
    {
        const int c = ny / 2;
        const int lineX[kProfileLines] = {c, c - 20, c + 20, c, c};
        const int lineY[kProfileLines] = {c, c, c, c - 20, c + 20};
        for (int line = 0; line < kProfileLines; ++line) {
            x[line] = lineX[line], y[line] = lineY[line];
            inside[line] = x[line] >= 0 && x[line] < nx && y[line] >= 0 && y[line] < ny;
        }
    }
    void Sample(int z, float*** values, float*** unit)
    {
        for (int line = 0; line < kProfileLines; ++line)
            if (inside[line]) {
                vs[At(line, z)] = values[z][y[line]][x[line]];
                u[At(line, z)] = unit[z][y[line]][x[line]];
            }
    }
    std::size_t At(int line, int z) const { return static_cast<std::size_t>(line) * nz + z; }

    int nz;
    int x[kProfileLines], y[kProfileLines];
    bool inside[kProfileLines];
    std::vector<float> vs, u;
};

// Block 2, the S-wave velocity, also kept in the volume, with a report line per plane. Returns
// the sum of (mean - u)^2 in double.
double WriteSWaveBlock(PlaneWriter& out, CData3D& volume, float*** u, const RandomModelSettings& s,
                       float mean, ProfileLines& lines, platform::TextFile& report)
{
    const int nx = volume.NX, ny = volume.NY, nz = volume.NZ;
    const float vsScale = s.e * s.vs;
    double sum = 0.0;
    for (int z = 0; z < nz; ++z) {
        for (int y = 0; y < ny; ++y) {
            const float* src = u[z][y];
            float* row = out.Row(y, nx);
            float* dst = volume.Values[z][y];
            for (int x = 0; x < nx; ++x) {
                const float v = vsScale * src[x] + s.vs;
                row[x] = v;
                dst[x] = v;
                const double d = static_cast<double>(mean) - src[x];
                sum += d * d;
            }
        }
        lines.Sample(z, volume.Values, u);
        out.Flush();
        report.Printf("%d", z);
        for (int line = 0; line < kProfileLines; ++line)
            report.Printf(" %f %f", lines.vs[lines.At(line, z)], lines.u[lines.At(line, z)]);
        report.Printf(" \n");
    }
    return sum;
}

void ReportSpread(platform::TextFile& report, const CUtility& utility, double sum, long long count,
                  const ProfileLines& lines)
{
    const double variance = sum / static_cast<double>(count);
    const float sd = static_cast<float>(std::sqrt(variance));
    report.Printf("Number of data=%lld \n", count);
    report.Printf("Variance=%f \n", variance);
    report.Printf("SD=%f \n", sd);
    for (int line = 0; line < kProfileLines; ++line)
        report.Printf("SD(VS)=%f\n",
                      std::sqrt(utility.Variance1D(lines.nz, lines.vs.data() + lines.At(line, 0))));
    for (int line = 0; line < kProfileLines; ++line)
        report.Printf("SD(SD)=%f\n",
                      std::sqrt(utility.Variance1D(lines.nz, lines.u.data() + lines.At(line, 0))));
}

} // namespace

bool ExportRandomFDModel(CData3D& volume, const RandomModelSettings& s, platform::BinaryFile& file,
                         platform::TextFile& report, const CUtility& utility)
{
    const int nx = volume.NX, ny = volume.NY, nz = volume.NZ;
    if (nx < 1 || ny < 1 || nz < 1 || !volume.IsAllocated(1) || !volume.ExtentsFitAllocation())
        return false;

    // u: the unit field, kept while Values becomes the S-wave model
    float*** u = f3tensor(0, nz, 0, ny, 0, nx);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            std::copy(volume.Values[z][y], volume.Values[z][y] + nx, u[z][y]);

    PlaneWriter out(file, nx, ny);
    out.Header(volume);

    report.Printf("SD for all model = %f \n", std::sqrt(utility.Variance3D(nx, ny, nz, u)));
    const float mean = utility.Mean3D(nx, ny, nz, u);
    report.Printf("Average for all model = %f \n", mean);

    // Block 1, P-wave velocity, capped at 1.3 vp (product in double, cap stored as float).
    const float cap = static_cast<float>(static_cast<double>(s.vp) * 1.3);
    WriteScaledBlock(out, u, nx, ny, nz, s.e * s.vp, s.vp, true, cap);

    ProfileLines lines(nx, ny, nz);
    const double sum = WriteSWaveBlock(out, volume, u, s, mean, lines, report);
    ReportSpread(report, utility, sum, static_cast<long long>(nx) * ny * nz, lines);

    // Block 3, density, no cap.
    WriteScaledBlock(out, u, nx, ny, nz, s.e * s.density, s.density, false, 0.0f);

    // Blocks 4 and 5, Qp and Qs.
    for (int y = 0; y < ny; ++y)
        std::fill(out.Row(y, nx), out.Row(y, nx) + nx, kQuality);
    for (int block = 0; block < 2; ++block)
        for (int z = 0; z < nz; ++z)
            out.Flush();

    FreeTensor3(u, 0, nz, 0, ny, 0, nx);
    return out.ok;
}

int VonKarmanModelFD3D(CData3D& volume, const RandomModelSettings& s, platform::BinaryFile& file,
                       platform::TextFile& report, const CUtility& utility,
                       platform::Surface& surface, bool* volumeChanged)
{
    if (volumeChanged)
        *volumeChanged = false;
    const int made =
        VonKarmanNoise3D(s.correlationType, volume.NX, volume.NY, volume.NZ, volume.Values,
                         volume.StepX, volume.StepY, volume.StepZ, s.ax, s.ay, s.az, s.e, s.h,
                         s.angle, s.randomNoise, surface, s.seed);
    // A failed synthesis leaves no field worth a model file.
    if (!made)
        return 0;
    const bool written = ExportRandomFDModel(volume, s, file, report, utility);
    if (volumeChanged)
        *volumeChanged = true;
    return written ? 1 : 0;
}
