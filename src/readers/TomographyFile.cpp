#include "readers/TomographyFile.h"

#include "volume/ReaderKit.h"

#include "numeric/Allocation.h"
#include "platform/BinaryFile.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"
#include "volume/VolumeDialogs.h"
#include "volume/VolumeFile.h"

#include <climits>
#include <cstring>
#include <vector>

using platform::Format;

namespace {

// Records per read request (256 KiB).
constexpr std::size_t BlockRecords = 16384;
constexpr std::size_t RecordBytes = 16;

void Message(const std::string& text)
{
    platform::GetUi().MessageBox(text);
}

} // namespace

void TomographyGrid::Allocate(int nx, int ny, int nz)
{
    Release();
    Values = f3tensor(0, nx, 0, ny, 0, nz);
    NX = nx, NY = ny, NZ = nz;
    // The tensor is one block from Values[0][0][0]: (nx+1)(ny+1)(nz+1) floats.
    std::size_t n = static_cast<std::size_t>(nx + 1) * static_cast<std::size_t>(ny + 1) *
                    static_cast<std::size_t>(nz + 1);
    std::memset(Values[0][0], 0, n * sizeof(float));
}

void TomographyGrid::Release()
{
    if (Values)
        FreeTensor3(Values, 0, NX, 0, NY, 0, NZ);
    Values = nullptr;
    NX = NY = NZ = 0;
}

std::string TomographyGridCheck(const std::string& path, std::int64_t nx, std::int64_t ny,
                                std::int64_t nz)
{
    // The tensors index up to the extent itself, so an extent of INT_MAX cannot be addressed.
    if (nx >= INT_MAX || ny >= INT_MAX || nz >= INT_MAX)
        return Format("\"%s\": the extents NX = %lld, NY = %lld, NZ = %lld are not valid.",
                      path.c_str(), static_cast<long long>(nx), static_cast<long long>(ny),
                      static_cast<long long>(nz));
    std::string refusal = CheckVolumeExtents(path, nx, ny, nz);
    if (!refusal.empty())
        return refusal;
    // The grid is the volume's shape transposed: the same floats, pointer arrays of about the
    // same size. Both exist while the grid is copied.
    std::uint64_t grid = VolumeAllocationBytes(nz, ny, nx), both = 0, limit = VolumeMemoryLimit();
    if (grid == 0 || __builtin_add_overflow(grid, VolumeAllocationBytes(nx, ny, nz), &both) ||
        both > limit)
        return Format("\"%s\": a grid of NX = %lld, NY = %lld, NZ = %lld and its copy in the "
                      "volume do not fit in the memory of this machine (%.0f MiB).",
                      path.c_str(), static_cast<long long>(nx), static_cast<long long>(ny),
                      static_cast<long long>(nz), static_cast<double>(limit) / 1048576.0);
    return {};
}

TomographyReadResult ReadTomographyRecords(platform::BinaryFile& file, TomographyGrid& grid)
{
    TomographyReadResult result;
    std::vector<unsigned char> block(BlockRecords * RecordBytes);
    std::size_t carry = 0; // bytes of an incomplete record kept from the previous request
    for (;;) {
        std::size_t got = file.Read(block.data() + carry, block.size() - carry);
        if (got == 0)
            break;
        result.Bytes += static_cast<std::int64_t>(got);
        std::size_t have = carry + got, whole = have / RecordBytes;
        for (std::size_t r = 0; r < whole; ++r) {
            const unsigned char* p = block.data() + r * RecordBytes;
            std::int32_t ijk[3];
            float value;
            std::memcpy(ijk, p, 12);
            std::memcpy(&value, p + 12, 4);
            ++result.Records;
            // Indices count from 1; 64-bit so that i - 1 cannot overflow.
            std::int64_t x = std::int64_t{ijk[0]} - 1, y = std::int64_t{ijk[1]} - 1,
                         z = std::int64_t{ijk[2]} - 1;
            if (x < 0 || x >= grid.NX || y < 0 || y >= grid.NY || z < 0 || z >= grid.NZ) {
                ++result.Outside;
                continue;
            }
            grid.Values[x][y][z] = value;
        }
        carry = have - whole * RecordBytes;
        if (carry)
            std::memmove(block.data(), block.data() + whole * RecordBytes, carry);
    }
    result.TrailingBytes = static_cast<std::int64_t>(carry);
    return result;
}

CommandResult OnOpenAftFile(CData3D& volume)
{
    std::vector<std::string> paths = platform::GetUi().OpenFiles("aft.dat(*.*)", false);
    if (paths.empty())
        return {};
    const std::string& path = paths.front();
    CDataSize size{0, 0, 0};
    if (!RunDataSize(size))
        return {};

    // Everything that can refuse the command comes before the volume is touched.
    std::string refusal = TomographyGridCheck(path, size.NX, size.NY, size.NZ);
    if (!refusal.empty()) {
        Message(refusal);
        return {};
    }
    auto file = OpenOrReport(path);
    if (!file)
        return {};

    TomographyGrid grid;
    grid.Allocate(size.NX, size.NY, size.NZ);
    TomographyReadResult read = ReadTomographyRecords(*file, grid);
    file->Close();

    Message(Format("NX = %d NY = %d NZ = %d", size.NX, size.NY, size.NZ));
    if (read.Outside > 0)
        Message(Format("%lld of the %lld records of \"%s\" name cells outside 1..%d, 1..%d, "
                       "1..%d and were left out.",
                       static_cast<long long>(read.Outside), static_cast<long long>(read.Records),
                       path.c_str(), size.NX, size.NY, size.NZ));
    if (read.TrailingBytes > 0)
        Message(Format("\"%s\" ends with %lld bytes that are not a whole record; they were "
                       "ignored.",
                       path.c_str(), static_cast<long long>(read.TrailingBytes)));

    // Values[z][y][x] from the grid's [x][y][z]; no other field of the volume changes.
    AllocateFor(volume, size.NX, size.NY, size.NZ);
    volume.NX = size.NX;
    volume.NY = size.NY;
    volume.NZ = size.NZ;
    for (int z = 0; z < size.NZ; ++z)
        for (int y = 0; y < size.NY; ++y) {
            float* row = volume.Values[z][y];
            for (int x = 0; x < size.NX; ++x)
                row[x] = grid.Values[x][y][z];
        }
    return {.Done = 1, .Changed = true, .Repaint = true, .Bytes = read.Bytes};
}
