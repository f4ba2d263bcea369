// The NetCDF reader on arbitrary bytes, opened from memory. Only classic (CDF) images are
// passed on: HDF5 images exercise the HDF5 library's own parser, which is not ours to fuzz.
#include "ExchangeFuzzSupport.h"

#include "exchange/NetcdfFile.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4 || std::memcmp(data, "CDF", 3) != 0)
        return 0;
    const fuzz::InputScope scope;
    CData3DEx volume;
    ExchangeResult r = ReadNetcdfMemory("fuzz.nc", data, size, volume);
    fuzz::CheckAfterRead(r, volume);
    return 0;
}
