// kalder-random-mpi under mpirun with 1, 2 and 4 ranks on a cube of 64 and a 32 x 64 x 128
// grid: the noise is the same bit for bit whatever the rank count, the model files agree with
// each other and with the single-machine synthesis and export; bad options, a model too large
// for memory and a failing disk end the run cleanly.

#include "DistributedTestSupport.h"
#include "numeric/Allocation.h"
#include "random_media/Noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

using namespace mpi_test;

namespace {

// One grid and model of the comparisons.
struct Case {
    const char* name;
    int nx, ny, nz;
    std::string options; // the model options, without -o
};

const Case kCube{"cube64", 64, 64, 64, "--size 64 --type vonkarman --ax 5 --ay 5 --az 5 --e 10"};
// Not a cube, unequal steps, a rotation and the exponential model
const Case kSlab{"grid32x64x128", 32, 64, 128,
                 "--nx 32 --ny 64 --nz 128 --type exponential --stepx 2 --stepy 1 --stepz 1.5 "
                 "--ax 6 --ay 4 --az 8 --e 5 --angle 30 --vp 3000 --vs 1700 --density 2400"};

// A folder for one run, removed with the test program.
class Folders {
public:
    ~Folders()
    {
        std::error_code ec;
        for (const std::string& d : made)
            std::filesystem::remove_all(d, ec);
    }
    std::string Make()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kalder-mpi-XXXXXX").string();
        const char* dir = ::mkdtemp(pattern.data());
        made.push_back(dir ? dir : "");
        return made.back();
    }

private:
    std::vector<std::string> made;
};

Folders& TheFolders()
{
    static Folders folders;
    return folders;
}

struct Made {
    std::string dir;
    RunResult run;
    std::string Model() const { return dir + "/model.fd3d"; }
    std::string Noise() const { return dir + "/noise.raw"; }
    std::string Report() const { return dir + "/VonKarmanModel3D.txt"; }
};

// The runs of a case, each made once for all the tests that compare them.
const Made& MpiRun(const Case& c, int ranks)
{
    static std::map<std::string, Made> runs;
    const std::string key = std::string(c.name) + "/" + std::to_string(ranks);
    auto it = runs.find(key);
    if (it == runs.end()) {
        Made m;
        m.dir = TheFolders().Make();
        m.run = RunMpi(m.dir, ranks, c.options + " --dump-noise noise.raw -o model.fd3d");
        it = runs.emplace(key, m).first;
    }
    return it->second;
}

const Made& ReferenceRun(const Case& c)
{
    static std::map<std::string, Made> runs;
    auto it = runs.find(c.name);
    if (it == runs.end()) {
        Made m;
        m.dir = TheFolders().Make();
        m.run = RunReference(m.dir, c.options + " -o model.fd3d");
        it = runs.emplace(c.name, m).first;
    }
    return it->second;
}

// Largest |a - b| / |b| over the values; the sizes must agree.
double LargestRelativeDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    EXPECT_EQ(a.size(), b.size());
    double worst = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        const double d = std::fabs(static_cast<double>(a[i]) - b[i]) / std::fabs(b[i]);
        worst = std::max(worst, std::isnan(d) ? 1e30 : d);
    }
    return worst;
}

void ExpectRunSucceeded(const Made& m)
{
    ASSERT_EQ(m.run.status, 0) << m.run.err << m.run.out;
    ASSERT_TRUE(std::filesystem::exists(m.Model()));
}

// The single-machine noise of a grid, bytes in storage order.
std::vector<std::uint8_t> SingleMachineNoise(int nx, int ny, int nz)
{
    float*** t = f3tensor(0, nz, 0, ny, 0, nx);
    FillUniformNoise(nx, ny, nz, t, 0);
    std::vector<std::uint8_t> bytes;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y) {
            const auto* row = reinterpret_cast<const std::uint8_t*>(t[z][y]);
            bytes.insert(bytes.end(), row, row + 4 * nx);
        }
    FreeTensor3(t, 0, nz, 0, ny, 0, nx);
    return bytes;
}

