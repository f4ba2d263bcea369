// ReadSegyFile on arbitrary bytes. The input is the file without its 3200-byte text header
// (blanks are put in front), so that the binary header and traces fit the fuzzer's input size;
// the file lives in a memory file reached through /proc/self/fd.
#include "ExchangeFuzzSupport.h"

#include "exchange/SegyFile.h"

#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

int memoryFile = -1;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    memoryFile = ::memfd_create("segy", 0);
    return memoryFile < 0 ? 1 : 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::InputScope scope;
    std::vector<std::uint8_t> file(3200, 0x40); // EBCDIC blanks
    file.insert(file.end(), data, data + size);
    if (::ftruncate(memoryFile, 0) != 0 ||
        ::pwrite(memoryFile, file.data(), file.size(), 0) != static_cast<ssize_t>(file.size()))
        return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(memoryFile);
    CData3DEx volume;
    ExchangeResult r = ReadSegyFile(path, volume);
    fuzz::CheckAfterRead(r, volume);
    return 0;
}
