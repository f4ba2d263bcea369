// "Append all files" on arbitrary numbered FD model series. Input: a control byte (bits 0-1: one
// to four files; bit 2: the second file is named with a zero-padded number and selected twice),
// then the files' bytes cut into equal parts. Every dialog takes its proposed values.
#include "FuzzSupport.h"

#include "volume/Data3D.h"
#include "volume/SnapshotSeries.h"

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
    const std::uint8_t control = data[0];
    const std::size_t files = 1 + (control & 3);
    const std::size_t part = (size - 1) / files;
    std::vector<std::string> paths;
    for (std::size_t k = 0; k < files; ++k) {
        const bool padded = (control & 4) && k == 1;
        const std::string name = (padded ? "snap00" : "snap") + std::to_string(k + 1) + ".dat";
        paths.push_back(fuzz::PutScratch(name, data + 1 + k * part, part));
        if (padded)
            paths.push_back(paths.back());
    }
    fuzz::Ui().AnswerOpen(paths);
    for (int k = 0; k < 12; ++k)
        fuzz::Ui().AnswerForm(platform::FormAnswer{});

    CData3DEx volume;
    ViewLoadMemory memory;
    int drawEnabled = 1;
    OnAppendAllFiles(volume, memory, drawEnabled);
    if (!volume.ExtentsFitAllocation() || drawEnabled != 1)
        std::abort();
    float lo = 0, hi = 0;
    volume.GetMinMax(lo, hi);
    return 0;
}
