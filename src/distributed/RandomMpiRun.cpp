// The random FD model on MPI, each rank holding a slab of Z planes:
//   n  uniform noise, the generator jumped ahead to the slab's first cell (the single-machine
//      noise, bit for bit, whatever the number of ranks);
//   c  the model auto-correlation sampled on the slab;
//   N, C  their 3D transforms (FFTW-MPI, real to complex, single precision). The spectra stay
//      in FFTW's transposed layout (Y slabs), as the shaping below is cell by cell;
//   N(k) <- N(k) sqrt|C(k)|, transformed back to Z slabs, scaled to unit standard deviation
//      with the variance reduced over all ranks in double precision;
//   the five blocks of the FD 3D model written with collective MPI-IO at their offsets.
// The real transform keeps the half spectrum k_x = 0 .. NX/2; the other half is its conjugate
// mirror and |C| is even, so the shaped spectrum stays Hermitian and the inverse is the real
// part of the single-machine complex synthesis, up to the transforms' rounding. FFTW's backward
// transform is not divided by N; the scaling to unit deviation takes that factor out.

#include "distributed/RandomMpiRun.h"

#include "distributed/MemoryBudget.h"
#include "distributed/ModelLayout.h"
#include "distributed/ModelReport.h"
#include "distributed/ParallelModelFile.h"
#include "distributed/RandomMpiOptions.h"
#include "distributed/SlabCorrelation.h"
#include "platform/TextFile.h"
#include "random_media/Correlation.h"
#include "random_media/Noise.h"
#include "random_media/Utility.h"

#include <fftw3-mpi.h>
#include <mpi.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace {

const char* const kProgram = "kalder-random-mpi";
const char* const kReportFile = "VonKarmanModel3D.txt";

struct World {
    MPI_Comm comm = MPI_COMM_WORLD;
    int rank = 0;
    int size = 1;
    bool Root() const { return rank == 0; }
};

void RootError(const World& w, const std::string& text)
{
    if (w.Root())
        std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
}

bool AllTrue(const World& w, bool mine)
{
    int in = mine ? 1 : 0, all = 0;
    MPI_Allreduce(&in, &all, 1, MPI_INT, MPI_LAND, w.comm);
    return all != 0;
}

double SumOverRanks(const World& w, double mine)
{
    double all = 0;
    MPI_Allreduce(&mine, &all, 1, MPI_DOUBLE, MPI_SUM, w.comm);
    return all;
}

// Progress lines from rank 0: seconds since the start and what was done.
class Progress {
public:
    Progress(const World& w, bool quiet) : on(w.Root() && !quiet), start(MPI_Wtime()) {}
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        if (!on)
            return;
        va_list args;
        va_start(args, format);
        std::vprintf(format, args);
        va_end(args);
        std::fflush(stdout);
    }
    void Stage(const char* what) { Line("%8.2f s  %s\n", MPI_Wtime() - start, what); }
    double Elapsed() const { return MPI_Wtime() - start; }

private:
    bool on;
    double start;
};

// This rank's part of the grid, from FFTW's distribution of the real-to-complex transform:
// Z planes z0 .. z0 + planes - 1 of the real grid, rows padded to rowStride floats; in the
// transposed spectrum, Y planes y0 .. y0 + yPlanes - 1 of nz x (nx / 2 + 1) complex values.
struct Slab {
    int nx = 0, ny = 0, nz = 0;
    std::ptrdiff_t allocLocal = 0; // complex values per array
    std::ptrdiff_t planes = 0, z0 = 0, yPlanes = 0, y0 = 0;
    std::size_t rowStride = 0;

    std::size_t Rows() const { return static_cast<std::size_t>(planes) * ny; }
    std::int64_t Cells() const { return static_cast<std::int64_t>(planes) * ny * nx; }
    std::size_t SpectrumValues() const
    {
        return static_cast<std::size_t>(yPlanes) * nz * (nx / 2 + 1);
    }
    std::int64_t GridCells() const { return static_cast<std::int64_t>(nx) * ny * nz; }
};

Slab PlanSlab(const RandomMpiOptions& o, const World& w)
{
    Slab s;
    s.nx = o.nx, s.ny = o.ny, s.nz = o.nz;
    s.allocLocal = fftwf_mpi_local_size_3d_transposed(o.nz, o.ny, o.nx / 2 + 1, w.comm, &s.planes,
                                                      &s.z0, &s.yPlanes, &s.y0);
    s.rowStride = 2 * static_cast<std::size_t>(o.nx / 2 + 1);
    return s;
}