void ExpectNoiseIdenticalAcrossRanks(const Case& c)
{
    const std::vector<std::uint8_t> expected = SingleMachineNoise(c.nx, c.ny, c.nz);
    for (int ranks : {1, 2, 4}) {
        const Made& m = MpiRun(c, ranks);
        ExpectRunSucceeded(m);
        EXPECT_TRUE(ReadBytes(m.Noise()) == expected) << ranks << " ranks: the noise differs";
    }
}

void ExpectModelsAgreeAcrossRanks(const Case& c)
{
    const Made& one = MpiRun(c, 1);
    ExpectRunSucceeded(one);
    const std::vector<float> base = ModelValues(one.Model());
    ASSERT_EQ(base.size(), 5u * c.nx * c.ny * c.nz);
    const std::vector<std::uint8_t> header = ReadBytes(one.Model());
    for (int ranks : {2, 4}) {
        const Made& m = MpiRun(c, ranks);
        ExpectRunSucceeded(m);
        EXPECT_LE(LargestRelativeDifference(ModelValues(m.Model()), base), kAcrossRanks)
            << ranks << " ranks";
        const std::vector<std::uint8_t> bytes = ReadBytes(m.Model());
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 28, header.begin()));
    }
}

void ExpectModelMatchesSingleMachine(const Case& c)
{
    const Made& ref = ReferenceRun(c);
    ASSERT_EQ(ref.run.status, 0) << ref.run.err;
    const std::vector<std::uint8_t> refBytes = ReadBytes(ref.Model());
    const std::vector<float> expected = ModelValues(ref.Model());
    ASSERT_EQ(refBytes.size(), 28u + 20u * c.nx * c.ny * c.nz);
    for (int ranks : {1, 2, 4}) {
        const Made& m = MpiRun(c, ranks);
        ExpectRunSucceeded(m);
        const std::vector<std::uint8_t> bytes = ReadBytes(m.Model());
        ASSERT_EQ(bytes.size(), refBytes.size());
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 28, refBytes.begin())) << "header";
        EXPECT_LE(LargestRelativeDifference(ModelValues(m.Model()), expected),
                  kAgainstSingleMachine)
            << ranks << " ranks";
    }
}

// Numbers of two report lines agree to the tolerance (relative, or absolute near 0).
void ExpectSameNumbers(const std::string& got, const std::string& want, double tolerance)
{
    const std::vector<double> a = Numbers(got), b = Numbers(want);
    ASSERT_EQ(a.size(), b.size()) << got << " | " << want;
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_NEAR(a[i], b[i], tolerance * std::max(1.0, std::fabs(b[i]))) << got << " | " << want;
}

} // namespace

TEST(RandomMpi, NoiseIsTheSingleMachineNoiseBitForBitOnAnyRankCount_Cube64)
{
    ExpectNoiseIdenticalAcrossRanks(kCube);
}

TEST(RandomMpi, NoiseIsTheSingleMachineNoiseBitForBitOnAnyRankCount_Grid32x64x128)
{
    ExpectNoiseIdenticalAcrossRanks(kSlab);
}

TEST(RandomMpi, ModelsOfOneTwoAndFourRanksAgree_Cube64)
{
    ExpectModelsAgreeAcrossRanks(kCube);
}

TEST(RandomMpi, ModelsOfOneTwoAndFourRanksAgree_Grid32x64x128)
{
    ExpectModelsAgreeAcrossRanks(kSlab);
}

TEST(RandomMpi, ModelMatchesTheSingleMachineSynthesisAndExport_Cube64)
{
    ExpectModelMatchesSingleMachine(kCube);
}

TEST(RandomMpi, ModelMatchesTheSingleMachineSynthesisAndExport_Grid32x64x128)
{
    ExpectModelMatchesSingleMachine(kSlab);
}

