// ReadVolume on arbitrary bytes. Input: a control byte (bit 0 readTrailer, bits 1-2 the "Data
// size" answer, bit 3 append to a small volume), three bytes for typed extents, then the file.
// Whatever is accepted must keep the extents within the allocation and write back cleanly.
#include "FuzzSupport.h"

#include "volume/Data3D.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const fuzz::InputScope scope;
    const std::uint8_t control = data[0];
    fuzz::QueueDataSize(static_cast<std::uint8_t>(control >> 1), data + 1);
    platform::MemoryFile file = fuzz::Memory(data + 4, size - 4);

    CData3DEx volume;
    CData3DEx source;
    if (control & 8) {
        source.NX = 3, source.NY = 2, source.NZ = 2;
        source.Allocate(3, 2, 2);
        for (int z = 0; z < 2; ++z)
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    source.Values[z][y][x] = static_cast<float>(x + y + z);
    }
    volume.ReadVolume(file, control & 1, (control & 8) ? &source : nullptr);
    if (!volume.ExtentsFitAllocation())
        std::abort();
    float lo = 0, hi = 0;
    volume.GetMinMax(lo, hi); // reads every value in use: an extent past the block shows
    platform::MemoryFile out;
    volume.WriteVolume(out);
    return 0;
}
