// ReadNpy on arbitrary bytes (the whole input is the .npy file).
#include "ExchangeFuzzSupport.h"

#include "exchange/NpyFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::InputScope scope;
    platform::MemoryFile file = fuzz::Memory(data, size);
    CData3DEx volume;
    ExchangeResult r = ReadNpy(file, volume, ExchangeGrid{});
    fuzz::CheckAfterRead(r, volume);
    return 0;
}
