#include "exchange/ExchangeVolume.h"

#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

using platform::Format;

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace

ExchangeFormat FormatFromExtension(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string::size_type dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return ExchangeFormat::Unknown;
    std::string ext = Lower(name.substr(dot + 1));
    if (ext == "npy")
        return ExchangeFormat::Npy;
    if (ext == "vti")
        return ExchangeFormat::Vti;
    if (ext == "nc" || ext == "nc4" || ext == "cdf" || ext == "netcdf")
        return ExchangeFormat::Netcdf;
    if (ext == "sgy" || ext == "segy")
        return ExchangeFormat::Segy;
    return ExchangeFormat::Unknown;
}

ExchangeFormat FormatFromContent(const std::string& path)
{
    unsigned char head[3600] = {};
    auto file = platform::OpenBinaryRead(path);
    if (!file)
        return ExchangeFormat::Unknown;
    const std::size_t n = file->Read(head, sizeof head);
    if (n >= 6 && std::memcmp(head, "\x93NUMPY", 6) == 0)
        return ExchangeFormat::Npy;
    if (n >= 4 && std::memcmp(head, "CDF", 3) == 0 &&
        (head[3] == 1 || head[3] == 2 || head[3] == 5))
        return ExchangeFormat::Netcdf;
    if (n >= 8 && std::memcmp(head, "\x89HDF\r\n\x1a\n", 8) == 0)
        return ExchangeFormat::Netcdf;
    std::string text(reinterpret_cast<const char*>(head), std::min<std::size_t>(n, 512));
    if (text.find("<VTKFile") != std::string::npos)
        return ExchangeFormat::Vti;
    // A SEG-Y file has a 3200-byte text header and a 400-byte binary header whose format code
    // (bytes 3225-3226, big-endian) is one of the sample formats.
    if (n == sizeof head) {
        int format = head[3224] << 8 | head[3225];
        if (format == 1 || format == 2 || format == 3 || format == 5 || format == 8)
            return ExchangeFormat::Segy;
    }
    return ExchangeFormat::Unknown;
}

const char* FormatName(ExchangeFormat format)
{
    switch (format) {
    case ExchangeFormat::Npy:
        return "NumPy";
    case ExchangeFormat::Vti:
        return "VTK ImageData";
    case ExchangeFormat::Netcdf:
        return "NetCDF";
    case ExchangeFormat::Segy:
        return "SEG-Y";
    default:
        return "unknown";
    }
}

std::string CheckGrid(const std::string& path, const ExchangeGrid& grid, std::uint64_t stagedBytes)
{
    const std::int64_t nx = grid.N[0], ny = grid.N[1], nz = grid.N[2];
    if (nx < 1 || ny < 1 || nz < 1) {
        if (nx >= 0 && ny >= 0 && nz >= 0)
            return Format("\"%s\" holds no values (NX = %lld, NY = %lld, NZ = %lld).", path.c_str(),
                          static_cast<long long>(nx), static_cast<long long>(ny),
                          static_cast<long long>(nz));
        return CheckVolumeExtents(path, nx, ny, nz);
    }
    // The allocation indexes up to the extent itself, so INT_MAX cannot be addressed.
    if (nx >= INT32_MAX || ny >= INT32_MAX || nz >= INT32_MAX)
        return Format("\"%s\": the extents NX = %lld, NY = %lld, NZ = %lld are not valid.",
                      path.c_str(), static_cast<long long>(nx), static_cast<long long>(ny),
                      static_cast<long long>(nz));
    std::string refusal = CheckVolumeExtents(path, nx, ny, nz);
    if (!refusal.empty() || stagedBytes == 0)
        return refusal;
    std::uint64_t volume = VolumeAllocationBytes(nx, ny, nz), both = 0;
    if (__builtin_add_overflow(volume, stagedBytes, &both) || both > VolumeMemoryLimit())
        return Format("\"%s\": a volume of NX = %lld, NY = %lld, NZ = %lld and the decoded copy "
                      "of its values do not fit in the memory of this machine (%.0f MiB).",
                      path.c_str(), static_cast<long long>(nx), static_cast<long long>(ny),
                      static_cast<long long>(nz),
                      static_cast<double>(VolumeMemoryLimit()) / 1048576.0);
    return {};
}