// The two arrays and the plans of one rank, released whatever happens.
struct SlabArrays {
    ~SlabArrays()
    {
        if (forward)
            fftwf_destroy_plan(forward);
        if (backward)
            fftwf_destroy_plan(backward);
        fftwf_free(noise);
        fftwf_free(model);
    }
    float* NoiseField() { return reinterpret_cast<float*>(noise); }
    float* ModelField() { return reinterpret_cast<float*>(model); }
    fftwf_complex* noise = nullptr;
    fftwf_complex* model = nullptr; // the correlation, later the packing buffer of the writes
    fftwf_plan forward = nullptr, backward = nullptr;
};

// Prints the estimate per rank and refuses a run that does not fit a rank's share of its
// machine's memory.
bool CheckMemory(const Slab& s, const RandomMpiOptions& o, const World& w, Progress& progress)
{
    const RankMemory need = EstimateRankMemory(
        s.allocLocal, s.nz,
        CorrelationTableSlots(o.model.correlationType, static_cast<std::size_t>(s.Cells())));
    std::uint64_t mine = need.Total(), most = 0;
    MPI_Allreduce(&mine, &most, 1, MPI_UINT64_T, MPI_MAX, w.comm);

    MPI_Comm node;
    MPI_Comm_split_type(w.comm, MPI_COMM_TYPE_SHARED, w.rank, MPI_INFO_NULL, &node);
    int localRanks = 1;
    MPI_Comm_size(node, &localRanks);
    MPI_Comm_free(&node);
    const std::optional<std::uint64_t> available = AvailablePerRank(localRanks);
    std::uint64_t share = available ? *available : std::numeric_limits<std::uint64_t>::max(),
                  least = 0;
    MPI_Allreduce(&share, &least, 1, MPI_UINT64_T, MPI_MIN, w.comm);

    progress.Line("memory per rank: estimated %s (arrays %s, FFTW work %s, tables %s, MPI and "
                  "program %s); available %s\n",
                  FormatBytes(most).c_str(), FormatBytes(need.arrays).c_str(),
                  FormatBytes(need.fftwWork).c_str(), FormatBytes(need.tables).c_str(),
                  FormatBytes(need.runtime).c_str(),
                  least == std::numeric_limits<std::uint64_t>::max() ? "unknown"
                                                                     : FormatBytes(least).c_str());
    if (AllTrue(w, mine <= share))
        return true;
    RootError(w, "the model needs an estimated " + FormatBytes(most) + " per rank, but only " +
                     FormatBytes(least) +
                     " is available per rank: run on more machines or with a smaller grid");
    return false;
}

bool Allocate(const Slab& s, SlabArrays& a, const World& w)
{
    const std::size_t count = static_cast<std::size_t>(std::max<std::ptrdiff_t>(s.allocLocal, 1));
    a.noise = fftwf_alloc_complex(count);
    a.model = fftwf_alloc_complex(count);
    if (AllTrue(w, a.noise && a.model)) {
        // the plans are made before the data: planning may use the arrays
        a.forward = fftwf_mpi_plan_dft_r2c_3d(s.nz, s.ny, s.nx, a.NoiseField(), a.noise, w.comm,
                                              FFTW_ESTIMATE | FFTW_MPI_TRANSPOSED_OUT);
        a.backward = fftwf_mpi_plan_dft_c2r_3d(s.nz, s.ny, s.nx, a.noise, a.NoiseField(), w.comm,
                                               FFTW_ESTIMATE | FFTW_MPI_TRANSPOSED_IN);
        if (AllTrue(w, a.forward && a.backward))
            return true;
        RootError(w, "FFTW could not plan the distributed transforms");
        return false;
    }
    RootError(w, "out of memory for the slab arrays");
    return false;
}

std::uint32_t AgreeSeed(const RandomMpiOptions& o, const World& w)
{
    std::uint32_t seed = o.seed;
    if (o.clock) {
        // rank 0's clock for all: the ranks must draw one sequence
        seed = UniformNoiseSeed(1);
        MPI_Bcast(&seed, 1, MPI_UINT32_T, 0, w.comm);
    }
    return seed;
}

// Packs the padded rows of a slab field into consecutive rows of nx floats.
void PackRows(const Slab& s, const float* padded, float* packed)
{
    for (std::size_t r = 0; r < s.Rows(); ++r)
        std::copy(padded + r * s.rowStride, padded + r * s.rowStride + s.nx,
                  packed + r * static_cast<std::size_t>(s.nx));
}

