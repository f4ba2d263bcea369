// The inputs of the average S-wave velocity map on arbitrary bytes: a volume file with its
// stretch trailer (the cell thicknesses) read as "Open" reads it, then the map computed and
// "avs.dat" written. Input: a control byte (bit 0 writes "avs.dat" too), then the volume file.
#include "FuzzSupport.h"

#include "regional/AverageVelocity.h"
#include "volume/Data3D.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    fuzz::Scratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const fuzz::InputScope scope;
    fuzz::Ui().AnswerForm(platform::FormAnswer{});
    platform::MemoryFile file = fuzz::Memory(data + 1, size - 1);
    CData3DEx volume;
    volume.ReadVolume(file, 1, nullptr);
    if (!volume.ExtentsFitAllocation())
        std::abort();
    const std::vector<float> cells = AverageVelocityCells(volume);
    if (static_cast<int>(cells.size()) > (volume.NZ > 0 ? volume.NZ : 0))
        std::abort();
    const std::vector<float> map = ComputeAverageVelocity(volume);
    if (volume.NX >= 1 && volume.NY >= 1 && volume.NZ >= 1 &&
        map.size() != static_cast<std::size_t>(volume.NX) * static_cast<std::size_t>(volume.NY))
        std::abort();
    if (data[0] & 1)
        OnCalculatingAVS(volume, fuzz::Scratch());
    return 0;
}