TEST(RandomMpi, ReportMatchesTheSingleMachineReport_Cube64)
{
    const Made& ref = ReferenceRun(kCube);
    ASSERT_EQ(ref.run.status, 0) << ref.run.err;
    const std::vector<std::string> want = Lines(ReadText(ref.Report()));
    ASSERT_EQ(want.size(), 2u + 64 + 3 + 10);
    for (int ranks : {1, 4}) {
        const Made& m = MpiRun(kCube, ranks);
        ExpectRunSucceeded(m);
        const std::vector<std::string> got = Lines(ReadText(m.Report()));
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            // the same words, numbers to the model tolerance
            EXPECT_EQ(got[i].substr(0, got[i].find_first_of("=0123456789-")),
                      want[i].substr(0, want[i].find_first_of("=0123456789-")));
            ExpectSameNumbers(got[i], want[i], kAgainstSingleMachine);
        }
    }
}

TEST(RandomMpi, ReportProfilesAreCentredOnEachAxisOfANonCube)
{
    // NX = 32, NY = 64: the centre line is at x = 16, y = 32; lines 1 and 2 (x = -4, 36) lie
    // outside and stay 0, lines 3 and 4 (y = 12, 52) inside
    const Made& m = MpiRun(kSlab, 2);
    ExpectRunSucceeded(m);
    const std::vector<std::string> lines = Lines(ReadText(m.Report()));
    ASSERT_GE(lines.size(), 3u);
    const std::vector<double> level0 = Numbers(lines[2]);
    ASSERT_EQ(level0.size(), 11u);
    EXPECT_EQ(level0[0], 0.0);
    EXPECT_NE(level0[1], 0.0); // line 0: S-wave velocity
    EXPECT_EQ(level0[3], 0.0);
    EXPECT_EQ(level0[5], 0.0);
    EXPECT_NE(level0[7], 0.0);
    EXPECT_NE(level0[9], 0.0);
    // S-wave velocity = e vs u + vs on the centre line
    EXPECT_NEAR(level0[1], 0.05 * 1700 * level0[2] + 1700, 1e-3);
}

TEST(RandomMpi, SlabsOfUnequalSizeAndAnEmptyRankGiveTheSameModel)
{
    // NZ = 9 over 4 ranks: FFTW gives 3, 3, 3 and 0 planes; sizes that are not powers of two
    const Case c{"uneven", 10, 12, 9,
                 "--nx 10 --ny 12 --nz 9 --type vonkarman --ax 3 --ay 2 "
                 "--az 4 --hurst 0.3"};
    const Made& one = MpiRun(c, 1);
    const Made& four = MpiRun(c, 4);
    ExpectRunSucceeded(one);
    ExpectRunSucceeded(four);
    EXPECT_TRUE(ReadBytes(one.Noise()) == SingleMachineNoise(10, 12, 9));
    EXPECT_TRUE(ReadBytes(four.Noise()) == ReadBytes(one.Noise()));
    EXPECT_LE(LargestRelativeDifference(ModelValues(four.Model()), ModelValues(one.Model())),
              kAcrossRanks);
}

TEST(RandomMpi, ClockSeedIsPrintedAndReproducesTheModel)
{
    Folders& folders = TheFolders();
    const std::string a = folders.Make(), b = folders.Make();
    const RunResult clock = RunMpi(a, 2, "--size 16 --type exponential --clock -o model.fd3d");
    ASSERT_EQ(clock.status, 0) << clock.err;
    const std::size_t at = clock.out.find("seed ");
    ASSERT_NE(at, std::string::npos) << clock.out;
    const unsigned long seed = std::stoul(clock.out.substr(at + 5));
    const RunResult again = RunMpi(
        b, 2, "--size 16 --type exponential --seed " + std::to_string(seed) + " -o model.fd3d");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(ReadBytes(a + "/model.fd3d") == ReadBytes(b + "/model.fd3d"));
}

