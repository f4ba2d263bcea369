// ReadVti on arbitrary bytes. The first byte picks the array: 0 the default choice, otherwise by
// the name "v"; the rest is the .vti file.
#include "ExchangeFuzzSupport.h"

#include "exchange/VtiFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const fuzz::InputScope scope;
    VtiReadOptions options;
    if (data[0] & 1)
        options.ArrayName = "v";
    platform::MemoryFile file = fuzz::Memory(data + 1, size - 1);
    CData3DEx volume;
    ExchangeResult r = ReadVti(file, volume, options);
    fuzz::CheckAfterRead(r, volume);
    return 0;
}
