#include "distributed/RandomMpiOptions.h"

#include "random_media/Correlation.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace {

bool ToInt(const std::string& text, long long low, long long high, long long& out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    out = v;
    return true;
}

bool ToFloat(const std::string& text, float& out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || std::fabs(v) > 3.4e38)
        return false;
    out = static_cast<float>(v);
    return true;
}

// Correlation type by number (0..4, as the dialog's radio buttons) or by name.
bool ToType(const std::string& text, int& out)
{
    static const std::map<std::string, int> names = {
        {"homogeneous", CorrelationHomogeneous}, {"read", CorrelationReadModel},
        {"noise", CorrelationRandomNoise},       {"random-noise", CorrelationRandomNoise},
        {"vonkarman", CorrelationVonKarman},     {"von-karman", CorrelationVonKarman},
        {"exponential", CorrelationExponential},
    };
    if (auto it = names.find(text); it != names.end()) {
        out = it->second;
        return true;
    }
    long long v = 0;
    if (!ToInt(text, 0, 4, v))
        return false;
    out = static_cast<int>(v);
    return true;
}

using Setter = std::function<bool(const std::string&)>;

// The options that take a value, each with the setter that checks and stores it.
std::map<std::string, Setter> ValuedOptions(RandomMpiOptions& o)
{
    auto extent = [](int& field) {
        return Setter([&field](const std::string& t) {
            long long v = 0;
            if (!ToInt(t, -2147483647LL, 2147483647LL, v))
                return false;
            field = static_cast<int>(v);
            return true;
        });
    };
    auto number = [](float& field) {
        return Setter([&field](const std::string& t) { return ToFloat(t, field); });
    };
    return {
        {"--type", [&](const std::string& t) { return ToType(t, o.model.correlationType); }},
        {"--size",
         [&](const std::string& t) {
             int n = 0;
             if (!extent(n)(t))
                 return false;
             o.nx = o.ny = o.nz = n;
             return true;
         }},
        {"--nx", extent(o.nx)},
        {"--ny", extent(o.ny)},
        {"--nz", extent(o.nz)},
        {"--step",
         [&](const std::string& t) {
             float s = 0;
             if (!ToFloat(t, s))
                 return false;
             o.stepX = o.stepY = o.stepZ = s;
             return true;
         }},
        {"--stepx", number(o.stepX)},
        {"--stepy", number(o.stepY)},
        {"--stepz", number(o.stepZ)},
        {"--ax", number(o.model.ax)},
        {"--ay", number(o.model.ay)},
        {"--az", number(o.model.az)},
        {"--e",
         [&](const std::string& t) {
             float percent = 0;
             if (!ToFloat(t, percent))
                 return false;
             o.model.e = percent / 100.0f; // as the dialog converts it
             return true;
         }},
        {"--hurst", number(o.model.h)},
        {"--angle", number(o.model.angle)},
        {"--vp", number(o.model.vp)},
        {"--vs", number(o.model.vs)},
        {"--density", number(o.model.density)},
        {"--seed",
         [&](const std::string& t) {
             long long v = 0;
             if (!ToInt(t, 0, 4294967295LL, v))
                 return false;
             o.seed = static_cast<std::uint32_t>(v);
             o.clock = false;
             return true;
         }},
        {"--output",
         [&](const std::string& t) {
             o.output = t;
             return !t.empty();
         }},
        {"--dump-noise",
         [&](const std::string& t) {
             o.noiseDump = t;
             return !t.empty();
         }},
    };
}

} // namespace

std::string ParseRandomMpiOptions(const std::vector<std::string>& args, RandomMpiOptions& o)
{
    const std::map<std::string, Setter> valued = ValuedOptions(o);
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "-h" || name == "--help") {
            o.help = true;
            continue;
        }
        if (name == "--clock") {
            o.clock = true;
            continue;
        }
        if (name == "--quiet") {
            o.quiet = true;
            continue;
        }
        if (name == "-o")
            name = "--output";
        std::string value;
        bool inlineValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        const auto it = valued.find(name);
        if (it == valued.end())
            return "unknown option \"" + args[i] + "\" (see --help)";
        if (!inlineValue) {
            if (i + 1 >= args.size())
                return name + " needs a value";
            value = args[++i];
        }
        if (!it->second(value))
            return name + ": \"" + value + "\" is not a valid value";
    }
    // the model is seeded from the clock exactly when the dialog's check box would be set
    o.model.randomNoise = o.clock ? 1 : 0;
    return {};
}