// The noise as float32 cells, z, y, x order, no header (for checking it across rank counts).
bool DumpNoise(const Slab& s, SlabArrays& a, const std::string& path, const World& w)
{
    PackRows(s, a.NoiseField(), a.ModelField());
    CParallelModelFile dump(w.comm);
    const bool ok = dump.Open(path) &&
                    dump.WriteAll(4 * s.z0 * static_cast<std::int64_t>(s.nx) * s.ny, a.ModelField(),
                                  s.Cells()) &&
                    dump.Commit();
    if (!ok)
        RootError(w, dump.Error());
    return ok;
}

// N(k) <- N(k) sqrt|C(k)|: squares and sum in float, both roots in double with the magnitude
// rounded to float between them, the product rounded to float, as the single-machine synthesis.
void ShapeSpectrum(const Slab& s, SlabArrays& a)
{
    const std::size_t count = s.SpectrumValues();
    for (std::size_t i = 0; i < count; ++i) {
        const float cRe = a.model[i][0], cIm = a.model[i][1];
        const float power = cRe * cRe + cIm * cIm;
        const float magnitude = static_cast<float>(std::sqrt(static_cast<double>(power)));
        const double root = std::sqrt(static_cast<double>(magnitude));
        a.noise[i][0] = static_cast<float>(a.noise[i][0] * root);
        a.noise[i][1] = static_cast<float>(a.noise[i][1] * root);
    }
}

// Scales the field to unit standard deviation: the mean (summed in double over all ranks,
// stored as float), the variance about it (in double), its root as float, each cell divided by
// it. A field without deviation (a model that is zero everywhere) becomes 0. Returns false then.
bool ScaleToUnitDeviation(const Slab& s, float* field, const World& w)
{
    const double count = static_cast<double>(s.GridCells());
    double sum = 0;
    for (std::size_t r = 0; r < s.Rows(); ++r)
        for (int x = 0; x < s.nx; ++x)
            sum += field[r * s.rowStride + x];
    const float mean = static_cast<float>(SumOverRanks(w, sum) / count);
    double squares = 0;
    for (std::size_t r = 0; r < s.Rows(); ++r)
        for (int x = 0; x < s.nx; ++x) {
            const double d = static_cast<double>(mean) - field[r * s.rowStride + x];
            squares += d * d;
        }
    const float variance = static_cast<float>(SumOverRanks(w, squares) / count);
    const float sd = std::sqrt(variance);
    const bool scaled = sd > 0.0f && std::isfinite(sd);
    for (std::size_t r = 0; r < s.Rows(); ++r) {
        float* row = field + r * s.rowStride;
        for (int x = 0; x < s.nx; ++x)
            row[x] = scaled ? row[x] / sd : 0.0f;
    }
    return scaled;
}

ModelStatistics UnitFieldStatistics(const Slab& s, const float* u, const World& w)
{
    ModelStatistics st;
    st.count = s.GridCells();
    double sum = 0;
    for (std::size_t r = 0; r < s.Rows(); ++r)
        for (int x = 0; x < s.nx; ++x)
            sum += u[r * s.rowStride + x];
    st.mean = static_cast<float>(SumOverRanks(w, sum) / static_cast<double>(st.count));
    double squares = 0;
    for (std::size_t r = 0; r < s.Rows(); ++r)
        for (int x = 0; x < s.nx; ++x) {
            const double d = static_cast<double>(st.mean) - u[r * s.rowStride + x];
            squares += d * d;
        }
    st.sumSquares = SumOverRanks(w, squares);
    return st;
}

