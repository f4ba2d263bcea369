// "Open raytracing model" on arbitrary bytes: the volume file read without its trailer, into a
// volume that already holds a model (the command replaces the document's volume). Input: a
// control byte (bits 0-1 the "Data size" answer), three bytes for typed extents, then the file.
#include "FuzzSupport.h"

#include "volume/Data3D.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    fuzz::Scratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const fuzz::InputScope scope;
    fuzz::QueueDataSize(data[0], data + 1);
    const std::string path = fuzz::PutScratch("raytracing.dat", data + 4, size - 4);
    CData3DEx volume;
    volume.Allocate(4, 3, 2);
    volume.NX = 4, volume.NY = 3, volume.NZ = 2;
    volume.ReadVolumeFile(path, 0);
    if (!volume.ExtentsFitAllocation())
        std::abort();
    float lo = 0, hi = 0;
    volume.GetMinMax(lo, hi);
    return 0;
}