std::string CheckRandomMpiOptions(const RandomMpiOptions& o, int ranks)
{
    const struct {
        const char* name;
        int value;
    } extents[] = {{"--nx", o.nx}, {"--ny", o.ny}, {"--nz", o.nz}};
    for (const auto& e : extents)
        if (e.value < 1)
            return std::string(e.name) + " must be at least 1 cell (got " +
                   std::to_string(e.value) + ")";
    const struct {
        const char* name;
        float value;
        const char* what;
    } positive[] = {{"--stepx", o.stepX, "a cell size"},
                    {"--stepy", o.stepY, "a cell size"},
                    {"--stepz", o.stepZ, "a cell size"},
                    {"--ax", o.model.ax, "a correlation distance"},
                    {"--ay", o.model.ay, "a correlation distance"},
                    {"--az", o.model.az, "a correlation distance"}};
    for (const auto& p : positive)
        if (!(p.value > 0.0f))
            return std::string(p.name) + " must be positive: it is " + p.what + " (got " +
                   std::to_string(p.value) + ")";
    if (o.output.empty())
        return "no output file: give -o FILE";
    if (ranks > o.nz)
        return std::to_string(ranks) + " ranks but only " + std::to_string(o.nz) +
               " Z planes: each rank needs at least one plane, run with at most " +
               std::to_string(o.nz) + " ranks";
    // five blocks of 4-byte cells must stay addressable with 64-bit file offsets
    const double cells = static_cast<double>(o.nx) * o.ny * o.nz;
    if (cells > 281474976710656.0) // 2^48
        return "the grid of " + std::to_string(o.nx) + " x " + std::to_string(o.ny) + " x " +
               std::to_string(o.nz) + " cells is too large";
    return {};
}

std::string RandomMpiUsage()
{
    return "Usage: mpirun -np P kalder-random-mpi [options] -o MODEL\n"
           "Writes a random heterogeneous finite-difference 3D model (P-wave velocity, S-wave\n"
           "velocity, density, Qp, Qs) and the report \"VonKarmanModel3D.txt\" in the current\n"
           "directory; the grid is split in Z slabs over the P ranks (P <= NZ).\n"
           "\n"
           "  -o, --output FILE  the model file (written under a temporary name, then renamed)\n"
           "  --type T           auto-correlation function: 0 homogeneous, 1 read, 2 noise,\n"
           "                     3 vonkarman, 4 exponential (default 2, as the dialog; types\n"
           "                     without a correlation function give the background model)\n"
           "  --size N           N cells along X, Y and Z (default 256)\n"
           "  --nx N, --ny N, --nz N   cells along one axis (default 256)\n"
           "  --step S           cell size along X, Y and Z, metres (default 1)\n"
           "  --stepx S, --stepy S, --stepz S   cell size along one axis, metres (default 1)\n"
           "  --ax A, --ay A, --az A   correlation distances, metres (default 5)\n"
           "  --e PERCENT        standard deviation, percent (default 10)\n"
           "  --hurst H          Hurst constant of the Von Karman function (default 0.5)\n"
           "  --angle DEGREES    angle between X and Z (default 0)\n"
           "  --vp V             background P-wave velocity, m/s (default 1730)\n"
           "  --vs V             background S-wave velocity, m/s (default 440)\n"
           "  --density D        background density, kg/m3 (default 1900)\n"
           "  --seed N           seed of the noise generator, 0..4294967295 (default 10, the\n"
           "                     single-machine program's fixed seed)\n"
           "  --clock            seed from the clock instead (the seed used is printed)\n"
           "  --quiet            no progress lines\n"
           "  -h, --help         this text\n"
           "\n"
           "Exit status: 0 done, 1 the model could not be made or written, 2 bad options.\n";
}