TEST(RandomMpi, BadOptionsAreRefusedByEveryRankWithOneMessage)
{
    struct Bad {
        int ranks;
        std::string arguments, message;
    };
    const Bad cases[] = {
        {2, "--nx 0 -o m.fd3d", "--nx must be at least 1 cell"},
        {2, "--nz -5 -o m.fd3d", "--nz must be at least 1 cell"},
        {2, "--type vonkarman --ay 0 -o m.fd3d", "--ay must be positive"},
        {2, "--stepz 0 -o m.fd3d", "--stepz must be positive"},
        {4, "--nx 8 --ny 8 --nz 3 -o m.fd3d", "4 ranks but only 3 Z planes"},
        {2, "--size 8 --hurst abc -o m.fd3d", "--hurst: \"abc\" is not a valid value"},
        {2, "--size 8 --colour red -o m.fd3d", "unknown option \"--colour\""},
        {2, "--size 8", "no output file"},
    };
    for (const Bad& bad : cases) {
        const std::string dir = TheFolders().Make();
        const RunResult r = RunMpi(dir, bad.ranks, bad.arguments);
        EXPECT_EQ(r.status, 2) << bad.arguments << "\n" << r.err; // 124 would be a hang
        EXPECT_EQ(CountLines(r.err, "kalder-random-mpi: " + bad.message), 1)
            << bad.arguments << "\n"
            << r.err;
        EXPECT_EQ(CountLines(r.err, "kalder-random-mpi:"), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir + "/m.fd3d"));
    }
}

TEST(RandomMpi, AModelLargerThanTheMemoryIsRefusedBeforeAllocating)
{
    const std::string dir = TheFolders().Make();
    // 4096^3 cells need hundreds of GiB per rank
    const RunResult r = RunMpi(dir, 2, "--size 4096 --type vonkarman -o big.fd3d");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(CountLines(r.err, "the model needs an estimated"), 1) << r.err;
    EXPECT_NE(r.out.find("memory per rank: estimated"), std::string::npos) << r.out;
    EXPECT_TRUE(FilesStartingWith(dir, "big.fd3d").empty());
}

TEST(RandomMpi, AFailingDiskWriteLeavesNoCompleteLookingFile)
{
    const std::string dir = TheFolders().Make();
    {
        std::ofstream old(dir + "/model.fd3d");
        old << "the previous model";
    }
    // files may grow to 1 MB; the model is 5.2 MB
    const RunResult r = RunMpi(dir, 2, "--size 64 --type exponential -o model.fd3d", 1000000);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.status, 124) << "the run hung";
    EXPECT_EQ(CountLines(r.err, "\"model.fd3d\" was not changed"), 1) << r.err;
    EXPECT_EQ(ReadText(dir + "/model.fd3d"), "the previous model");
    // the temporary file is gone as well
    EXPECT_EQ(FilesStartingWith(dir, "model.fd3d").size(), 1u);
}

TEST(RandomMpi, AnOutputFolderThatDoesNotExistIsRefused)
{
    const std::string dir = TheFolders().Make();
    const RunResult r = RunMpi(dir, 2, "--size 8 -o no/such/folder/model.fd3d");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(CountLines(r.err, "cannot create \"no/such/folder/model.fd3d.part-"), 1) << r.err;
}

TEST(RandomMpi, HelpNamesEveryOption)
{
    const std::string dir = TheFolders().Make();
    const RunResult r = RunMpi(dir, 1, "--help");
    EXPECT_EQ(r.status, 0);
    for (const char* option :
         {"--output", "--type",  "--size",    "--nx",   "--ny",    "--nz",   "--step",  "--stepx",
          "--stepy",  "--stepz", "--ax",      "--ay",   "--az",    "--e",    "--hurst", "--angle",
          "--vp",     "--vs",    "--density", "--seed", "--clock", "--quiet"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}
