// The station list of "Extract 1D model" on arbitrary bytes (the whole input is the list). Every
// station accepted must have finite coordinates and a name that is a plain file name, and its
// node must be found without overflow.
#include "FuzzSupport.h"

#include "regional/StationModel.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Initialise();
    fuzz::Scratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::InputScope scope;
    const std::string path = fuzz::PutScratch("stations.txt", data, size);
    const StationList list = ReadStationFile(path);
    if (!list.Opened || static_cast<int>(list.Stations.size()) > MaxStations)
        std::abort();
    CHalvoModel model(fuzz::Scratch());
    for (const CStation& s : list.Stations) {
        if (!std::isfinite(s.X) || !std::isfinite(s.Y) || s.Name.empty() ||
            s.Name.size() > MaxStationNameLength || s.Name.find('/') != std::string::npos ||
            s.Name == "." || s.Name == "..")
            std::abort();
        int ix = 0, iy = 0;
        model.FindNode(s, ix, iy);
    }
    return 0;
}