// The S-wave velocity and u along the five profile lines, gathered on rank 0 as [line][z].
void GatherProfiles(const Slab& s, const float* u, const ModelCells& cells, const World& w,
                    std::vector<float>& vsProfile, std::vector<float>& uProfile)
{
    const ProfileLines lines(s.nx, s.ny);
    constexpr int perPlane = 2 * ProfileLines::Count; // (vs, u) per line
    std::vector<float> mine(static_cast<std::size_t>(s.planes) * perPlane, 0.0f);
    for (std::ptrdiff_t p = 0; p < s.planes; ++p)
        for (int line = 0; line < ProfileLines::Count; ++line) {
            if (!lines.Inside(line))
                continue;
            const float v = u[(static_cast<std::size_t>(p) * s.ny + lines.y[line]) * s.rowStride +
                              lines.x[line]];
            mine[p * perPlane + 2 * line] = cells.Vs(v);
            mine[p * perPlane + 2 * line + 1] = v;
        }

    const int count = static_cast<int>(s.planes) * perPlane;
    const int first = s.planes > 0 ? static_cast<int>(s.z0) * perPlane : 0;
    std::vector<int> counts(static_cast<std::size_t>(w.size)), firsts(counts.size());
    MPI_Gather(&count, 1, MPI_INT, counts.data(), 1, MPI_INT, 0, w.comm);
    MPI_Gather(&first, 1, MPI_INT, firsts.data(), 1, MPI_INT, 0, w.comm);
    std::vector<float> all(w.Root() ? static_cast<std::size_t>(s.nz) * perPlane : 0);
    MPI_Gatherv(mine.data(), count, MPI_FLOAT, all.data(), counts.data(), firsts.data(), MPI_FLOAT,
                0, w.comm);
    if (!w.Root())
        return;
    vsProfile.assign(static_cast<std::size_t>(ProfileLines::Count) * s.nz, 0.0f);
    uProfile.assign(vsProfile.size(), 0.0f);
    for (int z = 0; z < s.nz; ++z)
        for (int line = 0; line < ProfileLines::Count; ++line) {
            const std::size_t at = static_cast<std::size_t>(line) * s.nz + z;
            vsProfile[at] = all[static_cast<std::size_t>(z) * perPlane + 2 * line];
            uProfile[at] = all[static_cast<std::size_t>(z) * perPlane + 2 * line + 1];
        }
}

// Writes the header and the five blocks of this rank's planes, then commits the file.
bool WriteModel(CParallelModelFile& file, const Slab& s, const float* u, const ModelCells& cells,
                float* pack, const RandomMpiOptions& o)
{
    const auto header = ModelHeader(s.nx, s.ny, s.nz, o.stepX, o.stepY, o.stepZ);
    if (!file.WriteRoot(0, header.data(), static_cast<int>(header.size())))
        return false;
    for (int block = 0; block < ModelBlocks; ++block) {
        if (block <= 3) // Qp and Qs are the same constant: block 4 reuses block 3's buffer
            for (std::size_t r = 0; r < s.Rows(); ++r) {
                const float* in = u + r * s.rowStride;
                float* out = pack + r * static_cast<std::size_t>(s.nx);
                for (int x = 0; x < s.nx; ++x)
                    out[x] = cells.Block(block, in[x]);
            }
        const std::int64_t at =
            s.planes > 0 ? ModelBlockOffset(block, s.nx, s.ny, s.nz, static_cast<int>(s.z0)) : 0;
        if (!file.WriteAll(at, pack, s.Cells()))
            return false;
    }
    return file.Commit();
}

void PrintPeakMemory(const World& w, Progress& progress)
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const double mine = static_cast<double>(usage.ru_maxrss) * 1024.0; // kilobytes on Linux
    std::vector<double> all(w.Root() ? static_cast<std::size_t>(w.size) : 0);
    MPI_Gather(&mine, 1, MPI_DOUBLE, all.data(), 1, MPI_DOUBLE, 0, w.comm);
    if (!w.Root())
        return;
    progress.Line("peak RSS per rank:");
    for (double b : all)
        progress.Line(" %s", FormatBytes(static_cast<std::uint64_t>(b)).c_str());
    progress.Line("\n");
}

// Samples the correlation into the model field, then filters the noise with it in the
// wavenumber domain: the noise field holds the correlated field afterwards.
void ShapeNoise(const RandomMpiOptions& o, const Slab& s, SlabArrays& a, Progress& progress)
{
    CorrelationGrid grid;
    grid.type = o.model.correlationType;
    grid.nx = s.nx, grid.ny = s.ny, grid.nz = s.nz;
    grid.stepX = o.stepX, grid.stepY = o.stepY, grid.stepZ = o.stepZ;
    grid.ax = o.model.ax, grid.ay = o.model.ay, grid.az = o.model.az;
    grid.e = o.model.e, grid.h = o.model.h, grid.angle = o.model.angle;
    const std::size_t evaluations = SampleCorrelationSlab(
        grid, static_cast<int>(s.z0), static_cast<int>(s.planes), a.ModelField(), s.rowStride);
    progress.Stage(
        ("correlation sampled (" + std::to_string(evaluations) + " evaluations on rank 0)")
            .c_str());

    fftwf_mpi_execute_dft_r2c(a.forward, a.NoiseField(), a.noise);
    fftwf_mpi_execute_dft_r2c(a.forward, a.ModelField(), a.model);
    progress.Stage("forward transforms");
    ShapeSpectrum(s, a);
    fftwf_mpi_execute_dft_c2r(a.backward, a.noise, a.NoiseField());
    progress.Stage("spectrum shaped, inverse transform");
}

