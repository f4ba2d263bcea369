// Headerless values on arbitrary bytes: the first 12 bytes stand for the extents the user
// enters (int32 NX, NY, NZ), the rest is the file.
#include "FuzzSupport.h"

#include "volume/Data3D.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 12)
        return 0;
    const fuzz::InputScope scope;
    std::int32_t n[3];
    std::memcpy(n, data, 12);
    if (!CheckVolumeExtents("<fuzz>", n[0], n[1], n[2]).empty())
        return 0;
    CData3DEx volume;
    volume.NX = n[0], volume.NY = n[1], volume.NZ = n[2];
    volume.Allocate(n[0], n[1], n[2]);
    platform::MemoryFile file = fuzz::Memory(data + 12, size - 12);
    std::int64_t bytes = ReadRawValuesFrom(volume, file);
    if (bytes < 0 || bytes > static_cast<std::int64_t>(size - 12))
        std::abort();
    float lo = 0, hi = 0;
    volume.GetMinMax(lo, hi);
    return 0;
}
