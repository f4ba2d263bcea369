#include "volume/ReaderKit.h"

#include "platform/BinaryFile.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"

#include <cstring>

using platform::Format;

void ReportToUser(const std::string& text)
{
    platform::GetUi().MessageBox(text);
}

std::unique_ptr<platform::BinaryFile> OpenOrReport(const std::string& path)
{
    std::string error;
    auto file = platform::OpenBinaryRead(path, &error);
    if (!file)
        ReportToUser(Format("Cannot open \"%s\": %s.", path.c_str(), error.c_str()));
    return file;
}

bool ReadFDModelHeader(platform::BinaryFile& file, FDModelHeader& header)
{
    std::int32_t size[3] = {};
    float steps[3] = {};
    if (file.Read(size, 12) != 12 || file.Read(steps, 12) != 12) {
        ReportToUser(Format("Cannot read \"%s\": the file ends inside the FD model header.",
                            file.Path().c_str()));
        return false;
    }
    if (size[0] < 0 || size[1] < 0 || size[2] < 0) {
        ReportToUser(Format("\"%s\": the extents NX = %d, NY = %d, NZ = %d are not valid.",
                            file.Path().c_str(), size[0], size[1], size[2]));
        return false;
    }
    header.NX = size[0], header.NY = size[1], header.NZ = size[2];
    header.StepX = steps[0], header.StepY = steps[1], header.StepZ = steps[2];
    return true;
}

void AllocateFor(CData3D& volume, int nx, int ny, int nz)
{
    if (!(volume.IsAllocated(1) && volume.AllocatedNX() == nx && volume.AllocatedNY() == ny &&
          volume.AllocatedNZ() == nz))
        volume.Allocate(nx, ny, nz);
}

std::int64_t ReadBlockZeroFilled(platform::BinaryFile& file, float* dest, std::int64_t count,
                                 bool& ended)
{
    if (count <= 0)
        return 0;
    const std::size_t want = static_cast<std::size_t>(count) * 4;
    std::size_t got = 0;
    if (!ended) {
        got = file.Read(dest, want);
        ended = got < want;
    }
    const std::size_t full = got / 4; // a partial float counts as missing
    if (full < static_cast<std::size_t>(count))
        std::memset(dest + full, 0, (static_cast<std::size_t>(count) - full) * 4);
    return static_cast<std::int64_t>(got);
}
