// "Extract 2D slice" on an arbitrary FD model file. Input: a control byte (the X column, 0-15),
// a byte for the depth extent (its square times 10 m), then the file. The header is read the way
// the command reads it to add up the series' width, then the section is cut and written as
// "FD2D_model.fd2".
#include "FuzzSupport.h"

#include "volume/SnapshotSeries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    fuzz::Scratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const fuzz::InputScope scope;
    const std::string path = fuzz::PutScratch("snap1.dat", data + 2, size - 2);
    FDModelHeader header;
    const int nx = ReadFDModelHeader(path, header);
    if (nx < -1)
        std::abort();
    const int column = data[0] & 15;
    const double depth = 10.0 * data[1] * data[1];
    ExtractSlice2D(path, column, 10000.0, 10000.0, depth, fuzz::Scratch() + "/FD2D_model.fd2");
    return 0;
}
