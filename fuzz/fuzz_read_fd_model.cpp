// ReadFDModel on arbitrary bytes. Input: a control byte (bits 0-2 component, bit 3 thickness
// block on, bit 4 append after a first strip, bits 5-6 the "Data size" answer), three bytes for
// typed extents, then the file.
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
    const int component = control & 7;
    fuzz::QueueDataSize(static_cast<std::uint8_t>(control >> 5), data + 1);

    CData3DEx volume;
    volume.bReadStretchInfo = (control >> 3) & 1;
    int xOffset = 0;
    if (control & 16) {
        // A first strip of 4 x 3 x 2 in an allocation of 8 columns; the input is appended.
        volume.Allocate(8, 3, 2);
        volume.NX = 4, volume.NY = 3, volume.NZ = 2;
        for (int z = 0; z < 2; ++z)
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x <= 8; ++x)
                    volume.Values[z][y][x] = 1.0f;
        xOffset = 4;
    }
    platform::MemoryFile file = fuzz::Memory(data + 4, size - 4);
    ReadFDModelFrom(volume, file, component, xOffset, 2);
    if (!volume.ExtentsFitAllocation())
        std::abort();
    float lo = 0, hi = 0;
    volume.GetMinMax(lo, hi);
    return 0;
}
