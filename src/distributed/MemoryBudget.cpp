#include "distributed/MemoryBudget.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::uint64_t> ParseUnsigned(const std::string& text)
{
    std::istringstream in(text);
    std::uint64_t v = 0;
    if (!(in >> v))
        return std::nullopt;
    return v;
}

// The cgroup v2 path of this process: the "0::/path" line of /proc/self/cgroup.
std::string OwnCgroup()
{
    std::istringstream in(ReadWhole("/proc/self/cgroup"));
    for (std::string line; std::getline(in, line);)
        if (line.rfind("0::", 0) == 0)
            return line.substr(3);
    return {};
}

} // namespace

RankMemory EstimateRankMemory(std::int64_t allocLocal, int nz, std::size_t tableSlots)
{
    const std::uint64_t array =
        static_cast<std::uint64_t>(std::max<std::int64_t>(allocLocal, 1)) * 8; // one fftwf_complex
    RankMemory m;
    m.arrays = 2 * array;
    m.fftwWork = array;
    m.tables = static_cast<std::uint64_t>(tableSlots) * 8 +
               static_cast<std::uint64_t>(std::max(nz, 0)) * 5 * 2 * 4 * 2;
    m.runtime = std::uint64_t{64} << 20;
    return m;
}

std::optional<std::uint64_t> ParseMemAvailable(const std::string& meminfo)
{
    std::istringstream in(meminfo);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("MemAvailable:", 0) != 0)
            continue;
        std::istringstream fields(line.substr(13));
        std::uint64_t kib = 0;
        std::string unit;
        if (!(fields >> kib))
            return std::nullopt;
        fields >> unit;
        if (!unit.empty() && unit != "kB")
            return std::nullopt;
        return kib * 1024;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> CgroupMemoryLeft(const std::string& memoryMax,
                                              const std::string& memoryCurrent)
{
    const auto limit = ParseUnsigned(memoryMax); // "max" reads as no number: no limit
    const auto used = ParseUnsigned(memoryCurrent);
    if (!limit || !used)
        return std::nullopt;
    return *limit > *used ? *limit - *used : 0;
}

std::optional<std::uint64_t> AvailablePerRank(int localRanks)
{
    std::optional<std::uint64_t> left = ParseMemAvailable(ReadWhole("/proc/meminfo"));
    const std::string group = OwnCgroup();
    if (!group.empty()) {
        const std::string dir = "/sys/fs/cgroup" + (group == "/" ? std::string() : group);
        if (const auto inGroup = CgroupMemoryLeft(ReadWhole(dir + "/memory.max"),
                                                  ReadWhole(dir + "/memory.current")))
            left = left ? std::min(*left, *inGroup) : *inGroup;
    }
    if (!left)
        return std::nullopt;
    return *left / static_cast<std::uint64_t>(std::max(localRanks, 1));
}

std::string FormatBytes(std::uint64_t bytes)
{
    char text[64];
    const double b = static_cast<double>(bytes);
    if (bytes >= (std::uint64_t{1} << 30))
        std::snprintf(text, sizeof text, "%.1f GiB", b / (1 << 30));
    else if (bytes >= (std::uint64_t{1} << 20))
        std::snprintf(text, sizeof text, "%.1f MiB", b / (1 << 20));
    else if (bytes >= 1024)
        std::snprintf(text, sizeof text, "%.1f KiB", b / 1024);
    else
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    return text;
}