std::string CheckGeometry(const std::string& path, const ExchangeGrid& grid)
{
    static const char* const axis[3] = {"X", "Y", "Z"};
    for (int a = 0; a < 3; ++a) {
        if (!(grid.Step[a] > 0) || !std::isfinite(grid.Step[a]))
            return Format("\"%s\": the cell size along %s (%g) is not a positive number.",
                          path.c_str(), axis[a], static_cast<double>(grid.Step[a]));
        if (!std::isfinite(grid.Start[a]))
            return Format("\"%s\": the start along %s is not a finite number.", path.c_str(),
                          axis[a]);
    }
    return {};
}

void PrepareVolume(CData3D& v, const ExchangeGrid& grid)
{
    const int nx = static_cast<int>(grid.N[0]), ny = static_cast<int>(grid.N[1]),
              nz = static_cast<int>(grid.N[2]);
    // A reload of the same size keeps its block: fresh pages cost more than the read itself.
    if (!(v.IsAllocated(1) && v.AllocatedNX() == nx && v.AllocatedNY() == ny &&
          v.AllocatedNZ() == nz))
        v.Allocate(nx, ny, nz);
    v.NX = nx;
    v.NY = ny;
    v.NZ = nz;
}

void ApplyGrid(CData3D& v, const ExchangeGrid& grid)
{
    v.StepX = grid.Step[0], v.StepY = grid.Step[1], v.StepZ = grid.Step[2];
    v.StartX = grid.Start[0], v.StartY = grid.Start[1], v.StartZ = grid.Start[2];
    std::string* titles[3] = {&v.TitleX, &v.TitleY, &v.TitleZ};
    std::string* units[3] = {&v.UnitX, &v.UnitY, &v.UnitZ};
    for (int a = 0; a < 3; ++a) {
        if (grid.Title[a])
            *titles[a] = *grid.Title[a];
        if (grid.Unit[a])
            *units[a] = *grid.Unit[a];
    }
    // Imported axes are plain coordinates, never the date axis of data type 2.
    v.DataType = 0;
    v.Stretch->TruncateAreas(v.NZ);
}

bool StagedValues::Reserve(const ExchangeGrid& grid)
{
    try {
        Values.assign(static_cast<std::size_t>(grid.Cells()), 0.0f);
    } catch (const std::bad_alloc&) {
        Values.clear();
        return false;
    }
    return true;
}

void CommitStaged(CData3D& v, const ExchangeGrid& grid, const StagedValues& staged)
{
    PrepareVolume(v, grid);
    const float* p = staged.Values.data();
    const std::size_t row = static_cast<std::size_t>(v.NX);
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y, p += row)
            std::memcpy(v.Values[z][y], p, row * sizeof(float));
    ApplyGrid(v, grid);
}

std::string CheckWritable(const CData3D& v, const std::string& path)
{
    if (v.NX < 1 || v.NY < 1 || v.NZ < 1)
        return Format("Nothing to write to \"%s\": the volume holds no values.", path.c_str());
    if (!v.ExtentsFitAllocation())
        return Format("Cannot write \"%s\": the extents in use exceed the volume's values.",
                      path.c_str());
    return {};
}

ScratchBeside::ScratchBeside(const std::string& t) : target(t)
{
    std::string pattern = target + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return;
    }
    // The permissions an ordinary new file would get, not mkstemp's 0600.
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st;
    mode_t mode = (::stat(target.c_str(), &st) == 0) ? (st.st_mode & 07777) : (0666 & ~mask);
    ::fchmod(fd, mode);
    ::close(fd);
    temp = name.data();
}

ScratchBeside::~ScratchBeside()
{
    if (!temp.empty())
        ::unlink(temp.c_str());
}

bool ScratchBeside::Commit()
{
    if (temp.empty())
        return false;
    int fd = ::open(temp.c_str(), O_RDONLY);
    bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced || ::rename(temp.c_str(), target.c_str()) != 0) {
        error = std::strerror(errno);
        return false;
    }
    temp.clear();
    return true;
}

std::string FloatText(float value)
{
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}