int Synthesise(const RandomMpiOptions& o, const World& w)
{
    Progress progress(w, o.quiet);
    const Slab s = PlanSlab(o, w);
    std::ptrdiff_t mostPlanes = 0;
    MPI_Allreduce(&s.planes, &mostPlanes, 1, MPI_INT64_T, MPI_MAX, w.comm);
    progress.Line("%s: %d x %d x %d cells on %d ranks, Z slabs of up to %td planes\n", kProgram,
                  s.nx, s.ny, s.nz, w.size, mostPlanes);
    if (!CheckMemory(s, o, w, progress))
        return 1;

    // The report is truncated now and filled once the model is written, as the window's command
    // leaves it; the statistics object comes with it.
    platform::TextFile report;
    std::unique_ptr<CUtility> utility;
    if (w.Root()) {
        if (!report.Create(kReportFile))
            std::fprintf(stderr,
                         "%s: warning: cannot create \"%s\"; the model is made without it\n",
                         kProgram, kReportFile);
        utility = std::make_unique<CUtility>();
    }

    // Opened first, so an unwritable path costs no computation.
    CParallelModelFile file(w.comm);
    if (!file.Open(o.output)) {
        RootError(w, file.Error());
        return 1;
    }
    SlabArrays a;
    if (!Allocate(s, a, w))
        return 1;

    const std::uint32_t seed = AgreeSeed(o, w);
    progress.Line("seed %u\n", seed);
    FillUniformNoiseRows(seed, static_cast<std::uint64_t>(s.z0) * s.ny * s.nx, s.nx, s.Rows(),
                         a.NoiseField(), s.rowStride);
    progress.Stage("noise drawn");
    if (!o.noiseDump.empty() && !DumpNoise(s, a, o.noiseDump, w))
        return 1;

    ShapeNoise(o, s, a, progress);

    float* u = a.NoiseField();
    if (!ScaleToUnitDeviation(s, u, w) && o.model.correlationType != CorrelationHomogeneous)
        RootError(w, "warning: the auto-correlation model is zero everywhere (the chosen type has "
                     "no correlation function): the random field is 0");
    const ModelStatistics stats = UnitFieldStatistics(s, u, w);
    const ModelCells cells(o.model);
    std::vector<float> vsProfile, uProfile;
    GatherProfiles(s, u, cells, w, vsProfile, uProfile);
    progress.Stage("unit field and statistics");

    if (!WriteModel(file, s, u, cells, a.ModelField(), o)) {
        RootError(w, file.Error() + "; \"" + o.output + "\" was not changed");
        return 1;
    }
    progress.Stage(("written \"" + o.output + "\" (" +
                    std::to_string(ModelFileBytes(s.nx, s.ny, s.nz)) + " bytes)")
                       .c_str());
    if (w.Root() && report.IsOpen()) {
        WriteModelReport(report, stats, s.nz, vsProfile, uProfile, *utility);
        if (!report.Close())
            std::fprintf(stderr, "%s: warning: the report \"%s\" is incomplete (disk full?)\n",
                         kProgram, kReportFile);
    }
    PrintPeakMemory(w, progress);
    return 0;
}

} // namespace

int RunRandomMpi(const std::vector<std::string>& args)
{
    World w;
    MPI_Comm_rank(w.comm, &w.rank);
    MPI_Comm_size(w.comm, &w.size);

    // Every rank reads the same arguments, so every rank comes to the same verdict alone.
    RandomMpiOptions o;
    std::string bad = ParseRandomMpiOptions(args, o);
    if (bad.empty() && o.help) {
        if (w.Root())
            std::fputs(RandomMpiUsage().c_str(), stdout);
        return 0;
    }
    if (bad.empty())
        bad = CheckRandomMpiOptions(o, w.size);
    if (!bad.empty()) {
        RootError(w, bad);
        return 2;
    }
    fftwf_mpi_init();
    const int status = Synthesise(o, w);
    fftwf_mpi_cleanup();
    return status;
}
