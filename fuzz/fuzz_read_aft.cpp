// The aft tomography reader on arbitrary bytes. Input: three bytes of grid extents (each 0..16),
// a control byte (bit 0: run the whole "Open aft file" command on the file instead, with the
// extents typed into "Data size"), then the records.
#include "FuzzSupport.h"

#include "readers/TomographyFile.h"
#include "volume/Data3D.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    fuzz::Scratch();
    return 0;
}

namespace {

void RunCommand(int nx, int ny, int nz, const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::PutScratch("aft.dat", data, size);
    fuzz::Ui().AnswerOpen({path});
    fuzz::Ui().AnswerForm(platform::FormAnswer{
        true,
        {{"NX =", std::to_string(nx)}, {"NY =", std::to_string(ny)}, {"NZ =", std::to_string(nz)}}});
    CData3DEx volume;
    const CommandResult r = OnOpenAftFile(volume);
    if (!volume.ExtentsFitAllocation())
        std::abort();
    if (r.Done && (volume.NX != nx || volume.NY != ny || volume.NZ != nz))
        std::abort();
    float lo = 0, hi = 0;
    volume.GetMinMax(lo, hi);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const fuzz::InputScope scope;
    const int nx = data[0] % 17, ny = data[1] % 17, nz = data[2] % 17;
    if (data[3] & 1) {
        RunCommand(nx, ny, nz, data + 4, size - 4);
        return 0;
    }
    if (!TomographyGridCheck("<fuzz>", nx, ny, nz).empty())
        return 0;
    TomographyGrid grid;
    grid.Allocate(nx, ny, nz);
    platform::MemoryFile file = fuzz::Memory(data + 4, size - 4);
    const TomographyReadResult r = ReadTomographyRecords(file, grid);
    if (r.Records * 16 + r.TrailingBytes != r.Bytes || r.Outside > r.Records ||
        r.Bytes != static_cast<std::int64_t>(size - 4))
        std::abort();
    return 0;
}
